#pragma once
// View state of the timing diagram (sizes, scroll offsets, current cell, colours) and the
// geometry rules that follow from it: zoom steps, level heights, visible ranges, scroll-bar
// ranges and the labels of the tact ruler. Nothing here is stored in a test file.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/test_document.h"

namespace kvx::diagram {

/// 24-bit colour 0xRRGGBB.
using Rgb = std::uint32_t;

inline constexpr int kStandardSize = 21;     ///< start value of cellWidth and rowHeight
inline constexpr int kPinColumnRight = 160;  ///< x of the black line between pin column and cells
inline constexpr int kFirstCellX = 161;      ///< left edge of the first tact column
inline constexpr int kNumberColumnRight = 40;
inline constexpr int kTypeColumnRight = 97;
inline constexpr int kHeaderHeight = 20;     ///< header strip above the canvas

struct DiagramView {
    int cellWidth = kStandardSize;   ///< width of one tact column in pixels
    int rowHeight = kStandardSize;   ///< height of one row band in pixels
    int lineThickness = 0;           ///< extra pen width of waveform lines
    int tactOffset = 0;              ///< tacts scrolled out to the left
    int rowOffset = 0;               ///< display rows scrolled out at the top
    int currentColumn = 0;           ///< 1-based screen column of the current cell; 0 = none
    int currentScreenRow = 0;        ///< 1-based screen row of the current cell
    int currentRow = 0;              ///< document row shown at currentScreenRow

    Rgb backgroundColour = 0xFFFFFF;
    Rgb activeCellColour = 0xFFFF00;
    Rgb inputColour = 0x800080;
    Rgb outputColour = 0x000080;
    Rgb functionColour = 0x008000;
    Rgb inactiveColour = 0xA0A0A4;
    Rgb ncColour = 0x000000;
    Rgb vccColour = 0x000000;
    Rgb gndColour = 0x000000;

    bool wordLanes = false;    ///< one lane per data word below the signal rows
    bool timeOnRuler = false;  ///< the ruler names the start time of its tacts in microseconds

    /// Absolute tact of the current cell.
    int currentTact() const { return tactOffset + currentColumn; }
};

// ---- zoom ------------------------------------------------------------------

/// Wider columns (+2 up to 46); rows grow only once the columns are at least 15 wide.
void zoomIn(DiagramView& v);
/// Lower rows (down to 14) and narrower columns (-2 above 15, -1 above 3, never below 3).
void zoomOut(DiagramView& v);
/// Columns and rows back to 21.
void zoomStandard(DiagramView& v);
/// The widest zoom step (of those zoomOut walks through from 46/46) at which all `tactCount`
/// tacts fit into the canvas, so that no horizontal bar is needed; the narrowest step when
/// none does. `canvasWidth` gives the canvas width at a row height (taller rows may bring
/// the vertical bar, which takes room).
void zoomToFit(DiagramView& v, int tactCount, const std::function<int(int rowHeight)>& canvasWidth);

// ---- waveform geometry -----------------------------------------------------

/// Where the three levels lie inside a band and how thick they are drawn.
struct LevelGeometry {
    int highOffset;      ///< level 1, pixels below the band top
    int lowOffset;       ///< level 0
    int inactiveOffset;  ///< level 2
    int penWidth;        ///< level segments
    int edgeWidth;       ///< vertical edges: one pixel thinner

    int offsetOf(model::CellLevel level) const {
        return level == model::kHigh ? highOffset : level == model::kLow ? lowOffset : inactiveOffset;
    }
};
LevelGeometry levelGeometry(const DiagramView& v);

/// Number of display rows: pins plus output rows of the I/O pins.
int displayRowTotal(const model::TestDocument& doc);

/// Last display row painted: all rows, or only those that fit when the vertical bar is shown.
int lastPaintedRow(int total, int rowOffset, int canvasHeight, int rowHeight, bool verticalBarShown);
/// Last tact painted: tactCount, or only those that fit when the horizontal bar is shown.
int lastPaintedTact(int tactCount, int tactOffset, int canvasWidth, int cellWidth, bool horizontalBarShown);

/// Colour of a row's waveform at levels 0 and 1, chosen from its pin's type.
Rgb lineColour(const model::TestDocument& doc, int row, const DiagramView& v);
/// Pin whose number and name a row shows: the row itself, or row - 50 for an output row.
inline int pinOfRow(int row) { return row > model::kPinRows ? row - model::kPinRows : row; }
/// A function row without a formula shows its type in red.
bool typeShownInRed(const model::TestDocument& doc, int row);
/// "0", "1" or "x" for the tact bit column.
const char* bitText(model::CellLevel level);

// ---- tact ruler ------------------------------------------------------------

struct RulerLabel {
    int x;            ///< left edge of the text in ruler coordinates (x 0 = first cell column)
    std::string text;
};
/// Labels of the tact ruler whose left edge lies before `stripWidth`: every fourth tact up to 99,
/// from 100 on 101, 105, 109 ... With `tactMicroseconds` above 0 the same tacts are labelled with
/// their start time, (tact - 1) x tactMicroseconds. With `digitWidth` (pixels of one digit)
/// above 0, labels are left out so that no two of them run into each other.
std::vector<RulerLabel> rulerLabels(int tactOffset, int tactCount, int cellWidth, int stripWidth,
                                    int tactMicroseconds = 0, int digitWidth = 0);

// ---- scroll bars -----------------------------------------------------------

struct ScrollRange {
    bool shown = false;
    int maximum = 0;  ///< minimum is always 1; the offset is position - 1
};
/// Vertical bar: shown when the rows do not fit into the area's height.
ScrollRange verticalRange(int total, int rowHeight, int areaHeight);
/// Horizontal bar after a change of rows, sizes or window size.
ScrollRange horizontalRange(int tactCount, int cellWidth, int canvasWidth);
/// Horizontal bar after the tact count was set from the tact-count field.
ScrollRange horizontalRangeForTactField(int tactCount, int cellWidth, int canvasWidth);

// ---- status bar ------------------------------------------------------------

/// "Тип корпуса = DIP40" and the like.
std::string packageStatusText(const model::TestDocument& doc);
/// "Такт 17, 64 мкс": a tact and its start time at the test's tact duration.
std::string tactStatusText(const model::TestDocument& doc, int tact);
/// The tact a "go to tact" text names (spaces around it allowed), or a Russian message when it
/// is not a tact of the test.
struct TactInput {
    int tact = 0;
    std::string error;  ///< empty when `tact` is valid
};
TactInput parseTactInput(const std::string& text, int tactCount);
/// Rows of the vertical scroll range: the display rows, and the word lanes when they are shown.
int scrolledRowTotal(const model::TestDocument& doc, const DiagramView& v);
/// Name of the active test algorithm, "Стандартный Алгоритм" by default.
std::string algorithmStatusText(const model::TestDocument& doc);

}  // namespace kvx::diagram
