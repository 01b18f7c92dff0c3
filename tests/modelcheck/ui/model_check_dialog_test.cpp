// "Сервис" > "Проверить на модели..." on the counter example and its model: the window runs
// the real simulator, lists the mismatches, frames their cells until the next edit, goes to a
// cell on a double click, remembers the model files and the map of each test and says what
// to install when the simulator cannot be found; the map table decides what the check drives
// and compares, and the modules of the files are read while the window goes on; it follows the
// open test, and a result holds only for the test as it was when the run started.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "../../app/ui/tbf_fixture.h"
#include "modelcheck/model_check.h"
#include "modelcheck/ui/model_check_dialog.h"

using namespace kvx;
using kvx::modelcheck::ui::ModelCheckDialog;
using Marked = kvx::diagram::DiagramWidget::MarkedCell;

namespace {

const std::string kExamples = std::string(KVX_SOURCE_DIR) + "/examples/";

class ModelCheckDialogTest : public kvx::testing::TbfFixture {
protected:
    void SetUp() override {
#ifdef _WIN32
        // Every case reads the model's modules with Icarus Verilog; scripts/setup installs it
        // on Linux only.
        if (QStandardPaths::findExecutable("iverilog").isEmpty())
            GTEST_SKIP() << "Icarus Verilog (iverilog and vvp) is not installed on this Windows";
#endif
        TbfFixture::SetUp();
    }
    /// Opens the window of the command for the open test.
    ModelCheckDialog& openCommand() {
        QAction* item = nullptr;
        for (QAction* menu : tbf().menuBar()->actions())
            if (menu->text() == QStringLiteral("Сервис"))
                for (QAction* a : menu->menu()->actions())
                    if (a->text() == QStringLiteral("Проверить на модели...")) item = a;
        EXPECT_TRUE(item) << "no command in the menu";
        if (item) item->trigger();
        auto* dialog = tbf().findChild<ModelCheckDialog*>();
        EXPECT_TRUE(dialog && dialog->isVisible());
        return *dialog;
    }
    static void waitForEnd(ModelCheckDialog& d) {
        QElapsedTimer t;
        t.start();
        while ((d.running() || d.listing()) && t.elapsed() < 60000) QTest::qWait(20);
        ASSERT_FALSE(d.running() || d.listing()) << "the check did not end";
    }
    /// A saved copy of the counter example, open in the window.
    std::string openCounter(const std::string& name) {
        model::TestDocument test;
        EXPECT_EQ(storage::loadTestFile(test, kExamples + "74hc161.kvx").status, storage::LoadStatus::Loaded);
        const std::string file = path(name + ".kvx");
        EXPECT_TRUE(storage::saveTestFile(test, file).ok);
        EXPECT_EQ(tbf().loadFile(file), app::LoadOutcome::Loaded);
        return file;
    }
    /// The shown lines of the map table: port (or bit) and what it goes to.
    static std::vector<std::pair<std::string, std::string>> mapLines(ModelCheckDialog& d) {
        std::vector<std::pair<std::string, std::string>> out;
        for (int r = 0; r < d.mapTable()->rowCount(); ++r)
            if (!d.mapTable()->isRowHidden(r))
                out.push_back({d.mapTable()->item(r, 0)->text().trimmed().toStdString(),
                               d.chooser(r)->currentText().toStdString()});
        return out;
    }
    static std::vector<std::string> lines(QListWidget* list) {
        std::vector<std::string> out;
        for (int i = 0; i < list->count(); ++i) out.push_back(list->item(i)->text().toStdString());
        return out;
    }
};

}  // namespace

TEST_F(ModelCheckDialogTest, ChecksTheCounterFramesItsMismatchesAndGoesToThem) {
    struct Case {
        const char* name;
        int flipTact, flipPin;  // 0: the example as it is
        bool noSimulator;       // the search path holds no simulator
        bool cyrillic;          // the temporary folder and the model's folder are Cyrillic
        std::vector<std::string> lines;
        std::vector<Marked> marks;
        std::string progress;
    };
    const std::vector<Case> cases = {
        {"as shipped", 0, 0, false, false, {}, {}, "Совпало 370 из 370 сравнений"},
        {"one level flipped", 20, 12, false, false, {"Такт 20, вывод 12 (Q2): ожидалось 0, модель дала 1"}, {{12, 20}},
         "Совпало 369 из 370 сравнений"},
        {"no simulator", 0, 0, true, false, {}, {}, modelcheck::kNoSimulator},
        {"Cyrillic folders", 20, 12, false, true, {"Такт 20, вывод 12 (Q2): ожидалось 0, модель дала 1"}, {{12, 20}},
         "Совпало 369 из 370 сравнений"},
    };
    showNewTest();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        model::TestDocument test;
        ASSERT_EQ(storage::loadTestFile(test, kExamples + "74hc161.kvx").status, storage::LoadStatus::Loaded);
        if (c.flipTact) test.setCell(0, c.flipPin, c.flipTact, 1 - test.getCell(0, c.flipPin, c.flipTact));
        const std::string file = path(std::string(c.name) + ".kvx");
        ASSERT_TRUE(storage::saveTestFile(test, file).ok);
        ASSERT_EQ(tbf().loadFile(file), app::LoadOutcome::Loaded);

        std::string model = kExamples + "74hc161.v";
        const QByteArray searchPath = qgetenv("PATH"), temporary = qgetenv("TMPDIR");
        if (c.cyrillic) {
            ASSERT_TRUE(QDir().mkpath(QString::fromStdString(path("Временные"))));
            ASSERT_TRUE(QDir().mkpath(QString::fromStdString(path("Модель"))));
            writeBytes(model = path("Модель/счётчик.v"), readAll(kExamples + "74hc161.v"));
            qputenv("TMPDIR", path("Временные").c_str());
        }
        ModelCheckDialog& d = openCommand();
        EXPECT_EQ(d.modelList()->count(), 0);
        prompter.pickFile(model);
        d.addModel();
        waitForEnd(d);
        EXPECT_EQ(d.topField()->itemText(0).toStdString(), "hc161");
        if (c.noSimulator) qputenv("PATH", QDir(QString::fromStdString(folder())).filePath("empty").toLocal8Bit());
        d.runButton()->click();
        waitForEnd(d);
        qputenv("PATH", searchPath);
        if (temporary.isNull()) qunsetenv("TMPDIR");
        else qputenv("TMPDIR", temporary);

        EXPECT_EQ(lines(d.mismatchList()), c.lines);
        EXPECT_EQ(d.progressLabel()->text().toStdString(), c.progress);
        EXPECT_EQ(tbf().diagramArea()->markedCells(), c.marks);
        EXPECT_EQ(prompter.errors(), c.noSimulator ? std::vector<std::string>{modelcheck::kNoSimulator}
                                                   : std::vector<std::string>{});
        prompter.questions.clear();

        if (!c.marks.empty()) {
            // A double click on the line makes its cell current; the cell is framed in red.
            auto& area = *tbf().diagramArea();
            QListWidget* list = d.mismatchList();
            const QRect item = list->visualItemRect(list->item(0));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, item.center());
            EXPECT_EQ(area.view().currentRow, c.marks[0].row);
            EXPECT_EQ(area.view().currentTact(), c.marks[0].tact);
            area.canvas()->repaint();
            const QImage shot = area.canvas()->grab().toImage();
            const auto& v = area.view();
            const int x = diagram::kFirstCellX + (v.currentColumn - 1) * v.cellWidth;
            const int y = (v.currentScreenRow - 1) * v.rowHeight;
            EXPECT_EQ(shot.pixelColor(x + 1, y + v.rowHeight / 2), QColor(0xE0, 0x00, 0x00));
            EXPECT_EQ(shot.pixelColor(x + v.cellWidth / 2, y + 1), QColor(0xE0, 0x00, 0x00));
            // The next edit ends the marks.
            area.fillLow();
            EXPECT_TRUE(area.markedCells().empty());
            prompter.answer(platform::Answer::No);  // the change is not saved
        }
        d.hide();
        // The model files are remembered for this test, not written into it.
        EXPECT_EQ(settings.value(modelcheck::ui::kModelFilesKey, modelcheck::ui::modelFilesName(file)), model + "\n");
        ASSERT_EQ(tbf().loadFile(file), app::LoadOutcome::Loaded);
        EXPECT_EQ(openCommand().modelList()->count(), 1);
        EXPECT_EQ(openCommand().modelList()->item(0)->text().toStdString(), model);
        EXPECT_EQ(readAll(file).find(model.substr(model.rfind('/') + 1)), std::string::npos);
        d.hide();
    }
}

TEST_F(ModelCheckDialogTest, TheMapTableIsFilledFromTheNamesAndTheCheckUsesExactlyIt) {
    using Lines = std::vector<std::pair<std::string, std::string>>;
    const Lines fromNames = {{"nMR", "1 nMR (I)"},  {"CP", "2 CP (I)"},         {"CEP", "7 CEP (I)"},
                             {"CET", "10 CET (I)"}, {"nPE", "9 nPE (I)"},        {"D[3:0]", "W1 D (слово)"},
                             {"Q[3:0]", "W2 Q (слово)"}, {"TC", "15 TC (O)"}};
    // Q0 and Q1 swapped bit by bit (the bits start from the members of the word Q): the model's
    // Q0 is compared with pin 13 (Q1) and its Q1 with pin 14 (Q0), so every tact where the two
    // expected levels differ fails on both pins.
    model::TestDocument counter;
    ASSERT_EQ(storage::loadTestFile(counter, kExamples + "74hc161.kvx").status, storage::LoadStatus::Loaded);
    std::vector<Marked> swapped;
    for (int t = 1; t <= counter.tactCount(); ++t) {
        ASSERT_NE(counter.getCell(0, 13, t), model::kInactive);
        ASSERT_NE(counter.getCell(0, 14, t), model::kInactive);
        if (counter.getCell(0, 13, t) != counter.getCell(0, 14, t)) swapped.insert(swapped.end(), {{13, t}, {14, t}});
    }
    ASSERT_FALSE(swapped.empty());
    const std::string nmrLeftOut = "Не назначены входы модели: nMR\nНе назначены строки теста: вывод 1 (nMR)";

    const std::string rest = "CP pin 2\nCEP pin 7\nCET pin 10\nnPE pin 9\nD word 1\n";
    const std::string complete = "Все входы модели и все строки теста назначены";
    const std::string mapFile = path("counter.map");
    const std::string tcLeftOut = "Не назначены строки теста: вывод 15 (TC)";
    struct Case {
        const char* name;
        std::string loaded;  // a map file loaded into the table
        Lines changes;  // lines of the table set by the user
        Lines filled;   // lines the table fills itself after them (or shows after loading)
        std::string map;  // the table as a map text
        std::string status;
        std::vector<std::string> errors;
        std::vector<Marked> marks;
        std::string progress;
    };
    const std::vector<Case> cases = {
        {"filled from the names", "", {}, {}, "nMR pin 1\n" + rest + "Q word 2\nTC pin 15\n", complete, {}, {},
         "Совпало 370 из 370 сравнений"},
        {"Q0 and Q1 swapped", "",
         {{"Q[3:0]", "по разрядам"}, {"Q[0]", "13 Q1 (O)"}, {"Q[1]", "14 Q0 (O)"}},
         {{"Q[2]", "12 Q2 (O)"}, {"Q[3]", "11 Q3 (O)"}},
         "nMR pin 1\n" + rest + "Q[0] pin 13\nQ[1] pin 14\nQ[2] pin 12\nQ[3] pin 11\nTC pin 15\n", complete, {}, swapped,
         "Совпало " + std::to_string(370 - swapped.size()) + " из 370 сравнений"},
        {"nMR left out", "", {{"nMR", "—"}}, {}, "# nMR —\n" + rest + "Q word 2\nTC pin 15\n", nmrLeftOut, {nmrLeftOut}, {},
         ""},
        // A map file is the whole map: what it leaves out is not mapped, what the table cannot hold is said.
        {"a map file without TC", "# the counter\nnMR pin 1\n" + rest + "Q word 2\nTE pin 3\n", {}, {{"TC", "—"}},
         "nMR pin 1\n" + rest + "Q word 2\n# TC —\n", tcLeftOut,
         {mapFile + ": строки, которых нет в таблице:\nСтрока 9 карты: в модели нет порта «TE»", tcLeftOut}, {}, ""},
    };
    showNewTest();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = openCounter(c.name);
        ModelCheckDialog& d = openCommand();
        prompter.pickFile(kExamples + "74hc161.v");
        d.addModel();
        waitForEnd(d);
        ASSERT_EQ(mapLines(d), fromNames);
        if (!c.loaded.empty()) {
            writeBytes(mapFile, c.loaded);
            prompter.pickFile(mapFile);
            d.loadMap();
        }
        Lines expected = fromNames;
        auto expect = [&](const std::string& line, const std::string& choice) {
            const auto at = std::find_if(expected.begin(), expected.end(), [&](const auto& l) { return l.first == line; });
            if (at != expected.end()) at->second = choice;
            else expected.push_back({line, choice});
        };
        for (const auto& [line, choice] : c.changes) {
            int row = 0;
            while (row < d.mapTable()->rowCount() && d.mapTable()->item(row, 0)->text().trimmed().toStdString() != line)
                ++row;
            ASSERT_LT(row, d.mapTable()->rowCount()) << line;
            const int index = d.chooser(row)->findText(QString::fromStdString(choice));
            ASSERT_GE(index, 0) << choice;
            d.chooser(row)->setCurrentIndex(index);
            expect(line, choice);
        }
        for (const auto& [line, choice] : c.filled) expect(line, choice);
        std::sort(expected.begin(), expected.end());
        Lines shown = mapLines(d);
        std::sort(shown.begin(), shown.end());
        EXPECT_EQ(shown, expected);
        EXPECT_EQ(d.mapStatus()->text().toStdString(), c.status);
        EXPECT_EQ(d.mapText(), c.map);

        d.runButton()->click();
        waitForEnd(d);
        EXPECT_EQ(prompter.errors(), c.errors);
        prompter.questions.clear();
        EXPECT_EQ(d.progressLabel()->text().toStdString(), c.progress);
        auto marks = tbf().diagramArea()->markedCells();
        std::sort(marks.begin(), marks.end(), [](const Marked& a, const Marked& b) {
            return std::pair(a.tact, a.row) < std::pair(b.tact, b.row);
        });
        EXPECT_EQ(marks, c.marks);

        // The table is remembered for the test.
        d.hide();
        ASSERT_EQ(tbf().loadFile(file), app::LoadOutcome::Loaded);
        ModelCheckDialog& again = openCommand();
        waitForEnd(again);
        EXPECT_EQ(again.mapText(), c.map);
        EXPECT_EQ(again.mapStatus()->text().toStdString(), c.status);
        again.hide();
    }
}

TEST_F(ModelCheckDialogTest, TheModulesAreReadWhileTheWindowGoesOnAndTheLastChoiceOfFilesWins) {
    showNewTest();
    openCounter("listing");
    ModelCheckDialog& d = openCommand();
    QStringList offered;
    QObject::connect(d.topField()->model(), &QAbstractItemModel::rowsInserted, &d,
                     [&](const QModelIndex&, int first, int last) {
                         for (int i = first; i <= last; ++i) offered << d.topField()->itemText(i);
                     });
    int ticksWhileBusy = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ticksWhileBusy += d.topField()->count() == 0 && d.listing(); });
    tick.start(1);

    prompter.pickFile(kExamples + "74hc00.v");
    d.addModel();
    // The compiler runs in its own process; the window says it is busy and does not run a check.
    EXPECT_EQ(d.topField()->count(), 0);
    EXPECT_TRUE(d.listing());
    EXPECT_EQ(d.mapStatus()->text(), QStringLiteral("Чтение модулей и портов модели..."));
    EXPECT_FALSE(d.runButton()->isEnabled());
    // Another choice of files before the listing ends: only its modules are offered.
    d.modelList()->setCurrentRow(0);
    d.removeModel();
    prompter.pickFile(kExamples + "74hc161.v");
    d.addModel();
    waitForEnd(d);
    EXPECT_GT(ticksWhileBusy, 0);
    EXPECT_EQ(offered, QStringList{QStringLiteral("hc161")});
    EXPECT_EQ(d.ports().size(), 8u);
    EXPECT_TRUE(d.runButton()->isEnabled());
}

TEST_F(ModelCheckDialogTest, AResultHoldsForTheTestAsItWasWhenTheRunStartedAndARunStopsAtItsLimit) {
    std::string looping = readAll(kExamples + "74hc161.v");  // a model that never lets the time go on
    looping.replace(looping.rfind("endmodule"), 9, "reg spin = 0;\n    always @(spin) spin <= ~spin;\nendmodule");
    writeBytes(path("looping.v"), looping);
    using Change = std::function<void(model::TestDocument&)>;
    const std::string changed = modelcheck::ui::kTestChangedDuringCheck, counter = kExamples + "74hc161.v";
    const std::vector<std::tuple<Change, int, std::string, std::string>> cases = {
        {{}, 600, counter, "Совпало 369 из 370 сравнений"},
        {[](model::TestDocument& t) { t.setCell(0, 12, 20, 1 - t.getCell(0, 12, 20)); }, 600, counter, changed},
        {[](model::TestDocument& t) { t.setTactCount(10); }, 600, counter, changed},
        {{}, 1, path("looping.v"), "Проверка не закончилась за 1 с и остановлена: модель, видимо, зациклилась (или задайте больше времени)"}};
    showNewTest();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& [change, limit, model, progress] = cases[i];
        SCOPED_TRACE(i);
        openCounter("run" + std::to_string(i));
        doc().setCell(0, 12, 20, 1 - doc().getCell(0, 12, 20));  // pin 12 wrong at tact 20
        ModelCheckDialog& d = openCommand();
        prompter.pickFile(model);
        d.addModel();
        waitForEnd(d);
        d.limitField()->setValue(limit);
        d.runButton()->click();
        EXPECT_EQ(d.elapsedLabel()->text(), limit == 1 ? QStringLiteral("0:00 из 0:01") : QStringLiteral("0:00 из 10:00"));
        if (change) change(doc());
        waitForEnd(d);
        EXPECT_EQ(d.progressLabel()->text().toStdString(), progress);
        EXPECT_EQ(tbf().diagramArea()->markedCells(), (i ? std::vector<Marked>{} : std::vector<Marked>{{12, 20}}));
        EXPECT_EQ(d.mismatchList()->count(), i ? 0 : 1);
        for (QProcess* p : d.findChildren<QProcess*>()) EXPECT_EQ(p->state(), QProcess::NotRunning);
        prompter.answer(platform::Answer::No);  // the change is not saved
    }
}

TEST_F(ModelCheckDialogTest, TheWindowFollowsTheOpenTestAndItsSettingsGoWithSaveAs) {
    showNewTest();
    const std::string other = openCounter("other"), saved = path("saved.kvx"), hc00 = kExamples + "74hc00.v";
    ModelCheckDialog& d = openCommand();
    prompter.pickFile(hc00);
    d.addModel();
    const std::string first = openCounter("first");
    doc().setCell(0, 12, 20, 1 - doc().getCell(0, 12, 20));
    prompter.pickFile(kExamples + "74hc161.v");
    d.addModel();
    waitForEnd(d);
    d.runButton()->click();
    waitForEnd(d);
    d.sampleField()->setValue(50);
    prompter.answer(platform::Answer::No);
    const QPoint oldLine = d.mismatchList()->visualItemRect(d.mismatchList()->item(0)).center();
    const std::vector<std::tuple<std::function<void()>, std::string, int>> cases = {
        {[&] { tbf().loadFile(other); }, hc00, 100},
        {[&] { tbf().newFile(); }, "", 100},
        {[&] { prompter.pickFile(saved), tbf().loadFile(first), tbf().saveAs(), tbf().loadFile(saved); }, kExamples + "74hc161.v", 50},
        // A test never saved takes what the window holds to its first name.
        {[&] { tbf().newFile(), prompter.pickFile(hc00), d.addModel(), d.sampleField()->setValue(30),
               prompter.pickFile(path("new.kvx")), tbf().save(), tbf().loadFile(path("new.kvx")); }, hc00, 30}};
    for (const auto& [change, model, sample] : cases) {
        SCOPED_TRACE(model + std::to_string(sample));
        change();
        EXPECT_EQ(lines(d.modelList()), model.empty() ? std::vector<std::string>{} : std::vector<std::string>{model});
        EXPECT_EQ(d.sampleField()->value(), sample);
        EXPECT_TRUE(d.progressLabel()->text().isEmpty() && d.mismatches().empty() && !d.mismatchList()->count());
        tbf().diagramArea()->goToCell(1, 1);
        QTest::mouseDClick(d.mismatchList()->viewport(), Qt::LeftButton, {}, oldLine);
        EXPECT_EQ(tbf().diagramArea()->view().currentTact(), 1);
        waitForEnd(d);
    }
}

TEST_F(ModelCheckDialogTest, ChangedModelsAreReadAgainMapsAreSavedBesideTheTestOnlyAndMessagesWrap) {
    model::TestDocument test;  // A on pin 1, the I/O pin D on 3, Y on 5
    test.clearDocument();
    for (auto [n, type, name] : {std::tuple{1, "I", "A"}, {3, "I/O", "D"}, {5, "O", "Y"}, {4, "GND", ""}, {8, "VCC", ""}})
        test.setPinType(n, type), test.setPinName(n, name);
    for (int n : {2, 6, 7}) test.setPinType(n, model::PinType::NotConnected);
    test.setSignalEntry(0, 9, {3, model::RowKind::Output});
    for (int row : {1, 3, 5, 53}) test.setCell(0, row, 1, model::kHigh);
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(path("tests"))));
    const std::string file = path("tests/io.kvx"), model = path("tests/" + std::string(150, 'm') + ".v"),
                      comment = path("tests/../tests/io.txt"), ok = path("tests/io.map");
    ASSERT_TRUE(storage::saveTestFile(test, file).ok);
    writeBytes(path("tests/buf.v"), "module buf1(input i, output o); assign o = i; endmodule\n");
    writeBytes(comment, "{\\rtf1 comment}");
    showNewTest();
    ASSERT_EQ(tbf().loadFile(file), app::LoadOutcome::Loaded);
    ModelCheckDialog& d = openCommand();
    d.resize(600, 680);
    const std::string rows = "Не назначены строки теста: ";
    const std::vector<std::tuple<std::string, std::string, std::string, std::string, std::string>> cases = {
        // The model on disk, a map loaded, the status, a map saved to, its refusal.
        {"module m(input a, output y); buf1 b(a, y); endmodule\n", "", rows + "вывод 3 (D), выход вывода 3 (D)", file,
         "Файл " + file + " не записан: это файл теста."},
        {"module m(input a, d, output y); buf1 b(a & d, y); endmodule\n", "", rows + "выход вывода 3 (D)", comment,
         "Файл " + comment + " не записан: это файл комментария теста " + path("tests/io.txt") + "."},
        {"", "\xEF\xBB\xBF" "a pin 1\nd pin 3\n# y —\n", rows + "вывод 5 (Y), выход вывода 3 (D)", model,
         "Файл " + model + " не записан: это файл модели."},
        {"", "", rows + "вывод 5 (Y), выход вывода 3 (D)", ok, ""},
        {"module m(input a, output y) buf1 b(a, y); endmodule\n", "", "Модель не компилируется:\n" + model + ":1: syntax error", "", ""}};
    for (const auto& [text, map, status, saveTo, refusal] : cases) {
        SCOPED_TRACE(status);
        auto shown = [&, &status = status] { return d.mapStatus()->text().remove(QChar(0x200B)).toStdString().substr(0, status.size()); };
        if (!text.empty()) writeBytes(model, text);
        if (!d.modelList()->count()) prompter.pickFiles({model, path("tests/buf.v")}), d.addModel();
        QElapsedTimer t;
        for (t.start(); !text.empty() && shown() != status && t.elapsed() < 20000;) QTest::qWait(20);
        if (!map.empty()) {
            writeBytes(path("tests/bom.map"), map);
            prompter.pickFile(path("tests/bom.map"));
            d.loadMap();
            EXPECT_EQ(d.mapText(), map.substr(3));  // without its byte order mark
        }
        EXPECT_EQ(shown(), status);
        QApplication::processEvents();
        EXPECT_LE(d.width(), 600);
        if (saveTo.empty()) continue;
        const std::string before = readAll(saveTo);
        prompter.questions.clear();
        prompter.pickFile(saveTo);
        d.saveMap();
        EXPECT_EQ(prompter.dialogs.back().directory, ok);
        EXPECT_EQ(prompter.errors(), refusal.empty() ? std::vector<std::string>{} : std::vector<std::string>{refusal});
        EXPECT_EQ(readAll(saveTo) == before, !refusal.empty());
    }
    EXPECT_EQ(prompter.dialogs.front().directory, path("tests"));  // "Добавить..." starts beside the test
}
