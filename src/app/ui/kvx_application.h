#pragma once
// The application object: an exception that escapes the handling of an event is shown in
// an error box and the event loop goes on, so one failed command does not end the program.

#include <QApplication>

namespace kvx::app {

class KvxApplication : public QApplication {
    Q_OBJECT
public:
    KvxApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    /// Shows an unexpected failure in an error box captioned with the program title.
    static void showFailure(const QString& text);
};

}  // namespace kvx::app
