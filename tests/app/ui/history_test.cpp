// The history of the main window and the blocks of cells: every command is one step that undo
// takes back exactly and redo brings again, the test is saved again when undo reaches the saved
// state, and blocks travel through the clipboard as their text.
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QStatusBar>
#include <QTest>
#include <functional>

#include "app/ui/document_history.h"
#include "app/ui/edit_commands.h"
#include "diagram/pin_editing.h"
#include "functions/formula.h"
#include "tbf_fixture.h"

namespace kvx::testing {
namespace {

class History : public TbfFixture {
public:
    void SetUp() override {
        TbfFixture::SetUp();
        showNewTest();
        doc().setTactCount(26);
        for (int t = 1; t <= 26; ++t) doc().setCell(0, 1, t, t % 2 ? model::kHigh : model::kLow);
        doc().setSaved(true);
        history().restart();
    }
    app::TBF& mainWindow() { return tbf(); }
    void click(int c, int k) { clickCell(c, k); }
    ScriptedPrompter& scripted() { return prompter; }
    app::DocumentHistory& history() { return tbf().history(); }
    diagram::DiagramWidget& area() { return *tbf().diagramArea(); }
    model::TestDocument& document() { return doc(); }
    const app::EditActions& E() { return tbf().editCommands().actions(); }
    std::string snapshot() { return storage::writeTestFileBytes(doc()); }
};

TEST_F(History, EveryCommandIsOneStepThatUndoTakesBackAndRedoBringsAgain) {
    struct Case {
        const char* what;
        std::function<void(History&)> act;
    };
    const std::vector<Case> cases = {
        {"levels typed into one row",
         [](History& h) {
             h.click(3, 2);
             for (Qt::Key k : {Qt::Key_1, Qt::Key_0, Qt::Key_1}) QTest::keyClick(h.area().canvas(), k);
         }},
        {"a fill", [](History& h) {
             h.click(5, 1);
             h.mainWindow().actions().fillLow->trigger();
         }},
        {"a tact inserted", [](History& h) {
             h.click(4, 1);
             h.mainWindow().actions().insertTact->trigger();
         }},
        {"a tact deleted", [](History& h) {
             h.click(2, 1);
             h.mainWindow().actions().deleteTact->trigger();
         }},
        {"a pin becomes I/O", [](History& h) {
             diagram::changePinType(h.document(), 3, model::PinType::InOut, 1, h.scripted());
         }},
        {"a block pasted with inserted tacts", [](History& h) {
             QGuiApplication::clipboard()->setText("10\n01\n");
             h.click(6, 1);
             h.E().pasteInsert->trigger();
         }},
        {"the tact count", [](History& h) { h.document().setTactCount(40); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string before = snapshot();
        history().restart();
        doc().setSaved(true);
        c.act(*this);
        history().commit();
        const std::string after = snapshot();
        ASSERT_NE(after, before);
        EXPECT_EQ(history().stack().count(), 1) << "one step";
        EXPECT_FALSE(doc().saved());
        E().undo->trigger();
        EXPECT_EQ(snapshot(), before);
        EXPECT_TRUE(doc().saved()) << "undo back to the saved state";
        E().redo->trigger();
        EXPECT_EQ(snapshot(), after);
        EXPECT_FALSE(doc().saved());
        E().undo->trigger();
    }
}

TEST_F(History, OpeningAFileStartsANewHistoryAndSavingMarksTheCleanState) {
    doc().setCell(0, 2, 2, model::kHigh);
    history().commit();
    ASSERT_TRUE(E().undo->isEnabled());
    const std::string file = path("h.kvx");
    prompter.pickFile(file);
    ASSERT_EQ(tbf().save(), app::SaveOutcome::Saved);
    doc().setCell(0, 2, 3, model::kHigh);
    history().commit();
    E().undo->trigger();
    EXPECT_TRUE(doc().saved()) << "back at the saved state";
    E().undo->trigger();
    EXPECT_FALSE(doc().saved()) << "before the saved state";
    prompter.answer(platform::Answer::No);  // the unsaved change is dropped
    ASSERT_EQ(tbf().openPassedFile(QString::fromStdString(file)), app::LoadOutcome::Loaded);
    EXPECT_EQ(history().stack().count(), 0);
    EXPECT_FALSE(E().undo->isEnabled());
}

TEST_F(History, BlocksAreCopiedAsTextAndPastedOverEditableRowsOnly) {
    doc().setPinType(2, model::PinType::Function);
    doc().setPinFunction(0, 2, "C1");
    functions::RecalculateFunctionPins(doc());
    clickCell(1, 1);
    for (int i = 0; i < 3; ++i) QTest::keyClick(area().canvas(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(area().canvas(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(area().block().rows(), 2);
    EXPECT_EQ(area().block().tacts(), 4);
    E().copy->trigger();
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(mime->hasFormat(diagram::DiagramWidget::kBlockMimeType));
    EXPECT_EQ(mime->text().toStdString(), "1010\n1010\n") << "row 2 follows its formula C1";

    QGuiApplication::clipboard()->setText("0000\n0000\n0000\n");
    clickCell(24, 1);
    E().paste->trigger();
    EXPECT_EQ(doc().tactCount(), 27) << "the block reaches beyond the last tact";
    EXPECT_EQ(doc().getCell(0, 1, 27), model::kLow);
    EXPECT_EQ(doc().getCell(0, 3, 25), model::kLow);
    EXPECT_EQ(doc().getCell(0, 2, 25), doc().getCell(0, 1, 25)) << "the formula row is computed, not pasted";

    E().cut->trigger();
    EXPECT_EQ(doc().getCell(0, 1, 24), model::kInactive) << "the pasted block is cut";
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString().substr(0, 4), "0000");

    QGuiApplication::clipboard()->setText("not levels");
    const std::string before = snapshot();
    E().paste->trigger();
    EXPECT_EQ(snapshot(), before) << "a text that is not a block changes nothing";
    EXPECT_EQ(tbf().statusBar()->currentMessage().toStdString(),
              "В буфере обмена нет блока уровней: вставлять нечего");
}

}  // namespace
}  // namespace kvx::testing
