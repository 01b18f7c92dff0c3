#include <gtest/gtest.h>

#include <algorithm>

#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QSpinBox>
#include <QSvgRenderer>
#include <QTableWidget>
#include <QTest>
#include <QWheelEvent>
#include <fstream>

#include "../../app/ui/tbf_fixture.h"
#include "app/ui/command_line.h"
#include "exchange/ui/diagram_picture.h"
#include "exchange/ui/exchange_commands.h"
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
    EXPECT_EQ(items("exportMenu"), (QStringList{"VCD...", "WaveJSON...", "Рисунок...", "Лист теста (PDF)..."}));
    EXPECT_EQ(items("importMenu"), (QStringList{"VCD..."}));

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
            QSvgRenderer svg(QString::fromStdString(path(c.file)));
            ASSERT_TRUE(svg.isValid());
            picture = QImage(svg.viewBox().size(), QImage::Format_RGB32);  // its own pixels, at any dpi
            QPainter p(&picture);
            svg.render(&p);
        } else {
            ASSERT_TRUE(picture.load(QString::fromStdString(path(c.file))));
            picture = picture.convertToFormat(QImage::Format_RGB32);
        }
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
    const QString cwd = QDir::currentPath();
    struct Case {
        QStringList arguments;
        QStringList files;
    } cases[] = {
        {{"KVX_Edit"}, {}},
        {{"KVX_Edit", "/t/a.kvx"}, {"/t/a.kvx"}},
        {{"KVX_Edit", "-style", "/t/a.kvx", "b.rsq"}, {"/t/a.kvx", cwd + "/b.rsq"}},
        {{"KVX_Edit", "--", "-odd.kvx"}, {cwd + "/-odd.kvx"}},
        {{"KVX_Edit", "file:///t/%D1%82.kvx"}, {"/t/т.kvx"}},
    };
    for (const Case& c : cases) EXPECT_EQ(app::commandLineFiles(c.arguments), c.files) << c.arguments.join(' ').toStdString();

    const std::string first = writeTest("first.kvx", "A"), second = writeTest("second.kvx", "B");
    showChangedTest();
    prompter.answer(platform::Answer::No);  // "Сохранить изменение в файле?"
    app::openCommandLineFiles(tbf(), {"KVX_Edit", QString::fromStdString(first), QString::fromStdString(second)});
    EXPECT_EQ(prompter.questions.front().text, "Сохранить изменение в файле?");
    EXPECT_EQ(doc().fileName(), second);
    EXPECT_EQ(tbf().recentFiles().entry(1), first);
}
