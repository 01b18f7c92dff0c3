// A stand-in for the tester program in the end-to-end check of the hand-off on Linux
// (scripts/handoff-e2e), started by the editor as Dir_KVX + "KVX_Test".
//
//   KVX_Test --prepare   stores its own folder as "Dir_KVX", as an installation of the tester does
//   KVX_Test             notes how it was started, keeps the tester's hidden window for at most
//                        20 s, and writes what the editor sent and left in the settings store to
//                        "KVX_Test.report" beside itself, one "name=value" line each

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimer>

#include "handoff/protocol.h"
#include "handoff/ui/local_handoff_channel.h"
#include "platform/ui/qt_settings_store.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    namespace handoff = kvx::handoff;
    kvx::platform::QtSettingsStore settings;
    const QString folder = QCoreApplication::applicationDirPath();
    if (app.arguments().contains(QStringLiteral("--prepare")))
        return settings.setValue("Software\\KVX_Main", "Dir_KVX", (folder + '/').toStdString()) ? 0 : 1;

    std::string report = "program=" + QCoreApplication::applicationFilePath().toStdString() + "\n";
    report += "startFlag=" + settings.value(handoff::kTesterKey, handoff::kTesterStartFlag) + "\n";
    bool received = false;
    handoff::ui::LocalHandoffChannel channel;
    const bool open = channel.openOwnWindow(handoff::testerWindow(), [&](const kvx::platform::WindowMessage& m) {
        report += "message=" + std::to_string(m.number) + " " + std::to_string(m.first) + " " +
                  std::to_string(m.second) + "\n";
        report += "fileName=" + settings.value(handoff::kFileNameKey, handoff::kFileNameValue) + "\n";
        received = true;
        QCoreApplication::quit();
        return true;
    });
    report += std::string("window=") + (open ? "yes" : "no") + "\n";
    if (open) {
        QTimer::singleShot(20000, &app, &QCoreApplication::quit);
        QCoreApplication::exec();
    }
    QFile out(QDir(folder).filePath(QStringLiteral("KVX_Test.report")));
    if (out.open(QIODevice::WriteOnly)) out.write(QByteArray::fromStdString(report));
    return received ? 0 : 1;
}
