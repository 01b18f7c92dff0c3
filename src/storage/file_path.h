#pragma once
// Paths are UTF-8 texts inside the program. A narrow text given to a file stream is read in
// the system's code page on Windows, so every file is opened through a path made from UTF-8.

#include <filesystem>
#include <string>
#include <string_view>

namespace kvx::storage {

/// The path that a UTF-8 text names (on Windows the text is converted to UTF-16).
std::filesystem::path pathFromUtf8(std::string_view utf8);
/// The UTF-8 text of a path.
std::string utf8FromPath(const std::filesystem::path& path);
/// The file a path finally names: symbolic links are followed (also chains and relative
/// targets); a dangling link names the file that its target would be.
std::filesystem::path finalTarget(const std::filesystem::path& path);

}  // namespace kvx::storage
