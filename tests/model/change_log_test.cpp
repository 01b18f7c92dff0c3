// Undoing the logged changes of a sequence of actions gives back every earlier state exactly,
// hidden tacts included, and redoing them gives the later states again.
#include <gtest/gtest.h>

#include <random>

#include "../storage/random_documents.h"
#include "model/change_log.h"
#include "storage/test_file.h"

using namespace kvx;
using namespace kvx::model;

namespace {

/// Everything a user can see again: the file text, the hidden tacts up to the high-water
/// mark, the counts.
std::string state(const TestDocument& doc) {
    std::string s = storage::writeTestFileBytes(doc);
    s += "|" + std::to_string(doc.tactHighWater()) + "|" + std::to_string(doc.baseTactCount()) + "|";
    for (int test = 0; test < doc.testCount(); ++test)
        for (int r = 0; r <= kMaxRow; ++r) {
            const CellLevel* cells = doc.rowData(test, r);
            for (int t = 1; t <= doc.tactHighWater(); ++t) s += static_cast<char>('0' + cells[t]);
        }
    return s;
}

void randomAction(TestDocument& doc, std::mt19937& rng) {
    auto uni = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); };
    const int rows = doc.displayRowCount();
    switch (uni(0, 13)) {
        case 0:
            for (int i = uni(1, 5); i > 0; --i) doc.setCell(0, uni(1, 100), uni(1, doc.tactCount() + 3), uni(0, 2));
            break;
        case 1: {
            CellLevel* cells = doc.mutableRowData(0, uni(1, 100));
            std::fill(cells + uni(1, doc.tactCount()), cells + doc.tactCount() + 1, static_cast<CellLevel>(uni(0, 2)));
            break;
        }
        case 2: doc.setTactCount(uni(1, 400)); break;
        case 3: doc.setTactCount(doc.tactCount() + 2); break;
        case 4: doc.insertTact(uni(1, doc.tactCount())); break;
        case 5: doc.deleteTact(uni(1, doc.tactCount())); break;
        case 6: doc.setPinType(uni(1, 100), uni(0, 1) ? "O" : "I/O"); break;
        case 7: doc.setPinName(uni(1, 100), "Ж" + std::to_string(uni(0, 99))); break;
        case 8: doc.moveSignalEntry(0, uni(1, std::max(1, rows)), uni(1, std::max(1, rows))); break;
        case 9: doc.setPinFunction(0, uni(1, 100), "C" + std::to_string(uni(1, 9))); break;
        case 10:
            if (doc.dataWords().size() < 5) doc.dataWords().push_back(DataWord{});
            if (!doc.dataWords().empty()) doc.dataWords().back().addMember(uni(1, 100));
            break;
        case 11:
            doc.algorithm(Algorithm::Rom).endAddress = static_cast<std::uint64_t>(uni(0, 1000));
            doc.testParameters().tactDuration = uni(1, 8);
            break;
        case 12: doc.setPackage({PackageType::SOIC, kPinCounts[static_cast<size_t>(uni(0, 8))]}); break;
        case 13:
            doc.setTestName("Тест " + std::to_string(uni(0, 9)));
            doc.setDescriptionFile("/d/" + std::to_string(uni(0, 9)));
            break;
        default: break;
    }
}

}  // namespace

TEST(ChangeLog, UndoAndRedoGiveBackEveryStateOfARandomEditingSession) {
    std::mt19937 rng(20261208);
    for (int session = 0; session < 40; ++session) {
        TestDocument doc = kvx::testing::randomDocument(rng);
        if (session % 3 == 0) {
            // A file of several tests: a shift of the current one leaves the others in place.
            ASSERT_TRUE(doc.setTestCount(3));
            for (int test = 1; test < 3; ++test)
                for (int r = 1; r <= 100; r += 7)
                    for (int t = 1; t <= doc.tactCount(); ++t)
                        doc.setCell(test, r, t, static_cast<CellLevel>(std::uniform_int_distribution<int>(0, 2)(rng)));
            doc.setCurrentTest(session % 2);
        }
        std::vector<std::string> states{state(doc)};
        std::vector<ChangeLog> steps;
        for (int i = 0; i < 30; ++i) {
            // One step, kept in one or two pieces appended together as the history merges them.
            ChangeLog log;
            for (int piece = std::uniform_int_distribution<int>(1, 2)(rng); piece > 0; --piece) {
                ChangeLog part;
                doc.setChangeLog(&part);
                for (int k = std::uniform_int_distribution<int>(1, 3)(rng); k > 0; --k) randomAction(doc, rng);
                doc.setChangeLog(nullptr);
                part.seal();
                log.append(std::move(part));
            }
            if (log.changesNothing(doc)) {
                ASSERT_EQ(state(doc), states.back()) << "a log that changes nothing left the state as it was";
                continue;
            }
            steps.push_back(std::move(log));
            states.push_back(state(doc));
        }
        for (size_t i = steps.size(); i-- > 0;) {
            steps[i].undo(doc);
            ASSERT_EQ(state(doc), states[i]) << "session " << session << ", undo of step " << i;
        }
        for (size_t i = 0; i < steps.size(); ++i) {
            steps[i].redo(doc);
            ASSERT_EQ(state(doc), states[i + 1]) << "session " << session << ", redo of step " << i;
        }
    }
}

TEST(ChangeLog, PiecesThatEndWhereTheyBeganChangeNothing) {
    // Fields of a dialog typed into and then put back: each piece is kept on its own.
    TestDocument doc;
    const TestParameters before = doc.testParameters();
    ChangeLog log;
    for (const TestParameters& p : {TestParameters{3, 200, 60}, TestParameters{3, 180, 60}, before}) {
        ChangeLog part;
        doc.setChangeLog(&part);
        doc.testParameters() = p;
        doc.setTestName(p == before ? "Основной Тест" : "Другой");
        doc.setChangeLog(nullptr);
        part.seal();
        log.append(std::move(part));
        EXPECT_EQ(log.changesNothing(doc), p == before);
    }
}

TEST(ChangeLog, ASingleCellEditKeepsOneCellAndAFillKeepsItsRuns) {
    TestDocument doc;
    doc.setPackage({PackageType::DIP, 40});
    doc.setTactCount(100'000);
    ChangeLog cell;
    doc.setChangeLog(&cell);
    doc.setCell(0, 3, 50'000, kHigh);
    doc.setChangeLog(nullptr);
    cell.seal();
    EXPECT_LT(cell.bytes(), 300u);

    ChangeLog fill;
    doc.setChangeLog(&fill);
    CellLevel* row = doc.mutableRowData(0, 3);
    std::fill(row + 1, row + 100'001, kLow);
    doc.setChangeLog(nullptr);
    EXPECT_LT(fill.bytes(), 2000u) << "an inactive row with one level is a few runs";
}
