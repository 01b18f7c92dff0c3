#pragma once
// Drawing of the timing diagram with a QPainter: the canvas (grid, waveforms, pin column,
// current cell), the tact ruler and the tact bit column. The editor's widgets and
// `kvxtool render` draw through these same routines.

#include <QColor>
#include <QFont>
#include <QSize>

#include "diagram/diagram_view.h"
#include "model/test_document.h"

class QPainter;
class QPalette;

namespace kvx::diagram {

inline QColor toQColor(Rgb c) { return QColor::fromRgb(static_cast<QRgb>(0xFF000000u | (c & 0xFFFFFFu))); }
inline Rgb fromQColor(const QColor& c) { return static_cast<Rgb>(c.rgb() & 0xFFFFFFu); }

/// What the canvas routine needs to know beyond the document and the view.
struct PaintOptions {
    bool verticalBarShown = false;    ///< only the rows that fit are drawn
    bool horizontalBarShown = false;  ///< only the tacts that fit are drawn
    QColor buttonFace;                ///< grid colour; invalid = the application palette's button colour
};

/// The system's button-face colour (grid lines, ruler, bit column header).
QColor buttonFaceColour();
/// Window's default sans-serif face at 8 points (pin column).
QFont pinColumnFont();
/// 13-pixel serif face of the header captions.
QFont headerFont();
/// "Courier" at 8 points (tact ruler).
QFont rulerFont();
/// Bold 8-point face of the bit column's header.
QFont bitHeaderFont();

/// Full repaint of the diagram canvas of the given size.
void paintDiagram(QPainter& p, const model::TestDocument& doc, const DiagramView& v, QSize canvas,
                  const PaintOptions& options = {});
/// Levels of display row `displayRow` for tacts first..last in the band whose top is `bandTop`.
void paintWaveformRow(QPainter& p, const model::TestDocument& doc, const DiagramView& v, int displayRow,
                      int firstTact, int lastTact, int bandTop);
/// One lane per data word below the signal rows, for tacts first..last: the word's name in the
/// pin column, its value written in each stretch of equal value, a crossing where the value
/// changes and hatching where it is undefined. Only the visible tacts are read.
void paintWordLanes(QPainter& p, const model::TestDocument& doc, const DiagramView& v, QSize canvas, int firstTact,
                    int lastTact, const QColor& buttonFace);
/// Pin grid, the current row's pin cells, numbers, types and names.
void paintPinColumn(QPainter& p, const model::TestDocument& doc, const DiagramView& v, QSize canvas);
/// Fills one cell with `activeCellColour`, outlined in the grid colour, and redraws its row's
/// levels over it, clipped to the canvas width. Nothing when the column is 0.
void highlightCell(QPainter& p, const model::TestDocument& doc, const DiagramView& v, int column, int screenRow,
                   QSize canvas, const QColor& buttonFace);
/// The same with `backgroundColour`: the cell is no longer the current one.
void unhighlightCell(QPainter& p, const model::TestDocument& doc, const DiagramView& v, int column, int screenRow,
                     QSize canvas, const QColor& buttonFace);
/// The tact numbers into a strip whose x 0 is the first cell column.
void paintTactRuler(QPainter& p, const model::TestDocument& doc, const DiagramView& v, QSize strip,
                    const QColor& buttonFace);

/// The three raised caption cells "№", "Тип" and "Имя" over the pin column of the header strip.
void paintHeaderCaptions(QPainter& p, int height, const QPalette& palette);

/// Geometry of the tact bit column: the data column's width and its rows.
struct BitColumnLayout {
    int columnWidth = 30;
    int height = 0;  ///< visible height of the column
};
/// The absolute current tact as the header and the levels of every row at that tact.
void paintBitColumn(QPainter& p, const model::TestDocument& doc, const DiagramView& v,
                    const BitColumnLayout& layout, int panelWidth, const QColor& buttonFace);

}  // namespace kvx::diagram
