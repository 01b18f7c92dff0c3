#include "storage/file_replace.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#include "storage/file_path.h"

namespace kvx::storage {

namespace fs = std::filesystem;

namespace {

/// The file a path finally names: links are followed (also chains and relative targets);
/// a dangling link names the file that its target would be.
fs::path realTarget(const fs::path& path) {
    fs::path p = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(p, ec))) return p;
        const fs::path next = fs::read_symlink(p, ec);
        if (ec) return p;
        p = next.is_absolute() ? next : p.parent_path() / next;
    }
    return p;
}

}  // namespace

bool replaceFile(const std::string& utf8Path, std::string_view bytes) {
    if (utf8Path.empty()) return false;
    const fs::path target = realTarget(pathFromUtf8(utf8Path));
    std::random_device rd;
    fs::path temp = target;
    temp += ".~" + std::to_string(rd() % 1000000) + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (out) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (out) out.close();  // a failing close (a full disk) counts as a failed write
        if (!out) {
            std::error_code ec;
            fs::remove(temp, ec);
            return false;
        }
    }
    std::error_code ec;
    const auto existing = fs::status(target, ec);
    if (!ec && fs::is_regular_file(existing)) fs::permissions(temp, existing.permissions(), ec);
    ec.clear();
    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return false;
    }
    return true;
}

}  // namespace kvx::storage
