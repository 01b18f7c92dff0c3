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


void setColour(QLabel* label, const QColor& colour) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent, VersionLookup lookup) : QDialog(parent) {
    if (!lookup) lookup = readVersionValue;
    auto value = [lookup](const char* name) { return QString::fromStdString(lookup(name)); };
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

    // A contact the build does not set is left out rather than shown as an empty value.
    auto* grid = new QGridLayout;
    auto contactLine = [&](const QString& caption, const char* name, const char* objectName) -> QLabel* {
        const QString text = value(name);
        if (text.trimmed().isEmpty()) return nullptr;
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(caption, this), row, 0);
        auto* label = new QLabel(text, this);
        label->setObjectName(QString::fromLatin1(objectName));
        label->setCursor(Qt::PointingHandCursor);
        label->setMouseTracking(true);
        label->installEventFilter(this);
        setColour(label, kBlue);
        grid->addWidget(label, row, 1);
        return label;
    };
    support_ = contactLine(QStringLiteral("Техническая поддержка: "), "Support", "support");
    email_ = contactLine(QStringLiteral("Электронная почта:"), "Email", "email");
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    centreOnScreen(this);
}

QColor TAboutBox::valueColour(const QLabel* label) { return label->palette().color(QPalette::WindowText); }

void TAboutBox::highlight(const QLabel* hovered) {
    for (QLabel* l : {support_, email_})
        if (l) setColour(l, hovered == l ? kNavy : kBlue);
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
        if (watched && (watched == support_ || watched == email_)) highlight(static_cast<QLabel*>(watched));
    } else if (event->type() == QEvent::Leave && watched && (watched == support_ || watched == email_)) {
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
