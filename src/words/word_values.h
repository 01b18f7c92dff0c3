#pragma once
// The value of a data word at a tact, read from and written into the diagram, and the
// number-system conversions with which values are shown and entered.
//
// Values are 64-bit unsigned (`WordValue`): every word over the pins of a package fits. All
// arithmetic wraps modulo 2^64, so an over-long text in any radix is cut to its low 64 bits,
// just as a value is cut to the width of a narrower word. Words wider than 64 members are
// shown exactly (radix 2, 8 and 16 from the bit text, radix 10 with arbitrary width); writing
// a value gives their members from bit 64 on the level 0.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/test_document.h"

namespace kvx::words {

/// The value of a data word.
using WordValue = std::uint64_t;

inline constexpr const char* kUndefinedValue = "Неопеделено";

/// Bit text of the word at a tact of the current test, most significant (last member) first;
/// nullopt when a member row is not at level 0 or 1 or the word index is out of range.
std::optional<std::string> wordBits(const model::TestDocument& doc, int wordIndex, int tact);
/// The value in the word's radix (an unknown radix is shown in decimal), or "Неопеделено"
/// when the bits are undefined or the word has no members.
std::string wordValueText(const model::TestDocument& doc, int wordIndex, int tact);
/// The value as a number (bits from 64 on dropped); nullopt when the bits are undefined or the
/// word has no members.
std::optional<WordValue> wordValue(const model::TestDocument& doc, int wordIndex, int tact);
/// Writes value mod 2^n into the word's n member rows at the tact (first member = bit 0)
/// through setCell of the current test; members from bit 64 on get 0. Tacts below 1 and
/// unknown words are ignored.
void setWordValue(model::TestDocument& doc, int wordIndex, int tact, WordValue value);

/// A stretch of tacts over which a word keeps one value (or stays undefined).
struct WordStretch {
    int firstTact = 0;
    int lastTact = 0;
    bool defined = false;
    std::string text;  ///< wordValueText of the stretch
    bool operator==(const WordStretch&) const = default;
};
/// The stretches of equal value of a word over the tacts first..last of the current test (a
/// tact beyond the tact count is undefined). Reads only the member cells of those tacts, so a
/// view of a long test costs what its visible part costs. Empty for an unknown word or an
/// empty window.
std::vector<WordStretch> wordStretches(const model::TestDocument& doc, int wordIndex, int firstTact, int lastTact);

/// Positional value of a text in base 2 / 8; every character must be a decimal digit (not checked
/// against the base), otherwise nullopt. Empty text gives 0.
std::optional<WordValue> parseBinary(std::string_view text);
std::optional<WordValue> parseOctal(std::string_view text);
/// Decimal value; every character must be a decimal digit, otherwise nullopt. Empty text gives 0.
std::optional<WordValue> parseDecimal(std::string_view text);
/// Hexadecimal value; a character that is not a hexadecimal digit counts as 0.
WordValue parseHex(std::string_view text);
/// Digits without leading zeros, upper-case letters; 0 gives "0".
std::string formatBinary(WordValue value);
std::string formatOctal(WordValue value);
std::string formatDecimal(WordValue value);
std::string formatHex(WordValue value);
/// Groups of 3 or 4 bits from the right, the leftmost group padded with zeros, leading zero
/// digits kept; a character other than '1' counts as a 0 bit. Empty text gives empty text.
std::string binaryToOctal(std::string_view bits);
std::string binaryToHex(std::string_view bits);
/// Exact decimal value of a bit text of any width (a character other than '1' is a 0 bit).
std::string binaryToDecimal(std::string_view bits);

/// A text in a word's number system: radix 2 and 8 per parseBinary/parseOctal, 16 per
/// parseHex, any other radix decimal. Used for the addresses of the test file, where a decimal
/// address may carry a leading '+' and must not be empty.
std::optional<WordValue> parseInRadix(std::string_view text, int radix);
/// Radix 2, 8, 16 per the format functions; any other radix decimal.
std::string formatInRadix(WordValue value, int radix);

}  // namespace kvx::words
