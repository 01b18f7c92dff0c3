#pragma once
// Helpers shared by the storage tests: file texts written in UTF-8 and turned into file bytes.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "model/test_document.h"
#include "storage/codepage.h"
#include "storage/test_file.h"

namespace kvx::testing {

/// Joins UTF-8 lines into the CP866 bytes of a file, each line ended by CR LF.
inline std::string fileBytes(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += storage::toFileText(l) + "\r\n";
    return out;
}

/// Splits file bytes back into UTF-8 lines (CR LF removed).
inline std::vector<std::string> fileLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) end = bytes.size();
        lines.push_back(storage::fromFileText(bytes.substr(start, end - start)));
        start = end + 2;
    }
    return lines;
}

/// A folder of its own under the system temp folder, removed with the object.
struct TempDir {
    std::filesystem::path path;
    TempDir() {
        path = std::filesystem::temp_directory_path() /
               ("kvx-test-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + "-" +
                std::to_string(std::rand()));
        std::filesystem::create_directories(path);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path, ec);
    }
    std::string file(const std::string& name) const { return (path / name).string(); }
};

inline storage::LoadResult loadLines(model::TestDocument& doc, const std::vector<std::string>& lines,
                                     const std::string& path = "/tmp/t.kvx") {
    return storage::loadTestFileBytes(doc, fileBytes(lines), path);
}

}  // namespace kvx::testing
