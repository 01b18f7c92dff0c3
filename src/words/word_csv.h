#pragma once
// The data table as CSV text (UTF-8), and word values brought in from CSV: the way engineers
// move test vectors between the editor and their scripts and spreadsheets.
//
// Table CSV: the header line "№,Слово Данных,Данные", then one line per tact and word in the
// table's order, the values as the table shows them. Values CSV: lines "tact,word name,value"
// (the same header line may come first, blank lines are skipped), each applied as a commit of
// the table applies it.

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/test_document.h"
#include "words/word_values.h"

namespace kvx::words {

inline constexpr const char* kTableCsvHeader = "№,Слово Данных,Данные";

/// One CSV field, quoted when it holds a comma, a quote, a line break or blanks at its ends.
std::string csvField(std::string_view text);
/// Splits one CSV line into fields ("" inside quotes is one quote); nullopt for a quote left open.
std::optional<std::vector<std::string>> splitCsvLine(std::string_view line);

/// Writes the data table of the current test: every word, or only word `wordIndex`.
void writeTableCsv(std::ostream& out, const model::TestDocument& doc, int wordIndex = -1);

/// One value to write: tact, word index, value.
struct WordAssignment {
    int tact = 0;
    int word = 0;
    WordValue value = 0;
};
/// What reading a values CSV gave: the assignments in file order, or the first error with its
/// line number (1-based), in Russian.
struct ValuesCsv {
    std::vector<WordAssignment> assignments;
    std::optional<std::string> error;
    std::int64_t skippedUndefined = 0;  ///< lines whose value reads "Неопеделено", left alone
};
/// Reads "tact,word name,value" lines against the document's words and tact count. A word
/// name addresses the first word of that name. The value keeps only the digits of the word's
/// radix; a value of "Неопеделено" (what the table shows for an undefined word) changes nothing.
ValuesCsv readValuesCsv(std::istream& in, const model::TestDocument& doc);
/// Writes every assignment as the table writes a commit (value mod 2^n into the member rows).
void applyAssignments(model::TestDocument& doc, const std::vector<WordAssignment>& assignments);

}  // namespace kvx::words
