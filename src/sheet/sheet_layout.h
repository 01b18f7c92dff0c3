#pragma once
// Page arithmetic of the test sheet: paper sizes, the tact range a sheet shows, and how its
// diagram is cut into pages (as many tacts as fit across a page, the rows split into groups
// when they do not fit down it), and the labels of its tact ruler. Lengths are sheet pixels,
// 96 to the inch. The sheet has its own scale, whatever the screen's zoom.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvx::sheet {

inline constexpr int kSheetDpi = 96;
inline constexpr double kMarginMm = 10.0;
/// Width of a tact column on paper.
inline constexpr int kSheetCellWidth = 12;
/// Height of a row on paper: the 46 rows of a DIP40 test with six I/O pins fit one band of an
/// A4 page in landscape.
inline constexpr int kSheetRowHeight = 14;
/// The strip above every band: the column captions and the tact ruler.
inline constexpr int kSheetRulerHeight = 18;
/// The legend of the level drawings and row kinds above the first diagram page's bands.
inline constexpr int kLegendHeight = 24;
/// Every tenth tact column is closed by a heavier grid line; ruler labels go with them.
inline constexpr int kHeavyGridStep = 10;
/// The line above every page's content: test name, file name and "Лист N из M".
inline constexpr int kPageHeadHeight = 24;
/// kvxtool refuses a sheet of more pages.
inline constexpr long long kMaxSheetPages = 1000;
/// The editor asks for a tact range when the diagram alone would take more pages.
inline constexpr long long kAskRangePages = 50;

enum class Paper { A4, A3 };

struct PageFormat {
    Paper paper = Paper::A4;
    bool landscape = false;
};

struct Millimetres {
    double width = 0;
    double height = 0;
};

/// The paper's size, turned for landscape.
Millimetres paperSize(const PageFormat& format);
/// Whole sheet pixels in a length (rounded down).
int sheetPixels(double mm);
/// "A4" or "A3"; nullopt for any other text.
std::optional<Paper> parsePaper(std::string_view text);

/// Tacts first..last, both counted from 1.
struct TactRange {
    int first = 1;
    int last = 0;
    int count() const { return last >= first ? last - first + 1 : 0; }
    bool operator==(const TactRange&) const = default;
};

/// A tact range typed as "A-B" (or one tact "A") for a test of `tactCount` tacts: the range,
/// or a Russian message saying what is wrong with the text.
struct RangeParse {
    std::optional<TactRange> range;
    std::string error;
};
RangeParse parseTactRange(std::string_view text, int tactCount);
/// The refusal of tacts typed into two fields whose first lies after the last; empty when not.
std::string tactOrderError(TactRange range);

/// The refusal of a sheet of more than kMaxSheetPages pages, with the tacts that would fit
/// (`fitTacts` from the range's first): "лист теста занял бы ... задайте такты, например
/// <option>1-45908". `option` is what the user types before the range ("--tacts " or "").
std::string tooManyPagesError(long long pages, TactRange range, int fitTacts, const std::string& option);

/// One band of the diagram on a page: the tacts across it and the display rows down it, under
/// its own header strip with the column captions and the ruler.
struct DiagramBand {
    int firstTact = 1, lastTact = 0;
    int firstRow = 1, lastRow = 0;
    bool operator==(const DiagramBand&) const = default;
};

/// The sizes of a band: its pin column (measured in the sheet's font), cells and ruler strip,
/// and the room the first diagram page keeps for its legend.
struct BandGeometry {
    int firstCellX = 161;  ///< left edge of the first tact column
    int cellWidth = kSheetCellWidth;
    int rowHeight = kSheetRowHeight;
    int headerHeight = kSheetRulerHeight;
    int legendHeight = kLegendHeight;
};

/// How the diagram of a tact range is cut into bands and pages of one content size. A band
/// holds as many tacts as fit across a page; when the rows do not fit down a page they are
/// split into groups of (nearly) equal size, one band each, so that no band of a few rows is
/// left over. Bands go tact range after tact range, the row groups of one range after each
/// other; a page holds as many bands as fit one under the other, the first page below the
/// legend.
class DiagramPages {
public:
    /// `contentWidth` x `contentHeight`: what a page holds below its head line, in sheet pixels.
    DiagramPages(int contentWidth, int contentHeight, int rowTotal, TactRange tacts, const BandGeometry& geometry = {});

    int tactsPerBand() const { return tactsPerBand_; }
    int rowsPerBand() const { return rowsPerBand_; }
    /// Row groups down one tact range (1 when every row fits on a page).
    int rowGroups() const { return rowGroups_; }
    int bandsPerPage() const { return bandsPerPage_; }
    /// Bands on the first page, below the legend (never fewer than one).
    int bandsOnFirstPage() const { return bandsOnFirst_; }
    /// Height of a band with all its rows, header strip included; bands are kBandGap apart.
    int bandHeight() const { return bandHeight_; }
    long long bandCount() const { return static_cast<long long>(tactBands_) * rowGroups_; }
    long long count() const;
    /// Band `index` (0-based, below bandCount()).
    DiagramBand band(long long index) const;
    /// The bands of diagram page `page` (0-based): first and one past the last.
    std::pair<long long, long long> bandsOf(long long page) const;
    /// The tacts the bands of a page show.
    TactRange tactsOf(long long page) const;
    /// The most tacts from the range's first on whose diagram fits into `pages` pages.
    int tactsWithin(long long pages) const;

    static constexpr int kBandGap = 16;

private:
    TactRange tacts_;
    int rowTotal_;
    int tactsPerBand_;
    int rowsPerBand_;
    int rowGroups_;
    int tactBands_;
    int bandHeight_;
    int bandsPerPage_;
    int bandsOnFirst_;
};

/// One label of a band's tact ruler: the tact, where its text starts (x 0 = the band's first
/// tact column) and the text.
struct SheetRulerLabel {
    int tact = 0;
    int x = 0;
    std::string text;
    bool operator==(const SheetRulerLabel&) const = default;
};

/// The ruler of a band drawn in a font of `charWidth` pixels a character: the band's first tact
/// and every tact that follows a heavier grid line (11, 21, ... or, where those labels would not
/// fit, every 20th, 50th, 100th ... tact), none cut at the band's end and none running into the
/// one before. With `tactMicroseconds` above 0 a label is the tact's start time with its unit,
/// "40 мкс".
std::vector<SheetRulerLabel> sheetRulerLabels(const DiagramBand& band, int cellWidth, int charWidth,
                                              int tactMicroseconds = 0);

/// "Такты 1201–1400" (one tact: "Такт 7").
std::string tactsHeading(TactRange range);

/// "1 страница", "3 страницы", "12 страниц".
std::string pagesText(long long n);
/// "Лист 2 из 7".
std::string pageLabel(long long page, long long total);

}  // namespace kvx::sheet
