// "Сервис" > "Проверить на модели..." on the counter example and its model: the window runs
// the real simulator, lists the mismatches, frames their cells until the next edit, goes to a
// cell on a double click, remembers the model files of each test and says what to install
// when the simulator cannot be found.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

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
        while (d.running() && t.elapsed() < 60000) QTest::qWait(20);
        ASSERT_FALSE(d.running()) << "the check did not end";
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
        std::vector<std::string> lines;
        std::vector<Marked> marks;
        std::string progress;
    };
    const std::vector<Case> cases = {
        {"as shipped", 0, 0, false, {}, {}, "Совпало 370 из 370 сравнений"},
        {"one level flipped", 20, 12, false, {"Такт 20, вывод 12 (Q2): ожидалось 0, модель дала 1"}, {{12, 20}},
         "Совпало 369 из 370 сравнений"},
        {"no simulator", 0, 0, true, {}, {}, modelcheck::kNoSimulator},
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

        ModelCheckDialog& d = openCommand();
        EXPECT_EQ(d.modelList()->count(), 0);
        prompter.pickFile(kExamples + "74hc161.v");
        d.addModel();
        EXPECT_EQ(d.topField()->itemText(0).toStdString(), "hc161");
        const QByteArray searchPath = qgetenv("PATH");
        if (c.noSimulator) qputenv("PATH", QDir(QString::fromStdString(folder())).filePath("empty").toLocal8Bit());
        d.runButton()->click();
        waitForEnd(d);
        qputenv("PATH", searchPath);

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
        EXPECT_EQ(settings.value(modelcheck::ui::kModelFilesKey, modelcheck::ui::modelFilesName(file)),
                  kExamples + "74hc161.v\n");
        ASSERT_EQ(tbf().loadFile(file), app::LoadOutcome::Loaded);
        EXPECT_EQ(openCommand().modelList()->count(), 1);
        EXPECT_EQ(openCommand().modelList()->item(0)->text().toStdString(), kExamples + "74hc161.v");
        EXPECT_EQ(readAll(file).find("74hc161.v"), std::string::npos);
        d.hide();
    }
}
