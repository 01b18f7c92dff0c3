#pragma once
// The splash window shown during start-up: no border or title bar, centred on the screen,
// caption "Загрузка", the program picture and "Версия: " with the file version.

#include <QWidget>

class QLabel;

namespace kvx::app {

class TSplashForm : public QWidget {
    Q_OBJECT
public:
    explicit TSplashForm(QWidget* parent = nullptr);
    /// Shows the window and paints it at once, before the main window exists.
    void showAndPaint();
    QString versionText() const;

private:
    QLabel* version_ = nullptr;
};

/// Centres a top-level window on the screen it is on (the primary screen before it is shown).
void centreOnScreen(QWidget* window);

/// The picture of the splash window and the about box.
QPixmap programPicture();

}  // namespace kvx::app
