#include "diagram/ui/colours_dialog.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "diagram/ui/diagram_painter.h"

namespace kvx::diagram {

namespace {
const char* const kLabels[TFColors::kSwatches] = {"Линия  I", "Линия  O", "Линия  O=F(c)", "Цвет Активной ячейки",
                                                  "Цвет фона"};
}

TFColors::TFColors(const DiagramView& view, platform::Prompter& prompter, QWidget* parent)
    : QDialog(parent), prompter_(prompter) {
    setWindowTitle(QStringLiteral("Цвета ячеек"));
    setFixedSize(267, 136);
    colours_ = {view.inputColour, view.outputColour, view.functionColour, view.activeCellColour,
                view.backgroundColour};
    for (int i = 0; i < kSwatches; ++i) {
        auto* label = new QLabel(QString::fromUtf8(kLabels[i]), this);
        label->setGeometry(10, 8 + i * 19, 150, 17);
        auto* b = new QPushButton(this);
        b->setGeometry(170, 8 + i * 19, 85, 17);
        b->setAutoDefault(false);
        b->setToolTip(QString::fromUtf8(kLabels[i]));
        swatches_[static_cast<size_t>(i)] = b;
        connect(b, &QPushButton::clicked, this, [this, i] { chooseSwatch(i); });
        showSwatch(i);
    }
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setGeometry(96, 106, 75, 24);
    ok_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Отмена"), this);
    cancel_->setGeometry(180, 106, 75, 24);
    cancel_->setAutoDefault(false);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    // Escape closes through QDialog::reject.

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void TFColors::chooseSwatch(int i) {
    const auto chosen = prompter_.chooseColour(colours_[static_cast<size_t>(i)]);
    if (!chosen) return;
    colours_[static_cast<size_t>(i)] = *chosen & 0xFFFFFFu;
    showSwatch(i);
}

void TFColors::showSwatch(int i) {
    const QColor c = toQColor(colours_[static_cast<size_t>(i)]);
    swatches_[static_cast<size_t>(i)]->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; border: 1px solid black; }").arg(c.name()));
}

void TFColors::applyTo(DiagramView& view) const {
    view.inputColour = colours_[0];
    view.outputColour = colours_[1];
    view.functionColour = colours_[2];
    view.activeCellColour = colours_[3];
    view.backgroundColour = colours_[4];
}

}  // namespace kvx::diagram
