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
}

}  // namespace kvx::app
