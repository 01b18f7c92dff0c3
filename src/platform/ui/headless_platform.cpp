#include "platform/ui/headless_platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <memory>

namespace kvx::platform {

#ifdef Q_OS_WIN
namespace {

/// The name of a platform entry ("minimal:enable_fonts" is "minimal").
QString platformName(const QString& entry) { return entry.section(u':', 0, 0).trimmed(); }

bool pluginIsThere(const QString& entry, const QStringList& folders) {
    const QString file = QStringLiteral("q") + platformName(entry) + QStringLiteral(".dll");
    for (const QString& folder : folders)
        if (!folder.isEmpty() && QFileInfo::exists(QDir(folder).filePath(file))) return true;
    return false;
}

}  // namespace
#endif

QStringList headlessPlatforms(const QString& chosen, const QStringList& pluginFolders) {
#ifdef Q_OS_WIN
    QStringList wanted = chosen.split(u';', Qt::SkipEmptyParts);
    wanted << QStringLiteral("minimal:enable_fonts") << QStringLiteral("windows");
    QStringList there;
    for (const QString& entry : wanted) {
        const bool again = std::any_of(there.begin(), there.end(),
                                       [&](const QString& t) { return platformName(t) == platformName(entry); });
        if (!again && pluginIsThere(entry, pluginFolders)) there << entry;
    }
    return there;
#else
    (void)pluginFolders;
    return {chosen.isEmpty() ? QStringLiteral("offscreen") : chosen};
#endif
}

QString chooseHeadlessPlatform() {
    const QString chosen = qEnvironmentVariable("QT_QPA_PLATFORM");
    // The platform folders as the application will see them (qt.conf beside the program).
    QStringList folders;
#ifdef Q_OS_WIN
    {
        static int argc = 1;
        static char name[] = "kvxtool";
        static char* argv[] = {name, nullptr};
        std::unique_ptr<QCoreApplication> probe;
        if (!QCoreApplication::instance()) probe = std::make_unique<QCoreApplication>(argc, argv);
        for (const QString& library : QCoreApplication::libraryPaths())
            folders << QDir(library).filePath(QStringLiteral("platforms"));
    }
    folders.prepend(qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH"));
#endif
    const QStringList platforms = headlessPlatforms(chosen, folders);
    if (platforms.isEmpty())
        return QStringLiteral("рисунок не сделан: рядом с программой нет модуля platforms\\qminimal.dll или "
                              "platforms\\qwindows.dll");
    qputenv("QT_QPA_PLATFORM", platforms.join(u';').toUtf8());
    return {};
}

}  // namespace kvx::platform
