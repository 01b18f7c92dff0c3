#pragma once
// The value of a data word at a tact, read from and written into the diagram, and the
// number-system conversions with which values are shown and entered.
//
// Values are 32-bit. Parsing wraps modulo 2^32 (unsigned arithmetic, then the bit pattern is
// taken as int), so an over-long text never overflows; formatting in radix 2, 8 and 16 writes
// the 32-bit pattern of a negative value (-1 gives FFFFFFFF), radix 10 writes it with '-'.
// Words wider than 31 members are shown exactly: radix 2, 8 and 16 are cut from the bit text,
// radix 10 is converted from the bit text with arbitrary width.

#include <optional>
#include <string>
#include <string_view>

#include "model/test_document.h"

namespace kvx::words {

inline constexpr const char* kUndefinedValue = "Неопеделено";

/// Bit text of the word at a tact of the current test, most significant (last member) first;
/// nullopt when a member row is not at level 0 or 1 or the word index is out of range.
std::optional<std::string> wordBits(const model::TestDocument& doc, int wordIndex, int tact);
/// The value in the word's radix (an unknown radix is shown in decimal), or "Неопеделено"
/// when the bits are undefined or the word has no members.
std::string wordValueText(const model::TestDocument& doc, int wordIndex, int tact);
/// Writes value mod 2^n into the word's n member rows at the tact (first member = bit 0)
/// through setCell of the current test. A negative value is written as its two's-complement
/// pattern; members above bit 63 take the sign bit. Tacts below 1 are ignored.
void setWordValue(model::TestDocument& doc, int wordIndex, int tact, long long value);

/// Positional value of a text in base 2 / 8; every character must be a decimal digit (not checked
/// against the base), otherwise nullopt. Empty text gives 0. Wraps modulo 2^32.
std::optional<int> parseBinary(std::string_view text);
std::optional<int> parseOctal(std::string_view text);
/// Hexadecimal value; a character that is not a hexadecimal digit counts as 0. Wraps modulo 2^32.
int parseHex(std::string_view text);
/// Digits without leading zeros, upper-case letters; 0 gives "0".
std::string formatBinary(int value);
std::string formatOctal(int value);
std::string formatHex(int value);
/// Groups of 3 or 4 bits from the right, the leftmost group padded with zeros, leading zero
/// digits kept; a character other than '1' counts as a 0 bit. Empty text gives empty text.
std::string binaryToOctal(std::string_view bits);
std::string binaryToHex(std::string_view bits);
/// Exact decimal value of a bit text of any width (a character other than '1' is a 0 bit).
std::string binaryToDecimal(std::string_view bits);

/// Address texts of the test file: radix 2 and 8 per parseBinary/parseOctal, 16 per parseHex,
/// any other radix as a plain decimal integer (optional '+' or '-'; nullopt when the text is not
/// a number or does not fit 32 bits).
std::optional<int> parseInRadix(std::string_view text, int radix);
/// Radix 2, 8, 16 per the format functions; any other radix as decimal with '-' for negatives.
std::string formatInRadix(int value, int radix);

}  // namespace kvx::words
