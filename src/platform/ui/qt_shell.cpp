#include "platform/ui/qt_shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QUrl>

namespace kvx::platform {

bool QtShell::openDocument(const std::string& path, const std::string& /*workingFolder*/, WindowState /*state*/) {
    // The desktop decides the window state and folder of the program it starts.
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool QtShell::startProgram(const std::string& path) {
    const QString program = QString::fromStdString(path);
    return QProcess::startDetached(program, {}, QFileInfo(program).absolutePath());
}

void QtShell::sleepMilliseconds(int ms) {
    if (ms > 0) QThread::msleep(static_cast<unsigned long>(ms));
}

}  // namespace kvx::platform
