#pragma once
// What kvxtool writes to standard output and standard error is UTF-8. A file or a pipe gets
// those bytes as they are; a Windows console shows text in its own code page (866 on a Russian
// system), so there the text goes to the console as UTF-16 instead.

#include <cstddef>
#include <string_view>

namespace kvx::tool {

/// Makes std::cout and std::cerr write to a console as UTF-16 when they are one (Windows);
/// elsewhere, and for files and pipes, nothing changes. Call once before the first output.
void useConsoleText();

/// The length of the longest start of `utf8` that does not end inside a character: the bytes
/// of a character cut at the end of a write wait for the next one.
std::size_t completeUtf8Length(std::string_view utf8);

}  // namespace kvx::tool
