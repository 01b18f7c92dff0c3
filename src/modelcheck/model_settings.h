#pragma once
// The model of a test: its Verilog files, top module, map and sampling point, one settings
// object shared by the model check, the filling of outputs from the model and the grading.
// It is kept in the per-user settings under a name derived from the test file's path, so it
// follows the open test and moves with "Сохранить как".

#include <optional>
#include <string>
#include <vector>

#include "modelcheck/model_check.h"
#include "platform/settings_store.h"

namespace kvx::modelcheck {

/// Settings keys; the value's name is modelSettingsName(test path).
inline constexpr const char* kSettingsFilesKey = "Software\\KVX_Editor\\ModelFiles";  ///< a file a line
inline constexpr const char* kSettingsMapsKey = "Software\\KVX_Editor\\ModelMaps";    ///< the map text
inline constexpr const char* kSettingsTopsKey = "Software\\KVX_Editor\\ModelTops";
inline constexpr const char* kSettingsSamplesKey = "Software\\KVX_Editor\\ModelSamples";  ///< percent of the tact

struct ModelSettings {
    std::vector<std::string> models;
    std::string top;      ///< empty: the only top module of the files
    /// The map as text: "PORT pin N", "PORT out N", "PORT word K", and "# PORT —" for a port
    /// left out on purpose; empty: the automatic map.
    std::string mapText;
    int samplePercent = 100;
    bool operator==(const ModelSettings&) const = default;
};

/// The settings value name of the test at `testPath` (a hash: value names take no separators).
std::string modelSettingsName(const std::string& testPath);

/// The settings of the test; the defaults (no model) when none are kept or the test was never saved.
ModelSettings loadModelSettings(const platform::SettingsStore& store, const std::string& testPath);
/// Keeps the settings of the test; false when the test has no path or the store refused.
bool saveModelSettings(platform::SettingsStore& store, const std::string& testPath, const ModelSettings& settings);
/// The settings of `from` kept also for `to` ("Сохранить как"); false when the store refused.
bool copyModelSettings(platform::SettingsStore& store, const std::string& from, const std::string& to);

/// The options of a check, a fill or a grading with these settings; nullopt with a Russian
/// message when the map text cannot be read or names no port.
std::optional<CheckOptions> checkOptions(const ModelSettings& settings, std::string& error);

}  // namespace kvx::modelcheck
