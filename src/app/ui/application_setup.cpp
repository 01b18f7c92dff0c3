#include "app/ui/application_setup.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>
#include <QTranslator>

// Q_INIT_RESOURCE must be used outside a namespace.
static void initKvxResources() { Q_INIT_RESOURCE(kvx); }

namespace kvx::app {

bool installRussianInterface(QCoreApplication& app) {
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    QLocale::setDefault(russian);
    auto* translator = new QTranslator(&app);
    const bool loaded = translator->load(russian, "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (loaded) {
        QCoreApplication::installTranslator(translator);
    } else {
        delete translator;
    }
    return loaded;
}

void initResources() { initKvxResources(); }

void setApplicationNames() {
    QCoreApplication::setOrganizationName(QStringLiteral("KVX"));
    QCoreApplication::setApplicationName(QStringLiteral("KVX_Edit"));
    keepToolkitRecordsOutOfTheRegistry();
}

void keepToolkitRecordsOutOfTheRegistry() {
#ifdef Q_OS_WIN
    // The file and colour dialogs keep their records under a name of the toolkit's own, in the
    // registry by default; the editor's settings name their keys themselves and stay there.
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
#endif
}

}  // namespace kvx::app
