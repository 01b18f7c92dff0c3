#pragma once
// Test vectors of universal programmers and IC testers: one character per pin per step, pin 1
// first. The readers of a vector file and of the vectors inside a JEDEC fuse file, the test a
// chip's vectors make, and the vectors a test gives back (vector file, database entry, JEDEC).
//
//   0 1   drive the input low / high          L H   expect the output low / high
//   C     clock: low, high, low, then compare  K     inverted clock: high, low, high
//   Z     expect high impedance (not kept)     X N F don't care, not tested, floating
//   G V   ground / supply

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/test_document.h"

namespace kvx::vectors {

/// Largest source file read (a database of ten thousand chips is a few megabytes).
inline constexpr std::uintmax_t kMaxSourceBytes = 64ull * 1024 * 1024;

/// The vectors of one chip as a source gives them.
struct Chip {
    std::vector<std::string> names;  ///< every name of the chip (parts with the same vectors)
    int pins = 0;
    std::string cells;               ///< the vectors one after another, `pins` characters each
    std::vector<int> lines;          ///< the source line of each vector
    int line = 0;                    ///< the line where the chip starts
    std::string error;               ///< why the chip cannot be imported; empty when it can

    int vectorCount() const { return pins > 0 ? static_cast<int>(cells.size()) / pins : 0; }
    std::string_view vector(int i) const { return std::string_view(cells).substr(static_cast<size_t>(i * pins), static_cast<size_t>(pins)); }
    /// The names joined by commas, as the list shows them.
    std::string allNames() const;
    /// True when `typed` (any letter case) is a part of one of the names.
    bool matches(std::string_view typed) const;
};

/// True for the twelve characters of the notation (upper case).
bool isVectorChar(char c);
/// Appends the characters of one vector's text to `cells` (spaces and tabs are skipped, lower
/// case letters taken as upper case). Returns the number appended, or -1 with `column` set to
/// the 1-based character position of an unknown character.
int appendVector(std::string_view text, std::string& cells, int& column);

/// "неизвестный символ «Q» ..." for the character at 1-based position `column` of `text`.
std::string unknownCharacter(std::string_view text, int column);
/// "строка 5, символ 3: ..." style messages.
std::string atLine(int line, int column = 0);

/// Reads a vector file: one vector per line, '#' or ';' begin a comment, blank lines skipped.
/// nullopt with a Russian message naming the line (and character) at fault.
std::optional<Chip> readVectorFile(std::string_view text, const std::string& name, std::string& error);
/// Reads the test vectors of a JEDEC file: the fields between '*', "QP<n>" the pin count,
/// "V<number> <chars>" a vector, everything else ignored.
std::optional<Chip> readJedec(std::string_view text, const std::string& name, std::string& error);

/// Reads a whole file (refusing files above kMaxSourceBytes); nullopt with a Russian message.
std::optional<std::string> readSourceFile(const std::string& path, std::string& error);
/// The chip name a vector or JEDEC file gives: its file name without the extension.
std::string nameFromPath(const std::string& path);
/// True when the file text is a database (XML) rather than a vector or JEDEC file.
bool looksLikeDatabase(std::string_view text);
/// True when the text is a JEDEC file (".jed", or its STX start character).
bool looksLikeJedec(std::string_view text, const std::string& path);
/// The one chip of a vector or JEDEC file's text, named after the file.
std::optional<Chip> readChipFile(std::string_view text, const std::string& path, std::string& error);
/// The chip one of whose names is `name` (any letter case), or nullptr.
const Chip* findChip(const std::vector<Chip>& chips, const std::string& name);

// ---- a test from vectors ------------------------------------------------------------------

/// What a pin does across all vectors.
struct PinPlan {
    std::string type;      ///< I, O, I/O, NC, VCC or GND
    bool refused = false;  ///< it mixes G or V with other characters: NC, and never a supply pin
};

struct ImportOutcome {
    bool ok = false;
    std::string error;               ///< why nothing was made
    std::vector<std::string> notes;  ///< what could not be carried over
};

/// The pin types the vectors give (index 0 is pin 1); a pin that mixes G or V with anything
/// else is refused, with a note. Empty with `error` when the pin count has no package.
std::vector<PinPlan> planPins(const Chip& chip, std::string& error, std::vector<std::string>& notes);
/// The number of tacts the vectors make (a clocked vector makes three).
long long tactCountOf(const Chip& chip);

/// Makes `doc` the new test of the chip's vectors: the package DIP (SOIC when `soic`) of its
/// pin count, pin types from what the pins do, one tact per vector and three per clocked
/// vector, unnamed pins, the chip's first name as the test name, the rest as a new test has it.
/// `doc` is left unsaved. On failure `doc` is untouched.
ImportOutcome importChip(model::TestDocument& doc, const Chip& chip, bool soic);

// ---- vectors from a test ------------------------------------------------------------------

struct ExportOutcome {
    Chip chip;                       ///< one vector per tact of the current test
    std::vector<std::string> notes;  ///< tacts that both drive and compare an I/O pin
};

/// The vectors of the shown test: one per tact.
ExportOutcome exportChip(const model::TestDocument& doc, const std::string& name);

/// A vector file: a comment line with the name, then one vector per line.
std::string vectorFileText(const Chip& chip);
/// JEDEC vectors: "QP<n>*" and "V<number> <chars>*" between STX and ETX, with the checksum.
std::string jedecText(const Chip& chip);
/// One database entry: <ic name=… pins=…> with a <vector> per vector.
std::string databaseEntry(const Chip& chip);
/// A new database with one entry, or `existing` with the entry appended to its last
/// manufacturer (or database); nullopt with a message when `existing` is not a database.
std::optional<std::string> databaseText(const Chip& chip, const std::string* existing, std::string& error);

/// A file name of a chip name: characters other than letters, digits, '-', '_' and '.' become
/// '_', and `taken` (lower-case names already given) makes it unique with "_2", "_3", ...
std::string safeFileName(const std::string& chipName, std::vector<std::string>& taken);

}  // namespace kvx::vectors
