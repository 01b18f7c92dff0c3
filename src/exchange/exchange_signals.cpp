#include "exchange/exchange_signals.h"

#include "model/text.h"

namespace kvx::exchange {

using model::TestDocument;

std::string signalNamePart(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = model::text::charBytes(text, i);
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (n == 1 && c < 0x80) {
            const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
            out += keep ? static_cast<char>(c) : '_';
        } else if (n > 1) {
            out.append(text, i, n);
        } else {
            out += '_';  // a stray byte of malformed UTF-8
        }
        i += n;
    }
    return out;
}

bool isExpectedRow(const TestDocument& doc, int row) {
    if (row > model::kPinRows) return true;
    const std::string& type = doc.pin(row).pinType;
    return type == model::PinType::Output || model::isFunctionType(type);
}

std::string rowSignalName(const TestDocument& doc, int row) {
    const int pin = row > model::kPinRows ? row - model::kPinRows : row;
    std::string name = "P" + std::to_string(pin);
    const std::string& pinName = doc.pin(pin).pinName;
    if (!pinName.empty()) name += "_" + signalNamePart(pinName);
    if (row > model::kPinRows) name += "_out";
    return name;
}

std::vector<RowSignal> rowSignals(const TestDocument& doc) {
    std::vector<RowSignal> out;
    const int test = doc.currentTest();
    for (int k = 1; k <= doc.displayRowCount(); ++k) {
        const int row = doc.signalRow(test, k);
        if (row < 1 || row > model::kMaxRow || model::isFixedType(doc.pin(row).pinType)) continue;
        out.push_back({row, rowSignalName(doc, row), isExpectedRow(doc, row)});
    }
    return out;
}

std::vector<WordSignal> wordSignals(const TestDocument& doc) {
    std::vector<WordSignal> out;
    const auto& words = doc.dataWords();
    for (std::size_t w = 0; w < words.size(); ++w) {
        std::vector<int> rows = words[w].members();
        if (rows.empty()) continue;
        std::string name = "W" + std::to_string(w + 1);
        if (!words[w].wordName.empty()) name += "_" + signalNamePart(words[w].wordName);
        out.push_back({static_cast<int>(w), std::move(name), std::move(rows)});
    }
    return out;
}

}  // namespace kvx::exchange
