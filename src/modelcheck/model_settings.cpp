#include "modelcheck/model_settings.h"

#include <cstdint>
#include <cstdio>
#include <sstream>

namespace kvx::modelcheck {

std::string modelSettingsName(const std::string& testPath) {
    // FNV-1a of the path.
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : testPath) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

ModelSettings loadModelSettings(const platform::SettingsStore& store, const std::string& testPath) {
    ModelSettings s;
    if (testPath.empty()) return s;
    const std::string name = modelSettingsName(testPath);
    std::istringstream files(store.value(kSettingsFilesKey, name));
    for (std::string line; std::getline(files, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) s.models.push_back(line);
    }
    s.top = store.value(kSettingsTopsKey, name);
    s.mapText = store.value(kSettingsMapsKey, name);
    const std::string sample = store.value(kSettingsSamplesKey, name);
    if (!sample.empty() && sample.size() <= 3 && sample.find_first_not_of("0123456789") == std::string::npos &&
        std::stoi(sample) <= 100)
        s.samplePercent = std::stoi(sample);
    return s;
}

bool saveModelSettings(platform::SettingsStore& store, const std::string& testPath, const ModelSettings& settings) {
    if (testPath.empty()) return false;
    const std::string name = modelSettingsName(testPath);
    std::string files;
    for (const auto& f : settings.models) files += f + "\n";
    bool ok = store.setValue(kSettingsFilesKey, name, files);
    ok = store.setValue(kSettingsTopsKey, name, settings.top) && ok;
    ok = store.setValue(kSettingsMapsKey, name, settings.mapText) && ok;
    ok = store.setValue(kSettingsSamplesKey, name, std::to_string(settings.samplePercent)) && ok;
    return ok;
}

bool copyModelSettings(platform::SettingsStore& store, const std::string& from, const std::string& to) {
    if (from.empty() || to.empty() || from == to) return true;
    return saveModelSettings(store, to, loadModelSettings(store, from));
}

std::optional<CheckOptions> checkOptions(const ModelSettings& settings, std::string& error) {
    CheckOptions o;
    o.models = settings.models;
    o.top = settings.top;
    o.samplePercent = settings.samplePercent;
    bool anyLine = false;
    std::istringstream text(settings.mapText);
    for (std::string line; std::getline(text, line);)
        if (line.find_first_not_of(" \t\r") != std::string::npos) anyLine = true;
    if (anyLine) {
        auto parsed = exchange::parseMap(settings.mapText, error);
        if (!parsed) return std::nullopt;
        o.autoMap = false;
        o.map = std::move(*parsed);
    }
    return o;
}

}  // namespace kvx::modelcheck
