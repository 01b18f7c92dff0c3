#pragma once
// Random single-test documents for the round-trip and robustness tests.

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "model/test_document.h"

namespace kvx::testing {

inline std::string randomText(std::mt19937& rng, size_t maxLength, bool allowEquals) {
    static const std::vector<std::string> alphabet = {"A", "b", "Z", "0", "7", "_", " ", "-", "(", "|", "Ж",
                                                       "я", "П", "р", "№", "х", "Ю", "=", "\"", "/", "\\", "."};
    std::uniform_int_distribution<size_t> len(0, maxLength), pick(0, alphabet.size() - 1);
    std::string s;
    for (size_t i = 0, n = len(rng); i < n; ++i) {
        const std::string& c = alphabet[pick(rng)];
        if (c == "=" && !allowEquals) continue;
        s += c;
    }
    return s;
}

/// A document whose every part survives the file: display order as the reader rebuilds it
/// (signal rows in any order, then NC/VCC/GND in pin order), one radix for all words.
inline model::TestDocument randomDocument(std::mt19937& rng) {
    using namespace model;
    TestDocument doc;
    auto uni = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); };
    const int pinCount = kPinCounts[static_cast<size_t>(uni(0, static_cast<int>(kPinCounts.size()) - 1))];
    doc.setPackage({uni(0, 1) ? PackageType::SOIC : PackageType::DIP, pinCount});
    doc.setTactCount(uni(1, 300));
    doc.setTestName(randomText(rng, 20, true));
    // Short Cyrillic types are not function types, however many bytes they take.
    static const char* types[] = {"I", "I", "O", "I/O", "O=F(c)", "NC", "VCC", "GND", "Вх", "ВЫХ", "Я"};
    std::vector<SignalEntry> signals, fixed;
    for (int n = 1; n <= pinCount; ++n) {
        const std::string type = types[uni(0, 10)];
        doc.setPinType(n, type);
        doc.setPinName(n, randomText(rng, 7, true));
        if (isFixedType(type)) {
            fixed.push_back({n, RowKind::Pin});
            continue;
        }
        signals.push_back({n, RowKind::Pin});
        if (type == PinType::InOut) {
            signals.push_back({n, RowKind::Output});
            doc.setPinType(n + kPinRows, uni(0, 3) ? PinType::IoOutput : PinType::IoFunction);
        }
    }
    std::shuffle(signals.begin(), signals.end(), rng);
    int k = 1;
    for (const auto& e : signals) doc.setSignalEntry(0, k++, e);
    for (const auto& e : fixed) doc.setSignalEntry(0, k++, e);
    for (const auto& e : signals) {
        const int row = e.kind == RowKind::Output ? e.pin + kPinRows : e.pin;
        if (isFunctionType(doc.pin(row).pinType)) {
            static const char* formulas[] = {"C1&C2", "!(C1)|C3", "1", "", "C12X(C2|0)", "Cx(("};
            doc.setPinFunction(0, row, formulas[uni(0, 5)]);
            continue;
        }
        for (int t = 1; t <= doc.tactCount(); ++t) doc.setCell(0, row, t, static_cast<CellLevel>(uni(0, 2)));
    }
    const int radix = std::vector<int>{2, 8, 10, 16}[static_cast<size_t>(uni(0, 3))];
    const int wordCount = uni(0, 4) == 0 ? uni(0, kMaxDataWords) : uni(0, 3);
    doc.dataWords().clear();
    for (int w = 0; w < wordCount; ++w) {
        DataWord word;
        word.wordName = randomText(rng, 8, false);
        word.radix = radix;
        word.direction = uni(0, 2);
        for (int m = uni(0, pinCount); m > 0; --m) word.addMember(uni(1, 100));
        doc.dataWords().push_back(word);
    }
    const int a = uni(0, 3);
    auto& s = doc.algorithms()[static_cast<size_t>(a)];
    doc.algorithms()[0].active = a == 0 ? 1 : 0;
    s.active = 1;
    for (int* f : {&s.cycleCount, &s.startTact, &s.endTact, &s.addressTact, &s.addressTactCount, &s.dataTact,
                   &s.writeStartTact, &s.writeAddressTact, &s.writeAddressTactCount, &s.writeDataTact,
                   &s.dataTactCount, &s.writeDataTactCount})
        *f = uni(-1, 5000);
    for (int* f : {&s.addressWord, &s.dataWord, &s.writeAddressWord, &s.writeDataWord}) *f = uni(-1, 50);
    // Addresses of every width up to 64 bits.
    std::uniform_int_distribution<std::uint64_t> address;
    s.startAddress = address(rng) >> uni(0, 63);
    s.endAddress = address(rng) >> uni(0, 63);
    s.dataFileName = randomText(rng, 30, true);
    auto& p = doc.testParameters();
    p.levelHighCode = uni(51, 256);
    p.levelLowCode = uni(0, 128);
    p.tactDuration = uni(1, 8);
    doc.setDescriptionFile(randomText(rng, 40, true));
    return doc;
}

}  // namespace kvx::testing
