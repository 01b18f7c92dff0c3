#include "sheet/ui/test_sheet.h"

#include <QAbstractTextDocumentLayout>
#include <QDate>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextCursor>
#include <QTextDocumentFragment>

#include "diagram/ui/diagram_painter.h"
#include "exchange/ui/diagram_picture.h"
#include "params/comment_file.h"
#include "params/ui/rich_text_document.h"
#include "sheet/sheet_contents.h"

namespace kvx::sheet::ui {

namespace {

/// Text laid out at the sheet's 96 dots per inch, whatever screen the program runs on.
QPaintDevice& sheetResolution() {
    static QImage device = [] {
        QImage i(1, 1, QImage::Format_RGB32);
        i.setDotsPerMeterX(3780);  // 96 dpi
        i.setDotsPerMeterY(3780);
        return i;
    }();
    return device;
}

QFont sheetFont(int pixels, bool bold = false) {
    QFont f;
    f.setFamilies({"Arial", "Liberation Sans", "Nimbus Sans", "DejaVu Sans"});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QString html(const std::string& text) { return QString::fromStdString(text).toHtmlEscaped(); }

QString tableHtml(const Table& t) {
    QString out = QStringLiteral("<table border='1' cellspacing='0' cellpadding='2' width='100%'><thead><tr>");
    for (const std::string& h : t.header) out += QStringLiteral("<th align='left'>") + html(h) + "</th>";
    out += QStringLiteral("</tr></thead>");
    for (const auto& row : t.rows) {
        out += QStringLiteral("<tr>");
        for (const std::string& cell : row) out += QStringLiteral("<td>") + html(cell) + "</td>";
        out += QStringLiteral("</tr>");
    }
    return out + QStringLiteral("</table>");
}

QString fieldsHtml(const std::vector<Field>& fields) {
    QString out = QStringLiteral("<table cellspacing='0' cellpadding='2'>");
    for (const Field& f : fields)
        out += QStringLiteral("<tr><td style='padding-right:16px'>") + html(f.label) + QStringLiteral("</td><td>") + html(f.value) +
               QStringLiteral("</td></tr>");
    return out + QStringLiteral("</table>");
}

/// The first pages: heading, tables, algorithm settings and the comment with its formatting.
std::unique_ptr<QTextDocument> textPages(const model::TestDocument& doc, const SheetContents& c, QSizeF page) {
    auto text = std::make_unique<QTextDocument>();
    text->documentLayout()->setPaintDevice(&sheetResolution());
    QFont base = sheetFont(12);
    base.setPointSizeF(9);  // laid out at 96 dpi: 12 pixels
    text->setDefaultFont(base);
    text->setPageSize(page);
    QString body = QStringLiteral("<h2>") + html(c.title) + QStringLiteral("</h2>") + fieldsHtml(c.fields);
    body += QStringLiteral("<h3>Контакты</h3>") + tableHtml(c.pins);
    body += QStringLiteral("<h3>Слова Данных</h3>");
    body += c.words.rows.empty() ? QStringLiteral("<p>Нет</p>") : tableHtml(c.words);
    body += QStringLiteral("<h3>") + html(c.algorithmName) + QStringLiteral("</h3>") + fieldsHtml(c.algorithm);
    body += QStringLiteral("<h3>Комментарий к тесту</h3>");
    text->setHtml(body);

    QTextCursor end(text.get());
    end.movePosition(QTextCursor::End);
    // The comment starts in a plain paragraph, not in the heading's format.
    const QTextBlockFormat plainBlock;
    QTextCharFormat plain;
    plain.setFont(base);
    const params::CommentRead comment = doc.fileName().empty()
                                            ? params::CommentRead{}
                                            : params::readCommentFile(params::commentFilePath(doc.fileName()));
    if (!comment.error.empty()) {
        end.insertBlock(plainBlock, plain);
        end.insertText(QString::fromStdString(comment.error), plain);
    } else if (comment.exists && !comment.text.empty()) {
        QTextDocument rich;
        rich.setDefaultFont(base);
        params::ui::fillDocument(rich, comment.text);
        end.insertBlock(plainBlock, plain);
        end.insertFragment(QTextDocumentFragment(&rich));
    } else {
        end.insertBlock(plainBlock, plain);
        end.insertText(QStringLiteral("Нет"), plain);
    }
    return text;
}

std::string today() { return QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")).toStdString(); }

TactRange wholeOr(TactRange r, int tactCount) {
    if (r.count() == 0) return {1, tactCount};
    return {std::max(1, r.first), std::min(tactCount, r.last)};
}

}  // namespace

TestSheet::TestSheet(const model::TestDocument& doc, const SheetOptions& options, QSizeF content)
    : doc_(doc),
      view_(options.view),
      tacts_(wholeOr(options.tacts, doc.tactCount())),
      content_(content),
      diagram_(static_cast<int>(content.width()), static_cast<int>(content.height()) - kPageHeadHeight,
               diagram::displayRowTotal(doc), tacts_, kSheetCellWidth, options.view.rowHeight) {
    view_.cellWidth = kSheetCellWidth;
    view_.wordLanes = false;  // the page bands hold the signal rows only
    view_.currentColumn = view_.currentScreenRow = view_.currentRow = 0;
    const SheetContents c = sheetContents(doc, options.date.empty() ? today() : options.date, tacts_.first, tacts_.last);
    text_ = textPages(doc, c, QSizeF(content.width(), content.height() - kPageHeadHeight));
    textPages_ = std::max(1, text_->pageCount());
}

void TestSheet::paintHead(QPainter& p, long long index) const {
    p.setFont(sheetFont(12));
    p.setPen(Qt::black);
    const QFontMetrics fm(p.font());
    const int w = static_cast<int>(content_.width());
    const QString label = QString::fromStdString(pageLabel(index + 1, pageCount()));
    const int labelWidth = fm.horizontalAdvance(label);
    QString name = QString::fromStdString(doc_.testName());
    if (!doc_.fileName().empty()) name += QStringLiteral("   ") + QFileInfo(QString::fromStdString(doc_.fileName())).fileName();
    name = fm.elidedText(name, Qt::ElideRight, std::max(0, w - labelWidth - 12));
    p.drawText(QRect(0, 0, w - labelWidth - 12, kPageHeadHeight - 6), Qt::AlignLeft | Qt::AlignVCenter, name);
    p.drawText(QRect(w - labelWidth - 1, 0, labelWidth + 1, kPageHeadHeight - 6), Qt::AlignLeft | Qt::AlignVCenter,
               label);
    p.fillRect(0, kPageHeadHeight - 4, w, 1, Qt::black);
}

void TestSheet::paintPage(QPainter& p, long long index) const {
    p.save();
    paintHead(p, index);
    p.translate(0, kPageHeadHeight);
    const QSizeF area(content_.width(), content_.height() - kPageHeadHeight);
    if (index < textPages_) {
        const qreal top = static_cast<qreal>(index) * area.height();
        p.translate(0, -top);
        text_->drawContents(&p, QRectF(QPointF(0, top), area));
    } else {
        const long long firstBand = (index - textPages_) * diagram_.bandsPerPage();
        const long long lastBand = std::min(diagram_.bandCount(), firstBand + diagram_.bandsPerPage()) - 1;
        for (long long b = firstBand; b <= lastBand; ++b) {
            const DiagramBand band = diagram_.band(b);
            exchange::ui::PictureArea a;
            a.view = view_;
            a.view.tactOffset = band.firstTact - 1;
            a.view.rowOffset = band.firstRow - 1;
            const int tacts = band.lastTact - band.firstTact + 1;
            const int rows = std::max(0, band.lastRow - band.firstRow + 1);
            a.canvas = QSize(diagram::kFirstCellX + tacts * view_.cellWidth + 1, rows * view_.rowHeight + 1);
            // Only the tacts and rows of this band are drawn; the rest of the test is not visited.
            a.options.horizontalBarShown = true;
            a.options.verticalBarShown = true;
            a.options.buttonFace = QColor(0xF0, 0xF0, 0xF0);
            p.save();
            p.translate(0, static_cast<qreal>(b - firstBand) * (diagram_.bandHeight() + DiagramPages::kBandGap));
            exchange::ui::paintPicture(p, doc_, a);
            p.restore();
        }
    }
    p.restore();
}

QSizeF contentSize(const QPagedPaintDevice& device) {
    const QRectF mm = device.pageLayout().paintRect(QPageLayout::Millimeter);
    return QSizeF(sheetPixels(mm.width()), sheetPixels(mm.height()));
}

namespace {

QPageLayout pageLayout(const PageFormat& format) {
    return QPageLayout(QPageSize(format.paper == Paper::A3 ? QPageSize::A3 : QPageSize::A4),
                       format.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
}

}  // namespace

TestSheet layoutFor(const model::TestDocument& doc, const SheetOptions& options, const PageFormat& format) {
    const QRectF mm = pageLayout(format).paintRect(QPageLayout::Millimeter);
    return TestSheet(doc, options, QSizeF(sheetPixels(mm.width()), sheetPixels(mm.height())));
}

std::string paintSheet(QPagedPaintDevice& device, const TestSheet& sheet, long long first, long long last) {
    first = std::max(1LL, first);
    last = std::min(sheet.pageCount(), last);
    QPainter p;
    if (!p.begin(&device)) return "Не удалось начать печать";
    const qreal scale = device.logicalDpiX() / static_cast<qreal>(kSheetDpi);
    for (long long page = first; page <= last; ++page) {
        if (page > first && !device.newPage()) return "Не удалось начать новую страницу";
        p.save();
        p.scale(scale, device.logicalDpiY() / static_cast<qreal>(kSheetDpi));
        sheet.paintPage(p, page - 1);
        p.restore();
    }
    if (!p.end()) return "Не удалось закончить печать";
    return {};
}

std::string writeSheetPdf(const std::string& path, const model::TestDocument& doc, const SheetOptions& options,
                          const PageFormat& format) {
    const std::string failed = "Не удалось записать файл " + path;
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) return failed;
    {
        QPdfWriter pdf(&file);
        pdf.setPageLayout(pageLayout(format));
        pdf.setResolution(600);
        pdf.setCreator(QStringLiteral("Редактор KVX"));
        pdf.setTitle(QString::fromStdString(doc.testName()));
        const TestSheet sheet(doc, options, contentSize(pdf));
        const std::string error = paintSheet(pdf, sheet, 1, sheet.pageCount());
        if (!error.empty()) {
            file.cancelWriting();
            return error;
        }
    }
    if (!file.commit()) return failed;
    return {};
}

}  // namespace kvx::sheet::ui
