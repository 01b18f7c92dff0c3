#pragma once
// Conversion between the program's UTF-8 texts and the bytes of a test file:
// Windows-1251 inside, CP866 on disk, with the fixed letter mapping of the test format.

#include <string>
#include <string_view>

namespace kvx::storage {

/// UTF-8 to Windows-1251; a character that Windows-1251 cannot hold becomes '?'.
std::string utf8ToCp1251(std::string_view utf8);
/// Windows-1251 to UTF-8 (the one unassigned byte 0x98 maps to U+0098).
std::string cp1251ToUtf8(std::string_view cp1251);
/// Letter mapping of the file: А..я and № move to their CP866 bytes; every other byte
/// (Ё and ё included) is written unchanged.
std::string cp1251ToCp866(std::string_view cp1251);
/// The inverse mapping of the reader: 0xFC -> 0xB9, 0xE0..0xEF -> +0x10, 0x80..0xAF -> +0x40.
std::string cp866ToCp1251(std::string_view cp866);

/// The text as a test file can carry it: every character whose stored byte the reader would
/// turn into another character (the capital Ё, which the letter mapping leaves on the byte of
/// "и"; quotes, dashes and the other Windows-1251 signs of 0x80..0xAF; characters outside
/// Windows-1251) is replaced by a stand-in: Ё by Е, quotes by '"' or '\'', dashes by '-', "…"
/// by "...", a no-break space by a space, any other by '?'. Every other text stays as it is.
std::string storableText(std::string_view utf8);

/// A text of the program as it is stored in a file.
inline std::string toFileText(std::string_view utf8) { return cp1251ToCp866(utf8ToCp1251(utf8)); }
/// A line of a file as a text of the program.
inline std::string fromFileText(std::string_view cp866) { return cp1251ToUtf8(cp866ToCp1251(cp866)); }

}  // namespace kvx::storage
