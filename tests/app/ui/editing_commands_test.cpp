// The editing commands of the main window's menus and bands reach the diagram, the formula
// dialog, the "Формула" panel and the pulse generator.
#include <QFocusEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolBar>

#include "functions/ui/formula_band.h"
#include "functions/ui/formula_dialog.h"
#include "functions/ui/generator_dialog.h"
#include "tbf_fixture.h"

namespace kvx::testing {
namespace {

class EditingCommands : public TbfFixture {
protected:
    void SetUp() override {
        TbfFixture::SetUp();
        showNewTest();
    }
    diagram::DiagramWidget& area() { return *tbf().diagramArea(); }
    void click(int c, int k) { clickCell(c, k); }
    std::string levels(int row) {
        std::string s;
        for (int t = 1; t <= doc().tactCount(); ++t) s += static_cast<char>('0' + doc().getCell(0, row, t));
        return s;
    }
    const app::MainActions& A() { return tbf().actions(); }
};

TEST_F(EditingCommands, FillsAndTactCommandsActOnTheCurrentCell) {
    click(3, 1);
    A().fillHigh->trigger();
    EXPECT_EQ(levels(1), "22" + std::string(24, '1'));
    click(5, 1);
    A().fillLow->trigger();
    EXPECT_EQ(levels(1), "2211" + std::string(22, '0'));

    A().insertTact->trigger();
    EXPECT_EQ(doc().tactCount(), 27);
    EXPECT_EQ(tbf().tactCountField()->value(), 27) << "the field follows the count";
    A().deleteTact->trigger();
    A().deleteTact->trigger();
    EXPECT_EQ(doc().tactCount(), 25);
    EXPECT_EQ(levels(1), "2211" + std::string(21, '0'));
    A().fillInactive->trigger();
    EXPECT_EQ(levels(1), std::string(25, '2').replace(2, 2, "11"));
}

TEST_F(EditingCommands, TheTactFieldSetsTheCountAndLeavingItForgetsHiddenTacts) {
    QSpinBox* field = tbf().tactCountField();
    doc().setCell(0, 1, 20, model::kHigh);
    field->findChild<QLineEdit*>()->setText("16");
    EXPECT_EQ(doc().tactCount(), 16);
    field->findChild<QLineEdit*>()->setText("26");
    EXPECT_EQ(doc().getCell(0, 1, 20), model::kHigh) << "without leaving the field the tacts come back";

    field->findChild<QLineEdit*>()->setText("16");
    tbf().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&tbf()));
    field->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), static_cast<QWidget*>(field), 1000);
    area().canvas()->setFocus(Qt::MouseFocusReason);  // the user leaves the field
    EXPECT_EQ(doc().tactHighWater(), 16);
    field->findChild<QLineEdit*>()->setText("26");
    EXPECT_EQ(doc().getCell(0, 1, 20), model::kInactive) << "after leaving it they start inactive";

    doc().setTactCount(30);
    field->findChild<QLineEdit*>()->setText("12");
    A().applyTactCount->trigger();
    EXPECT_EQ(doc().tactCount(), 12) << "\"Изменить\" applies the field again";
}

TEST_F(EditingCommands, FunctionCommandAsksThenTheBandAndDialogShareTheFormula) {
    for (int t = 1; t <= 26; ++t) doc().setCell(0, 1, t, t % 3 ? model::kHigh : model::kLow);
    click(1, 2);  // pin 2, an input
    prompter.answer(platform::Answer::Yes);
    A().function->trigger();
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(prompter.questions[0].text, "Изменить тип текущего контакта на O=F(c)?");
    EXPECT_EQ(doc().pin(2).pinType, "O=F(c)");
    auto* dialog = tbf().formulaDialog();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(A().applyFunction->isEnabled());
    EXPECT_FALSE(tbf().bands().formula->isHidden()) << "the new function row brings the band";

    tbf().formulaBand()->field()->setText("!(c1)");
    EXPECT_EQ(dialog->formulaText(), "!(c1)") << "the dialog mirrors the panel";
    A().applyFunction->trigger();
    EXPECT_EQ(doc().pinFunction(0, 2), "!(C1)");
    for (int t = 1; t <= 26; ++t) ASSERT_EQ(doc().getCell(0, 2, t), t % 3 ? model::kLow : model::kHigh) << t;
    EXPECT_FALSE(dialog->isVisible()) << "Apply from the panel closes the dialog";

    // A level key on pin 1 recalculates the formula row.
    click(1, 1);
    QTest::keyClick(area().canvas(), Qt::Key_0);
    EXPECT_EQ(doc().getCell(0, 2, 1), model::kHigh);

    // Moving to an input row disables the panel and empties its field.
    click(1, 3);
    EXPECT_FALSE(A().applyFunction->isEnabled());
    EXPECT_TRUE(tbf().formulaBand()->field()->text().isEmpty());
}

TEST_F(EditingCommands, TheFormulaBandComesBackWhenAFunctionRowBecomesCurrent) {
    QToolBar* band = tbf().bands().formula;
    doc().setPinType(2, "O=F(c)");
    doc().setPinFunction(0, 2, "C1");
    area().refresh();
    ASSERT_TRUE(band->isHidden()) << "a new test hides it";
    click(1, 1);
    EXPECT_TRUE(band->isHidden()) << "an input row leaves it hidden";
    click(1, 2);
    EXPECT_FALSE(band->isHidden());
    EXPECT_EQ(tbf().formulaField()->text(), "C1");

    // Hidden through "Вид", it stays hidden on other rows and returns on the function row.
    QMetaObject::invokeMethod(tbf().findChild<QMenu*>("viewMenu"), "aboutToShow");
    A().viewFunctions->trigger();
    ASSERT_TRUE(band->isHidden());
    click(1, 3);
    EXPECT_TRUE(band->isHidden());
    click(1, 2);
    EXPECT_FALSE(band->isHidden());

    // An opened test hides it even when its first row, current after the load, has a formula.
    const std::string file = path("function_first.kvx");
    {
        model::TestDocument source;
        source.clearDocument();
        source.setPinType(1, "O=F(c)");
        source.setPinFunction(0, 1, "1");
        ASSERT_TRUE(storage::saveTestFile(source, file).ok);
    }
    prompter.answer(platform::Answer::No);
    ASSERT_EQ(tbf().loadFile(file), app::LoadOutcome::Loaded);
    EXPECT_TRUE(band->isHidden());
    EXPECT_TRUE(A().applyFunction->isEnabled()) << "the panel itself follows the current row";
    EXPECT_EQ(tbf().formulaField()->text(), "1");
    click(1, 1);
    EXPECT_FALSE(band->isHidden());
}

TEST_F(EditingCommands, GeneratorFillsTheCurrentRowAndFormulaRowsFollow) {
    doc().setPinType(2, "O=F(c)");
    doc().setPinFunction(0, 2, "C1");
    area().refresh();
    click(4, 1);
    A().generator->trigger();
    auto* generator = tbf().generatorDialog();
    ASSERT_TRUE(generator->isVisible());
    EXPECT_EQ(generator->targetRow(), 1);
    EXPECT_EQ(generator->pulseFrom()->value(), 4);
    generator->BitBtn1Click();
    EXPECT_FALSE(generator->isVisible());
    EXPECT_EQ(doc().getCell(0, 1, 3), model::kInactive) << "tacts before the range stay";
    EXPECT_NE(doc().getCell(0, 1, 4), model::kInactive);
    for (int t = 1; t <= 26; ++t) ASSERT_EQ(doc().getCell(0, 2, t), doc().getCell(0, 1, t)) << t;

    // A row that cannot be filled leaves the generator closed.
    click(4, 2);
    A().generator->trigger();
    EXPECT_FALSE(generator->isVisible());
}

}  // namespace
}  // namespace kvx::testing
