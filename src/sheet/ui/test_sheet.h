#pragma once
// The test sheet on paper: a first page with the test's heading fields, pin table, data
// words, algorithm settings and comment, then the diagram page after page at the sheet's own
// scale: bands with a pin column as wide as their names need, a ruler that labels every band's
// first tact and the tacts after every tenth grid line, the levels drawn by the diagram's own
// routine. The printer and the PDF file are drawn by the same code; pages are drawn one after
// another, so memory does not grow with their number.

#include <QSizeF>
#include <QTextDocument>
#include <functional>
#include <memory>
#include <string>

#include "diagram/diagram_view.h"
#include "model/test_document.h"
#include "sheet/sheet_layout.h"

class QPagedPaintDevice;
class QPainter;

namespace kvx::sheet::ui {

struct SheetOptions {
    TactRange tacts;            ///< the diagram pages show these tacts; an empty range: the whole test
    diagram::DiagramView view;  ///< colours and ruler mode of the diagram; the sizes are the sheet's own
    std::string date;           ///< printed on the first page; empty: today
};

/// The pin column of the diagram pages: widths of the number, type and name columns.
struct PinColumns {
    int number = 0, type = 0, name = 0;
    int lineX() const { return number + type + name; }  ///< the line between pins and cells
    int firstCellX() const { return lineX() + 1; }
};
/// The widest name column; a longer name is cut with "…" (the pin table has it whole).
inline constexpr int kMaxNameColumn = 96;

/// Reports pages drawn of all; false stops the drawing.
using SheetProgress = std::function<bool(long long done, long long total)>;
/// What paintSheet and writeSheetPdf return when the progress stopped them.
inline constexpr const char* kSheetCancelled = "Лист теста не записан: отменено";

/// A sheet laid out for one page content size (sheet pixels): its text pages and its diagram
/// pages are known before the first page is drawn.
class TestSheet {
public:
    TestSheet(const model::TestDocument& doc, const SheetOptions& options, QSizeF content);

    long long pageCount() const { return textPages_ + diagram_.count(); }
    long long textPageCount() const { return textPages_; }
    long long diagramPageCount() const { return diagram_.count(); }
    /// The content size the sheet was laid out for (sheet pixels).
    QSizeF content() const { return content_; }
    const DiagramPages& diagramPages() const { return diagram_; }
    TactRange tacts() const { return tacts_; }
    const PinColumns& pinColumns() const { return columns_; }
    /// The pages the sheet would take with the diagram of `range` instead.
    long long pagesFor(TactRange range) const;

    /// Draws page `index` (0-based) with the painter's origin at the content's top-left corner,
    /// one unit a sheet pixel.
    void paintPage(QPainter& p, long long index) const;

private:
    BandGeometry geometry() const;
    void paintHead(QPainter& p, long long index) const;
    void paintLegend(QPainter& p) const;
    void paintBand(QPainter& p, const DiagramBand& band) const;

    const model::TestDocument& doc_;
    diagram::DiagramView view_;
    TactRange tacts_;
    QSizeF content_;
    std::unique_ptr<QTextDocument> text_;
    long long textPages_ = 1;
    PinColumns columns_;
    DiagramPages diagram_;
};

/// Content size in sheet pixels of a device's printable area.
QSizeF contentSize(const QPagedPaintDevice& device);
/// The sheet of `doc` laid out for a paper format with the sheet's margins (for page counts).
TestSheet layoutFor(const model::TestDocument& doc, const SheetOptions& options, const PageFormat& format);

/// Draws pages first..last (1-based, within the sheet) onto a device that is ready for its
/// first page (a printer or a PDF writer). An empty text on success, kSheetCancelled when the
/// progress stopped it, else a Russian message.
std::string paintSheet(QPagedPaintDevice& device, const TestSheet& sheet, long long first, long long last,
                       const SheetProgress& progress = {});

/// Writes the whole sheet as a PDF file; the file is replaced only once it is complete (a
/// cancelled sheet leaves it as it was). An empty text on success, else a Russian message.
std::string writeSheetPdf(const std::string& path, const model::TestDocument& doc, const SheetOptions& options,
                          const PageFormat& format, const SheetProgress& progress = {});

}  // namespace kvx::sheet::ui
