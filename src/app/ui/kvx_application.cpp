#include "app/ui/kvx_application.h"

#include <QMessageBox>
#include <exception>

#include "platform/prompter.h"

namespace kvx::app {

KvxApplication::KvxApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool KvxApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        showFailure(QString::fromUtf8(e.what()));
    } catch (...) {
        showFailure(QStringLiteral("Неизвестная ошибка"));
    }
    return false;
}

void KvxApplication::showFailure(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(platform::kApplicationTitle), text, QMessageBox::Ok);
    box.exec();
}

}  // namespace kvx::app
