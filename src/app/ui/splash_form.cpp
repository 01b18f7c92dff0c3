#include "app/ui/splash_form.h"

#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>

#include "app/version.h"

namespace kvx::app {

QPixmap programPicture() { return QPixmap(QStringLiteral(":/kvx/kvx_picture.png")); }

void centreOnScreen(QWidget* window) {
    window->adjustSize();
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QSize size = window->frameGeometry().size();
    window->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("TSplashForm"));
    setWindowTitle(QStringLiteral("Загрузка"));
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    frame->setLineWidth(1);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* picture = new QLabel(frame);
    picture->setPixmap(programPicture());
    layout->addWidget(picture);
    version_ = new QLabel(QStringLiteral("Версия: ") + QString::fromStdString(readVersionValue("FileVersion")), frame);
    version_->setObjectName(QStringLiteral("version"));
    version_->setAlignment(Qt::AlignCenter);
    layout->addWidget(version_);
    centreOnScreen(this);
}

void TSplashForm::showAndPaint() {
    show();
    raise();
    repaint();
    // Let the window system map the window so that the picture really appears now.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

QString TSplashForm::versionText() const { return version_->text(); }

}  // namespace kvx::app
