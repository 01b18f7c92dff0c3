#include "words/word_values.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace kvx::words {
namespace {

constexpr const char* kDigits = "0123456789ABCDEF";

const model::DataWord* wordAt(const model::TestDocument& doc, int index) {
    if (index < 0 || static_cast<size_t>(index) >= doc.dataWords().size()) return nullptr;
    return &doc.dataWords()[static_cast<size_t>(index)];
}

/// Every character a decimal digit, weighted by `base`; wraps modulo 2^64.
std::optional<WordValue> parseDecimalDigits(std::string_view text, WordValue base) {
    WordValue v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * base + static_cast<WordValue>(c - '0');
    }
    return v;
}

std::string format(WordValue v, WordValue base) {
    if (v == 0) return "0";
    std::string out;
    while (v != 0) {
        out.push_back(kDigits[v % base]);
        v /= base;
    }
    std::reverse(out.begin(), out.end());
    return out;
}

std::string groups(std::string_view bits, size_t size) {
    std::string out;
    const size_t n = bits.size();
    size_t len = n % size == 0 ? size : n % size;  // the leftmost group is the short one
    for (size_t pos = 0; pos < n; pos += len, len = size) {
        unsigned v = 0;
        for (size_t i = 0; i < len; ++i) v = v * 2 + (bits[pos + i] == '1' ? 1u : 0u);
        out += kDigits[v];
    }
    return out;
}

}  // namespace

std::optional<std::string> wordBits(const model::TestDocument& doc, int wordIndex, int tact) {
    const model::DataWord* w = wordAt(doc, wordIndex);
    if (!w) return std::nullopt;
    std::string bits;
    for (int row : w->memberRows) {
        if (row == 0) continue;
        const model::CellLevel v = doc.getCell(doc.currentTest(), row, tact);
        if (v > 1) return std::nullopt;
        bits.push_back(v ? '1' : '0');
    }
    std::reverse(bits.begin(), bits.end());  // the first member is the last character
    return bits;
}

std::string wordValueText(const model::TestDocument& doc, int wordIndex, int tact) {
    const auto bits = wordBits(doc, wordIndex, tact);
    if (!bits || bits->empty()) return kUndefinedValue;
    switch (doc.dataWords()[static_cast<size_t>(wordIndex)].radix) {
    case 2: return *bits;
    case 8: return binaryToOctal(*bits);
    case 16: return binaryToHex(*bits);
    default: return binaryToDecimal(*bits);
    }
}

std::optional<WordValue> wordValue(const model::TestDocument& doc, int wordIndex, int tact) {
    const model::DataWord* w = wordAt(doc, wordIndex);
    if (!w) return std::nullopt;
    WordValue v = 0;
    int k = 0;
    for (int row : w->memberRows) {
        if (row == 0) continue;
        const model::CellLevel level = doc.getCell(doc.currentTest(), row, tact);
        if (level > 1) return std::nullopt;
        if (k < 64 && level == 1) v |= WordValue{1} << k;
        ++k;
    }
    if (k == 0) return std::nullopt;
    return v;
}

void setWordValue(model::TestDocument& doc, int wordIndex, int tact, WordValue value) {
    const model::DataWord* w = wordAt(doc, wordIndex);
    if (!w || tact < 1) return;
    const std::vector<int> members = w->members();  // copy: setCell may grow the document
    for (size_t k = 0; k < members.size(); ++k) {
        const WordValue bit = k < 64 ? (value >> k) & 1u : 0u;
        doc.setCell(doc.currentTest(), members[k], tact, static_cast<model::CellLevel>(bit));
    }
}

std::optional<WordValue> parseBinary(std::string_view text) { return parseDecimalDigits(text, 2); }
std::optional<WordValue> parseOctal(std::string_view text) { return parseDecimalDigits(text, 8); }
std::optional<WordValue> parseDecimal(std::string_view text) { return parseDecimalDigits(text, 10); }

WordValue parseHex(std::string_view text) {
    WordValue v = 0;
    for (char c : text) {
        WordValue d = 0;
        if (c >= '0' && c <= '9') d = static_cast<WordValue>(c - '0');
        else if (c >= 'A' && c <= 'F') d = static_cast<WordValue>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f') d = static_cast<WordValue>(c - 'a' + 10);
        v = v * 16 + d;
    }
    return v;
}

std::string formatBinary(WordValue value) { return format(value, 2); }
std::string formatOctal(WordValue value) { return format(value, 8); }
std::string formatDecimal(WordValue value) { return format(value, 10); }
std::string formatHex(WordValue value) { return format(value, 16); }
std::string binaryToOctal(std::string_view bits) { return groups(bits, 3); }
std::string binaryToHex(std::string_view bits) { return groups(bits, 4); }

std::string binaryToDecimal(std::string_view bits) {
    // Little-endian decimal digits, doubled and incremented bit by bit.
    std::vector<unsigned char> digits{0};
    for (char c : bits) {
        unsigned carry = c == '1' ? 1u : 0u;
        for (auto& d : digits) {
            const unsigned v = d * 2u + carry;
            d = static_cast<unsigned char>(v % 10u);
            carry = v / 10u;
        }
        if (carry) digits.push_back(static_cast<unsigned char>(carry));
    }
    std::string out;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) out += static_cast<char>('0' + *it);
    return out;
}

std::optional<WordValue> parseInRadix(std::string_view text, int radix) {
    switch (radix) {
    case 2: return parseBinary(text);
    case 8: return parseOctal(text);
    case 16: return parseHex(text);
    default:
        if (!text.empty() && text.front() == '+') text.remove_prefix(1);
        if (text.empty()) return std::nullopt;
        return parseDecimal(text);
    }
}

std::string formatInRadix(WordValue value, int radix) {
    switch (radix) {
    case 2: return formatBinary(value);
    case 8: return formatOctal(value);
    case 16: return formatHex(value);
    default: return formatDecimal(value);
    }
}

std::vector<WordStretch> wordStretches(const model::TestDocument& doc, int wordIndex, int firstTact, int lastTact) {
    std::vector<WordStretch> out;
    const model::DataWord* w = wordAt(doc, wordIndex);
    if (!w || lastTact < firstTact) return out;
    const int test = doc.currentTest();
    const int tactCount = doc.tactCount();
    std::vector<const model::CellLevel*> rows;
    for (int row : w->memberRows)
        if (row != 0) rows.push_back(doc.rowData(test, row));
    auto level = [&](const model::CellLevel* cells, int t) {
        return (cells && t >= 1 && t <= tactCount) ? cells[t] : model::kInactive;
    };
    auto defined = [&](int t) {
        if (rows.empty()) return false;
        for (const model::CellLevel* cells : rows)
            if (level(cells, t) > 1) return false;
        return true;
    };
    auto sameLevels = [&](int a, int b) {
        for (const model::CellLevel* cells : rows)
            if (level(cells, a) != level(cells, b)) return false;
        return true;
    };
    int start = firstTact;
    bool startDefined = defined(firstTact);
    for (int t = firstTact + 1; t <= lastTact + 1; ++t) {
        if (t <= lastTact) {
            const bool d = defined(t);
            // Undefined tacts form one stretch whatever their levels are.
            if (d == startDefined && (!d || sameLevels(t, t - 1))) continue;
            out.push_back({start, t - 1, startDefined, startDefined ? wordValueText(doc, wordIndex, start) : kUndefinedValue});
            start = t;
            startDefined = d;
        } else {
            out.push_back({start, lastTact, startDefined, startDefined ? wordValueText(doc, wordIndex, start) : kUndefinedValue});
        }
    }
    return out;
}

}  // namespace kvx::words
