#include "words/data_table.h"

namespace kvx::words {

namespace {

/// 2, 8 and 16 are themselves; every other radix is read and written as decimal.
int effectiveRadix(int radix) { return radix == 2 || radix == 8 || radix == 16 ? radix : 10; }

}  // namespace

std::int64_t lineOf(int tact, int wordIndex, int wordCount, bool allWords) {
    if (!allWords) return tact;
    return (static_cast<std::int64_t>(tact) - 1) * wordCount + wordIndex + 1;
}

std::string keepRadixDigits(std::string_view text, int radix) {
    static constexpr std::string_view kUpper = "0123456789ABCDEF";
    static constexpr std::string_view kLower = "0123456789abcdef";
    const size_t r = static_cast<size_t>(effectiveRadix(radix));
    std::string out;
    // Only ASCII bytes can be digits; every byte of a multi-byte character is dropped with it.
    for (char c : text)
        if (kUpper.substr(0, r).find(c) != std::string_view::npos || kLower.substr(0, r).find(c) != std::string_view::npos)
            out.push_back(c);
    return out;
}

std::optional<WordValue> parseWordText(std::string_view text, int radix) {
    switch (effectiveRadix(radix)) {
    case 2: return parseBinary(text);
    case 8: return parseOctal(text);
    case 16: return parseHex(text);
    default: return parseDecimal(text);
    }
}

void DataTable::setFilter(int wordIndex) {
    const bool valid = wordIndex >= 0 && static_cast<size_t>(wordIndex) < doc_.dataWords().size();
    filter_ = valid ? wordIndex : kAllWords;
    committed_.clear();
}

int DataTable::wordsShown() const {
    if (filter_ != kAllWords) return static_cast<size_t>(filter_) < doc_.dataWords().size() ? 1 : 0;
    return static_cast<int>(doc_.dataWords().size());
}

std::int64_t DataTable::lineCount() const {
    return static_cast<std::int64_t>(doc_.tactCount()) * wordsShown();
}

TableLine DataTable::lineAt(std::int64_t line) const {
    if (line < 1 || line > lineCount()) return {};
    if (filter_ != kAllWords) return {static_cast<int>(line), filter_};
    const std::int64_t w = wordsShown();
    return {static_cast<int>((line - 1) / w + 1), static_cast<int>((line - 1) % w)};
}

std::int64_t DataTable::lineForCurrentTact(int currentTact) const {
    if (currentTact < 1 || currentTact > doc_.tactCount() || wordsShown() == 0) return 1;
    return static_cast<std::int64_t>(currentTact) * wordsShown();
}

std::string DataTable::cellText(std::int64_t line, int column) const {
    const TableLine l = lineAt(line);
    if (l.word < 0) return {};
    switch (column) {
    case 0: return std::to_string(l.tact);
    case 1: return doc_.dataWords()[static_cast<size_t>(l.word)].wordName;
    case 2: {
        const auto it = committed_.find(line);
        return it != committed_.end() ? it->second : wordValueText(doc_, l.word, l.tact);
    }
    default: return {};
    }
}

std::optional<std::string> DataTable::typed(std::int64_t line, std::string_view text) const {
    const TableLine l = lineAt(line);
    if (l.word < 0) return std::nullopt;
    const model::DataWord& word = doc_.dataWords()[static_cast<size_t>(l.word)];
    const int n = word.memberCount();
    if (n - 1 >= 64) return std::nullopt;  // no 64-bit value is larger than 2^(n-1)
    const WordValue limit = n <= 1 ? 1 : WordValue{1} << (n - 1);
    const auto value = parseWordText(text, word.radix);
    if (!value || *value <= limit) return std::nullopt;
    return formatInRadix(*value, effectiveRadix(word.radix));
}

std::optional<DataTable::Commit> DataTable::commit(std::int64_t line, std::string_view text) {
    const TableLine l = lineAt(line);
    if (l.word < 0) return std::nullopt;
    const int radix = doc_.dataWords()[static_cast<size_t>(l.word)].radix;
    Commit c;
    c.tact = l.tact;
    c.word = l.word;
    c.cellText = keepRadixDigits(text, radix);
    if (c.cellText.empty()) {
        c.cellText = kUndefinedValue;
    } else {
        setWordValue(doc_, l.word, l.tact, parseWordText(c.cellText, radix).value_or(0));
        c.written = true;
    }
    committed_[line] = c.cellText;
    return c;
}

}  // namespace kvx::words
