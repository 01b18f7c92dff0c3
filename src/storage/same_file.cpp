#include "storage/same_file.h"

#include <filesystem>
#include <system_error>
#ifdef _WIN32
#include <windows.h>
#endif

#include "storage/file_path.h"

namespace kvx::storage {

namespace {

namespace fs = std::filesystem;

/// The place a path leads to, for files that are not there: links followed, "." and ".."
/// resolved, and on Windows one case and one separator.
fs::path place(const std::string& utf8, bool& ok) {
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(finalTarget(pathFromUtf8(utf8)), ec), ec);
    ok = !ec;
#ifdef _WIN32
    // One case for every letter the system folds (Cyrillic too), not only for A to Z.
    std::wstring w = p.make_preferred().wstring();
    if (!w.empty()) CharLowerBuffW(w.data(), static_cast<DWORD>(w.size()));
    p = fs::path(w);
#endif
    return p;
}

}  // namespace

bool sameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    if (a == b) return true;
    std::error_code ec;
    if (fs::equivalent(pathFromUtf8(a), pathFromUtf8(b), ec) && !ec) return true;  // links, hard links, case
    bool okA = false, okB = false;
    const fs::path pa = place(a, okA), pb = place(b, okB);
    return okA && okB && pa == pb;
}

std::string refuseOverwrite(const std::string& output, const std::vector<GuardedFile>& guarded) {
    for (const GuardedFile& g : guarded) {
        if (!sameFile(output, g.path)) continue;
        if (output == g.path) return "Файл " + output + " не записан: это " + g.what + ".";
        return "Файл " + output + " не записан: это " + g.what + " " + g.path + ".";
    }
    return {};
}

}  // namespace kvx::storage
