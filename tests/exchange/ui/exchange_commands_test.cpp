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

    // Nothing chosen: said so, and the dialog comes back until it is cancelled.
    int rounds = 0;
    prompter.pickFile(vcd);
    writeBytes(vcd, kTraces);
    commands().setDialogRunner([&](TFVcdImport& dialog) {
        for (int i = 0; i < dialog.table()->rowCount(); ++i) dialog.chooser(i)->setCurrentIndex(0);
        return ++rounds == 1;
    });
    action("importVcd")->trigger();
    EXPECT_EQ(rounds, 2);
    EXPECT_EQ(prompter.errors().back(), "Не выбран ни один сигнал файла VCD");
    EXPECT_TRUE(doc().saved());
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
