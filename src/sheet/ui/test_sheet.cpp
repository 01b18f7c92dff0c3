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
#include <QRegularExpression>
#include <QTextBlock>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextCursor>
#include <QTextLayout>
#include <cmath>
#include <QTextDocumentFragment>

#include "diagram/ui/diagram_painter.h"
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

/// A paragraph that starts with a list mark and a tab (as word processors write the items of a
/// list, often with the mark in a symbol font) becomes a list item: a bullet of the text's own
/// font, hanging in front of the indented text.
void listsAsLists(QTextDocument& doc) {
    static const QString marks = QStringLiteral("\u00B7\u2022\u25AA\u25CF\u25E6-\u2013\u2014o\u00A7\u00D8\u00FC\u00A8");
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QString t = b.text();
        int tab = t.indexOf(QLatin1Char('\t'));
        if (tab < 1 || tab > 4) continue;
        const QString mark = t.left(tab).trimmed();
        const bool bullet = mark.size() == 1 && marks.contains(mark[0]);
        static const QRegularExpression number(QStringLiteral("^(\\d{1,3}|[a-zA-Zа-яА-Я])[.)]$"));
        if (!bullet && !number.match(mark).hasMatch()) continue;
        // The mark takes the format of the item's text, in the text's own font.
        QTextCursor after(b);
        after.setPosition(b.position() + std::min<int>(tab + 2, t.size()));
        QTextCharFormat f = after.charFormat();
        f.setFontFamilies(doc.defaultFont().families());
        QTextCursor c(b);
        c.setPosition(b.position() + tab + 1, QTextCursor::KeepAnchor);
        c.insertText((bullet ? QStringLiteral("\u2022") : mark) + QLatin1Char('\t'), f);
        QTextBlockFormat bf = b.blockFormat();
        bf.setLeftMargin(24);
        bf.setTextIndent(-16);
        bf.setTabPositions({QTextOption::Tab(24, QTextOption::LeftTab)});  // the text after the mark
        c.setBlockFormat(bf);
    }
}

/// The layout draws a paragraph's line before the first one it was asked for: a paragraph
/// (or a table cell's) that runs over a page break would leave a copy of its last line on the
/// first page in the PDF's text, hidden under the next page's head. Such a paragraph is split
/// where the page breaks, so that each part lies on one page.
void splitAtPageBreaks(QTextDocument& doc) {
    const qreal page = doc.pageSize().height();
    if (page <= 0) return;
    QAbstractTextDocumentLayout* layout = doc.documentLayout();
    auto pageOf = [page](qreal y) { return static_cast<long long>(std::floor(y / page)); };
    for (int round = 0; round < 1000; ++round) {
        bool split = false;
        for (QTextBlock b = doc.begin(); b.isValid() && !split; b = b.next()) {
            const QTextLayout* lines = b.layout();
            if (!lines || lines->lineCount() < 2) continue;
            const qreal origin = layout->blockBoundingRect(b).top() - lines->boundingRect().top();
            const long long first = pageOf(origin + lines->lineAt(0).y() + 1);
            for (int i = 1; i < lines->lineCount(); ++i) {
                if (pageOf(origin + lines->lineAt(i).y() + 1) == first) continue;
                QTextCursor at(b);
                at.setPosition(b.position() + lines->lineAt(i).textStart());
                at.insertBlock();
                split = true;
                break;
            }
        }
        if (!split) return;
    }
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
    // A comment file that is the test file itself (a test named *.txt, a link) is no comment.
    const std::string commentFile = doc.fileName().empty() ? std::string() : params::commentFilePath(doc.fileName());
    const params::CommentRead comment = commentFile.empty() || !params::commentFileClash(commentFile, doc.fileName()).empty()
                                            ? params::CommentRead{}
                                            : params::readCommentFile(commentFile);
    if (!comment.error.empty()) {
        end.insertBlock(plainBlock, plain);
        end.insertText(QString::fromStdString(comment.error), plain);
    } else if (comment.exists && !comment.text.empty()) {
        QTextDocument rich;
        rich.setDefaultFont(base);
        params::ui::fillDocument(rich, comment.text);
        listsAsLists(rich);
        end.insertBlock(plainBlock, plain);
        end.insertFragment(QTextDocumentFragment(&rich));
    } else {
        end.insertBlock(plainBlock, plain);
        end.insertText(QStringLiteral("Нет"), plain);
    }
    splitAtPageBreaks(*text);
    return text;
}

std::string today() { return QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")).toStdString(); }

TactRange wholeOr(TactRange r, int tactCount) {
    if (r.count() == 0) return {1, tactCount};
    return {std::max(1, r.first), std::min(tactCount, r.last)};
}

}  // namespace

namespace {

QFont pinFont() { return sheetFont(9); }

QFont rulerFont() {
    QFont f;
    f.setFamilies({"Courier New", "Liberation Mono", "Nimbus Mono PS", "DejaVu Sans Mono"});
    f.setStyleHint(QFont::TypeWriter);
    f.setPixelSize(9);
    return f;
}

const QColor kGrid(0xC8, 0xC8, 0xC8);
const QColor kHeavyGrid(0x70, 0x70, 0x70);
const QColor kStrip(0xF0, 0xF0, 0xF0);

PinColumns measureColumns(const model::TestDocument& doc) {
    const QFontMetrics fm(pinFont(), &sheetResolution());
    const QFontMetrics caption(sheetFont(10, true), &sheetResolution());
    int number = caption.horizontalAdvance(QStringLiteral("№"));
    int type = caption.horizontalAdvance(QStringLiteral("Тип"));
    int name = caption.horizontalAdvance(QStringLiteral("Имя"));
    const int test = doc.currentTest();
    for (int i = 1; i <= diagram::displayRowTotal(doc); ++i) {
        const int row = doc.signalRow(test, i);
        if (row < 1 || row > model::kMaxRow) continue;
        number = std::max(number, fm.horizontalAdvance(QString::fromStdString(doc.pin(doc.signalEntry(test, i).pin).numberLabel)));
        type = std::max(type, fm.horizontalAdvance(QString::fromStdString(doc.pin(row).pinType)));
        name = std::max(name, fm.horizontalAdvance(QString::fromStdString(doc.pin(diagram::pinOfRow(row)).pinName)));
    }
    return {number + 8, type + 8, std::min(kMaxNameColumn, name + 8)};
}

}  // namespace

TestSheet::TestSheet(const model::TestDocument& doc, const SheetOptions& options, QSizeF content)
    : doc_(doc),
      view_(options.view),
      tacts_(wholeOr(options.tacts, doc.tactCount())),
      content_(content),
      columns_(measureColumns(doc)),
      diagram_(static_cast<int>(content.width()), static_cast<int>(content.height()) - kPageHeadHeight,
               diagram::displayRowTotal(doc), tacts_, geometry()) {
    // The sheet's own scale, whatever the screen's zoom.
    view_.cellWidth = kSheetCellWidth;
    view_.rowHeight = kSheetRowHeight;
    view_.tactOffset = view_.rowOffset = 0;
    view_.wordLanes = false;  // the page bands hold the signal rows only
    view_.currentColumn = view_.currentScreenRow = view_.currentRow = 0;
    const SheetContents c = sheetContents(doc, options.date.empty() ? today() : options.date, tacts_.first, tacts_.last);
    text_ = textPages(doc, c, QSizeF(content.width(), content.height() - kPageHeadHeight));
    textPages_ = std::max(1, text_->pageCount());
}

BandGeometry TestSheet::geometry() const {
    BandGeometry g;
    g.firstCellX = columns_.firstCellX();
    return g;
}

long long TestSheet::pagesFor(TactRange range) const {
    return textPages_ + DiagramPages(static_cast<int>(content_.width()),
                                     static_cast<int>(content_.height()) - kPageHeadHeight,
                                     diagram::displayRowTotal(doc_), range, geometry())
                            .count();
}

void TestSheet::paintHead(QPainter& p, long long index) const {
    p.setFont(sheetFont(12));
    p.setPen(Qt::black);
    const QFontMetrics fm(p.font());
    const int w = static_cast<int>(content_.width());
    QString label = QString::fromStdString(pageLabel(index + 1, pageCount()));
    if (index >= textPages_)
        label = QString::fromStdString(tactsHeading(diagram_.tactsOf(index - textPages_))) + QStringLiteral("    ") + label;
    const int labelWidth = fm.horizontalAdvance(label);
    QString name = QString::fromStdString(doc_.testName());
    if (!doc_.fileName().empty()) name += QStringLiteral("   ") + QFileInfo(QString::fromStdString(doc_.fileName())).fileName();
    name = fm.elidedText(name, Qt::ElideRight, std::max(0, w - labelWidth - 12));
    p.drawText(QRect(0, 0, w - labelWidth - 12, kPageHeadHeight - 6), Qt::AlignLeft | Qt::AlignVCenter, name);
    p.drawText(QRect(w - labelWidth - 1, 0, labelWidth + 1, kPageHeadHeight - 6), Qt::AlignLeft | Qt::AlignVCenter,
               label);
    p.fillRect(0, kPageHeadHeight - 4, w, 1, Qt::black);
}

void TestSheet::paintLegend(QPainter& p) const {
    // Two lines: the level drawings, then the row kinds in their colours.
    const int line = kLegendHeight / 2 - 1;
    p.setFont(pinFont());
    const QFontMetrics fm(p.font());
    const QColor input = diagram::toQColor(view_.inputColour);
    const QColor output = diagram::toQColor(view_.outputColour);
    int x = 0;
    auto text = [&](const QString& t, const QColor& c, int y) {
        p.setPen(c);
        p.drawText(QRect(x, y, fm.horizontalAdvance(t) + 1, line), Qt::AlignLeft | Qt::AlignVCenter, t);
        x += fm.horizontalAdvance(t);
    };
    const diagram::LevelGeometry g = diagram::levelGeometry(view_);
    const int sample = 3 * kSheetCellWidth;
    auto level = [&](int offset, const QColor& c, const QString& meaning) {
        const int y = (line - kSheetRowHeight) / 2 + offset;
        p.fillRect(x, y - g.penWidth / 2, sample, g.penWidth, c);
        x += sample + 4;
        text(meaning, Qt::black, 0);
        x += 16;
    };
    text(QStringLiteral("Уровни: "), Qt::black, 0);
    level(g.highOffset, input, QStringLiteral("1"));
    level(g.lowOffset, input, QStringLiteral("0"));
    level(g.inactiveOffset, diagram::toQColor(view_.inactiveColour), QStringLiteral("неактивный (x)"));
    x = 0;
    const int y2 = line + 1;
    text(QStringLiteral("Строки: "), Qt::black, y2);
    const struct {
        const char* type;
        QColor colour;
        const char* meaning;
    } kinds[] = {{"I", input, " вход,  "},
                 {"I/O", input, " двунаправленный вывод (вход),  "},
                 {"O", output, " выход,  "},
                 {"O/i", output, " выход двунаправленного вывода,  "},
                 {"O=F(c)", diagram::toQColor(view_.functionColour), " выход по формуле"}};
    for (const auto& k : kinds) {
        text(QString::fromUtf8(k.type), k.colour, y2);
        text(QString::fromUtf8(k.meaning), Qt::black, y2);
    }
}

void TestSheet::paintBand(QPainter& p, const DiagramBand& band) const {
    const int w = kSheetCellWidth;
    const int h = kSheetRowHeight;
    const int head = kSheetRulerHeight;
    const int tacts = band.lastTact - band.firstTact + 1;
    const int rows = std::max(0, band.lastRow - band.firstRow + 1);
    const int x1 = columns_.number, x2 = x1 + columns_.type, x3 = columns_.lineX();
    const int cells = columns_.firstCellX();
    const int right = cells + tacts * w;  // the closing line
    const int bottom = head + rows * h;
    const QColor black(Qt::black);

    // The header strip: captions over the pin column, the ruler over the cells.
    p.fillRect(0, 0, right + 1, head, kStrip);
    p.setFont(sheetFont(10, true));
    p.setPen(black);
    const int left[] = {0, x1, x2, x3};
    const char* captions[] = {"№", "Тип", "Имя"};
    for (int i = 0; i < 3; ++i)
        p.drawText(QRect(left[i], 0, left[i + 1] - left[i], head), Qt::AlignCenter, QString::fromUtf8(captions[i]));
    p.setFont(rulerFont());
    const QFontMetrics rfm(p.font());
    const int duration = view_.timeOnRuler ? doc_.testParameters().effectiveTactDuration() : 0;
    for (const SheetRulerLabel& l : sheetRulerLabels(band, w, rfm.horizontalAdvance(QLatin1Char('0')), duration)) {
        const QString t = QString::fromStdString(l.text);
        p.drawText(QRect(cells + l.x, 0, rfm.horizontalAdvance(t) + 1, head - 4), Qt::AlignLeft | Qt::AlignVCenter, t);
        p.fillRect(cells + (l.tact - band.firstTact) * w, head - 4, 1, 4, black);
    }

    // The cells: grid with a heavier line every tenth tact, then the levels.
    p.fillRect(cells, head, tacts * w, rows * h, diagram::toQColor(view_.backgroundColour));
    for (int i = 1; i < rows; ++i) p.fillRect(cells, head + i * h, tacts * w, 1, kGrid);
    for (int i = 1; i < tacts; ++i) {
        const bool heavy = (band.firstTact + i - 1) % kHeavyGridStep == 0;
        p.fillRect(cells + i * w, head, 1, rows * h, heavy ? kHeavyGrid : kGrid);
    }
    p.save();
    p.setClipRect(QRect(cells, head, tacts * w, rows * h));
    // The diagram's routine draws from the screen's pin column line on.
    p.translate(x3 - diagram::kPinColumnRight, head);
    for (int r = band.firstRow; r <= band.lastRow; ++r)
        diagram::paintWaveformRow(p, doc_, view_, r, band.firstTact, band.lastTact, (r - band.firstRow) * h);
    p.restore();

    // The pin column: number, type (red for a function row without a formula) and name, cut
    // with "…" when longer than the column.
    p.fillRect(0, head, x3, rows * h, Qt::white);
    p.setFont(pinFont());
    const QFontMetrics fm(p.font());
    const int test = doc_.currentTest();
    for (int r = band.firstRow; r <= band.lastRow; ++r) {
        const int top = head + (r - band.firstRow) * h;
        const int row = doc_.signalRow(test, r);
        if (row < 1 || row > model::kMaxRow) continue;
        p.setPen(black);
        p.drawText(QRect(0, top, x1, h), Qt::AlignCenter,
                   QString::fromStdString(doc_.pin(doc_.signalEntry(test, r).pin).numberLabel));
        p.setPen(diagram::typeShownInRed(doc_, row) ? QColor(0xFF, 0, 0) : black);
        p.drawText(QRect(x1, top, columns_.type, h), Qt::AlignCenter, QString::fromStdString(doc_.pin(row).pinType));
        p.setPen(black);
        const QString name = QString::fromStdString(doc_.pin(diagram::pinOfRow(row)).pinName);
        p.drawText(QRect(x2 + 4, top, columns_.name - 6, h), Qt::AlignLeft | Qt::AlignVCenter,
                   fm.elidedText(name, Qt::ElideRight, columns_.name - 6));
    }
    for (int i = 0; i <= rows; ++i) p.fillRect(0, head + i * h, x3, 1, black);
    for (int x : {0, x1, x2, x3, right}) p.fillRect(x, 0, 1, bottom + 1, black);
    p.fillRect(0, 0, right + 1, 1, black);
    p.fillRect(x3, head, right - x3 + 1, 1, black);
    p.fillRect(x3, bottom, right - x3 + 1, 1, black);
}

void TestSheet::paintPage(QPainter& p, long long index) const {
    p.save();
    paintHead(p, index);
    p.translate(0, kPageHeadHeight);
    const QSizeF area(content_.width(), content_.height() - kPageHeadHeight);
    if (index < textPages_) {
        const qreal top = static_cast<qreal>(index) * area.height();
        p.translate(0, -top);
        p.setClipRect(QRectF(QPointF(0, top), area));
        // The layout draws every line that touches its clip: a line that ends on the page
        // break would be drawn on the next page too, hidden by the painter's clip but still
        // in the PDF's text. Lines are drawn only on the page they lie on.
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = QRectF(0, top + 1, area.width(), area.height() - 2);
        context.palette.setColor(QPalette::Text, Qt::black);
        text_->documentLayout()->draw(&p, context);
    } else {
        const long long page = index - textPages_;
        if (page == 0) {
            paintLegend(p);
            p.translate(0, kLegendHeight);
        }
        const auto [first, last] = diagram_.bandsOf(page);
        for (long long b = first; b < last; ++b) {
            p.save();
            p.translate(0, static_cast<qreal>(b - first) * (diagram_.bandHeight() + DiagramPages::kBandGap));
            paintBand(p, diagram_.band(b));
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

std::string paintSheet(QPagedPaintDevice& device, const TestSheet& sheet, long long first, long long last,
                       const SheetProgress& progress) {
    first = std::max(1LL, first);
    last = std::min(sheet.pageCount(), last);
    QPainter p;
    if (!p.begin(&device)) return "Не удалось начать печать";
    const qreal scale = device.logicalDpiX() / static_cast<qreal>(kSheetDpi);
    for (long long page = first; page <= last; ++page) {
        if (progress && !progress(page - first, last - first + 1)) {
            p.end();
            return kSheetCancelled;
        }
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
                          const PageFormat& format, const SheetProgress& progress) {
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
        const std::string error = paintSheet(pdf, sheet, 1, sheet.pageCount(), progress);
        if (!error.empty()) {
            file.cancelWriting();
            return error;
        }
    }
    if (!file.commit()) return failed;
    return {};
}

}  // namespace kvx::sheet::ui
