#include "storage/same_file.h"

#include <cwctype>
#include <filesystem>
#include <system_error>

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
    std::wstring w = p.make_preferred().wstring();
    for (wchar_t& c : w) c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
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
