#include "app/settings.h"

namespace kvx::app {

namespace {

template <size_t N>
void createWhenMissing(platform::SettingsStore& store, const char* key, const std::array<const char*, N>& names) {
    if (store.keyExists(key)) return;
    for (const char* name : names) store.setValue(key, name, std::string());
}

}  // namespace

StartupSettings readStartupSettings(platform::SettingsStore& store) {
    StartupSettings s;
    createWhenMissing(store, kHistoryKey, kHistoryValues);
    for (int i = 0; i < RecentFiles::kSize; ++i)
        s.history[static_cast<size_t>(i)] = store.value(kHistoryKey, "Hist" + std::to_string(i + 1));
    createWhenMissing(store, kMainKey, kMainValues);
    s.dirKvx = store.value(kMainKey, "Dir_KVX");
    s.dirTests = store.value(kMainKey, "Dir_Tests");
    s.dirPdf = store.value(kMainKey, "Dir_PDF");
    return s;
}

bool writeRecentFiles(platform::SettingsStore& store, const RecentFiles& recent) {
    bool ok = true;
    for (int i = 0; i < RecentFiles::kSize; ++i)
        ok = store.setValue(kHistoryKey, "Hist" + std::to_string(i + 1), recent.entry(i)) && ok;
    return ok;
}

}  // namespace kvx::app
