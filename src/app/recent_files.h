#pragma once
// The list of recently used test files of the "&Файл" menu: exactly four paths, most
// recent first; an empty text marks a free entry.

#include <array>
#include <string>
#include <vector>

namespace kvx::app {

class RecentFiles {
public:
    static constexpr int kSize = 4;

    /// Takes up to four entries in order; missing ones become free.
    void setEntries(const std::vector<std::string>& entries);
    const std::array<std::string, kSize>& entries() const { return entries_; }
    /// Entry i (0-based); an empty text for a free entry or an index out of range.
    const std::string& entry(int i) const;

    /// Puts a loaded path at the top: every entry equal to it is removed, it is inserted in
    /// front, and when nothing was removed the last entry drops out; the list keeps four
    /// entries. An empty path changes nothing.
    void moveToTop(const std::string& path);

private:
    std::array<std::string, kSize> entries_{};
};

}  // namespace kvx::app
