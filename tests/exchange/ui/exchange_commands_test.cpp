#include <gtest/gtest.h>

#include <algorithm>

#include <QComboBox>
#include <QFontMetrics>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QWheelEvent>
#include <QXmlStreamReader>
#include <QtMath>
#include <filesystem>
#include <fstream>
#include <map>

#include "../../app/ui/tbf_fixture.h"
#include "../../platform/ordinary_user.h"
#include "../../tool/run_command.h"
#include "app/ui/command_line.h"
#include "exchange/ui/diagram_picture.h"
#include "exchange/ui/exchange_commands.h"
#include "exchange/ui/svg_writer.h"
#include "exchange/ui/vcd_import_dialog.h"
#include "exchange/vcd_import.h"

using namespace kvx;
using kvx::exchange::ui::ExchangeCommands;
using kvx::exchange::ui::TFVcdImport;

namespace {

const char* kTraces =
    "$timescale 1us $end\n$scope module tb $end\n"
    "$var wire 1 ! P1_CLK $end\n$var wire 1 \" other $end\n$var wire 2 # bus [1:0] $end\n"
    "$upscope $end\n$enddefinitions $end\n"
    "#0\n0!\n1\"\nb10 #\n#2\n1!\n#4\n0!\nb01 #\n#6\n1!\n#8\n";

/// 16 vectors tb.q0..q15 of 65,536 bits (a million declared bits) and tb.P1_CLK. Bit k of q7 is
/// bit t of k from time 2t us on; the other vectors stay unknown.
std::string wideTraces() {
    std::string s = "$timescale 1us $end\n$scope module tb $end\n$var wire 1 ! P1_CLK $end\n";
    for (int v = 0; v < 16; ++v)
        s += "$var wire 65536 " + std::string(1, static_cast<char>('A' + v)) + " q" + std::to_string(v) + " [65535:0] $end\n";
    s += "$upscope $end\n$enddefinitions $end\n";
    for (int t = 0; t < 4; ++t) {
        s += "#" + std::to_string(2 * t) + "\n" + "01"[t % 2] + "!\nb";
        for (int k = 65535; k >= 0; --k) s += "01"[(k >> t) & 1];
        s += " H\n";
    }
    return s + "#8\n";
}

/// Resident memory of the process in MiB (0 where the system does not say).
long residentMiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6)) / 1024;
    return 0;
}

/// The SVG file drawn at `size` pixels by librsvg's rsvg-convert (an empty image when it
/// refuses the file).
QImage rasterised(const std::string& svg, QSize size) {
    const std::string png = svg + ".rsvg.png";
    if (kvx::testing::runCommand("rsvg-convert -w " + std::to_string(size.width()) + " -h " +
                                 std::to_string(size.height()) + " -o '" + png + "' '" + svg + "'") != 0)
        return {};
    return QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_RGB32);
}

/// What an XML reader finds in an SVG picture: its frame, every text with the box its font
/// gives it, and the boxes of the slanted lines among its paths.
struct SvgContents {
    QString error;  ///< the reader's complaint; empty for well-formed XML
    QString width, height, viewBox, title, desc;
    QStringList texts;
    std::vector<QRect> textBoxes, slantBoxes;
};

SvgContents readSvg(const QByteArray& bytes) {
    SvgContents c;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == QLatin1String("svg")) {
            c.width = a.value("width").toString();
            c.height = a.value("height").toString();
            c.viewBox = a.value("viewBox").toString();
        } else if (xml.name() == QLatin1String("title")) {
            c.title = xml.readElementText();
        } else if (xml.name() == QLatin1String("desc")) {
            c.desc = xml.readElementText();
        } else if (xml.name() == QLatin1String("text")) {
            QFont font;
            QStringList families;
            for (QString f : a.value("font-family").toString().split(QLatin1Char(',')))
                families << f.remove(QLatin1Char('\'')).trimmed();
            font.setFamilies(families);
            font.setPixelSize(qRound(a.value("font-size").toDouble()));
            if (a.hasAttribute("font-weight")) font.setWeight(QFont::Weight(a.value("font-weight").toInt()));
            const QPointF at(a.value("x").toDouble(), a.value("y").toDouble());
            const QString text = xml.readElementText();
            const QFontMetrics fm(font);
            c.texts << text;
            c.textBoxes.push_back(QRect(qFloor(at.x()) - 1, qFloor(at.y()) - fm.ascent() - 1,
                                        fm.horizontalAdvance(text) + 3, fm.height() + 2));
        } else if (xml.name() == QLatin1String("path")) {
            const QStringList steps = a.value("d").toString().split(QRegularExpression("(?=[A-Za-z])"), Qt::SkipEmptyParts);
            QPointF last;
            for (const QString& step : steps) {
                const QStringList xy = step.mid(1).split(QLatin1Char(' '));
                if (xy.size() != 2) continue;
                const QPointF p(xy[0].toDouble(), xy[1].toDouble());
                if (step[0] == QLatin1Char('L') && p.x() != last.x() && p.y() != last.y())
                    c.slantBoxes.push_back(QRectF(last, p).normalized().toAlignedRect().adjusted(-1, -1, 1, 1));
                last = p;
            }
        }
    }
    if (xml.hasError()) c.error = xml.errorString() + " at line " + QString::number(xml.lineNumber());
    return c;
}

bool alike(QRgb p, QRgb q) {
    return std::abs(qRed(p) - qRed(q)) <= 8 && std::abs(qGreen(p) - qGreen(q)) <= 8 && std::abs(qBlue(p) - qBlue(q)) <= 8;
}

/// Pixels of `a` and `b` that differ outside the text boxes. On a slanted line, where two
/// rasterisers choose their pixels a little differently, a pixel counts only when no pixel
/// within two of it in the other picture has its colour.
int differingPixels(const QImage& a, const QImage& b, const SvgContents& svg) {
    auto in = [](const std::vector<QRect>& boxes, int x, int y) {
        return std::any_of(boxes.begin(), boxes.end(), [&](const QRect& r) { return r.contains(x, y); });
    };
    auto matchedNearby = [](const QImage& from, const QImage& to, int x, int y) {
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (to.rect().contains(x + dx, y + dy) && alike(from.pixel(x, y), to.pixel(x + dx, y + dy))) return true;
        return false;
    };
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (alike(a.pixel(x, y), b.pixel(x, y)) || in(svg.textBoxes, x, y)) continue;
            differing += !in(svg.slantBoxes, x, y) || !matchedNearby(a, b, x, y) || !matchedNearby(b, a, x, y);
        }
    return differing;
}

/// The ink of a text box: how far its pixels are from the box's most common colour in `a`,
/// summed per channel, and where its middle lies. Glyphs smoothed a little differently have
/// about the same ink in the same place.
struct Ink {
    double channel[3] = {0, 0, 0};
    QPointF middle;
};

std::pair<Ink, Ink> inkOf(const QImage& a, const QImage& b, QRect box) {
    box &= a.rect();
    std::map<QRgb, int> counts;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x) ++counts[a.pixel(x, y)];
    const QRgb paper = std::max_element(counts.begin(), counts.end(), [](auto& l, auto& r) { return l.second < r.second; })->first;
    auto ink = [&](const QImage& img) {
        Ink k;
        double total = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x) {
                const QRgb p = img.pixel(x, y);
                const int d[3] = {std::abs(qRed(p) - qRed(paper)), std::abs(qGreen(p) - qGreen(paper)),
                                  std::abs(qBlue(p) - qBlue(paper))};
                for (int i = 0; i < 3; ++i) k.channel[i] += d[i];
                total += d[0] + d[1] + d[2];
                k.middle += QPointF(x, y) * (d[0] + d[1] + d[2]);
            }
        if (total > 0) k.middle /= total;
        return k;
    };
    return {ink(a), ink(b)};
}

class ExchangeCommandsTest : public kvx::testing::TbfFixture {
protected:
    ExchangeCommands& commands() { return *tbf().findChild<ExchangeCommands*>(); }
    QAction* action(const char* name) { return tbf().findChild<QAction*>(QString::fromLatin1(name)); }
    /// A shown DIP8 test whose pin 1 is CLK, 26 tacts of 2 us, saved.
    void showTest() {
        tbf().newFile();
        doc().setPinName(1, "CLK");
        doc().setSaved(true);
    }
};

}  // namespace

TEST_F(ExchangeCommandsTest, TheSubmenusStandBetweenTheSaveCommandsAndTheRecentFiles) {
    QMenu* file = tbf().findChild<QMenu*>(QStringLiteral("fileMenu"));
    ASSERT_TRUE(file);
    QStringList texts;
    for (QAction* a : file->actions())
        if (!a->isSeparator() && a->isVisible()) texts << a->text();
    const qsizetype saveAs = texts.indexOf(QStringLiteral("&Сохранить как..."));
    ASSERT_GE(saveAs, 0);
    EXPECT_EQ(texts.mid(saveAs + 1, 3), (QStringList{"Печать...", "Экспорт", "Импорт"}));
    EXPECT_EQ(action("printSheet")->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
    // With recent files listed, they come after the exchange submenus and before "&Выход".
    QList<QAction*> all = file->actions();
    const auto at = [&](const QString& text) {
        return std::find_if(all.begin(), all.end(), [&](QAction* a) { return a->text() == text; }) - all.begin();
    };
    EXPECT_LT(at(QStringLiteral("Импорт")), all.indexOf(tbf().actions().recent.front()));
    EXPECT_LT(all.indexOf(tbf().actions().recent.back()), at(QStringLiteral("&Выход")));
    auto items = [&](const char* menu) {
        QStringList out;
        for (QAction* a : tbf().findChild<QMenu*>(QString::fromLatin1(menu))->actions()) out << a->text();
        return out;
    };
    EXPECT_EQ(items("exportMenu"), (QStringList{"VCD...", "WaveJSON...", "Рисунок...", "Векторы...", "Лист теста (PDF)..."}));
    EXPECT_EQ(items("importMenu"), (QStringList{"VCD...", "Векторы..."}));

    // Before a test is shown every command does nothing (no dialog is asked for).
    for (const char* name : {"exportVcd", "exportWaveJson", "exportPicture", "importVcd", "printSheet", "exportSheet"})
        action(name)->trigger();
    EXPECT_TRUE(prompter.dialogs.empty());
}

TEST_F(ExchangeCommandsTest, ImportMapsTheChosenSignalsAndRefusesBadFilesWithoutChanges) {
    showTest();
    const std::string vcd = path("traces.vcd");
    writeBytes(vcd, kTraces);
    prompter.pickFile(vcd);
    bool dialogShown = false;
    commands().setDialogRunner([&](TFVcdImport& dialog) {
        dialogShown = true;
        // Pin 1 is preset from the exported name; pin 2 gets one bit of the bus by hand.
        EXPECT_EQ(dialog.chooser(0)->currentText(), "tb.P1_CLK");
        EXPECT_EQ(dialog.chooser(1)->currentText(), "—");
        dialog.chooser(1)->setCurrentText("tb.bus[1]");
        EXPECT_EQ(dialog.tactField()->text(), "2 мкс");
        EXPECT_EQ(dialog.offsetField()->value(), 100);
        return true;
    });
    action("importVcd")->trigger();
    ASSERT_TRUE(dialogShown);
    EXPECT_TRUE(prompter.errors().empty()) << prompter.errors().front();
    ASSERT_EQ(prompter.dialogs.back().kind, kvx::testing::ScriptedPrompter::Dialog::OpenOther);
    EXPECT_EQ(prompter.dialogs.back().filter, exchange::ui::kVcdFilter);
    EXPECT_EQ(doc().tactCount(), 4);
    EXPECT_EQ(tbf().tactCountField()->value(), 4);
    EXPECT_FALSE(doc().saved());
    const int clk[] = {0, 1, 0, 1}, bus1[] = {1, 1, 0, 0};
    for (int t = 1; t <= 4; ++t) {
        EXPECT_EQ(doc().getCell(0, 1, t), clk[t - 1]) << t;
        EXPECT_EQ(doc().getCell(0, 2, t), bus1[t - 1]) << t;
    }

    // A broken file: the message names the line, the test stays as it was.
    doc().setSaved(true);
    writeBytes(vcd, std::string(kTraces) + "#9\n1?\n");
    prompter.pickFile(vcd);
    commands().setDialogRunner([](TFVcdImport&) { return true; });
    action("importVcd")->trigger();
    ASSERT_EQ(prompter.errors().size(), 1u);
    EXPECT_EQ(prompter.errors()[0], "Ошибка в файле VCD, строка 21: неизвестный идентификатор сигнала «?»");
    EXPECT_TRUE(doc().saved());
    EXPECT_EQ(doc().tactCount(), 4);

    // A name that is not in a row's list (unknown, or of another width), then nothing chosen:
    // each is said, and the dialog comes back with the choices as they were until it is cancelled.
    struct Round {
        int row;
        const char* text;
        const char* message;
    } rounds[] = {{1, "tb.nosuch", "В списке для строки «2» нет сигнала «tb.nosuch»"},
                  {2, "tb.bus", "В списке для строки «3» нет сигнала «tb.bus»"},
                  {-1, "", "Не выбран ни один сигнал файла VCD"}};
    std::size_t round = 0;
    prompter.pickFile(vcd);
    writeBytes(vcd, kTraces);
    commands().setDialogRunner([&](TFVcdImport& dialog) {
        if (round > 0) {
            const Round& last = rounds[round - 1];
            EXPECT_EQ(prompter.errors().back(), last.message);
            if (last.row >= 0) {
                EXPECT_EQ(dialog.focusWidget(), dialog.chooser(last.row));
                EXPECT_EQ(dialog.chooser(last.row)->currentText(), last.text);  // kept for correcting
            }
        }
        if (round == std::size(rounds)) return false;
        const Round& r = rounds[round++];
        EXPECT_EQ(dialog.chooser(0)->currentText(), "tb.P1_CLK");
        for (int i = r.row < 0 ? 0 : 1; i < dialog.table()->rowCount(); ++i) dialog.chooser(i)->setCurrentIndex(0);
        if (r.row >= 0) dialog.chooser(r.row)->setCurrentText(r.text);
        return true;
    });
    action("importVcd")->trigger();
    EXPECT_EQ(round, std::size(rounds));
    EXPECT_TRUE(doc().saved());
}

TEST_F(ExchangeCommandsTest, AMillionDeclaredBitsOpenAtOnceAndTypingFindsOneOfThem) {
    showTest();
    const std::string vcd = path("wide.vcd");
    writeBytes(vcd, wideTraces());
    prompter.pickFile(vcd);
    const long before = residentMiB();
    bool dialogShown = false;
    commands().setDialogRunner([&](TFVcdImport& dialog) {
        if (dialogShown) return false;  // a failed import brings it back
        dialogShown = true;
        // Every pin row offers the same million bits: they are not copied row by row.
        EXPECT_LT(residentMiB() - before, 100);
        dialog.show();
        dialog.activateWindow();
        EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.isActiveWindow(); }, 2000));
        EXPECT_EQ(dialog.chooser(0)->currentText(), "tb.P1_CLK");
        QComboBox* box = dialog.chooser(1);
        if (!box->lineEdit()) {
            ADD_FAILURE() << "the chooser takes no typed text";
            return false;
        }
        QTest::mouseClick(box->lineEdit(), Qt::LeftButton);
        QTest::keyClicks(box, "Q7[40005");  // a part of the name, in any letter case
        QWidget* popup = QApplication::activePopupWidget();
        EXPECT_TRUE(popup && popup->isVisible());
        if (popup) {
            QTest::keyClick(popup, Qt::Key_Down);
            QTest::keyClick(popup, Qt::Key_Return);
        }
        EXPECT_EQ(box->currentText().toStdString(), "tb.q7[40005]");
        EXPECT_EQ(box->itemText(box->currentIndex()).toStdString(), "tb.q7[40005]");
        EXPECT_TRUE(dialog.isVisible());  // choosing from the list does not close the dialog
        // Tab goes on to the next row's chooser, ready for typing; Enter takes the first match.
        QTest::keyClick(box, Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), dialog.chooser(2));
        QTest::keyClicks(dialog.chooser(2), "p1_c");
        if ((popup = QApplication::activePopupWidget())) QTest::keyClick(popup, Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.chooser(2)->currentText().toStdString(), "tb.P1_CLK");
        // The wheel over a chooser without the focus scrolls the table; the choice stays.
        QComboBox* other = dialog.chooser(3);
        const QString chosen = other->currentText();
        QWheelEvent wheel(QPointF(5, 5), other->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(other, &wheel);
        EXPECT_EQ(other->currentText(), chosen);
        EXPECT_NE(QApplication::focusWidget(), other);
        return true;
    });
    action("importVcd")->trigger();
    ASSERT_TRUE(dialogShown);
    EXPECT_TRUE(prompter.errors().empty()) << prompter.errors().front();
    ASSERT_EQ(doc().tactCount(), 4);
    const int clk[] = {0, 1, 0, 1}, bit40005[] = {1, 0, 1, 0};  // 40005 = 0x9C45
    for (int t = 1; t <= 4; ++t) {
        EXPECT_EQ(doc().getCell(0, 1, t), clk[t - 1]) << t;
        EXPECT_EQ(doc().getCell(0, 2, t), bit40005[t - 1]) << t;
        EXPECT_EQ(doc().getCell(0, 3, t), clk[t - 1]) << t;
        EXPECT_EQ(doc().getCell(0, 5, t), model::kInactive) << t;
    }
}

TEST(VcdSignalList, OffersEveryBitUnderTheNameTheImportReadsInDeclarationOrder) {
    const std::string vcd =
        "$timescale 1us $end\n$scope module top $end\n"
        "$var wire 1 ! a $end\n$var wire 3 \" up [0:2] $end\n$var wire 2 # neg [-1:-2] $end\n"
        "$var real 1 $ r $end\n$var wire 1 % one [5] $end\n$var wire 2 & nr $end\n"
        "$var wire 1 ! a $end\n"  // the same signal seen twice
        "$upscope $end\n$var wire 1 ' a $end\n$var wire 2 ( bus [1:0] $end\n$enddefinitions $end\n"
        "#0\n0!\nb001 \"\nb10 #\nr1.5 $\n1%\nb01 &\n1'\nb10 (\n#2\n";
    exchange::VcdReader reader(nullptr);
    reader.feed(vcd);
    const auto header = std::make_shared<const exchange::VcdHeader>(reader.takeHeader());
    // Each bit with its level at tact 1 (bit 0 is the last digit of a value).
    struct Bit {
        const char* name;
        int level;
    } bits[] = {{"top.a", 0},   {"top.up[2]", 1},  {"top.up[1]", 0}, {"top.up[0]", 0}, {"top.neg[-2]", 0},
                {"top.neg[-1]", 1}, {"top.one[5]", 1}, {"top.nr[0]", 1}, {"top.nr[1]", 0}, {"top.a", 0},
                {"a", 1},       {"bus[0]", 0},     {"bus[1]", 1}};
    const exchange::ui::VcdSignalList one(header, 1);
    ASSERT_EQ(one.rowCount(), 1 + static_cast<int>(std::size(bits)));
    EXPECT_EQ(one.name(0), "—");
    std::vector<std::string> names;
    for (int row = 1; row < one.rowCount(); ++row) {
        const Bit& b = bits[row - 1];
        SCOPED_TRACE(b.name);
        EXPECT_EQ(one.name(row), b.name);
        EXPECT_EQ(one.data(one.index(row), Qt::DisplayRole).toString().toStdString(), b.name);
        names.push_back(b.name);
        model::TestDocument doc;
        const auto r = exchange::importVcdBytes(doc, vcd, {{b.name, {exchange::MapTarget::Kind::Pin, 1}, 0}}, {});
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(doc.getCell(0, 1, 1), b.level);
    }
    // Found again in one pass, the first row of a name twice declared; names not in the list are not.
    std::vector<int> expected;
    for (std::size_t k = 0; k < names.size(); ++k) expected.push_back(names[k] == "top.a" ? 1 : static_cast<int>(k) + 1);
    names.insert(names.end(), {"top.up[3]", "top.r", "top.nr", "top.a[0]", "—", "bus"});
    expected.insert(expected.end(), {-1, -1, -1, -1, 0, -1});
    EXPECT_EQ(one.rowsOf(names), expected);
    EXPECT_EQ(one.match(one.index(0), Qt::DisplayRole, QStringLiteral("top.neg[-1]"), 1, Qt::MatchExactly).value(0).row(), 6);
    EXPECT_EQ(one.match(one.index(0), Qt::DisplayRole, QStringLiteral("TOP.NR[1]"), 1, Qt::MatchFixedString).value(0).row(), 9);
    EXPECT_TRUE(one.match(one.index(0), Qt::DisplayRole, QStringLiteral("TOP.NR[1]"), 1,
                          Qt::MatchFixedString | Qt::MatchCaseSensitive).isEmpty());

    // Wider lists hold whole variables of their width only.
    const exchange::ui::VcdSignalList two(header, 2), three(header, 3);
    auto all = [](const exchange::ui::VcdSignalList& list) {
        std::vector<std::string> out;
        for (int row = 0; row < list.rowCount(); ++row) out.push_back(list.name(row));
        return out;
    };
    EXPECT_EQ(all(two), (std::vector<std::string>{"—", "top.neg", "top.nr", "bus"}));
    EXPECT_EQ(all(three), (std::vector<std::string>{"—", "top.up"}));
    EXPECT_EQ(two.rowsOf({"bus", "bus[0]"}), (std::vector<int>{3, -1}));

    // 257 vectors of 65,536 bits: the list of one bit stops short of 2^24 rows.
    std::string wide = "$scope module m $end\n";
    for (int v = 0; v < 257; ++v) wide += "$var wire 65536 v" + std::to_string(v) + " v" + std::to_string(v) + " $end\n";
    exchange::VcdReader wideReader(nullptr);
    wideReader.feed(wide + "$upscope $end\n$enddefinitions $end\n");
    const exchange::ui::VcdSignalList bitsOfWide(std::make_shared<const exchange::VcdHeader>(wideReader.takeHeader()), 1);
    EXPECT_EQ(bitsOfWide.rowCount(), 1 + 255 * 65536);
    EXPECT_EQ(bitsOfWide.omittedBits(), 2 * 65536);
    EXPECT_EQ(bitsOfWide.name(bitsOfWide.rowCount() - 1), "m.v254[65535]");
}

TEST_F(ExchangeCommandsTest, PicturesShowWhatTheScreenShows) {
    showTest();
    for (int t = 1; t <= 26; ++t) doc().setCell(0, 1, t, static_cast<model::CellLevel>(t % 3));
    tbf().resize(700, 400);
    tbf().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tbf()));
    tbf().refreshView();
    QCoreApplication::processEvents();
    const QImage screen = tbf().diagramArea()->canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);

    struct Case {
        const char* file;
        platform::Answer whole;
    } cases[] = {{"visible.png", platform::Answer::No}, {"visible.svg", platform::Answer::No},
                 {"whole.png", platform::Answer::Yes}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        prompter.pickFile(path(c.file));
        prompter.answer(c.whole);
        action("exportPicture")->trigger();
        ASSERT_TRUE(prompter.errors().empty()) << prompter.errors().front();
        QImage picture;
        if (QString(c.file).endsWith(".svg")) {
#ifdef _WIN32
            continue;  // librsvg, which draws the SVG picture for the comparison, is there on Linux only
#endif
            const QStringList box = readSvg(QByteArray::fromStdString(readAll(path(c.file)))).viewBox.split(' ');
            ASSERT_EQ(box.size(), 4);
            picture = rasterised(path(c.file), QSize(box[2].toInt(), box[3].toInt()));  // its own pixels
        } else {
            picture.load(QString::fromStdString(path(c.file)));
        }
        ASSERT_FALSE(picture.isNull());
        picture = picture.convertToFormat(QImage::Format_RGB32);
        const int height = std::min(screen.height(), doc().displayRowCount() * 21 + 1);
        if (c.whole == platform::Answer::Yes) {
            EXPECT_EQ(picture.size(), QSize(161 + 26 * 21 + 1, diagram::kHeaderHeight + 8 * 21 + 1));
        } else {
            EXPECT_EQ(picture.size(), QSize(screen.width(), diagram::kHeaderHeight + height));
        }
        // The cells below the header are the screen's pixels (the SVG rasteriser may differ at a
        // few glyph and line edges; the whole picture has no current cell).
        int differing = 0, compared = 0;
        for (int y = 0; y < height; ++y)
            for (int x = diagram::kFirstCellX + 22; x < std::min(screen.width(), picture.width()); ++x, ++compared)
                differing += screen.pixel(x, y) != picture.pixel(x, y + diagram::kHeaderHeight);
        EXPECT_LT(differing, compared / 100) << differing << " of " << compared;
    }
    // A whole diagram wider than a picture may be is refused with its own size, not the cut one.
    ASSERT_TRUE(doc().setTactCount(2000));
    prompter.pickFile(path("wide.png"));
    prompter.answer(platform::Answer::Yes);
    action("exportPicture")->trigger();
    ASSERT_EQ(prompter.errors().size(), 1u);
    EXPECT_EQ(prompter.errors().front().rfind("Рисунок " + std::to_string(161 + 2000 * 21 + 1) + "x", 0), 0u)
        << prompter.errors().front();
    tbf().hide();

    // A picture the user may not write is refused with the reason, and the file keeps its bytes.
    const exchange::ui::PictureArea area = exchange::ui::visiblePart(*tbf().diagramArea());
    kvx::testing::asOrdinaryUser(folder(), [&] {
        for (const char* name : {"kept.png", "kept.svg"}) {
            const std::string file = path(name);
            writeBytes(file, "old");
            std::filesystem::permissions(file, std::filesystem::perms::owner_read);
            EXPECT_EQ(exchange::ui::writePicture(doc(), area, file),
                      "Не удалось записать рисунок " + file + ": нет права на запись в файл");
            EXPECT_EQ(readAll(file), "old");
        }
    });
}

TEST_F(ExchangeCommandsTest, AnSvgPictureHasThePixelsOfThePngOfTheSameArea) {
#ifdef _WIN32
    GTEST_SKIP() << "librsvg draws the SVG pictures for the comparison on Linux";
#endif
    // Every kind of row: input, output, both rows of an I/O pin, function pins with and without
    // a formula (the type of the second in red), not connected, ground and supply; levels 0, 1
    // and inactive; a data word lane with undefined stretches; Cyrillic names and markup.
    model::TestDocument d;
    model::Package dip14;
    dip14.pinCount = 14;
    d.setPackage(dip14);
    d.setTestName("Проверка «шины» <A&B>");
    const char* types[] = {"I", "O", "I/O", "O=F(c)", "O=F(c)", "NC", "GND", "I", "O", "I", "I", "I", "I", "VCC"};
    const char* names[] = {"скрыт", "Выход", "Шина", "F", "Без", "", "", "A<B&C>", "Ёж", "x", "y", "z", "w", ""};
    for (int pin = 1; pin <= 14; ++pin) {
        d.setPinType(pin, types[pin - 1]);
        d.setPinName(pin, names[pin - 1]);
    }
    d.setPinType(53, "O/i");
    d.setPinFunction(0, 4, "1*2");
    for (int k = 15; k > 4; --k) d.setSignalEntry(0, k, d.signalEntry(0, k - 1));
    d.setSignalEntry(0, 4, {3, model::RowKind::Output});  // the output row of pin 3 follows it
    ASSERT_TRUE(d.setTactCount(60));
    for (int row : {1, 2, 3, 53, 4, 5, 8, 9, 10, 11, 12, 13})
        for (int t = 1; t <= 60; ++t) d.setCell(0, row, t, static_cast<model::CellLevel>((t * row / 3 + row) % 3));
    for (int t = 1; t <= 60; ++t) {
        d.setCell(0, 1, t, t < 26 ? model::kHigh : t < 29 ? model::kInactive : model::kLow);
        d.setCell(0, 8, t, t % 8 < 4 ? model::kHigh : model::kLow);
    }
    model::DataWord word;
    word.wordName = "Слово";
    word.addMember(1);
    word.addMember(8);
    d.dataWords().push_back(word);

    // Scrolled by 19 tacts and a row, with the current cell; the canvas ends inside a tact and
    // inside the word's lane.
    exchange::ui::PictureArea area;
    area.view.wordLanes = true;
    area.view.timeOnRuler = true;
    area.view.tactOffset = 19;
    area.view.rowOffset = 1;
    area.view.currentColumn = 3;
    area.view.currentScreenRow = 2;
    area.view.currentRow = d.signalRow(0, 3);
    area.canvas = QSize(diagram::kFirstCellX + 13 * 21 + 9, 15 * 21 - 8);
    area.options.buttonFace = QColor(0xEC, 0xE9, 0xD8);
    const QSize size = exchange::ui::pictureSize(area);

    struct Case {
        const char* name;
        QPoint at;     ///< where the picture is drawn, in a larger one: clipping and transform
        QSize margin;  ///< count there
    } cases[] = {{"written", {}, {}}, {"drawn at (20, 10)", {20, 10}, {40, 30}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string svgFile = path(std::string(c.name) + ".svg"), pngFile = path(std::string(c.name) + ".png");
        QImage png;
        if (c.at.isNull()) {
            ASSERT_EQ(exchange::ui::writePicture(d, area, svgFile), "");
            ASSERT_EQ(exchange::ui::writePicture(d, area, pngFile), "");
            ASSERT_TRUE(png.load(QString::fromStdString(pngFile)));
        } else {
            exchange::ui::SvgPicture svg(size + c.margin, "t", "d");
            png = QImage(size + c.margin, QImage::Format_RGB32);
            for (QPaintDevice* device : {static_cast<QPaintDevice*>(&svg), static_cast<QPaintDevice*>(&png)}) {
                QPainter p(device);
                p.fillRect(QRect(QPoint(0, 0), size + c.margin), Qt::white);
                p.translate(c.at);
                exchange::ui::paintPicture(p, d, area);
            }
            writeBytes(svgFile, svg.document().toStdString());
        }
        png = png.convertToFormat(QImage::Format_RGB32);
        const SvgContents contents = readSvg(QByteArray::fromStdString(readAll(svgFile)));
        EXPECT_TRUE(contents.error.isEmpty()) << contents.error.toStdString();
        if (c.at.isNull()) {
            const std::string w = std::to_string(size.width()), h = std::to_string(size.height());
            EXPECT_EQ(contents.width.toStdString(), w + "px");
            EXPECT_EQ(contents.height.toStdString(), h + "px");
            EXPECT_EQ(contents.viewBox.toStdString(), "0 0 " + w + " " + h);
            EXPECT_EQ(contents.title.toStdString(), d.testName());
            EXPECT_EQ(contents.desc.toStdString(), "Редактор KVX");
        }
        for (const char* text : {"№", "Тип", "Имя", "Выход", "Шина", "A<B&C>", "Ёж", "Слово", "O=F(c)", "GND"})
            EXPECT_TRUE(contents.texts.contains(QString::fromUtf8(text))) << text;
        const QImage drawn = rasterised(svgFile, png.size());
        ASSERT_FALSE(drawn.isNull()) << "rsvg-convert refused " << svgFile;
        // The lines, areas and hatching have the same pixels; each text has the same ink, in
        // the same place, in the same colour.
        EXPECT_EQ(differingPixels(png, drawn, contents), 0);
        for (size_t i = 0; i < contents.textBoxes.size(); ++i) {
            const auto [want, got] = inkOf(png, drawn, contents.textBoxes[i]);
            for (int channel = 0; channel < 3; ++channel)
                EXPECT_NEAR(got.channel[channel], want.channel[channel], want.channel[channel] * 0.15 + 255)
                    << contents.texts[i].toStdString();
            EXPECT_LT(QLineF(want.middle, got.middle).length(), 0.75) << contents.texts[i].toStdString();
        }
    }
}

TEST_F(ExchangeCommandsTest, ExportsAskBeforeReplacingAFile) {
    showTest();
    const std::string out = path("out.vcd");
    writeBytes(out, "old");
    prompter.pickFile(out);
    prompter.answer(platform::Answer::No);
    action("exportVcd")->trigger();
    EXPECT_EQ(readAll(out), "old");
    EXPECT_EQ(prompter.questions.back().text, "Заменить существующий файл?");
    prompter.pickFile(out);
    prompter.answer(platform::Answer::Yes);
    action("exportVcd")->trigger();
    EXPECT_NE(readAll(out).find("$var wire 1 ! P1_CLK $end"), std::string::npos);
    prompter.pickFile(path("out.json"));
    action("exportWaveJson")->trigger();
    EXPECT_NE(readAll(path("out.json")).find("\"name\": \"1 CLK\""), std::string::npos);
    EXPECT_TRUE(prompter.scriptUsed());
}

TEST_F(ExchangeCommandsTest, FilesOnTheCommandLineOpenLikeFilesPassedByOtherPrograms) {
    // The files come with the system's separators.
    const auto native = [](const QString& file) { return QDir::toNativeSeparators(file); };
    const QString cwd = QDir::currentPath();
#ifdef _WIN32
    const QString top = "C:/t";
#else
    const QString top = "/t";
#endif
    struct Case {
        QStringList arguments;
        QStringList files;
    } cases[] = {
        {{"KVX_Edit"}, {}},
        {{"KVX_Edit", top + "/a.kvx"}, {native(top + "/a.kvx")}},
        {{"KVX_Edit", "-style", top + "/a.kvx", "b.rsq"}, {native(top + "/a.kvx"), native(cwd + "/b.rsq")}},
        {{"KVX_Edit", "--", "-odd.kvx"}, {native(cwd + "/-odd.kvx")}},
        {{"KVX_Edit", "file://" + QString(top.startsWith('/') ? "" : "/") + top + "/%D1%82.kvx"}, {native(top + "/т.kvx")}},
    };
    for (const Case& c : cases) EXPECT_EQ(app::commandLineFiles(c.arguments), c.files) << c.arguments.join(' ').toStdString();

    const std::string first = writeTest("first.kvx", "A"), second = writeTest("second.kvx", "B");
    showChangedTest();
    prompter.answer(platform::Answer::No);  // "Сохранить изменение в файле?"
    app::openCommandLineFiles(tbf(), {"KVX_Edit", QString::fromStdString(first), QString::fromStdString(second)});
    EXPECT_EQ(prompter.questions.front().text, "Сохранить изменение в файле?");
    EXPECT_EQ(doc().fileName(), native(QString::fromStdString(second)).toStdString());
    EXPECT_EQ(tbf().recentFiles().entry(1), native(QString::fromStdString(first)).toStdString());
}
