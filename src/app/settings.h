#pragma once
// The editor's own keys in the per-user settings store, created with empty values when
// they are missing, and the recent-files entries kept there between runs.

#include <array>
#include <string>

#include "app/recent_files.h"
#include "platform/settings_store.h"

namespace kvx::app {

inline constexpr const char* kHistoryKey = "Software\\KVX_Editor\\historylist";
inline constexpr const char* kMainKey = "Software\\KVX_Main";
/// Values created empty under kHistoryKey when that key is missing.
inline constexpr std::array<const char*, 10> kHistoryValues = {
    "Hist1", "Hist2", "Hist3", "Hist4", "PathRSQ1", "PathRSQ2", "PathRSQ3", "PathRSQ4", "PathProgram", "Path"};
/// Values created empty under kMainKey when that key is missing.
inline constexpr std::array<const char*, 3> kMainValues = {"Dir_KVX", "Dir_Tests", "Dir_PDF"};

/// What the main window reads at start-up.
struct StartupSettings {
    std::array<std::string, RecentFiles::kSize> history;  ///< "Hist1".."Hist4"
    std::string dirKvx;    ///< "Dir_KVX": folder of the tester program
    std::string dirTests;  ///< "Dir_Tests": initial folder of the open and save dialogs
    std::string dirPdf;    ///< "Dir_PDF"
};

/// Creates each of the two keys with its empty values when it is missing, then reads
/// the recent files and the three directories.
StartupSettings readStartupSettings(platform::SettingsStore& store);

/// Writes the four recent-file entries to "Hist1".."Hist4" (creating the key when needed).
bool writeRecentFiles(platform::SettingsStore& store, const RecentFiles& recent);

}  // namespace kvx::app
