// The test sheet as other programs read it: poppler's pdftotext, pdffonts and pdfinfo check
// the PDF files of `kvxtool sheet`, of "Лист теста (PDF)..." and of "Печать..." on a PDF
// printer (searchable text, embedded fonts, pages that follow the tact range).
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPrinter>
#include <QSpinBox>
#include <QTemporaryDir>
#include <cstdio>
#include <regex>

#include "../../app/ui/tbf_fixture.h"
#include "../../tool/run_command.h"
#include "params/comment_file.h"
#include "sheet/ui/sheet_commands.h"
#include "storage/test_file.h"

using namespace kvx;
using sheet::ui::SheetCommands;
using sheet::ui::TFSheetTacts;

namespace {

/// Standard output of a shell command.
std::string output(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    while (const size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    pclose(pipe);
    return out;
}

std::string quoted(const std::string& s) { return "'" + s + "'"; }

int pages(const std::string& pdf) {
    std::smatch m;
    const std::string info = output("pdfinfo " + quoted(pdf) + " 2>&1");
    return std::regex_search(info, m, std::regex("Pages:\\s+(\\d+)")) ? std::stoi(m[1]) : -1;
}

/// The text of the PDF with every run of blanks made one blank.
std::string text(const std::string& pdf, int first = 0, int last = 0) {
    std::string range = first ? " -f " + std::to_string(first) + " -l " + std::to_string(last) : "";
    return std::regex_replace(output("pdftotext -layout" + range + " " + quoted(pdf) + " - 2>&1"),
                              std::regex("[ \\t]+"), " ");
}

/// Every font of the PDF is embedded (and there is at least one).
void expectFontsEmbedded(const std::string& pdf) {
    const std::string fonts = output("pdffonts " + quoted(pdf) + " 2>&1");
    std::istringstream lines(fonts);
    std::string line;
    int count = 0;
    for (int n = 0; std::getline(lines, line); ++n) {
        if (n < 2 || line.empty()) continue;  // the two header lines
        ++count;
        EXPECT_TRUE(std::regex_search(line, std::regex("\\s(CID )?(TrueType|Type 1C|Type 1|CID Type 0C)\\S*\\s+\\S+\\s+yes")))
            << line;
    }
    EXPECT_GT(count, 0) << fonts;
}

bool havePoppler() { return std::system("pdfinfo -v >/dev/null 2>&1") == 0; }

class SheetTest : public kvx::testing::TbfFixture {
protected:
    void SetUp() override {
        TbfFixture::SetUp();
        if (!havePoppler()) GTEST_SKIP() << "poppler-utils are installed by scripts/setup";
    }
    SheetCommands& commands() { return *tbf().findChild<SheetCommands*>(); }
    /// The example counter beside a comment file that says `comment` in bold.
    std::string counterWithComment(const std::string& comment) {
        const std::string test = path("counter16.kvx");
        QFile::copy(QStringLiteral(KVX_SOURCE_DIR "/examples/counter16.kvx"), QString::fromStdString(test));
        params::RichText rich;
        params::CharFormat bold;
        bold.bold = true;
        rich.paragraphs = {{{{comment, bold}}, params::Alignment::Left}, {{{"Вторая строка", {}}}, params::Alignment::Left}};
        EXPECT_EQ(params::writeCommentFile(params::commentFilePath(test), rich), "");
        return test;
    }
    /// A DIP8 test of `tacts` tacts saved as `name`.
    std::string longTest(const std::string& name, int tacts, int pins = 8) {
        model::TestDocument doc;
        doc.setPackage({model::PackageType::DIP, pins});
        doc.setTactCount(tacts);
        for (int t = 1; t <= tacts; t += 3) doc.setCell(0, 1, t, model::kHigh);
        const std::string file = path(name);
        EXPECT_TRUE(storage::saveTestFile(doc, file).ok);
        return file;
    }
};

}  // namespace

TEST_F(SheetTest, KvxtoolWritesASearchablePdfWithEmbeddedFontsWhosePagesFollowTheTactsAndPaper) {
    const std::string test = counterWithComment("Счётчик проверен на стенде");
    // A4 portrait: one page of text, then bands of 52 tacts and 18 rows, three below the legend.
    struct Case {
        const char* options;
        int pages;
        const char* size;
    };
    const Case cases[] = {
        {"", 3, "595 x 842"},
        {"--tacts 1-156", 2, "595 x 842"},
        {"--tacts 1-157", 3, "595 x 842"},
        {"--tacts 150-150", 2, "595 x 842"},
        {"--page A3", 2, "842 x 1191"},
        {"--page A4 --landscape", 4, "842 x 595"},  // two pages of text, 79 tacts a band, two bands a page
        {"--landscape --page A3", 2, "1191 x 842"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        const std::string pdf = path("sheet.pdf");
        QFile::remove(QString::fromStdString(pdf));
        ASSERT_EQ(kvx::testing::runCommand(std::string(KVX_TOOL_PATH) + " sheet " + quoted(test) + " -o " + quoted(pdf) +
                                      " " + c.options + " 2>/dev/null"),
                  0);
        EXPECT_EQ(pages(pdf), c.pages);
        EXPECT_NE(output("pdfinfo " + quoted(pdf)).find(c.size), std::string::npos);
        EXPECT_NE(text(pdf, c.pages, c.pages).find("Лист " + std::to_string(c.pages) + " из " + std::to_string(c.pages)),
                  std::string::npos);
    }

    // The whole sheet: every line of the pin table, the parameters as the parameters dialog
    // shows them, the words with their members, the comment; the diagram pages repeat the pin
    // column and number their tacts.
    const std::string pdf = path("whole.pdf");
    ASSERT_EQ(kvx::testing::runCommand(std::string(KVX_TOOL_PATH) + " sheet " + quoted(test) + " -o " + quoted(pdf) +
                                  " 2>/dev/null"),
              0);
    expectFontsEmbedded(pdf);
    const std::string first = text(pdf, 1, 1);
    for (const char* line : {" 1 I C", " 3 I/O D0", " 6 O=F(c) Y C1&C10", " 10 I EN", " 13 O CO", " 14 I WR",
                             " 16 VCC", "Корпус DIP16, VCC 16, GND 8", "Длительность такта 2 мкс",
                             "Логическая единица не менее 1,99 В", "Логический ноль не более 0,80 В",
                             "Число тактов 200", "Файл описания микросхемы counter.txt",
                             "DATA I/O-Двунаправленные Шестнадцатиричная 3 - D0, 4 - D1", "Счётчик проверен на стенде",
                             "Вторая строка", "Проверка счётчика", "Лист 1 из 3"})
        EXPECT_NE(first.find(line), std::string::npos) << line << "\n" << first;
    const std::string last = text(pdf, 3, 3);
    for (const char* line : {"№ Тип Имя 157 161 171 181 191", "6 O=F(c) Y", "16 VCC", "Такты 157–200 Лист 3 из 3"})
        EXPECT_NE(last.find(line), std::string::npos) << line << "\n" << last;
}

TEST_F(SheetTest, KvxtoolRefusesBadOptionsAndTooLongSheetsWithoutWritingAnything) {
    const std::string test = counterWithComment("x");
    // 40 pins: two pages of text, then one band of 53 tacts a page, 1133 pages of diagram.
    const std::string huge = longTest("huge.kvx", 60000, 40);
    const std::string before = readAll(test), comment = readAll(path("counter16.txt"));
    QDir().mkpath(QString::fromStdString(path("pdf")));
    QFile::link(QString::fromStdString(path("counter16.txt")), QString::fromStdString(path("link.pdf")));
    struct Case {
        std::string arguments;
        const char* message;
    };
    const std::string pdf = path("out.pdf");
    const Case cases[] = {
        {quoted(huge) + " -o " + quoted(pdf),
         "kvxtool: лист теста занял бы 1135 страниц, больше 1000; задайте такты, например --tacts 1-52894"},
        {quoted(huge) + " -o " + quoted(pdf) + " --tacts 1-52895",
         "kvxtool: лист теста занял бы 1001 страница, больше 1000; задайте такты, например --tacts 1-52894"},
        {quoted(test) + " -o " + quoted(pdf) + " --tacts 0-5", "kvxtool: такты 0-5 вне теста: в нём такты 1-200"},
        {quoted(test) + " -o " + quoted(pdf) + " --tacts 5-x", "kvxtool: такты заданы неверно: \"5-x\""},
        {quoted(test) + " -o " + quoted(pdf) + " --page B5", "kvxtool: неизвестный формат листа B5 (A4 или A3)"},
        {quoted(test), "kvxtool: не указан файл теста или листа"},
        {quoted(test) + " -o " + quoted(test), "не записан: это файл теста"},
        {quoted(test) + " -o " + quoted(path("pdf/../counter16.kvx")), "не записан: это файл теста"},
        {quoted(test) + " -o " + quoted(path("counter16.txt")), "не записан: это файл комментария теста"},
        {quoted(test) + " -o " + quoted(path("link.pdf")), "не записан: это файл комментария теста"},
        {quoted(test) + " -o " + quoted(path("no/such/folder.pdf")), "kvxtool: Не удалось записать файл"},
        {quoted(path("missing.kvx")) + " -o " + quoted(pdf), "kvxtool: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const std::string err = path("err.txt");
        EXPECT_EQ(kvx::testing::runCommand(std::string(KVX_TOOL_PATH) + " sheet " + c.arguments + " 2>" + quoted(err)), 2);
        EXPECT_NE(readAll(err).find(c.message), std::string::npos) << readAll(err);
        EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(pdf)));
    }
    EXPECT_EQ(readAll(test), before);
    EXPECT_EQ(readAll(path("counter16.txt")), comment);
}

TEST_F(SheetTest, PrintingALongTestAsksForTactsSayingHowManyPagesTheWholeTestTakes) {
    // 20000 tacts of 8 pins: bands of 53 tacts, six below the legend, then seven a page: 55 pages.
    ASSERT_EQ(tbf().loadFile(longTest("long.kvx", 20000)), app::LoadOutcome::Loaded);
    QString whole, chosen;
    commands().setTactsRunner([&](TFSheetTacts& dialog) {
        whole = dialog.wholeText()->text();
        EXPECT_EQ(dialog.range(), (sheet::TactRange{1, 18497}));  // the tacts of 50 pages
        dialog.lastField()->setValue(231);
        chosen = dialog.chosenText()->text();
        dialog.firstField()->setValue(300);  // beyond the last: refused, the last stays
        EXPECT_EQ(dialog.lastField()->value(), 231);
        EXPECT_EQ(dialog.chosenText()->text().toStdString(),
                  "Начальный такт 300 больше конечного 231: задайте такты по порядку");
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        dialog.firstField()->setValue(2);
        return true;
    });
    const std::string pdf = path("printed.pdf");
    long long offered = 0;
    commands().setPrintRunner([&](QPrinter& printer, long long pages) {
        offered = pages;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        return true;
    });
    tbf().findChild<QAction*>(QStringLiteral("printSheet"))->trigger();
    EXPECT_EQ(whole.toStdString(), "Диаграмма всего теста (20000 тактов) займёт на листе 56 страниц.\nВыберите такты для листа:");
    EXPECT_EQ(chosen.toStdString(), "Выбранные такты займут 2 страницы.");
    EXPECT_EQ(offered, 2);
    EXPECT_EQ(pages(pdf), 2);
    expectFontsEmbedded(pdf);
    EXPECT_NE(text(pdf).find("Число тактов 20000 (на листе такты 2-231)"), std::string::npos);
    EXPECT_NE(text(pdf, 2, 2).find("Лист 2 из 2"), std::string::npos);

    // Cancelling the tacts question prints nothing; a short test asks no question.
    QFile::remove(QString::fromStdString(pdf));
    commands().setTactsRunner([](TFSheetTacts&) { return false; });
    tbf().findChild<QAction*>(QStringLiteral("printSheet"))->trigger();
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(pdf)));
    tbf().newFile();
    commands().setTactsRunner([](TFSheetTacts&) {
        ADD_FAILURE() << "a short test needs no tacts";
        return false;
    });
    tbf().findChild<QAction*>(QStringLiteral("printSheet"))->trigger();
    EXPECT_EQ(pages(pdf), 2);
    EXPECT_TRUE(prompter.errors().empty());
}

TEST_F(SheetTest, ThePdfCommandProposesTheTestsNameInDirPdfOrBesideTheTestAndNeverWritesOverTheTest) {
    const std::string test = counterWithComment("Комментарий");
    const std::string pdfFolder = path("pdf");
    QDir().mkpath(QString::fromStdString(pdfFolder));
    settings.setValue(app::kMainKey, "Dir_PDF", pdfFolder);
    ASSERT_EQ(tbf().loadFile(test), app::LoadOutcome::Loaded);
    QAction* exportSheet = tbf().findChild<QAction*>(QStringLiteral("exportSheet"));

    const std::string target = pdfFolder + "/counter16.pdf";
    prompter.pickFile(target);
    exportSheet->trigger();
    ASSERT_EQ(prompter.dialogs.size(), 1u);
    EXPECT_EQ(prompter.dialogs[0].directory, target);
    EXPECT_EQ(prompter.dialogs[0].filter, "PDF|*.pdf");
    EXPECT_EQ(pages(target), 3);
    EXPECT_NE(text(target).find("Комментарий"), std::string::npos);

    // An existing file is replaced only after "Да"; the test file itself never.
    const auto modified = QFileInfo(QString::fromStdString(target)).lastModified();
    prompter.pickFile(target);
    prompter.answer(platform::Answer::No);
    exportSheet->trigger();
    EXPECT_EQ(prompter.questions.back().text, "Заменить существующий файл?");
    EXPECT_EQ(QFileInfo(QString::fromStdString(target)).lastModified(), modified);
    // Never over the open test or its comment file, by any name, and no "replace?" first.
    const std::string comment = path("counter16.txt"), before = readAll(test), commentBefore = readAll(comment);
    const std::pair<std::string, std::string> refused[] = {
        {test, "Файл " + test + " не записан: это файл открытого теста."},
        {comment, "Файл " + comment + " не записан: это файл комментария открытого теста."},
        {pdfFolder + "/../counter16.txt",
         "Файл " + pdfFolder + "/../counter16.txt не записан: это файл комментария открытого теста " + comment + "."}};
    for (const auto& [target, message] : refused) {
        prompter.questions.clear();
        prompter.pickFile(target);
        exportSheet->trigger();
        EXPECT_TRUE(prompter.questions.size() == 1 && prompter.errors() == std::vector<std::string>{message}) << message;
    }
    EXPECT_EQ(readAll(test), before);
    EXPECT_EQ(readAll(comment), commentBefore);

    // Without Dir_PDF the sheet goes beside the test.
    window.reset();
    settings.setValue(app::kMainKey, "Dir_PDF", "");
    ASSERT_EQ(tbf().loadFile(test), app::LoadOutcome::Loaded);
    prompter.dialogs.clear();
    prompter.pickFile(std::nullopt);
    tbf().findChild<QAction*>(QStringLiteral("exportSheet"))->trigger();
    ASSERT_EQ(prompter.dialogs.size(), 1u);
    EXPECT_EQ(prompter.dialogs[0].directory, path("counter16.pdf"));
    EXPECT_TRUE(prompter.scriptUsed());
}

TEST_F(SheetTest, KvxtoolSaysWhatTheLoadMendedAndPrintsOnlyARealCommentWithItsLists) {
    const std::string test = counterWithComment("x");
    std::string damaged = readAll(test);  // a damaged tact count
    writeBytes(path("damaged.kvx"), damaged.replace(damaged.find("=200\r\n"), 6, "=2zz\r\n"));
    QFile::copy(QString::fromStdString(test), QString::fromStdString(path("t.txt")));  // its own comment file
    writeBytes(params::commentFilePath(test), "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset2 Symbol;}}\\pard\\fi-360"
                                              "\\li720{\\pntext\\f1\\'b7\\tab}\\f0 First\\par{\\pntext\\f1\\'b7\\tab}Second\\par}");
    const struct { std::string file; int status; const char *message, *comment; } cases[] = {{path("damaged.kvx"), 1, "kvxtool: Ошибка чтения файла", "Комментарий к тесту\\s*Нет"},
                 {path("t.txt"), 0, "", "Комментарий к тесту\\s*Нет"},
                 {test, 0, "", "Комментарий к тесту\\s*\u2022 First\\s*\u2022 Second"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string pdf = path("out.pdf"), err = path("err.txt"), quiet = " 2>" + quoted(err);
        EXPECT_EQ(kvx::testing::runCommand(KVX_TOOL_PATH " sheet " + quoted(c.file) + " -o " + quoted(pdf) + quiet), c.status);
        EXPECT_NE(readAll(err).find(c.message), std::string::npos) << readAll(err);
        EXPECT_TRUE(std::regex_search(text(pdf, 1, 2), std::regex(c.comment))) << text(pdf, 1, 2);
        EXPECT_EQ(output("pdffonts " + quoted(pdf)).find("Symbol"), std::string::npos);
    }
}

TEST_F(SheetTest, ADip40SheetWithLongNamesKeepsItsColumnsRulerAndPagesApart) {
    model::TestDocument doc;
    doc.setPackage({model::PackageType::DIP, 40});
    doc.setTactCount(200);
    for (int p = 1; p <= 40; ++p) {
        if (p <= 6) doc.setPinType(p, model::PinType::InOut);
        doc.setPinName(p, p == 5 ? "ОченьДлинноеИмяВывода" : "N" + std::to_string(p));
    }
    for (int t = 1; t <= 200; t += 3) doc.setCell(0, 7, t, model::kHigh);
    doc.dataWords().resize(8);  // words whose member lists take several lines of the table
    for (int w = 0; w < 8; ++w)
        for (int m = 0; m < 30; ++m) doc.dataWords()[w].addMember(7 + (m + w) % 30);
    const std::string test = path("dip40.kvx");
    ASSERT_TRUE(storage::saveTestFile(doc, test).ok);
    sheet::ui::SheetOptions zoomed;  // the sheet's own scale whatever the zoom; a time ruler says "мкс"
    zoomed.view.cellWidth = zoomed.view.rowHeight = 15;
    zoomed.view.timeOnRuler = true;
    const auto standard = sheet::ui::layoutFor(doc, {}, {});
    EXPECT_EQ(sheet::ui::layoutFor(doc, zoomed, {}).diagramPages().bandHeight(), standard.diagramPages().bandHeight());
    ASSERT_EQ(sheet::ui::writeSheetPdf(path("time.pdf"), doc, zoomed, {}), "");
    EXPECT_NE(text(path("time.pdf")).find("0 мкс 20 мкс 40 мкс"), std::string::npos);
    int portrait = 0;
    for (const char* format : {"", "--landscape"}) {
        SCOPED_TRACE(format);
        const std::string pdf = path("dip40.pdf");
        ASSERT_EQ(kvx::testing::runCommand(KVX_TOOL_PATH " sheet " + quoted(test) + " -o " + quoted(pdf) + " " + format), 0);
        const int n = pages(pdf);
        // Every page's head on its own page, once; the diagram pages state their tacts.
        for (int page = 1; page <= n; ++page) {
            const std::string t = text(pdf, page, page);
            const std::string label = "Лист " + std::to_string(page) + " из " + std::to_string(n);
            EXPECT_NE(t.find(label), std::string::npos) << t;
            EXPECT_EQ(t.find("Лист ", t.find(label) + 1), std::string::npos) << t;
            EXPECT_EQ(t.find("Уровни") == std::string::npos, t.find("Такты 1–") == std::string::npos) << t;
        }
        const std::string all = text(pdf);
        EXPECT_NE(all.find("ОченьДлинноеИмяВывода"), std::string::npos);  // whole in the pin table
        EXPECT_NE(all.find("ОченьДлинноеИ…"), std::string::npos);  // cut in the pin column
        EXPECT_EQ(std::regex_search(all, std::regex("\\b201\\b")), false);
        EXPECT_LE(n, *format ? portrait : n);  // landscape takes no more pages than portrait
        portrait = n;
    }
}

TEST_F(SheetTest, TheEditorsSheetIsCappedShowsItsProgressAndCanBeCancelled) {
    // 40 pins, 60000 tacts: tacts 1-60000 would take more than 1000 pages.
    ASSERT_EQ(tbf().loadFile(longTest("huge.kvx", 60000, 40)), app::LoadOutcome::Loaded);
    const std::string pdf = path("huge.pdf");
    auto exportTacts = [&](int last) {
        commands().setTactsRunner([last](TFSheetTacts& dialog) { return dialog.lastField()->setValue(last), true; });
        prompter.questions.clear();
        prompter.pickFile(pdf);
        tbf().findChild<QAction*>(QStringLiteral("exportSheet"))->trigger();
        EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(pdf)));
    };
    exportTacts(60000);
    EXPECT_EQ(prompter.errors(), std::vector<std::string>{"Лист теста занял бы 1135 страниц, больше 1000; задайте "
                                                          "такты, например 1-52894"});
    // "Отмена" on the third page: nothing written, nothing to report.
    std::vector<long long> shown;
    commands().setProgressHook([&](long long done, long long) { return shown.push_back(done), done < 2; });
    exportTacts(400);
    EXPECT_EQ(shown, (std::vector<long long>{0, 1, 2}));
    EXPECT_TRUE(prompter.questions.empty());

    QString proposed;  // the print dialog proposes the export's file
    commands().setPrintRunner([&](QPrinter& printer, long long) { return proposed = printer.outputFileName(), false; });
    tbf().findChild<QAction*>(QStringLiteral("printSheet"))->trigger();
#ifndef _WIN32  // the Windows dialog asks for its file itself
    EXPECT_EQ(proposed.toStdString(), pdf);
#endif
}
