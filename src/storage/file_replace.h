#pragma once
// Writing a file of the user's without ever leaving it half written: the bytes go to a
// temporary file beside the real file, which replaces it only when everything was written.
// A path that is a symbolic link keeps the link; the file it points to is replaced. A file
// the user may not write is never replaced. Where a replacement would change more than the
// contents (a file with other names through hard links, a file of another user) or cannot be
// made (a folder the user may not write), the file is written in place instead, with room
// for the new contents reserved before the first byte is overwritten.

#include <string>
#include <string_view>

namespace kvx::storage {

/// What became of a write.
struct ReplaceResult {
    bool ok = false;
    /// Why nothing was written, when the reason is one the user can act on ("нет права на
    /// запись в файл"); lower case, no full stop, so that it can end a message.
    std::string reason;
    explicit operator bool() const { return ok; }
};

/// Writes `bytes` to the file at `utf8Path` (created when missing). A replaced file keeps its
/// access rights. When it fails, the old file is untouched.
ReplaceResult replaceFile(const std::string& utf8Path, std::string_view bytes);

/// A message that names a failed write, followed by its reason when there is one.
inline std::string withReason(std::string message, const ReplaceResult& r) {
    return r.reason.empty() ? message : message + ": " + r.reason;
}

}  // namespace kvx::storage
