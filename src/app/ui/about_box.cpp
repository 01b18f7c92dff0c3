#include "app/ui/about_box.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui/splash_form.h"
#include "app/version.h"

namespace kvx::app {

namespace {

const QColor kNavy(0x00, 0x00, 0x80);
const QColor kBlue(0x00, 0x00, 0xFF);

QString value(const char* name) { return QString::fromStdString(readVersionValue(name)); }

void setColour(QLabel* label, const QColor& colour) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TAboutBox"));
    setWindowTitle(QStringLiteral("О программе"));
    setMouseTracking(true);

    auto* layout = new QVBoxLayout(this);
    auto* picture = new QLabel(this);
    picture->setPixmap(programPicture());
    picture->setAlignment(Qt::AlignCenter);
    layout->addWidget(picture);

    auto* version = new QLabel(QStringLiteral("Версия: ") + value("FileVersion"), this);
    version->setObjectName(QStringLiteral("version"));
    layout->addWidget(version);
    auto* copyright = new QLabel(value("LegalCopyright"), this);
    copyright->setObjectName(QStringLiteral("copyright"));
    layout->addWidget(copyright);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Техническая поддержка: "), this), 0, 0);
    support_ = new QLabel(value("Support"), this);
    support_->setObjectName(QStringLiteral("support"));
    grid->addWidget(support_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Электронная почта:"), this), 1, 0);
    email_ = new QLabel(value("Email"), this);
    email_->setObjectName(QStringLiteral("email"));
    grid->addWidget(email_, 1, 1);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);

    for (QLabel* l : {support_, email_}) {
        l->setCursor(Qt::PointingHandCursor);
        l->setMouseTracking(true);
        l->installEventFilter(this);
        setColour(l, kBlue);
    }

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    centreOnScreen(this);
}

QColor TAboutBox::valueColour(const QLabel* label) { return label->palette().color(QPalette::WindowText); }

void TAboutBox::highlight(const QLabel* hovered) {
    setColour(support_, hovered == support_ ? kNavy : kBlue);
    setColour(email_, hovered == email_ ? kNavy : kBlue);
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
        if (watched == support_ || watched == email_) highlight(static_cast<QLabel*>(watched));
    } else if (event->type() == QEvent::Leave && (watched == support_ || watched == email_)) {
        highlight(nullptr);
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutBox::mouseMoveEvent(QMouseEvent* event) {
    highlight(nullptr);  // anywhere else in the box
    QDialog::mouseMoveEvent(event);
}

void TAboutBox::showModal(QWidget* parent) {
    TAboutBox box(parent);
    box.exec();
}

}  // namespace kvx::app
