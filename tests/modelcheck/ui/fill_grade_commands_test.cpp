// "Сервис" > "Заполнить выходы по модели" and "Покрытие неисправностей..." on the example chips
// with the real simulator: the fill is one step of the history and keeps to the selected
// block, the grading lists and marks the faults a test lets through, and a missing model, a
// missing simulator, a refused map, a looping model, "Отмена" and a test changed during the
// run each end with a clear message and the test as it was.

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <fstream>

#include "../../app/ui/tbf_fixture.h"
#include "app/ui/document_history.h"
#include "modelcheck/model_settings.h"
#include "modelcheck/ui/fault_coverage_dialog.h"
#include "modelcheck/ui/fill_from_model_command.h"

using namespace kvx;
using modelcheck::ui::FaultCoverageDialog;
using modelcheck::ui::FillFromModelCommand;

namespace {

const std::string kExamples = std::string(KVX_SOURCE_DIR) + "/examples/";

class FillGradeTest : public kvx::testing::TbfFixture {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable("iverilog").isEmpty())
            GTEST_SKIP() << "Icarus Verilog (iverilog and vvp) is not installed";
        TbfFixture::SetUp();
        showNewTest();
    }
    QAction* command(const QString& text) {
        for (QAction* menu : tbf().menuBar()->actions())
            if (menu->text() == QStringLiteral("Сервис"))
                for (QAction* a : menu->menu()->actions())
                    if (a->text() == text) return a;
        ADD_FAILURE() << "no command " << text.toStdString();
        return nullptr;
    }
    /// A copy of an example (its O rows made inactive when `drawnInputs`) open in the window,
    /// with `models` (none: no settings) and `map` kept for it.
    void openExample(const std::string& name, bool drawnInputs, const std::vector<std::string>& models,
                     const std::string& map = {}) {
        doc().setSaved(true);  // the case before leaves its changes
        model::TestDocument test;
        ASSERT_EQ(storage::loadTestFile(test, kExamples + name + ".kvx").status, storage::LoadStatus::Loaded);
        if (drawnInputs)
            for (int pin = 1; pin <= test.pinCount(); ++pin)
                if (test.pin(pin).pinType == model::PinType::Output)
                    for (int t = 1; t <= test.tactCount(); ++t) test.setCell(0, pin, t, model::kInactive);
        const std::string file = path(name + "-" + std::to_string(++opened_) + ".kvx");
        ASSERT_TRUE(storage::saveTestFile(test, file).ok);
        ASSERT_EQ(tbf().loadFile(file), app::LoadOutcome::Loaded);
        ASSERT_TRUE(models.empty() || modelcheck::saveModelSettings(settings, file, {models, "", map, 100}));
    }
    template <class F>
    static void waitWhile(F busy) {
        QElapsedTimer t;
        t.start();
        while (busy() && t.elapsed() < 60000) QTest::qWait(20);
        ASSERT_FALSE(busy()) << "the run did not end";
    }
    std::vector<std::string> messages() {
        std::vector<std::string> out;
        for (const auto& q : prompter.questions) out.push_back(q.text);
        prompter.questions.clear();
        return out;
    }
    std::string cells() { return storage::writeTestFileBytes(doc()); }
    int opened_ = 0;
    /// A 74HC00 model whose simulation never advances time.
    std::string loopingModel() {
        std::ofstream(path("loop.v"))
            << "module hc00(input A1, B1, A2, B2, A3, B3, A4, B4, output Y1, Y2, Y3, Y4, input VCC, GND);\n"
               "  reg spin = 0;\n  always @(A1 or spin) spin <= ~spin;\n  assign Y1 = ~(A1 & B1);\n"
               "  assign Y2 = ~(A2 & B2);\n  assign Y3 = ~(A3 & B3);\n  assign Y4 = ~(A4 & B4);\nendmodule\n";
        return path("loop.v");
    }
};

}  // namespace

TEST_F(FillGradeTest, FillsTheOutputsAsOneStepOrSaysWhyNot) {
    struct Case {
        const char* name;
        bool model = true, loop = false, noSimulator = false, cancel = false;
        std::string map;
        int blockFirst = 0, blockLast = 0;  // tacts of the selected block
        std::string message;                // in the one message; empty: no message
        bool filled;
    };
    const std::vector<Case> cases = {
        {"whole test", true, false, false, false, {}, 0, 0, "Заполнено ", true},
        {"block", true, false, false, false, {}, 3, 6, "Заполнено 16 уровней, изменено ", true},
        {"no model files", false, false, false, false, {}, 0, 0, modelcheck::ui::kNoModelFiles, false},
        {"refused map", true, false, false, false, "NOPE pin 1\n", 0, 0, "NOPE", false},
        {"no simulator", true, false, true, false, {}, 0, 0, modelcheck::kNoSimulator, false},
        {"looping model", true, true, false, false, {}, 0, 0, "Симуляция не закончилась за 1 с", false},
        {"cancelled", true, true, false, true, {}, 0, 0, "", false},
    };
    auto* fill = tbf().findChild<FillFromModelCommand*>();
    ASSERT_TRUE(fill);
    fill->setTimeLimit(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string model = c.loop ? loopingModel() : kExamples + "74hc00.v";
        openExample("74hc00", true, c.model ? std::vector<std::string>{model} : std::vector<std::string>{}, c.map);
        auto& area = *tbf().diagramArea();
        if (c.blockFirst) {
            area.goToCell(3, c.blockFirst);  // Y1, one of the four outputs
            for (int t = c.blockFirst; t < c.blockLast; ++t) QTest::keyClick(area.canvas(), Qt::Key_Right, Qt::ShiftModifier);
            QApplication::processEvents();
        }
        const std::string before = cells();
        const int steps = tbf().history().stack().index();
        const QByteArray searchPath = qgetenv("PATH");
        if (c.noSimulator) qputenv("PATH", QDir(QString::fromStdString(folder())).filePath("empty").toLocal8Bit());
        command(QStringLiteral("Заполнить выходы по модели"))->trigger();
        if (c.cancel) {
            ASSERT_TRUE(fill->waitWindow());
            QTest::qWait(200);
            fill->waitWindow()->findChild<QPushButton*>()->click();
        }
        waitWhile([&] { return fill->running(); });
        qputenv("PATH", searchPath);
        QApplication::processEvents();
        const auto shown = messages();
        if (c.message.empty()) {
            EXPECT_TRUE(shown.empty());
        } else {
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_NE(shown[0].find(c.message), std::string::npos) << shown[0];
        }
        EXPECT_FALSE(fill->waitWindow());
        if (!c.filled) {
            EXPECT_EQ(cells(), before);
            continue;
        }
        // The levels are the example's own where the block (or the whole test) lies, and one
        // "Отменить" takes the fill back entirely.
        model::TestDocument example;
        ASSERT_EQ(storage::loadTestFile(example, kExamples + "74hc00.kvx").status, storage::LoadStatus::Loaded);
        for (int pin : {3, 6, 8, 11})
            for (int t = 1; t <= doc().tactCount(); ++t) {
                const bool inside = !c.blockFirst || (t >= c.blockFirst && t <= c.blockLast);
                EXPECT_EQ(doc().getCell(0, pin, t), inside ? example.getCell(0, pin, t) : model::kInactive)
                    << "pin " << pin << " tact " << t;
            }
        EXPECT_EQ(tbf().history().stack().index(), steps + 1);
        tbf().history().undo();
        EXPECT_EQ(cells(), before);
    }
}

TEST_F(FillGradeTest, GradesTheTestListsAndMarksWhatItMisses) {
    struct Case {
        const char* name;
        std::string test;
        bool model;
        bool changeDuringRun;
        std::string figure;
        int listed;                // lines in the list
        std::vector<int> marked;   // pins marked in the pin column
        std::string note;          // the start of the note
    };
    const std::vector<Case> cases = {
        {"weak 74HC00", "74hc00-weak", true, false, "Обнаружено 16 из 24 неисправностей (66 %)", 8,
         {1, 2, 4, 5, 9, 10, 12, 13}, ""},
        {"whole 74HC00", "74hc00", true, false, "Обнаружено 24 из 24 неисправностей (100 %)", 1, {}, ""},
        {"without a model", "74hc00-weak", false, false, "Файлы модели не заданы: оценены только выходы, по их ожидаемым уровням",
         1, {}, "Неисправности входов без модели не оцениваются"},
        {"changed during the run", "74hc00", true, true, modelcheck::ui::kCoverageTestChanged, 0, {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        openExample(c.test, false, c.model ? std::vector<std::string>{kExamples + "74hc00.v"} : std::vector<std::string>{});
        command(QStringLiteral("Покрытие неисправностей..."))->trigger();
        auto* d = tbf().findChild<FaultCoverageDialog*>();
        ASSERT_TRUE(d && d->isVisible());
        if (c.changeDuringRun) {
            EXPECT_TRUE(d->running());
            doc().setCell(0, 1, 1, 1 - doc().getCell(0, 1, 1));
        }
        waitWhile([&] { return d->running(); });
        EXPECT_EQ(d->figure()->text().toStdString(), c.figure);
        EXPECT_EQ(d->faultList()->count(), c.listed);
        EXPECT_EQ(tbf().diagramArea()->markedPins(), c.marked);
        EXPECT_EQ(d->note()->text().toStdString().rfind(c.note, 0), 0u) << d->note()->text().toStdString();
        EXPECT_TRUE(messages().empty());
        if (!c.marked.empty()) {
            // A double click goes to the pin's row; the next change of the test takes the marks away.
            d->goToLine(2);
            EXPECT_EQ(tbf().diagramArea()->view().currentRow, c.marked[2]);
            doc().setCell(0, 1, 1, 1 - doc().getCell(0, 1, 1));
            tbf().history().endAction();
            EXPECT_TRUE(tbf().diagramArea()->markedPins().empty());
        }
        d->close();
    }
}

TEST_F(FillGradeTest, GradingRefusalsAreShownInTheWindow) {
    struct Case {
        const char* name;
        bool loop, noSimulator, cancel;
        std::string figure;  // the start of the figure line and of the message (none when cancelled)
    };
    const std::vector<Case> cases = {
        {"no simulator", false, true, false, modelcheck::kNoSimulator},
        {"looping model", true, false, false, "Симуляция не закончилась за 1 с"},
        {"cancelled", true, false, true, modelcheck::ui::kCoverageCancelled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        openExample("74hc00", false, {c.loop ? loopingModel() : kExamples + "74hc00.v"});
        const QByteArray searchPath = qgetenv("PATH");
        if (c.noSimulator) qputenv("PATH", QDir(QString::fromStdString(folder())).filePath("empty").toLocal8Bit());
        auto* command = tbf().findChild<modelcheck::ui::FaultCoverageCommand*>();
        command->setTimeLimit(c.cancel ? 600 : 1);
        command->open();
        auto* d = command->dialog();
        if (c.cancel) {
            QTest::qWait(300);
            d->cancelButton()->click();
        }
        waitWhile([&] { return d->running(); });
        qputenv("PATH", searchPath);
        EXPECT_EQ(d->figure()->text().toStdString().rfind(c.figure, 0), 0u) << d->figure()->text().toStdString();
        const auto shown = messages();
        EXPECT_TRUE(tbf().diagramArea()->markedPins().empty());
        EXPECT_EQ(d->faultList()->count(), 0);
        if (c.cancel) {
            EXPECT_TRUE(shown.empty());
            d->close();
            continue;
        }
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].rfind(c.figure, 0), 0u);
        d->close();
    }
}
