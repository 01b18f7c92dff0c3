#pragma once
// Small waveform pictures of the pulse generator: the previews of a pattern and the
// clickable sequence strip.

#include <QWidget>

#include "functions/generator.h"

class QPainter;

namespace kvx::functions::ui {

/// Line colour of levels 0 and 1 and of the edges.
inline constexpr QRgb kWaveColour = 0x008000;
/// Line colour of the inactive level.
inline constexpr QRgb kInactiveWaveColour = 0xA0A0A4;

/// Draws `levels` as a waveform, one cell of `cellWidth` pixels per level from the left of
/// `band`: 1 high, 0 low, 2 in the middle in grey, a vertical edge at each change of level.
void drawWaveform(QPainter& painter, const QRect& band, const Pattern& levels, int cellWidth);

/// 17 cells of a pattern, repeated from its first level.
class PatternPreview : public QWidget {
    Q_OBJECT
public:
    explicit PatternPreview(int cellWidth, int height, QWidget* parent = nullptr);
    void setPattern(const Pattern& pattern);
    /// The levels shown (the pattern repeated to 17 cells).
    const Pattern& shownLevels() const { return shown_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int cellWidth_;
    Pattern shown_;
};

/// The sequence of the page "Задать последовательность": 14 cell places of equal width, of
/// which the first "тактов" are drawn. A click on a drawn cell cycles its level 0, 1, 2, 0;
/// a click right of the last drawn cell does nothing.
class SequenceStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCellWidth = 24;
    SequenceStrip(Sequence& sequence, QWidget* parent = nullptr);
    /// Centre of cell `index` (0-based), for clicks from tests.
    QPoint cellCentre(int index) const;

signals:
    /// A cell's level changed.
    void sequenceChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    Sequence& sequence_;
};

}  // namespace kvx::functions::ui
