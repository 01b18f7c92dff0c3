#pragma once
// The version block of the running program's own file (Windows).
#ifdef _WIN32

#include <string>

namespace kvx::platform::win32 {

/// The value of a string of the program file's version block, looked up under the language and
/// code page of the first entry of its translation table; empty when the file has no block or
/// the block has no such value.
std::string ownVersionValue(const std::string& name);

}  // namespace kvx::platform::win32

#endif
