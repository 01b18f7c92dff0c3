// Pixels of the diagram canvas as the shared painting routine draws it: level heights, line
// widths, edges, colours by pin type, the type text of function rows and the highlight.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "diagram/diagram_view.h"
#include "diagram/ui/diagram_painter.h"
#include "model/test_document.h"
#include "words/word_values.h"

namespace kvx::diagram {
namespace {

using model::TestDocument;

constexpr QRgb kPurple = 0xFF800080;
constexpr QRgb kNavy = 0xFF000080;
constexpr QRgb kGreen = 0xFF008000;
constexpr QRgb kGrey = 0xFFA0A0A4;
constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kYellow = 0xFFFFFF00;

QImage render(const TestDocument& doc, const DiagramView& v, QSize size = {}) {
    if (size.isEmpty())
        size = QSize(kFirstCellX + doc.tactCount() * v.cellWidth + 1, displayRowTotal(doc) * v.rowHeight + 1);
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::magenta);
    QPainter p(&img);
    PaintOptions o;
    o.buttonFace = QColor(0xF0, 0xF0, 0xF0);
    paintDiagram(p, doc, v, size, o);
    return img;
}

QRgb px(const QImage& img, int x, int y) { return img.pixel(x, y) | 0xFF000000; }

// Rows of column x (from y0 to y1) that have colour c.
std::vector<int> rowsWith(const QImage& img, int x, int y0, int y1, QRgb c) {
    std::vector<int> out;
    for (int y = y0; y <= y1; ++y)
        if (px(img, x, y) == c) out.push_back(y);
    return out;
}

std::vector<int> columnsWith(const QImage& img, int y, int x0, int x1, QRgb c) {
    std::vector<int> out;
    for (int x = x0; x <= x1; ++x)
        if (px(img, x, y) == c) out.push_back(x);
    return out;
}

TestDocument eightPins() {
    TestDocument doc;
    return doc;  // 8 "I" pins, 26 inactive tacts
}

// x in the middle of screen column c's level segment.
int midX(int c, int w = 21) { return kPinColumnRight + (c - 1) * w + w / 2; }

TEST(DiagramPaint, LevelHeightsAndWidthsAtTheDefaultHeight) {
    TestDocument doc = eightPins();
    doc.setCell(0, 1, 1, 1);
    doc.setCell(0, 1, 2, 0);
    // row 1 tact 3..26 inactive
    const DiagramView v;
    const QImage img = render(doc, v);
    EXPECT_EQ(rowsWith(img, midX(1), 0, 20, kPurple), (std::vector<int>{3, 4, 5}));     // level 1: 4 below
    EXPECT_EQ(rowsWith(img, midX(2), 0, 20, kPurple), (std::vector<int>{16, 17, 18}));  // level 0: 17 below
    EXPECT_EQ(rowsWith(img, midX(3), 0, 20, kGrey), (std::vector<int>{9, 10, 11}));     // level 2: 10 below
    // The second band starts 21 pixels lower: all inactive there.
    EXPECT_EQ(rowsWith(img, midX(5), 21, 41, kGrey), (std::vector<int>{30, 31, 32}));
    // A segment spans its column from 160 + n*W to 160 + (n+1)*W - 1.
    const auto level1 = columnsWith(img, 4, 161, 200, kPurple);
    ASSERT_FALSE(level1.empty());
    EXPECT_EQ(level1.front(), 161);  // x 160 is the black separator line
    EXPECT_EQ(px(img, 160, 4), kBlack);
}

TEST(DiagramPaint, EdgesOnlyWhereTheLevelChanges) {
    TestDocument doc = eightPins();
    for (int t : {1, 2}) doc.setCell(0, 1, t, 0);
    for (int t : {3, 4}) doc.setCell(0, 1, t, 1);
    doc.setCell(0, 1, 5, 1);
    const DiagramView v;
    const QImage img = render(doc, v);
    // Between tact 1 and 2 (both 0) no edge: the middle of the band stays free.
    const int b12 = kPinColumnRight + 21;
    EXPECT_TRUE(rowsWith(img, b12, 6, 14, kPurple).empty());
    EXPECT_TRUE(rowsWith(img, b12 - 1, 6, 14, kPurple).empty());
    // From 0 at tact 2 to 1 at tact 3: a two-pixel vertical edge at the boundary.
    const int b23 = kPinColumnRight + 2 * 21;
    EXPECT_EQ(columnsWith(img, 10, b23 - 4, b23 + 4, kPurple), (std::vector<int>{b23 - 1, b23}));
    EXPECT_EQ(rowsWith(img, b23, 0, 20, kPurple).front(), 3);
    EXPECT_EQ(rowsWith(img, b23 - 1, 0, 20, kPurple).back(), 18);
    // From 1 at tact 5 to inactive at tact 6: the edge runs from level 1 down to the middle,
    // in the line colour.
    const int b56 = kPinColumnRight + 5 * 21;
    EXPECT_EQ(columnsWith(img, 7, b56 - 4, b56 + 4, kPurple), (std::vector<int>{b56 - 1, b56}));
    EXPECT_TRUE(rowsWith(img, b56 - 1, 12, 20, kPurple).empty());
}

TEST(DiagramPaint, LastTactEndsWithAnEdgeToInactive) {
    TestDocument doc = eightPins();
    doc.setCell(0, 1, 26, 1);
    doc.setCell(0, 2, 26, 0);
    const DiagramView v;
    const QImage img = render(doc, v);
    const int end = kPinColumnRight + 26 * 21;
    EXPECT_EQ(columnsWith(img, 7, end - 3, end + 1, kPurple), (std::vector<int>{end - 1, end}));
    EXPECT_EQ(columnsWith(img, 21 + 14, end - 3, end + 1, kPurple), (std::vector<int>{end - 1, end}));
    // An inactive last tact has no edge.
    EXPECT_TRUE(columnsWith(img, 42 + 7, end - 3, end + 1, kPurple).empty());
}

TEST(DiagramPaint, ColoursByPinType) {
    TestDocument doc = eightPins();
    doc.setPinType(2, "O");
    doc.setPinType(3, "O=F(c)");
    doc.setPinFunction(0, 3, "1");
    doc.setPinType(4, "NC");
    doc.setPinType(5, "I/O");
    doc.setPinType(55, "O/i");
    doc.moveSignalEntry(0, 8, 8);
    // Put the output row of pin 5 after it, as the pin editor does.
    for (int k = 9; k > 6; --k) doc.setSignalEntry(0, k, doc.signalEntry(0, k - 1));
    doc.setSignalEntry(0, 6, {5, model::RowKind::Output});
    for (int row : {1, 2, 3, 4, 5, 55})
        for (int t = 1; t <= 26; ++t) doc.setCell(0, row, t, 1);
    const DiagramView v;
    const QImage img = render(doc, v);
    ASSERT_EQ(displayRowTotal(doc), 9);
    const QRgb expected[] = {kPurple, kNavy, kGreen, kBlack, kPurple, kNavy};
    for (int k = 1; k <= 6; ++k)
        EXPECT_EQ(px(img, midX(4), (k - 1) * 21 + 4), expected[k - 1]) << "display row " << k;
    // The remaining rows are inactive grey.
    EXPECT_EQ(px(img, midX(4), 6 * 21 + 10), kGrey);
}

TEST(DiagramPaint, FunctionRowWithoutFormulaShowsItsTypeInRed) {
    TestDocument doc = eightPins();
    doc.setPinType(3, "O=F(c)");
    doc.setPinType(4, "VCC");
    const DiagramView v;
    auto redIn = [](const QImage& img, int k) {
        int n = 0;
        for (int y = (k - 1) * 21 + 1; y < k * 21; ++y)
            for (int x = 41; x < 97; ++x) {
                // Smoothed glyph edges blend into the background: count clearly red pixels.
                const QColor c = QColor::fromRgb(img.pixel(x, y));
                n += c.red() > 180 && c.green() < 120 && c.blue() < 120;
            }
        return n;
    };
    QImage img = render(doc, v);
    EXPECT_GT(redIn(img, 3), 0);
    EXPECT_EQ(redIn(img, 4), 0);
    EXPECT_EQ(redIn(img, 1), 0);
    doc.setPinFunction(0, 3, "1*2");
    img = render(doc, v);
    EXPECT_EQ(redIn(img, 3), 0);
}

TEST(DiagramPaint, CurrentCellAndRowAreHighlighted) {
    TestDocument doc = eightPins();
    DiagramView v;
    QImage img = render(doc, v);
    // Start values: no cell selected, no yellow anywhere.
    int yellow = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) yellow += px(img, x, y) == kYellow;
    EXPECT_EQ(yellow, 0);
    v.currentColumn = 3;
    v.currentScreenRow = 2;
    v.currentRow = 2;
    img = render(doc, v);
    // The cell interior of column 3, row 2 is yellow, with the waveform drawn over it.
    const int cellLeft = kFirstCellX + 2 * 21;
    EXPECT_EQ(px(img, cellLeft + 3, 21 + 3), kYellow);
    EXPECT_EQ(px(img, cellLeft + 3, 21 + 10), kGrey);
    EXPECT_EQ(px(img, cellLeft + 3, 42 + 3), 0xFFFFFFFF);  // the row below is not
    // The pin cells of the current row are yellow, separators stay black.
    EXPECT_EQ(px(img, 5, 21 + 3), kYellow);
    EXPECT_EQ(px(img, 40, 21 + 3), kBlack);
    EXPECT_EQ(px(img, 97, 21 + 3), kBlack);
    EXPECT_EQ(px(img, 5, 3), 0xFFFFFFFF);
}

TEST(DiagramPaint, GridCoversTheWholeWidthAndOnlyTheRows) {
    TestDocument doc = eightPins();
    doc.setTactCount(5);
    const DiagramView v;
    const QImage img = render(doc, v, QSize(600, 300));
    const QRgb face = 0xFFF0F0F0;
    // Vertical grid lines at 161 + i*21 also right of the last tact.
    EXPECT_EQ(px(img, kFirstCellX + 20 * 21, 30), face);
    EXPECT_EQ(px(img, kFirstCellX + 20 * 21 + 5, 21), face);
    // Below the 8 rows the canvas is background.
    EXPECT_EQ(px(img, kFirstCellX + 20 * 21, 8 * 21 + 10), 0xFFFFFFFF);
    EXPECT_EQ(px(img, 20, 8 * 21 + 10), 0xFFFFFFFF);
}

TEST(DiagramPaint, ScrolledViewDrawsFromTheFirstVisibleTact) {
    TestDocument doc = eightPins();
    doc.setTactCount(500);
    doc.setCell(0, 1, 301, 1);
    doc.setCell(0, 1, 302, 0);
    DiagramView v;
    v.tactOffset = 300;
    v.rowOffset = 0;
    QImage img(800, 200, QImage::Format_RGB32);
    QPainter p(&img);
    PaintOptions o;
    o.horizontalBarShown = true;
    paintDiagram(p, doc, v, img.size(), o);
    p.end();
    EXPECT_EQ(px(img, midX(1), 4), kPurple);
    EXPECT_EQ(px(img, midX(2), 17), kPurple);
    EXPECT_EQ(px(img, midX(3), 10), kGrey);
}

// The lane of a data word below the signal rows: a bus in the word's colour with a crossing
// where the value changes, hatching where it is undefined, the value written in its stretch,
// and nothing at all while the lanes are off.
TEST(DiagramPaint, WordLanesDrawBusesBelowTheRows) {
    TestDocument doc = eightPins();
    doc.setTactCount(10);
    model::DataWord word;
    word.wordName = "D";
    word.addMember(1);
    word.addMember(2);
    doc.dataWords().push_back(word);
    // 3 on tacts 1..3, undefined on 4..5, 1 on 6..10.
    for (int t = 1; t <= 10; ++t) {
        doc.setCell(0, 1, t, t == 4 ? model::kInactive : model::kHigh);
        doc.setCell(0, 2, t, t <= 3 ? model::kHigh : t == 5 ? model::kInactive : model::kLow);
    }
    DiagramView v;
    const QSize size(kFirstCellX + 10 * 21 + 1, 9 * 21 + 1);
    const QImage off = render(doc, v, size);
    v.wordLanes = true;
    const QImage on = render(doc, v, size);

    const int top = 8 * 21, y1 = top + 4, y2 = top + 17, mid = (y1 + y2) / 2;
    const int change = kPinColumnRight + 3 * 21;  // between tacts 3 and 4
    const int defineAgain = kPinColumnRight + 5 * 21;  // between tacts 5 and 6
    EXPECT_TRUE(columnsWith(off, y1, kFirstCellX, size.width() - 1, kPurple).empty());
    EXPECT_TRUE(rowsWith(off, change - 1, top + 1, top + 20, kPurple).empty());
    // Bus lines run through a stretch and stop short of a change, which crosses between them.
    EXPECT_EQ(px(on, midX(1), y1), kPurple);
    EXPECT_EQ(px(on, midX(1), y2), kPurple);
    EXPECT_EQ(px(on, kPinColumnRight + 21, y1), kPurple);  // no crossing between tacts 1 and 2
    EXPECT_EQ(px(on, kPinColumnRight + 21, y2), kPurple);
    EXPECT_NE(px(on, change, y1), kPurple);
    EXPECT_FALSE(rowsWith(on, change - 1, y1 + 2, y2 - 2, kPurple).empty());
    EXPECT_FALSE(rowsWith(on, defineAgain + 1, y1 + 2, y2 - 2, kPurple).empty());
    EXPECT_NE(px(on, defineAgain + 1, y1), kPurple);
    // Hatching over the undefined tacts only.
    int hatched = 0;
    for (int x = change + 4; x < defineAgain - 4; ++x)
        hatched += static_cast<int>(rowsWith(on, x, y1 + 1, mid - 2, kGrey).size());
    EXPECT_GT(hatched, 10);
    EXPECT_TRUE(rowsWith(on, midX(8), y1 + 1, y2 - 1, kGrey).empty());
    // The value is written inside its stretch, and an edit changes it there and only there.
    const QRect firstStretch(kFirstCellX + 4, y1 + 1, 3 * 21 - 8, y2 - y1 - 1);
    const QRect lastStretch(defineAgain + 4, y1 + 1, 5 * 21 - 8, y2 - y1 - 1);
    EXPECT_NE(on.copy(firstStretch), off.copy(firstStretch));
    EXPECT_NE(on.copy(lastStretch), off.copy(lastStretch));
    for (int t = 1; t <= 3; ++t) doc.setCell(0, 2, t, model::kLow);  // 3 becomes 1
    const QImage edited = render(doc, v, size);
    EXPECT_NE(edited.copy(firstStretch), on.copy(firstStretch));
    EXPECT_EQ(edited.copy(lastStretch), on.copy(lastStretch));
    // The word's name stands in the pin column of its lane.
    const QRect nameCell(2, top + 2, kPinColumnRight - 4, 17);
    EXPECT_NE(on.copy(nameCell), off.copy(nameCell));
    QImage blank(nameCell.size(), QImage::Format_RGB32);
    blank.fill(Qt::white);
    EXPECT_EQ(off.copy(nameCell), blank);
}

TEST(DiagramPaint, ZoomChangesTheBandGeometry) {
    TestDocument doc = eightPins();
    for (int t = 1; t <= 26; ++t) doc.setCell(0, 1, t, t % 2);
    DiagramView v;
    for (int i = 0; i < 4; ++i) zoomIn(v);  // 29 x 29
    ASSERT_EQ(v.cellWidth, 29);
    ASSERT_EQ(v.rowHeight, 29);
    const QImage img = render(doc, v);
    const LevelGeometry g = levelGeometry(v);
    // Tact 1 is 1, tact 2 is 0.
    const int x1 = kPinColumnRight + 29 / 2;
    const auto rows1 = rowsWith(img, x1, 0, 28, kPurple);
    ASSERT_EQ(rows1.size(), static_cast<size_t>(g.penWidth));
    EXPECT_EQ(rows1[static_cast<size_t>(g.penWidth / 2)], g.highOffset);
    const auto rows0 = rowsWith(img, x1 + 29, 0, 28, kPurple);
    ASSERT_EQ(rows0.size(), static_cast<size_t>(g.penWidth));
    EXPECT_EQ(rows0[static_cast<size_t>(g.penWidth / 2)], g.lowOffset);
    EXPECT_EQ(columnsWith(img, 12, kPinColumnRight + 29 - 4, kPinColumnRight + 29 + 4, kPurple).size(),
              static_cast<size_t>(g.edgeWidth));
}


// Pixels of one rectangle, to compare what two places of a picture show.
QImage part(const QImage& img, int x, int y, int w, int h) { return img.copy(x, y, w, h); }

bool hasDarkPixels(const QImage& img) {
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (QColor::fromRgb(img.pixel(x, y)).lightness() < 100) return true;
    return false;
}

TEST(DiagramPaint, BothRowsOfAnInOutPinShowItsNumberAndName) {
    TestDocument doc = eightPins();
    doc.setPinType(5, "I/O");
    doc.setPinType(55, "O/i");
    doc.setPinName(5, "DATA");
    doc.setPinName(4, "ADDR");
    for (int k = 9; k > 6; --k) doc.setSignalEntry(0, k, doc.signalEntry(0, k - 1));
    doc.setSignalEntry(0, 6, {5, model::RowKind::Output});
    const DiagramView v;
    const QImage img = render(doc, v);
    // Number (x 1..39) and name (x 98..159) of display rows 5 and 6 are the same picture ...
    EXPECT_EQ(part(img, 1, 4 * 21 + 1, 39, 20), part(img, 1, 5 * 21 + 1, 39, 20));
    EXPECT_EQ(part(img, 98, 4 * 21 + 1, 62, 20), part(img, 98, 5 * 21 + 1, 62, 20));
    // ... unlike those of pin 4, and the types "I/O" and "O/i" differ.
    EXPECT_NE(part(img, 1, 3 * 21 + 1, 39, 20), part(img, 1, 4 * 21 + 1, 39, 20));
    EXPECT_NE(part(img, 98, 3 * 21 + 1, 62, 20), part(img, 98, 4 * 21 + 1, 62, 20));
    EXPECT_NE(part(img, 41, 4 * 21 + 1, 56, 20), part(img, 41, 5 * 21 + 1, 56, 20));
    EXPECT_TRUE(hasDarkPixels(part(img, 98, 4 * 21 + 1, 62, 20)));
    // An empty name leaves its cell blank.
    EXPECT_FALSE(hasDarkPixels(part(img, 98, 21 + 1, 62, 20)));
}

TEST(DiagramPaint, UnhighlightingRestoresTheBackgroundUnderTheLevels) {
    TestDocument doc = eightPins();
    doc.setCell(0, 2, 3, 1);
    DiagramView v;
    v.currentColumn = 3;
    v.currentScreenRow = 2;
    v.currentRow = 2;
    QImage img = render(doc, v);
    const int left = kFirstCellX + 2 * 21;
    ASSERT_EQ(px(img, left + 3, 21 + 12), kYellow);
    QPainter p(&img);
    unhighlightCell(p, doc, v, 3, 2, img.size(), QColor(0xF0, 0xF0, 0xF0));
    p.end();
    EXPECT_EQ(px(img, left + 3, 21 + 12), 0xFFFFFFFF);
    EXPECT_EQ(px(img, left + 3, 21 + 4), kPurple);  // level 1 drawn again over it
    EXPECT_EQ(px(img, left, 21 + 12), 0xFFF0F0F0);   // the outline is the grid colour
    // Column 0 draws nothing.
    const QImage before = img.copy();
    QPainter q(&img);
    highlightCell(q, doc, v, 0, 2, img.size(), QColor(0xF0, 0xF0, 0xF0));
    q.end();
    EXPECT_EQ(img, before);
}

TEST(DiagramPaint, BitColumnListsTheLevelsAtTheCurrentTact) {
    TestDocument doc = eightPins();
    doc.setCell(0, 1, 5, 0);
    doc.setCell(0, 2, 5, 1);
    doc.setCell(0, 4, 5, 0);
    // rows 3 and 5..8 inactive
    DiagramView v;
    v.currentColumn = 5;
    auto draw = [&](const DiagramView& view) {
        QImage img(34, 19 + 8 * 21, QImage::Format_RGB32);
        img.fill(Qt::magenta);
        QPainter p(&img);
        BitColumnLayout l;
        l.columnWidth = 30;
        l.height = img.height();
        paintBitColumn(p, doc, view, l, 34, QColor(0xF0, 0xF0, 0xF0));
        return img;
    };
    const QImage img = draw(v);
    // Data row j lies at y 19 + (j-1)*21, 20 pixels high.
    auto rowPic = [&](const QImage& from, int j) { return part(from, 0, 19 + (j - 1) * 21, 30, 20); };
    for (int j = 1; j <= 8; ++j) EXPECT_TRUE(hasDarkPixels(rowPic(img, j))) << j;
    EXPECT_EQ(rowPic(img, 1), rowPic(img, 4));  // "0"
    EXPECT_EQ(rowPic(img, 3), rowPic(img, 5));  // "x"
    EXPECT_NE(rowPic(img, 1), rowPic(img, 2));
    EXPECT_NE(rowPic(img, 2), rowPic(img, 3));
    EXPECT_NE(rowPic(img, 1), rowPic(img, 3));
    EXPECT_EQ(QColor::fromRgb(img.pixel(2, 19 + 2)), QColor(Qt::white));
    // Beyond the last tact the data rows stay empty; the header still names the tact.
    v.currentColumn = 27;
    const QImage beyond = draw(v);
    for (int j = 1; j <= 8; ++j) EXPECT_FALSE(hasDarkPixels(rowPic(beyond, j))) << j;
    EXPECT_TRUE(hasDarkPixels(part(beyond, 0, 0, 30, 18)));
}

}  // namespace
}  // namespace kvx::diagram
