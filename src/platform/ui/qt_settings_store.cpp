#include "platform/ui/qt_settings_store.h"

#include <QSettings>

namespace kvx::platform {

namespace {

QString groupOf(const std::string& key) {
    QString g = QString::fromStdString(key);
    g.replace('\\', '/');
    return g;
}

QString pathOf(const std::string& key, const std::string& name) {
    return groupOf(key) + '/' + QString::fromStdString(name);
}

}  // namespace

QtSettingsStore::QtSettingsStore() {
#ifdef Q_OS_WIN
    settings_ = std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER"), QSettings::NativeFormat);
#else
    settings_ = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("KVX"),
                                            QStringLiteral("user_settings"));
#endif
}

QtSettingsStore::QtSettingsStore(const QString& iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

QtSettingsStore::~QtSettingsStore() = default;

bool QtSettingsStore::keyExists(const std::string& key) const {
    settings_->beginGroup(groupOf(key));
    const bool exists = !settings_->childKeys().isEmpty() || !settings_->childGroups().isEmpty();
    settings_->endGroup();
    return exists;
}

std::string QtSettingsStore::value(const std::string& key, const std::string& name) const {
    // Other programs of the family write values too ("FileName"): read what is stored now.
    settings_->sync();
    const QVariant v = settings_->value(pathOf(key, name));
    if (!v.isValid() || !v.canConvert<QString>()) return {};
    return v.toString().toStdString();
}

bool QtSettingsStore::setValue(const std::string& key, const std::string& name, const std::string& value) {
    settings_->setValue(pathOf(key, name), QString::fromStdString(value));
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

bool QtSettingsStore::setIntValue(const std::string& key, const std::string& name, int value) {
    settings_->setValue(pathOf(key, name), value);
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

QString QtSettingsStore::location() const { return settings_->fileName(); }

}  // namespace kvx::platform
