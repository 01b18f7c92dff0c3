#pragma once
// Whether two paths name one file, and the refusal of an output that would be written over
// a file the command reads or the editor has open.

#include <string>
#include <vector>

namespace kvx::storage {

/// True when the two UTF-8 paths lead to one file: the same text, "..", symbolic links,
/// hard links, and on Windows "\" for "/" and another case. Files that are not there (yet)
/// are compared by the place their paths lead to.
bool sameFile(const std::string& a, const std::string& b);

/// A file that an output must never replace, with what it is ("файл теста", "файл модели").
struct GuardedFile {
    std::string path;
    std::string what;
};

/// Empty when `output` is none of the guarded files; else a Russian message that names the
/// output and the file it would replace. Nothing may then be written.
std::string refuseOverwrite(const std::string& output, const std::vector<GuardedFile>& guarded);

}  // namespace kvx::storage
