#include "diagram/ui/diagram_painter.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <qdrawutil.h>
#include <algorithm>
#include <vector>

#include "words/word_values.h"

namespace kvx::diagram {

using model::CellLevel;
using model::TestDocument;

namespace {

// Level lines and edges are filled rectangles of exactly the pen's width, so that every
// picture has the same pixels whatever the paint engine's line rasterisation does.
// A horizontal stroke of width w at y covers rows y - w/2 .. y - w/2 + w - 1, a vertical one
// at x covers columns x - w/2 .. x - w/2 + w - 1.
void strokeH(QPainter& p, int x1, int x2, int y, int width, const QColor& c) {
    if (x2 < x1) return;
    p.fillRect(x1, y - width / 2, x2 - x1 + 1, width, c);
}

void strokeV(QPainter& p, int x, int y1, int y2, int width, const QColor& c) {
    if (y2 < y1) std::swap(y1, y2);
    p.fillRect(x - width / 2, y1, width, y2 - y1 + 1, c);
}

// A one-pixel line from (x1, y) to (x2, y), end point excluded.
void line1H(QPainter& p, int x1, int x2, int y, const QColor& c) {
    if (x2 > x1) p.fillRect(x1, y, x2 - x1, 1, c);
}

void line1V(QPainter& p, int x, int y1, int y2, const QColor& c) {
    if (y2 > y1) p.fillRect(x, y1, 1, y2 - y1, c);
}

// A rectangle from (x1, y1) to (x2, y2), right and bottom edges excluded, filled and outlined.
void outlinedRect(QPainter& p, int x1, int y1, int x2, int y2, const QColor& fill, const QColor& outline) {
    if (x2 <= x1 || y2 <= y1) return;
    p.fillRect(x1, y1, x2 - x1, y2 - y1, fill);
    line1H(p, x1, x2, y1, outline);
    line1H(p, x1, x2, y2 - 1, outline);
    line1V(p, x1, y1, y2, outline);
    line1V(p, x2 - 1, y1, y2, outline);
}

// Text with its top-left corner at (x, y) on an opaque background.
void textOut(QPainter& p, int x, int y, const QString& text, const QColor& background, const QColor& colour) {
    const QFontMetrics fm(p.font());
    const QRect r(x, y, fm.horizontalAdvance(text), fm.height());
    p.fillRect(r, background);
    p.setPen(colour);
    p.drawText(r, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

QFont pixelFont(const QStringList& families, QFont::StyleHint hint, int pixels, bool bold = false) {
    QFont f;
    f.setFamilies(families);
    f.setStyleHint(hint);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// 8 points on a 96-dpi screen.
constexpr int kEightPointPixels = 11;

}  // namespace

QColor buttonFaceColour() { return QGuiApplication::palette().color(QPalette::Active, QPalette::Button); }

QFont pinColumnFont() {
    return pixelFont({"MS Sans Serif", "Microsoft Sans Serif", "Arial", "Nimbus Sans", "Liberation Sans",
                      "DejaVu Sans"},
                     QFont::SansSerif, kEightPointPixels);
}

QFont headerFont() {
    return pixelFont({"Times New Roman", "Nimbus Roman", "Liberation Serif", "DejaVu Serif"}, QFont::Serif, 13);
}

QFont rulerFont() {
    return pixelFont({"Courier New", "Courier", "Nimbus Mono PS", "Liberation Mono", "DejaVu Sans Mono"},
                     QFont::TypeWriter, kEightPointPixels);
}

QFont bitHeaderFont() {
    return pixelFont({"MS Sans Serif", "Microsoft Sans Serif", "Arial", "Nimbus Sans", "Liberation Sans",
                      "DejaVu Sans"},
                     QFont::SansSerif, kEightPointPixels, true);
}

void paintWaveformRow(QPainter& p, const TestDocument& doc, const DiagramView& v, int displayRow, int firstTact,
                      int lastTact, int bandTop) {
    const int test = doc.currentTest();
    const int row = doc.signalRow(test, displayRow);
    if (row < 1 || row > model::kMaxRow || lastTact < firstTact) return;
    const QColor line = toQColor(lineColour(doc, row, v));
    const QColor inactive = toQColor(v.inactiveColour);
    const LevelGeometry g = levelGeometry(v);
    const int w = v.cellWidth;
    const int tactCount = doc.tactCount();
    const CellLevel* cells = doc.rowData(test, row);
    auto level = [&](int t) -> CellLevel { return (t >= 1 && t <= tactCount) ? cells[t] : model::kInactive; };

    // Runs of equal levels are drawn as one segment: the same pixels as one segment per tact,
    // since a tact's segment ends one pixel before the next one starts.
    int t = firstTact;
    while (t <= lastTact) {
        const CellLevel value = level(t);
        int end = t;
        while (end < lastTact && level(end + 1) == value) ++end;
        const int n0 = t - firstTact;
        const int n1 = end - firstTact;
        const int y = bandTop + g.offsetOf(value);
        strokeH(p, kPinColumnRight + n0 * w, kPinColumnRight + (n1 + 1) * w - 1, y, g.penWidth,
                value == model::kInactive ? inactive : line);
        const CellLevel next = level(end + 1);
        if (next != value)
            strokeV(p, kPinColumnRight + (n1 + 1) * w, y, bandTop + g.offsetOf(next), g.edgeWidth, line);
        t = end + 1;
    }
}

void paintWordLanes(QPainter& p, const TestDocument& doc, const DiagramView& v, QSize canvas, int firstTact,
                    int lastTact, const QColor& buttonFace) {
    const int w = std::max(1, v.cellWidth);
    const int h = std::max(1, v.rowHeight);
    const int words = static_cast<int>(doc.dataWords().size());
    const int firstLaneTop = (displayRowTotal(doc) - v.rowOffset) * h;
    if (words == 0 || lastTact < firstTact) return;
    const QColor background = toQColor(v.backgroundColour);
    const QColor inactive = toQColor(v.inactiveColour);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setFont(pinColumnFont());
    const QFontMetrics fm(p.font());
    const int digitWidth = std::max(1, fm.horizontalAdvance(QLatin1Char('0')));
    const int ellipsisWidth = fm.horizontalAdvance(QChar(0x2026));
    const int minText = digitWidth + ellipsisWidth;
    const QBrush hatch(inactive, Qt::BDiagPattern);
    std::vector<QLine> crossings;
    for (int j = 0; j < words; ++j) {
        const int top = firstLaneTop + j * h;
        if (top + h <= 0) continue;
        if (top >= canvas.height()) break;
        const model::DataWord& word = doc.dataWords()[static_cast<size_t>(j)];
        const QColor line = toQColor(word.effectiveDirection() == 0 ? v.inputColour : v.outputColour);
        // The pin column names the word; its cell has the grid of a pin row.
        p.fillRect(0, top, kPinColumnRight, h, background);
        line1H(p, 0, kPinColumnRight + 1, top + h, QColor(Qt::black));
        line1V(p, 0, top, top + h + 1, QColor(Qt::black));
        const QString name = QString::fromStdString(word.wordName);
        p.setPen(Qt::black);
        p.drawText(QRect(4, top, kPinColumnRight - 8, h), Qt::AlignCenter | Qt::TextSingleLine,
                   fm.elidedText(name, Qt::ElideRight, kPinColumnRight - 8));
        line1H(p, kFirstCellX, canvas.width(), top + h, buttonFace);

        // A bus between y1 and y2; a crossing of half-width d at every change of value. One
        // tact more on each side tells whether the first and last stretch change at the edge.
        const int y1 = top + std::max(2, h / 5);
        const int y2 = top + h - std::max(2, h / 5);
        const int mid = (y1 + y2) / 2;
        const int d = std::min(3, w / 2);
        const int baseline = mid + (fm.ascent() - fm.descent()) / 2 + 1;
        const auto stretches = words::wordStretches(doc, j, firstTact - 1, lastTact + 1);
        const auto xOf = [&](int tact) { return kPinColumnRight + (tact - firstTact) * w; };
        for (size_t k = 0; k < stretches.size(); ++k) {
            const words::WordStretch& s = stretches[k];
            const int a = std::max(s.firstTact, firstTact);
            const int b = std::min(s.lastTact, lastTact);
            if (b < a) continue;
            const bool openLeft = s.firstTact < firstTact;   // goes on left of the view
            const bool openRight = s.lastTact > lastTact;    // and right of it
            const int x0 = xOf(a);
            const int x1 = xOf(b + 1);
            const int l = openLeft ? x0 : x0 + d;
            const int r = openRight ? x1 : x1 - d;
            if (!s.defined) {
                p.fillRect(QRect(l, y1, std::max(0, r - l + 1), y2 - y1 + 1), hatch);
                line1H(p, x0, x1 + 1, mid, inactive);
                continue;
            }
            line1H(p, l, r + 1, y1, line);
            line1H(p, l, r + 1, y2, line);
            if (!openLeft) {
                crossings.emplace_back(x0, mid, l, y1);
                crossings.emplace_back(x0, mid, l, y2);
            }
            if (!openRight) {
                crossings.emplace_back(r, y1, x1, mid);
                crossings.emplace_back(r, y2, x1, mid);
            }
            // Digits have one width in the faces in use: the fit is counted, not measured, and a
            // value too long for its stretch is cut with "…".
            const int left = std::max(l, kFirstCellX) + 1;
            const int room = std::min(r, canvas.width()) - left;
            if (room < minText) continue;
            QString text = QString::fromStdString(s.text);
            int width = static_cast<int>(text.size()) * digitWidth;
            if (width > room) {
                const int keep = std::max(1, (room - ellipsisWidth) / digitWidth);
                text = text.left(keep) + QChar(0x2026);
                width = keep * digitWidth + ellipsisWidth;
            }
            p.setPen(line);
            p.drawText(QPoint(left + (room - width) / 2, baseline), text);
        }
        // The slanted halves of the crossings in one call: one pen, many lines.
        p.setPen(line);
        p.drawLines(crossings.data(), static_cast<int>(crossings.size()));
        crossings.clear();
    }
    p.restore();
}

void paintPinColumn(QPainter& p, const TestDocument& doc, const DiagramView& v, QSize canvas) {
    const int total = displayRowTotal(doc);  // recounts the I/O pins
    const int h = v.rowHeight;
    const int shown = std::max(0, total - v.rowOffset);
    const QColor black(Qt::black);
    const QColor background = toQColor(v.backgroundColour);
    const QColor active = toQColor(v.activeCellColour);

    for (int x : {0, kNumberColumnRight, kTypeColumnRight, kPinColumnRight}) line1V(p, x, 0, shown * h + 1, black);
    for (int i = 0; i <= shown; ++i) line1H(p, 0, kPinColumnRight + 1, i * h, black);

    const int k0 = v.currentScreenRow;
    if (k0 >= 1) {
        outlinedRect(p, 0, (k0 - 1) * h, kPinColumnRight + 1, k0 * h + 1, active, black);
        line1V(p, kNumberColumnRight, (k0 - 1) * h, k0 * h + 1, black);
        line1V(p, kTypeColumnRight, (k0 - 1) * h, k0 * h + 1, black);
    }

    p.setFont(pinColumnFont());
    const QFontMetrics fm(p.font());
    const int th = fm.height();
    const int test = doc.currentTest();
    const int last = std::min(total, v.rowOffset + canvas.height() / std::max(1, h) + 1);
    for (int i = v.rowOffset + 1; i <= last; ++i) {
        const int k = i - v.rowOffset;
        const int row = doc.signalRow(test, i);
        if (row < 1 || row > model::kMaxRow) continue;
        const QColor bg = row == v.currentRow ? active : background;
        const model::SignalEntry e = doc.signalEntry(test, i);
        textOut(p, 16, h / 5 + (k - 1) * h - 1, QString::fromStdString(doc.pin(e.pin).numberLabel), bg, black);
        const QString type = QString::fromStdString(doc.pin(row).pinType);
        const int ty = h / 2 + (k - 1) * h - th / 2;
        textOut(p, 70 - fm.horizontalAdvance(type) / 2, ty, type, bg,
                typeShownInRed(doc, row) ? QColor(0xFF, 0, 0) : black);
        const QString name = QString::fromStdString(doc.pin(pinOfRow(row)).pinName);
        if (!name.isEmpty()) textOut(p, 130 - fm.horizontalAdvance(name) / 2, ty, name, bg, black);
    }
}

namespace {

void fillCell(QPainter& p, const TestDocument& doc, const DiagramView& v, int column, int screenRow,
              const QColor& fill, QSize canvas, const QColor& buttonFace) {
    if (column <= 0 || screenRow <= 0) return;
    const int w = v.cellWidth;
    const int h = v.rowHeight;
    outlinedRect(p, kFirstCellX + (column - 1) * w, (screenRow - 1) * h, kFirstCellX + 1 + column * w,
                 screenRow * h + 1, fill, buttonFace);
    // The row is redrawn from the first visible tact over tactCount tacts; what lies right of
    // the canvas is not drawn.
    const int first = v.tactOffset + 1;
    const int fit = v.tactOffset + (canvas.width() - kPinColumnRight) / std::max(1, w) + 1;
    paintWaveformRow(p, doc, v, v.rowOffset + screenRow, first, std::min(v.tactOffset + doc.tactCount(), fit),
                     (screenRow - 1) * h);
}

}  // namespace

void highlightCell(QPainter& p, const TestDocument& doc, const DiagramView& v, int column, int screenRow,
                   QSize canvas, const QColor& buttonFace) {
    fillCell(p, doc, v, column, screenRow, toQColor(v.activeCellColour), canvas, buttonFace);
}

void unhighlightCell(QPainter& p, const TestDocument& doc, const DiagramView& v, int column, int screenRow,
                     QSize canvas, const QColor& buttonFace) {
    fillCell(p, doc, v, column, screenRow, toQColor(v.backgroundColour), canvas, buttonFace);
}

void paintDiagram(QPainter& p, const TestDocument& doc, const DiagramView& v, QSize canvas,
                  const PaintOptions& options) {
    const QColor face = options.buttonFace.isValid() ? options.buttonFace : buttonFaceColour();
    const int w = std::max(1, v.cellWidth);
    const int h = std::max(1, v.rowHeight);
    p.fillRect(QRect(QPoint(0, 0), canvas), toQColor(v.backgroundColour));

    // Grid over the whole width, also right of the last tact.
    const int total = displayRowTotal(doc);
    const int rowsDown = std::max(0, total - v.rowOffset);
    const int colsAcross = std::max(0, (canvas.width() - 1) / w);
    const int gridRows = std::min(rowsDown, canvas.height() / h + 1);
    for (int i = 0; i <= gridRows; ++i) line1H(p, kFirstCellX, kFirstCellX + colsAcross * w, i * h, face);
    for (int i = 0; i <= colsAcross; ++i) line1V(p, kFirstCellX + i * w, 0, rowsDown * h, face);

    const int lastRow = lastPaintedRow(total, v.rowOffset, canvas.height(), h, options.verticalBarShown);
    const int lastTact =
        lastPaintedTact(doc.tactCount(), v.tactOffset, canvas.width(), w, options.horizontalBarShown);
    for (int i = v.rowOffset + 1; i <= lastRow; ++i) {
        const int top = (i - v.rowOffset - 1) * h;
        if (top >= canvas.height()) break;  // below the canvas nothing is seen
        paintWaveformRow(p, doc, v, i, v.tactOffset + 1, lastTact, top);
    }

    if (v.wordLanes) paintWordLanes(p, doc, v, canvas, v.tactOffset + 1, lastTact, face);

    line1V(p, kPinColumnRight, 0, canvas.height(), QColor(Qt::black));
    paintPinColumn(p, doc, v, canvas);
    highlightCell(p, doc, v, v.currentColumn, v.currentScreenRow, canvas, face);
}

void paintTactRuler(QPainter& p, const TestDocument& doc, const DiagramView& v, QSize strip,
                    const QColor& buttonFace) {
    p.fillRect(QRect(QPoint(0, 0), strip), buttonFace);
    p.setFont(rulerFont());
    p.setPen(Qt::black);
    const QFontMetrics fm(p.font());
    const int digit = std::max(1, fm.horizontalAdvance(QLatin1Char('0')));
    for (const RulerLabel& l : rulerLabels(v.tactOffset, doc.tactCount(), v.cellWidth, strip.width(),
                                           v.timeOnRuler ? doc.testParameters().effectiveTactDuration() : 0, digit)) {
        const QString text = QString::fromStdString(l.text);
        p.drawText(QRect(l.x, 3, fm.horizontalAdvance(text) + 1, fm.height()),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    }
}

void paintHeaderCaptions(QPainter& p, int height, const QPalette& palette) {
    struct Cell {
        int left, right, textX;
        const char* caption;
    };
    static constexpr Cell kCells[3] = {{0, kNumberColumnRight, 13, "№"},
                                       {kNumberColumnRight, kTypeColumnRight, 59, "Тип"},
                                       {kTypeColumnRight, kPinColumnRight, 115, "Имя"}};
    p.setFont(headerFont());
    const QFontMetrics fm(p.font());
    for (const Cell& c : kCells) {
        const QRect r(c.left, 0, c.right - c.left, height);
        qDrawWinPanel(&p, r, palette, false);
        p.setPen(Qt::black);
        p.drawText(QRect(c.textX, (height - fm.height()) / 2, r.right() - c.textX, fm.height()),
                   Qt::AlignLeft | Qt::AlignTop, QString::fromUtf8(c.caption));
    }
}

void paintBitColumn(QPainter& p, const TestDocument& doc, const DiagramView& v, const BitColumnLayout& layout,
                    int panelWidth, const QColor& buttonFace) {
    const int cw = layout.columnWidth;
    const int h = std::max(1, v.rowHeight);
    const QColor gridLine = buttonFace.darker(130);
    p.fillRect(0, 0, panelWidth, layout.height, buttonFace);

    // Header cell: the absolute current tact.
    p.fillRect(0, 0, cw, 18, buttonFace);
    p.setFont(bitHeaderFont());
    p.setPen(Qt::black);
    const QString tact = QString::number(v.currentTact());
    const QFontMetrics bold(p.font());
    p.drawText(QRect((cw - bold.horizontalAdvance(tact)) / 2, 2, bold.horizontalAdvance(tact) + 1, bold.height()),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, tact);
    line1H(p, 0, cw + 1, 18, gridLine);

    // Data rows, rowHeight - 1 high with a one-pixel line under each.
    const int total = displayRowTotal(doc);
    const int rows = std::max(0, total - v.rowOffset);
    for (int j = 1; j <= rows; ++j) {
        const int top = 19 + (j - 1) * h;
        if (top >= layout.height) break;
        p.fillRect(0, top, cw, h - 1, Qt::white);
        line1H(p, 0, cw + 1, top + h - 1, gridLine);
    }
    line1V(p, cw, 0, std::min(layout.height, 19 + rows * h), gridLine);

    const int current = v.currentTact();
    if (current < 1 || current > doc.tactCount()) return;
    p.setFont(pinColumnFont());
    const QFontMetrics fm(p.font());
    const int test = doc.currentTest();
    for (int i = v.rowOffset + 1; i <= total; ++i) {
        const int y = h / 6 + (i - v.rowOffset - 1) * h + 18;
        if (y >= layout.height) break;
        const QString text = QString::fromLatin1(bitText(doc.getCell(test, doc.signalRow(test, i), current)));
        textOut(p, cw / 2 - 3, y, text, Qt::white, Qt::black);
    }
}

}  // namespace kvx::diagram
