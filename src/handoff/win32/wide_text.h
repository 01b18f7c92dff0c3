#pragma once
// UTF-8 texts of the program to and from the UTF-16 texts of the Windows API.
#ifdef _WIN32

#include <string>
#include <string_view>

namespace kvx::handoff::win32 {

std::wstring toWide(std::string_view utf8);
std::string toUtf8(std::wstring_view wide);

}  // namespace kvx::handoff::win32

#endif
