#pragma once
// Page arithmetic of the test sheet: paper sizes, the tact range a sheet shows, and how its
// diagram is cut into pages (as many tacts as fit across a page, the rows split into groups
// when they do not fit down it). Lengths are sheet pixels, 96 to the inch, the size of the
// screen's pixels, so that the diagram is drawn on paper with the screen's geometry.

#include <optional>
#include <string>
#include <string_view>

namespace kvx::sheet {

inline constexpr int kSheetDpi = 96;
inline constexpr double kMarginMm = 10.0;
/// Width of a tact column on paper: ruler labels of five digits still fit every fourth tact.
inline constexpr int kSheetCellWidth = 12;
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

/// One band of the diagram on a page: the tacts across it and the display rows down it, under
/// its own header strip with the column captions and the ruler.
struct DiagramBand {
    int firstTact = 1, lastTact = 0;
    int firstRow = 1, lastRow = 0;
    bool operator==(const DiagramBand&) const = default;
};

/// How the diagram of a tact range is cut into bands and pages of one content size. A band
/// holds as many tacts as fit across a page; when the rows do not fit down a page they are
/// split into groups, one band each. Bands go tact range after tact range, the row groups of
/// one range after each other; a page holds as many bands as fit one under the other.
class DiagramPages {
public:
    /// `contentWidth` x `contentHeight`: what a page holds below its head line, in sheet pixels.
    DiagramPages(int contentWidth, int contentHeight, int rowTotal, TactRange tacts, int cellWidth, int rowHeight);

    int tactsPerBand() const { return tactsPerBand_; }
    int rowsPerBand() const { return rowsPerBand_; }
    /// Row groups down one tact range (1 when every row fits on a page).
    int rowGroups() const { return rowGroups_; }
    int bandsPerPage() const { return bandsPerPage_; }
    /// Height of a band with all its rows, header strip included; bands are kBandGap apart.
    int bandHeight() const { return bandHeight_; }
    long long bandCount() const { return static_cast<long long>(tactBands_) * rowGroups_; }
    long long count() const { return (bandCount() + bandsPerPage_ - 1) / bandsPerPage_; }
    /// Band `index` (0-based, below bandCount()).
    DiagramBand band(long long index) const;
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
};

/// "1 страница", "3 страницы", "12 страниц".
std::string pagesText(long long n);
/// "Лист 2 из 7".
std::string pageLabel(long long page, long long total);

}  // namespace kvx::sheet
