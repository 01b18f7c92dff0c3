#include <gtest/gtest.h>

#include <random>

#include "random_documents.h"
#include "storage/test_file.h"

using namespace kvx;

namespace {

/// One random damage to a file: bytes flipped, lines dropped, doubled or cut, numbers made odd.
std::string mutate(std::string bytes, std::mt19937& rng) {
    auto uni = [&](size_t a, size_t b) { return std::uniform_int_distribution<size_t>(a, b)(rng); };
    if (bytes.empty()) return bytes;
    switch (uni(0, 6)) {
    case 0:  // truncate
        bytes.resize(uni(0, bytes.size()));
        break;
    case 1:  // random bytes
        for (size_t i = 0, n = uni(1, 8); i < n; ++i) bytes[uni(0, bytes.size() - 1)] = static_cast<char>(uni(0, 255));
        break;
    case 2: {  // drop a line
        const size_t pos = uni(0, bytes.size() - 1);
        const size_t before = bytes.rfind('\n', pos);
        const size_t start = before == std::string::npos ? 0 : before + 1;
        const size_t end = bytes.find('\n', pos);
        bytes.erase(start, (end == std::string::npos ? bytes.size() - 1 : end) - start + 1);
        break;
    }
    case 3: {  // double a region
        const size_t from = uni(0, bytes.size() - 1);
        const size_t len = uni(0, std::min<size_t>(200, bytes.size() - from));
        bytes.insert(from, bytes.substr(from, len));
        break;
    }
    case 4: {  // replace the number after an '=' by an odd one
        static const char* odd[] = {"-1", "0", "2147483647", "-2147483648", "99999999999", "52", "101", "",
                                    "1000001", "7|", "|", "3|99", "x"};
        size_t eq = bytes.find('=', uni(0, bytes.size() - 1));
        if (eq == std::string::npos) break;
        const size_t end = bytes.find('\r', eq);
        bytes.replace(eq + 1, (end == std::string::npos ? bytes.size() : end) - eq - 1, odd[uni(0, 12)]);
        break;
    }
    case 5:  // line ends without CR, or stray CRs
        for (size_t i = 0, n = uni(1, 5); i < n; ++i) {
            const size_t at = bytes.find('\r', uni(0, bytes.size() - 1));
            if (at != std::string::npos) bytes.erase(at, 1);
        }
        break;
    default:  // a very long line of levels
        bytes.insert(uni(0, bytes.size()), std::string(uni(0, 3000), "_-*"[uni(0, 2)]));
        break;
    }
    return bytes;
}

}  // namespace

TEST(Robustness, DamagedFilesNeverBreakTheReader) {
    std::mt19937 rng(7);
    int loaded = 0;
    for (int i = 0; i < 3000; ++i) {
        const model::TestDocument original = kvx::testing::randomDocument(rng);
        std::string bytes = storage::writeTestFileBytes(original);
        for (int m = std::uniform_int_distribution<int>(1, 4)(rng); m > 0; --m) bytes = mutate(bytes, rng);
        model::TestDocument doc;
        const auto r = storage::loadTestFileBytes(doc, bytes, "damaged.kvx");
        // Whatever the damage, the document stays usable: a valid package, tacts, rows in range.
        ASSERT_GE(doc.tactCount(), 1);
        ASSERT_LE(doc.tactCount(), model::kMaxTactCount);
        ASSERT_NE(std::find(model::kPinCounts.begin(), model::kPinCounts.end(), doc.pinCount()), model::kPinCounts.end());
        ASSERT_LE(doc.dataWords().size(), static_cast<size_t>(model::kMaxDataWords));
        for (int k = 1; k <= doc.displayRowCount(); ++k) {
            const int row = doc.signalRow(doc.currentTest(), k);
            ASSERT_GE(row, 0);
            ASSERT_LE(row, model::kMaxRow + model::kPinRows);
        }
        ASSERT_LE(r.messages.size(), 2u) << "one read error at most, and the storage message";
        if (r.status == storage::LoadStatus::Loaded) {
            ++loaded;
            // What was loaded can be written and read again without new complaints.
            model::TestDocument again;
            const auto r2 = storage::loadTestFileBytes(again, storage::writeTestFileBytes(doc), "again.kvx");
            ASSERT_EQ(r2.status, storage::LoadStatus::Loaded);
        }
    }
    EXPECT_GT(loaded, 1000);
}
