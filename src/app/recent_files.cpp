#include "app/recent_files.h"

namespace kvx::app {

void RecentFiles::setEntries(const std::vector<std::string>& entries) {
    for (int i = 0; i < kSize; ++i)
        entries_[static_cast<size_t>(i)] = i < static_cast<int>(entries.size()) ? entries[static_cast<size_t>(i)] : std::string();
}

const std::string& RecentFiles::entry(int i) const {
    static const std::string none;
    if (i < 0 || i >= kSize) return none;
    return entries_[static_cast<size_t>(i)];
}

void RecentFiles::moveToTop(const std::string& path) {
    if (path.empty()) return;
    std::vector<std::string> kept;
    kept.reserve(kSize + 1);
    kept.push_back(path);
    bool removed = false;
    for (const auto& e : entries_) {
        if (e == path) removed = true;
        else kept.push_back(e);
    }
    if (!removed) kept.pop_back();  // the oldest entry drops out
    // Several equal entries may have been removed at once: the freed places stay empty.
    kept.resize(kSize);
    for (int i = 0; i < kSize; ++i) entries_[static_cast<size_t>(i)] = kept[static_cast<size_t>(i)];
}

}  // namespace kvx::app
