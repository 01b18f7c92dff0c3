#include "model/text.h"

namespace kvx::model::text {

namespace {

bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

/// Length a lead byte announces, 1 for bytes that cannot start a sequence.
std::size_t announced(unsigned char c) {
    if (c < 0xC2) return 1;
    if (c < 0xE0) return 2;
    if (c < 0xF0) return 3;
    if (c < 0xF5) return 4;
    return 1;
}

}  // namespace

std::size_t charBytes(std::string_view s, std::size_t i) {
    if (i >= s.size()) return 0;
    const std::size_t n = announced(static_cast<unsigned char>(s[i]));
    if (n == 1 || i + n > s.size()) return 1;
    for (std::size_t k = 1; k < n; ++k)
        if (!continuation(static_cast<unsigned char>(s[i + k]))) return 1;
    return n;
}

std::size_t length(std::string_view s) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < s.size(); i += charBytes(s, i)) ++count;
    return count;
}

std::size_t byteOffset(std::string_view s, std::size_t n) {
    std::size_t i = 0;
    for (; n > 0 && i < s.size(); --n) i += charBytes(s, i);
    return i;
}

std::string_view mid(std::string_view s, std::size_t first, std::size_t count) {
    const std::size_t begin = byteOffset(s, first);
    std::size_t end = begin;
    for (; count > 0 && end < s.size(); --count) end += charBytes(s, end);
    return s.substr(begin, end - begin);
}

std::string_view last(std::string_view s) {
    std::size_t i = 0, start = 0;
    while (i < s.size()) {
        start = i;
        i += charBytes(s, i);
    }
    return s.substr(start, s.size() - start);
}

std::string_view dropFirstAndLast(std::string_view s) {
    const std::size_t n = length(s);
    return n < 2 ? std::string_view{} : mid(s, 1, n - 2);
}

char32_t codePointAt(std::string_view s, std::size_t i) {
    const std::size_t n = charBytes(s, i);
    if (n == 0) return 0;
    const auto c = static_cast<unsigned char>(s[i]);
    if (n == 1) return c;
    char32_t cp = c & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    return cp;
}

void appendCodePoint(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace kvx::model::text
