#pragma once
// The data table without its window: one line per (tact, word), lines ordered by tact and
// then by word, optionally filtered to one word; the text of every cell computed from the
// document when it is asked for; the typing and commit rules of the value column.
//
// Lines are numbered from 1 (line 0 is the header). Nothing is stored per line: a table of
// 100,000 tacts and 51 words has 5.1 million lines and costs only what its committed cells
// remember.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "model/test_document.h"
#include "words/word_values.h"

namespace kvx::words {

inline constexpr const char* kTableCaption = "Таблица данных";
inline constexpr const char* kEmptyTableSuffix = " пуста";
inline constexpr const char* kAllWordsItem = "все";
inline constexpr const char* kTableHeaders[3] = {"№", "Слово Данных", "Данные"};

/// The tact and word a line stands for.
struct TableLine {
    int tact = 0;
    int word = -1;
    bool operator==(const TableLine&) const = default;
};

/// Line of a (tact, word) pair: with all of W words shown (h - 1) * W + i + 1, with one word
/// shown the tact.
std::int64_t lineOf(int tact, int wordIndex, int wordCount, bool allWords);
/// The digits of a radix (2, 8, 16; any other radix is decimal) in upper and lower case, and
/// the text with every other character removed.
std::string keepRadixDigits(std::string_view text, int radix);
/// A text in the word's number system: nullopt when a binary, octal or decimal text holds a
/// character that is not a decimal digit (hexadecimal counts such characters 0).
std::optional<WordValue> parseWordText(std::string_view text, int radix);

class DataTable {
public:
    static constexpr int kAllWords = -1;

    explicit DataTable(model::TestDocument& doc) : doc_(doc) {}

    /// The word filter: kAllWords ("все") or one word index. Choosing it rebuilds the lines,
    /// so the texts of committed cells are forgotten.
    void setFilter(int wordIndex);
    int filter() const { return filter_; }
    /// Number of words each tact has lines for.
    int wordsShown() const;
    /// Number of data lines (the header not counted).
    std::int64_t lineCount() const;
    /// The tact and word of data line 1..lineCount().
    TableLine lineAt(std::int64_t line) const;
    /// The line made current when the table opens for the main window's current tact: the line
    /// of `word` at that tact when that word is listed, otherwise the last line of that tact, or
    /// line 1 when the tact has none.
    std::int64_t lineForCurrentTact(int currentTact, int word = -1) const;

    /// Text of a cell: column 0 the tact, 1 the word name, 2 the value (or what a commit left
    /// in it). Empty outside the table.
    std::string cellText(std::int64_t line, int column) const;

    /// The characters of `text` that are digits of the number system of the line's word.
    std::string wordDigits(std::int64_t line, std::string_view text) const;

    /// What typing leaves in a value cell: its text and the cursor, in characters.
    struct Typed {
        std::string text;
        std::size_t cursor = 0;
        bool operator==(const Typed&) const = default;
    };
    /// The typing rule of the value column, for the text just typed with the cursor after
    /// `cursor` characters: a character that is not a digit of the word's number system is
    /// dropped at once (the cursor keeps its place among the digits); when the value is larger
    /// than 2^(n-1) for a word of n members (1 for n <= 1), the text becomes the canonical text of
    /// that value with the cursor at its end. nullopt when the text stays as it was typed.
    std::optional<Typed> typed(std::int64_t line, std::string_view text, std::size_t cursor) const;

    /// What a commit left in its cell and did to the diagram.
    struct Commit {
        std::string cellText;  ///< the cleaned text, or "Неопеделено" when nothing remained
        bool written = false;  ///< the value was written into the word's member rows
        int tact = 0;
        int word = -1;
    };
    /// Commits a text typed into the value cell of a line: keeps only the digits of the word's
    /// radix; when something remains, writes its value (mod 2^n) into the word's member rows.
    std::optional<Commit> commit(std::int64_t line, std::string_view text);

private:
    model::TestDocument& doc_;
    int filter_ = kAllWords;
    std::unordered_map<std::int64_t, std::string> committed_;  ///< cell texts left by commits
};

}  // namespace kvx::words
