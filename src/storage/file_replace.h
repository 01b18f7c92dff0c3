#pragma once
// Replacing a file on disk without ever leaving it half written: the bytes go to a
// temporary file beside the real file, which replaces it only when everything was written.
// A path that is a symbolic link keeps the link; the file it points to is replaced.

#include <string>
#include <string_view>

namespace kvx::storage {

/// Writes `bytes` to the file at `utf8Path` (created when missing). A replaced file keeps its
/// access rights. False when anything failed; the old file is then untouched.
bool replaceFile(const std::string& utf8Path, std::string_view bytes);

}  // namespace kvx::storage
