#pragma once
// The per-user settings store: string values under registry-like keys such as
// "Software\KVX_Main". The editor, the hand-off and the tester share it.

#include <string>

namespace kvx::platform {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    /// True when the key holds at least one value.
    virtual bool keyExists(const std::string& key) const = 0;
    /// The value, or an empty text when it is missing or cannot be read.
    virtual std::string value(const std::string& key, const std::string& name) const = 0;
    /// Stores a text value, creating the key when needed; false when the store refused it.
    virtual bool setValue(const std::string& key, const std::string& name, const std::string& value) = 0;
    /// Stores an integer value (flags are kept as 0 and 1); false when the store refused it.
    virtual bool setIntValue(const std::string& key, const std::string& name, int value) {
        return setValue(key, name, std::to_string(value));
    }
};

}  // namespace kvx::platform
