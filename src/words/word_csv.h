#pragma once
// The data table as CSV text (UTF-8), and word values brought in from CSV: the way engineers
// move test vectors between the editor and their scripts and spreadsheets.
//
// Table CSV: the header line "№,Слово Данных,Данные", then one line per tact and word in the
// table's order, the values as the table shows them. Values CSV: lines "tact,word name,value"
// (the same header line may come first, blank lines are skipped), each applied as a commit of
// the table applies it.
//
// Two words may share a name. A word whose name another word has too is written as the name, '='
// and the word's number in the word list, counted from 1 ("D=2"); a word name never holds '=' (it
// ends the name in the test file), so such a label cannot be taken for a name. A unique name is
// written as it is.

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/test_document.h"
#include "words/word_values.h"

namespace kvx::words {

inline constexpr const char* kTableCsvHeader = "№,Слово Данных,Данные";

/// One CSV field, quoted when it holds a comma, a quote, a line break or blanks at its ends.
std::string csvField(std::string_view text);
/// Splits one CSV line into fields ("" inside quotes is one quote); nullopt for a quote left open.
std::optional<std::vector<std::string>> splitCsvLine(std::string_view line);

/// The words of a test by the labels the CSV gives them.
class WordLabels {
public:
    explicit WordLabels(const std::vector<model::DataWord>& words);
    /// The label of word `index`: its name, or name=number when another word has the same name.
    const std::string& label(int index) const { return labels_[static_cast<size_t>(index)]; }

    /// What a label names: the word index, or an error in Russian.
    struct Found {
        int word = -1;
        std::string error;     ///< empty when a word was found
        bool unknown = false;  ///< no word has this name (or number)
    };
    /// A name that exactly one word has, or name=number of a word of that name.
    Found find(std::string_view label) const;

private:
    const std::vector<model::DataWord>& words_;
    std::unordered_map<std::string, std::vector<int>> byName_;
    std::vector<std::string> labels_;
};

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
/// Reads "tact,word name,value" lines against the document's words and tact count. The word is
/// named as WordLabels::find reads it; a name that several words share is an error. The value
/// keeps only the digits of the word's radix; a value of "Неопеделено" (what the table shows for
/// an undefined word) changes nothing.
ValuesCsv readValuesCsv(std::istream& in, const model::TestDocument& doc);
/// Writes every assignment as the table writes a commit (value mod 2^n into the member rows).
void applyAssignments(model::TestDocument& doc, const std::vector<WordAssignment>& assignments);

}  // namespace kvx::words
