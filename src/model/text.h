#pragma once
// Character rules on the program's UTF-8 texts. Every rule that counts, cuts or picks
// characters (a type of four characters, the first character of a signal name, the
// seven-character pin name, the 60-character test name) goes through these functions, so
// that a Cyrillic letter counts as one character, as it is one byte in a test file.
// Malformed UTF-8 is taken one byte per character, so nothing is ever lost or cut in the
// middle of a character.

#include <cstddef>
#include <string>
#include <string_view>

namespace kvx::model::text {

/// Byte length of the character that starts at byte i (1 for a malformed sequence, 0 at the end).
std::size_t charBytes(std::string_view s, std::size_t i);
/// Number of characters.
std::size_t length(std::string_view s);
/// Byte offset of character number n (0-based); s.size() when the text is shorter.
std::size_t byteOffset(std::string_view s, std::size_t n);
/// The characters from number `first` on, at most `count` of them.
std::string_view mid(std::string_view s, std::size_t first, std::size_t count = std::string_view::npos);
/// The first n characters.
inline std::string_view left(std::string_view s, std::size_t n) { return mid(s, 0, n); }
/// The first character (empty for an empty text).
inline std::string_view first(std::string_view s) { return mid(s, 0, 1); }
/// The last character (empty for an empty text).
std::string_view last(std::string_view s);
/// Everything after the first character.
inline std::string_view dropFirst(std::string_view s) { return mid(s, 1); }
/// The text without its first and last characters (empty when it has fewer than two).
std::string_view dropFirstAndLast(std::string_view s);
/// The text cut to at most n characters.
inline std::string truncated(std::string_view s, std::size_t n) { return std::string(left(s, n)); }
/// The Unicode code point of the character at byte i (the byte itself for malformed input).
char32_t codePointAt(std::string_view s, std::size_t i);
/// Appends one code point as UTF-8.
void appendCodePoint(std::string& out, char32_t cp);

}  // namespace kvx::model::text
