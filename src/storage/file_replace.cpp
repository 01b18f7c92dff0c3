#include "storage/file_replace.h"

#include <cerrno>
#include <filesystem>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <share.h>
#else
#include <unistd.h>
#endif

#include "storage/file_path.h"

namespace kvx::storage {

namespace fs = std::filesystem;

namespace {

constexpr const char* kReadOnly = "нет права на запись в файл";
constexpr const char* kFolderReadOnly = "нет права на запись в папку";
constexpr const char* kNoFolder = "папка не существует";
constexpr const char* kNotAFile = "по этому пути находится не файл";

// ---- the few system calls, with one meaning on every system ----------------------------

#ifdef _WIN32
using FileSize = long long;

/// Opens a file for writing; -1 on failure. `create`: a new file that must not exist yet
/// (`privately`: only its owner may read it until its rights are set).
int openForWriting(const fs::path& p, bool create, bool privately = false) {
    (void)privately;
    int fd = -1;
    const int flags = _O_WRONLY | _O_BINARY | _O_NOINHERIT | (create ? _O_CREAT | _O_EXCL : 0);
    if (_wsopen_s(&fd, p.c_str(), flags, _SH_DENYNO, _S_IREAD | _S_IWRITE) != 0) return -1;
    return fd;
}
bool writeAt(int fd, FileSize offset, std::string_view bytes) {
    if (_lseeki64(fd, offset, SEEK_SET) != offset) return false;
    while (!bytes.empty()) {
        const unsigned chunk = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<unsigned>(bytes.size());
        const int n = _write(fd, bytes.data(), chunk);
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}
bool resize(int fd, FileSize size) { return _chsize_s(fd, size) == 0; }
/// Makes sure that `size` bytes fit on the disk; on Windows a file extended to a size owns
/// its clusters.
bool reserve(int fd, FileSize size) { return resize(fd, size); }
bool flushToDisk(int fd) { return _commit(fd) == 0; }
bool closeFile(int fd) { return _close(fd) == 0; }
bool sizeOf(int fd, FileSize& size) {
    const long long end = _lseeki64(fd, 0, SEEK_END);
    if (end < 0) return false;
    size = end;
    return true;
}
/// The read-only attribute, which binds every user.
bool mayWrite(const fs::path& file) {
    std::error_code ec;
    const auto st = fs::status(file, ec);
    return !ec && (st.permissions() & fs::perms::owner_write) != fs::perms::none;
}
bool mayWriteFolder(const fs::path& folder) {
    std::error_code ec;
    return fs::is_directory(folder, ec);  // folders have no read-only attribute that binds
}
/// Windows does not say cheaply whether a file has other names.
bool replacingChangesMore(const fs::path&) { return false; }
#else
using FileSize = off_t;

int openForWriting(const fs::path& p, bool create, bool privately = false) {
    int fd;
    do {
        fd = ::open(p.c_str(), O_WRONLY | O_CLOEXEC | (create ? O_CREAT | O_EXCL : 0), privately ? 0600 : 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}
bool writeAt(int fd, FileSize offset, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
        offset += n;
    }
    return true;
}
bool resize(int fd, FileSize size) { return ::ftruncate(fd, size) == 0; }
/// Makes sure that `size` bytes fit on the disk (where the file system can say so).
bool reserve(int fd, FileSize size) {
    const int e = ::posix_fallocate(fd, 0, size);
    if (e == 0) return true;
    if (e == EOPNOTSUPP || e == EINVAL) return resize(fd, size);  // no way to reserve here
    return false;
}
bool flushToDisk(int fd) { return ::fsync(fd) == 0; }
bool closeFile(int fd) { return ::close(fd) == 0; }
bool sizeOf(int fd, FileSize& size) {
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    size = st.st_size;
    return true;
}
/// What the system answers for this user (superuser, access lists and read-only mounts
/// included), asked without opening the file.
bool mayWrite(const fs::path& file) { return ::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) == 0; }
bool mayWriteFolder(const fs::path& folder) {
    return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}
/// A new file put in place of this one would not be the same file: its other names (hard
/// links) would keep the old contents, and a file of another user would become ours.
bool replacingChangesMore(const fs::path& file) {
    struct stat st;
    return ::stat(file.c_str(), &st) == 0 && (st.st_nlink > 1 || st.st_uid != ::geteuid());
}
#endif

/// Overwrites the file itself: room for the new contents is reserved first, so that a full
/// disk leaves the old contents as they were; then the bytes, the length, and the flush.
bool writeInPlace(const fs::path& target, std::string_view bytes) {
    const int fd = openForWriting(target, false);
    if (fd < 0) return false;
    FileSize oldSize = 0;
    bool ok = sizeOf(fd, oldSize);
    const auto newSize = static_cast<FileSize>(bytes.size());
    if (ok && newSize > oldSize && !reserve(fd, newSize)) {
        (void)resize(fd, oldSize);
        ok = false;
    }
    ok = ok && writeAt(fd, 0, bytes) && resize(fd, newSize) && flushToDisk(fd);
    return closeFile(fd) && ok;
}

enum class TempOutcome { Replaced, NoTemporary, WriteFailed, NotRenamed };

/// Writes the bytes to a new file beside the target and renames it over the target.
TempOutcome replaceThroughTemporary(const fs::path& target, std::string_view bytes, bool exists) {
    std::random_device rd;
    fs::path temp;
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        temp = target;
        temp += ".~" + std::to_string(rd() % 1000000) + ".tmp";
        fd = openForWriting(temp, true, exists);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return TempOutcome::NoTemporary;
    const bool written = writeAt(fd, 0, bytes) && flushToDisk(fd);
    // A failing close (a full disk on some file systems) counts as a failed write.
    const bool closed = closeFile(fd);
    std::error_code ec;
    if (!written || !closed) {
        fs::remove(temp, ec);
        return TempOutcome::WriteFailed;
    }
    if (exists) {
        const auto rights = fs::status(target, ec).permissions();
        if (!ec) fs::permissions(temp, rights, ec);
    }
    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return TempOutcome::NotRenamed;
    }
    return TempOutcome::Replaced;
}

}  // namespace

ReplaceResult replaceFile(const std::string& utf8Path, std::string_view bytes) {
    ReplaceResult r;
    if (utf8Path.empty()) return r;
    const fs::path target = finalTarget(pathFromUtf8(utf8Path));
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    const bool exists = fs::exists(status);
    if (exists && !fs::is_regular_file(status)) {
        r.reason = kNotAFile;
        return r;
    }
    if (exists && !mayWrite(target)) {
        r.reason = kReadOnly;
        return r;
    }
    if (exists && replacingChangesMore(target)) {
        r.ok = writeInPlace(target, bytes);
        return r;
    }
    switch (replaceThroughTemporary(target, bytes, exists)) {
    case TempOutcome::Replaced: r.ok = true; return r;
    case TempOutcome::WriteFailed: return r;
    case TempOutcome::NoTemporary:
    case TempOutcome::NotRenamed: break;
    }
    // The folder takes no new file (or no rename): a file the user may write is written in place.
    if (exists) {
        r.ok = writeInPlace(target, bytes);
        return r;
    }
    // A missing folder is asked for as "not found" (which also sets the error code); a folder
    // that may not even be looked into answers with an error of its own.
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const fs::file_status folderStatus = fs::status(folder, ec);
    if (folderStatus.type() == fs::file_type::not_found ||
        (fs::exists(folderStatus) && !fs::is_directory(folderStatus))) {
        r.reason = kNoFolder;
    } else if (!fs::is_directory(folderStatus) || !mayWriteFolder(folder)) {
        r.reason = kFolderReadOnly;
    }
    return r;
}

}  // namespace kvx::storage
