#include "words/data_table.h"

#include <algorithm>
#include <utility>

#include "model/text.h"

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

std::int64_t DataTable::lineForCurrentTact(int currentTact, int word) const {
    if (currentTact < 1 || currentTact > doc_.tactCount() || wordsShown() == 0) return 1;
    const bool listed = word >= 0 && static_cast<size_t>(word) < doc_.dataWords().size() &&
                        (filter_ == kAllWords || filter_ == word);
    if (listed) return lineOf(currentTact, word, wordsShown(), filter_ == kAllWords);
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

std::string DataTable::wordDigits(std::int64_t line, std::string_view text) const {
    const TableLine l = lineAt(line);
    if (l.word < 0) return {};
    return keepRadixDigits(text, doc_.dataWords()[static_cast<size_t>(l.word)].radix);
}

std::optional<DataTable::Typed> DataTable::typed(std::int64_t line, std::string_view text, std::size_t cursor) const {
    const TableLine l = lineAt(line);
    if (l.word < 0) return std::nullopt;
    const model::DataWord& word = doc_.dataWords()[static_cast<size_t>(l.word)];
    Typed out;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++characters) {
        const std::size_t bytes = std::max<std::size_t>(1, model::text::charBytes(text, i));
        const std::string_view character = text.substr(i, bytes);
        if (keepRadixDigits(character, word.radix) == character) {
            out.text += character;
            if (characters < cursor) ++out.cursor;
        }
        i += bytes;
    }
    const int n = word.memberCount();
    const WordValue limit = n <= 1 ? 1 : n - 1 >= 64 ? ~WordValue{0} : WordValue{1} << (n - 1);
    const WordValue value = parseWordText(out.text, word.radix).value_or(0);  // digits only: always read
    if (value > limit) {
        std::string canonical = formatInRadix(value, effectiveRadix(word.radix));
        if (canonical != out.text) {
            out.text = std::move(canonical);
            out.cursor = out.text.size();
        }
    }
    if (out.text == text && out.cursor == std::min(cursor, characters)) return std::nullopt;
    return out;
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
