#include "storage/codepage.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "model/text.h"

namespace kvx::storage {
namespace {

// Unicode code points of the Windows-1251 bytes 0x80..0xFF (0x98 is unassigned and kept as U+0098).
constexpr std::array<std::uint16_t, 128> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

char cp1251ByteOf(std::uint32_t cp) {
    if (cp < 0x80) return static_cast<char>(cp);
    for (std::size_t i = 0; i < kCp1251High.size(); ++i)
        if (kCp1251High[i] == cp) return static_cast<char>(0x80 + i);
    return '?';
}

/// A Windows-1251 byte that the file's letter mapping and the reader's inverse give back
/// unchanged: the letters А..я, № and everything outside 0x80..0xAF.
bool survivesTheFile(unsigned char b) { return b < 0x80 || b > 0xAF; }

/// What stands in the file for a character that it cannot carry.
std::string_view standIn(char32_t cp) {
    switch (cp) {
    case U'\u0401': return "Е";  // Ё
    case U'\u201E': case U'\u201C': case U'\u201D': case U'\u00AB': return "\"";
    case U'\u201A': case U'\u2018': case U'\u2019': case U'\u2039': case U'\u203A': return "'";
    case U'\u2013': case U'\u2014': case U'\u00AD': return "-";
    case U'\u2026': return "...";
    case U'\u00A0': return " ";
    default: return "?";
    }
}

}  // namespace

std::string storableText(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = std::max<std::size_t>(1, model::text::charBytes(s, i));
        const auto lead = static_cast<unsigned char>(s[i]);
        if (lead < 0x80) {
            out.push_back(s[i]);
        } else {
            const char32_t cp = n > 1 ? model::text::codePointAt(s, i) : 0xFFFD;
            const char b = n > 1 ? cp1251ByteOf(cp) : '?';
            if (b != '?' && survivesTheFile(static_cast<unsigned char>(b))) out.append(s.substr(i, n));
            else out += standIn(cp);
        }
        i += n;
    }
    return out;
}

std::string utf8ToCp1251(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); i += model::text::charBytes(s, i)) {
        // A byte that starts no well-formed character becomes '?' like any character that
        // Windows-1251 cannot hold.
        const auto c = static_cast<unsigned char>(s[i]);
        if (c >= 0x80 && model::text::charBytes(s, i) == 1) out.push_back('?');
        else out.push_back(cp1251ByteOf(model::text::codePointAt(s, i)));
    }
    return out;
}

std::string cp1251ToUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size() * 2);
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) out.push_back(ch);
        else model::text::appendCodePoint(out, kCp1251High[c - 0x80]);
    }
    return out;
}

std::string cp1251ToCp866(std::string_view s) {
    std::string out(s);
    for (char& ch : out) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0xC0 && c <= 0xEF) ch = static_cast<char>(c - 0x40);
        else if (c >= 0xF0) ch = static_cast<char>(c - 0x10);
        else if (c == 0xB9) ch = static_cast<char>(0xFC);
    }
    return out;
}

std::string cp866ToCp1251(std::string_view s) {
    std::string out(s);
    for (char& ch : out) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == 0xFC) ch = static_cast<char>(0xB9);
        else if (c >= 0xE0 && c <= 0xEF) ch = static_cast<char>(c + 0x10);
        else if (c >= 0x80 && c <= 0xAF) ch = static_cast<char>(c + 0x40);
    }
    return out;
}

}  // namespace kvx::storage
