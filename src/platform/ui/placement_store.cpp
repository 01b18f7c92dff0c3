#include "platform/ui/placement_store.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace kvx::platform {

namespace {
const QString kGeometryKey = QStringLiteral("Geometry");
}

PlacementStore::PlacementStore(const QString& iniFile, QObject* parent) : QObject(parent), file_(iniFile) {}

QString PlacementStore::defaultPath(const QString& programFolder, const QString& programBaseName) {
    const QString name = programBaseName + QStringLiteral(".ini");
    const QString beside = QDir(programFolder).filePath(name);
    // A probe file tells more than the permission bits (network drives, read-only mounts).
    QTemporaryFile probe(QDir(programFolder).filePath(QStringLiteral("placement_probe_XXXXXX")));
    if (probe.open()) return beside;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (folder.isEmpty()) folder = QDir::homePath();
    QDir().mkpath(folder);
    return QDir(folder).filePath(name);
}

void PlacementStore::track(QWidget* window, const QString& name) {
    if (!window) return;
    restore(window, name);
    // Windows created for each use come and go; forget the ones already destroyed.
    tracked_.removeIf([](const Tracked& t) { return t.window.isNull(); });
    tracked_.append({window, name, window->isVisible()});
    window->installEventFilter(this);
}

bool PlacementStore::restore(QWidget* window, const QString& name) const {
    if (!window) return false;
    QSettings ini(file_, QSettings::IniFormat);
    const QByteArray geometry = ini.value(name + '/' + kGeometryKey).toByteArray();
    if (geometry.isEmpty()) return false;
    return window->restoreGeometry(geometry);
}

void PlacementStore::save(QWidget* window, const QString& name) const {
    if (!window) return;
    QSettings ini(file_, QSettings::IniFormat);
    ini.setValue(name + '/' + kGeometryKey, window->saveGeometry());
    ini.sync();
}

void PlacementStore::saveAll() const {
    // A window never shown has no placement of its own yet: the stored one stays.
    for (const auto& t : tracked_)
        if (t.window && t.shown) save(t.window, t.name);
}

bool PlacementStore::eventFilter(QObject* watched, QEvent* event) {
    // A close is followed by a hide with the same geometry; saving twice is harmless.
    const QEvent::Type type = event->type();
    if (type == QEvent::Show || type == QEvent::Hide || type == QEvent::Close) {
        for (auto& t : tracked_) {
            if (t.window != watched) continue;
            if (type == QEvent::Show) t.shown = true;
            else if (t.shown) save(t.window, t.name);
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kvx::platform
