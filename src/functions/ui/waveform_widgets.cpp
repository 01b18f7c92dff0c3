#include "functions/ui/waveform_widgets.h"

#include <QMouseEvent>
#include <QPainter>

namespace kvx::functions::ui {

namespace {

// Heights of the levels inside a band, the same proportions as the diagram's rows.
int levelY(const QRect& band, model::CellLevel level) {
    const int h = band.height();
    switch (level) {
    case model::kHigh: return band.top() + h / 4 - 1;
    case model::kLow: return band.top() + h / 4 + h / 2 + 2;
    default: return band.top() + h / 2;
    }
}

}  // namespace

void drawWaveform(QPainter& painter, const QRect& band, const Pattern& levels, int cellWidth) {
    const int width = std::max(2, band.height() / 6);
    const QColor wave = QColor::fromRgb(kWaveColour);
    const QColor inactive = QColor::fromRgb(kInactiveWaveColour);
    for (size_t n = 0; n < levels.size(); ++n) {
        const model::CellLevel v = levels[n];
        const int x0 = band.left() + static_cast<int>(n) * cellWidth;
        const int x1 = x0 + cellWidth;
        painter.setPen(QPen(v == model::kInactive ? inactive : wave, width, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(x0, levelY(band, v), x1, levelY(band, v));
        if (n + 1 < levels.size() && levels[n + 1] != v) {
            painter.setPen(QPen(wave, std::max(1, width - 1), Qt::SolidLine, Qt::FlatCap));
            painter.drawLine(x1, levelY(band, v), x1, levelY(band, levels[n + 1]));
        }
    }
}

PatternPreview::PatternPreview(int cellWidth, int height, QWidget* parent) : QWidget(parent), cellWidth_(cellWidth) {
    setFixedSize(cellWidth * kPreviewCells + 2, height);
}

void PatternPreview::setPattern(const Pattern& pattern) {
    shown_ = repeatPattern(pattern, kPreviewCells);
    update();
}

void PatternPreview::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setRenderHint(QPainter::Antialiasing, false);
    drawWaveform(p, rect().adjusted(1, 2, -1, -2), shown_, cellWidth_);
}

SequenceStrip::SequenceStrip(Sequence& sequence, QWidget* parent) : QWidget(parent), sequence_(sequence) {
    setFixedSize(kCellWidth * kMaxSequenceLength + 1, 36);
    setCursor(Qt::PointingHandCursor);
}

QPoint SequenceStrip::cellCentre(int index) const { return {index * kCellWidth + kCellWidth / 2, height() / 2}; }

void SequenceStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int shown = sequence_.length * kCellWidth;
    p.fillRect(QRect(0, 0, shown + 1, height()), Qt::white);
    p.setPen(palette().color(QPalette::Mid));
    for (int i = 0; i <= sequence_.length; ++i) p.drawLine(i * kCellWidth, 0, i * kCellWidth, height() - 1);
    p.drawLine(0, 0, shown, 0);
    p.drawLine(0, height() - 1, shown, height() - 1);
    drawWaveform(p, QRect(0, 1, shown, height() - 2), sequence_.pattern(), kCellWidth);
}

void SequenceStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int index = sequenceCellAt(event->position().toPoint().x(), kCellWidth, sequence_.length);
    if (sequence_.cycle(index)) {
        update();
        emit sequenceChanged();
    }
}

}  // namespace kvx::functions::ui
