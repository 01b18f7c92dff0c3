#pragma once
// The per-user settings store realised with QSettings. On Windows it is the registry of the
// current user (HKEY_CURRENT_USER); elsewhere one INI file per user,
// <config folder>/KVX/user_settings.ini (on Linux ~/.config/KVX/user_settings.ini).
// Keys such as "Software\KVX_Main" become nested groups.

#include <QString>
#include <memory>

#include "platform/settings_store.h"

class QSettings;

namespace kvx::platform {

class QtSettingsStore : public SettingsStore {
public:
    /// The store of the current user.
    QtSettingsStore();
    /// A store kept in the given INI file (tests, portable set-ups).
    explicit QtSettingsStore(const QString& iniFile);
    ~QtSettingsStore() override;

    bool keyExists(const std::string& key) const override;
    std::string value(const std::string& key, const std::string& name) const override;
    bool setValue(const std::string& key, const std::string& name, const std::string& value) override;
    bool setIntValue(const std::string& key, const std::string& name, int value) override;

    /// Where the values are kept (file path, or the registry root on Windows).
    QString location() const;

private:
    std::unique_ptr<QSettings> settings_;
};

}  // namespace kvx::platform
