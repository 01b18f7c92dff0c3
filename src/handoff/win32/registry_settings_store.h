#pragma once
// The per-user settings store as the registry of the current user: keys such as
// "Software\KVX_Main" under HKEY_CURRENT_USER. Texts are REG_SZ (written and read as UTF-16),
// integers REG_DWORD, as the toolkit's own registry settings keep them.
#ifdef _WIN32

#include "platform/settings_store.h"

namespace kvx::handoff::win32 {

class RegistrySettingsStore : public platform::SettingsStore {
public:
    bool keyExists(const std::string& key) const override;
    std::string value(const std::string& key, const std::string& name) const override;
    bool setValue(const std::string& key, const std::string& name, const std::string& value) override;
    bool setIntValue(const std::string& key, const std::string& name, int value) override;
    /// Removes a key with everything below it; true when it is gone.
    static bool removeKey(const std::string& key);
};

}  // namespace kvx::handoff::win32

#endif
