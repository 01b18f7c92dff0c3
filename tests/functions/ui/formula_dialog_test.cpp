#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "functions/ui/formula_actions.h"
#include "functions/ui/formula_band.h"
#include "functions/ui/formula_dialog.h"
#include "../../platform/scripted_prompter.h"

namespace kvx::functions::ui {
namespace {

using model::CellLevel;
using kvx::testing::ScriptedPrompter;

// An 8-pin test: pins 1 and 2 drawn inputs, pin 3 a function pin named "Y".
class FormulaWidgets : public ::testing::Test {
protected:
    void SetUp() override {
        doc.setPinType(3, "O=F(c)");
        doc.setPinName(3, "Y");
        doc.setPinFunction(0, 3, "C1|C2");
        for (int t = 1; t <= doc.tactCount(); ++t) {
            doc.setCell(0, 1, t, static_cast<CellLevel>(t % 2));
            doc.setCell(0, 2, t, static_cast<CellLevel>((t / 2) % 2));
        }
        doc.setCell(0, 1, 26, 2);
        linkFormulaBand(band, dialog);
    }

    std::vector<CellLevel> row(int r) const {
        std::vector<CellLevel> out;
        for (int t = 1; t <= doc.tactCount(); ++t) out.push_back(doc.getCell(0, r, t));
        return out;
    }

    model::TestDocument doc;
    ScriptedPrompter prompter;
    Tfm_Funct dialog{doc, prompter};
    FormulaBand band{doc, prompter};
};

TEST_F(FormulaWidgets, BandFollowsCurrentPinAndMirrorsWithDialog) {
    band.setCurrentRow(3);
    EXPECT_TRUE(band.isEnabled());
    EXPECT_EQ(band.text(), "C1|C2");
    EXPECT_EQ(dialog.formulaText(), "C1|C2");
    EXPECT_EQ(band.field()->toolTip(), "Функция контакта микросхемы");
    EXPECT_EQ(band.applyButton()->text(), "Применить функцию");

    dialog.showForRow(3);
    dialog.formulaField()->setFocus();
    dialog.formulaField()->setCursorPosition(5);
    QTest::keyClicks(dialog.formulaField(), "&C4");
    EXPECT_EQ(dialog.formulaText(), "C1|C2&C4");
    EXPECT_EQ(band.text(), "C1|C2&C4");

    band.field()->setCursorPosition(0);
    QTest::keyClicks(band.field(), "(");
    EXPECT_EQ(dialog.formulaText(), "(C1|C2&C4");
    EXPECT_EQ(doc.pinFunction(0, 3), "C1|C2") << "typing alone stores nothing";

    // Any other pin disables the band, empties both fields and the dialog's Apply.
    band.setCurrentRow(1);
    EXPECT_FALSE(band.isEnabled());
    EXPECT_EQ(band.text(), "");
    EXPECT_EQ(dialog.formulaText(), "");
    EXPECT_EQ(dialog.currentRow(), 1);
    EXPECT_FALSE(dialog.applyButton()->isEnabled());
    band.setCurrentRow(0);
    EXPECT_FALSE(band.isEnabled());
}

TEST_F(FormulaWidgets, HeaderShowsCurrentPin) {
    dialog.showForRow(3);
    EXPECT_EQ(dialog.windowTitle(), "Функция");
    EXPECT_EQ(dialog.pinNumberText(), "Контакт №  3");
    EXPECT_EQ(dialog.pinTypeText(), "Тип              O=F(c)");
    EXPECT_EQ(dialog.pinNameText(), "Имя             Y");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.isModal());

    // The output row of an I/O pin shows the pin's number and name with the row's own type.
    doc.setPinType(5, "I/O");
    doc.setPinName(5, "D0");
    doc.setPinType(55, "O/i=F(c)");
    dialog.setCurrentRow(55);
    EXPECT_EQ(dialog.pinNumberText(), "Контакт №  5");
    EXPECT_EQ(dialog.pinTypeText(), "Тип              O/i=F(c)");
    EXPECT_EQ(dialog.pinNameText(), "Имя             D0");
    EXPECT_TRUE(dialog.applyButton()->isEnabled());
}

TEST_F(FormulaWidgets, ApplyNormalisesFillsStoresAndCloses) {
    band.setCurrentRow(3);
    dialog.showForRow(3);
    QSignalSpy applied(&dialog, &Tfm_Funct::applied);
    dialog.setFormulaText(QString::fromUtf8("c1 & с2"));  // Latin c, spaces, Cyrillic es
    QTest::mouseClick(dialog.applyButton(), Qt::LeftButton);

    EXPECT_TRUE(prompter.questions.empty());
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_EQ(applied.count(), 1);
    EXPECT_EQ(applied.at(0).at(0).toInt(), 3);
    EXPECT_EQ(doc.pinFunction(0, 3), "C1&C2");
    EXPECT_EQ(dialog.formulaText(), "C1&C2");
    EXPECT_EQ(band.text(), "C1&C2");
    for (int t = 1; t <= doc.tactCount(); ++t) {
        const CellLevel a = doc.getCell(0, 1, t), b = doc.getCell(0, 2, t);
        const CellLevel expected = (a > 1 || b > 1) ? 2 : static_cast<CellLevel>(a & b);
        EXPECT_EQ(doc.getCell(0, 3, t), expected) << "tact " << t;
    }
    EXPECT_EQ(doc.getCell(0, 3, 26), 2);  // pin 1 inactive there
}

TEST_F(FormulaWidgets, InvalidFormulaWarnsKeepsCellsAndStoresText) {
    band.setCurrentRow(3);
    dialog.showForRow(3);
    const auto before = row(3);
    dialog.setFormulaText("! C1");
    dialog.apply();
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(prompter.questions[0].text, "Ошибка в формуле");
    EXPECT_EQ(prompter.questions[0].icon, platform::Icon::Warning);
    EXPECT_EQ(prompter.questions[0].buttons, platform::Buttons::Ok);
    EXPECT_EQ(row(3), before);
    EXPECT_EQ(doc.pinFunction(0, 3), "!C1");
    EXPECT_EQ(band.text(), "!C1");
    EXPECT_FALSE(dialog.isVisible());

    // An empty formula: no message, no cell change, the empty text is stored.
    dialog.showForRow(3);
    QTest::mouseClick(dialog.clearButton(), Qt::LeftButton);
    EXPECT_EQ(band.text(), "");
    dialog.apply();
    EXPECT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(row(3), before);
    EXPECT_EQ(doc.pinFunction(0, 3), "");
}

TEST_F(FormulaWidgets, BandApplyClosesDialogAndFillsRow) {
    band.setCurrentRow(3);
    dialog.showForRow(3);
    QSignalSpy applied(&band, &FormulaBand::applied);
    band.setText("1");
    QTest::mouseClick(band.applyButton(), Qt::LeftButton);
    EXPECT_EQ(applied.count(), 1);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(row(3), std::vector<CellLevel>(26, 1));
    EXPECT_EQ(doc.pinFunction(0, 3), "1");
}

TEST_F(FormulaWidgets, ApplyNeverOverwritesANonFunctionRow) {
    band.setCurrentRow(3);
    dialog.showForRow(3);
    const auto pin1 = row(1);
    band.setCurrentRow(1);            // the user clicked an input pin meanwhile
    dialog.setFormulaText("0");
    dialog.apply();
    band.apply();
    EXPECT_EQ(row(1), pin1);
    EXPECT_EQ(doc.pinFunction(0, 1), "");
    EXPECT_TRUE(prompter.questions.empty());
}

TEST_F(FormulaWidgets, EditingButtonsInsertAtCaretAndMoveItByOne) {
    dialog.showForRow(3);
    QLineEdit* f = dialog.formulaField();
    ASSERT_NE(dialog.editingButton("&&"), nullptr);
    for (const char* caption : {"|", "&&", "XOR", "!", "(..)", "0", "1"})
        ASSERT_NE(dialog.editingButton(caption), nullptr) << caption;

    dialog.setFormulaText("C1C2");
    f->setCursorPosition(2);
    QTest::mouseClick(dialog.editingButton("|"), Qt::LeftButton);
    EXPECT_EQ(f->text(), "C1|C2");
    EXPECT_EQ(f->cursorPosition(), 3);
    QTest::mouseClick(dialog.editingButton("XOR"), Qt::LeftButton);
    EXPECT_EQ(f->text(), "C1|XC2");
    EXPECT_EQ(f->cursorPosition(), 4);
    QTest::mouseClick(dialog.editingButton("&&"), Qt::LeftButton);
    EXPECT_EQ(f->text(), "C1|X&C2");
    f->setCursorPosition(0);
    QTest::mouseClick(dialog.editingButton("1"), Qt::LeftButton);
    QTest::mouseClick(dialog.editingButton("0"), Qt::LeftButton);
    EXPECT_EQ(f->text(), "10C1|X&C2");
    EXPECT_EQ(f->cursorPosition(), 2);
    EXPECT_EQ(band.text(), "10C1|X&C2");

    // "!" then "(..)" then typing: the caret sits inside the brackets, before the blank.
    dialog.setFormulaText("");
    QTest::mouseClick(dialog.editingButton("!"), Qt::LeftButton);
    QTest::mouseClick(dialog.editingButton("(..)"), Qt::LeftButton);
    EXPECT_EQ(f->text(), "!( )");
    EXPECT_EQ(f->cursorPosition(), 2);
    QTest::keyClicks(f, "C1");
    EXPECT_EQ(f->text(), "!(C1 )");
    dialog.apply();
    EXPECT_EQ(doc.pinFunction(0, 3), "!(C1)");
    for (int t = 1; t <= 25; ++t) EXPECT_EQ(doc.getCell(0, 3, t), 1 - doc.getCell(0, 1, t)) << t;
}

TEST_F(FormulaWidgets, CancelRestoresStoredFormulaEscapeDoesNot) {
    band.setCurrentRow(3);
    dialog.showForRow(3);
    dialog.setFormulaText("C1&C5");
    QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(band.text(), "C1|C2");
    EXPECT_EQ(doc.pinFunction(0, 3), "C1|C2");

    dialog.showForRow(3);
    dialog.setFormulaText("C1&C5");
    QTest::keyClick(dialog.formulaField(), Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(band.text(), "C1&C5");
    EXPECT_EQ(doc.pinFunction(0, 3), "C1|C2");
    EXPECT_TRUE(prompter.questions.empty());
}

TEST_F(FormulaWidgets, EnterInTheFieldApplies) {
    band.setCurrentRow(3);
    dialog.showForRow(3);
    dialog.setFormulaText("0");
    QTest::keyClick(dialog.formulaField(), Qt::Key_Return);
    EXPECT_EQ(doc.pinFunction(0, 3), "0");
    EXPECT_EQ(row(3), std::vector<CellLevel>(26, 0));
}

// ---- the command "Функция..." ------------------------------------------------

TEST_F(FormulaWidgets, CommandOnFunctionPinShowsDialogWithoutQuestion) {
    EXPECT_EQ(runFunctionCommand(doc, prompter, dialog, &band, 3), FunctionCommandOutcome::Shown);
    EXPECT_TRUE(prompter.questions.empty());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.currentRow(), 3);
    EXPECT_EQ(dialog.formulaText(), "C1|C2");
}

TEST_F(FormulaWidgets, CommandShowsTheTextTypedIntoTheBandNotTheStoredFormula) {
    band.setCurrentRow(3);
    band.field()->setFocus();
    band.field()->end(false);
    QTest::keyClicks(band.field(), "&C4");
    EXPECT_EQ(runFunctionCommand(doc, prompter, dialog, &band, 3), FunctionCommandOutcome::Shown);
    EXPECT_EQ(dialog.formulaText(), "C1|C2&C4");
    EXPECT_EQ(band.text(), "C1|C2&C4");
    EXPECT_EQ(doc.pinFunction(0, 3), "C1|C2");

    // A band that still follows another row is moved to the function row first.
    band.setCurrentRow(1);
    EXPECT_EQ(runFunctionCommand(doc, prompter, dialog, &band, 3), FunctionCommandOutcome::Shown);
    EXPECT_EQ(band.currentRow(), 3);
    EXPECT_TRUE(band.isEnabled());
    EXPECT_EQ(dialog.formulaText(), "C1|C2");
}

TEST_F(FormulaWidgets, CommandAsksBeforeChangingType) {
    prompter.answer(platform::Answer::No);
    EXPECT_EQ(runFunctionCommand(doc, prompter, dialog, &band, 2), FunctionCommandOutcome::Declined);
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(prompter.questions[0].text, "Изменить тип текущего контакта на O=F(c)?");
    EXPECT_EQ(prompter.questions[0].icon, platform::Icon::Question);
    EXPECT_EQ(prompter.questions[0].buttons, platform::Buttons::YesNo);
    EXPECT_EQ(doc.pin(2).pinType, "I");
    EXPECT_FALSE(dialog.isVisible());

    prompter.answer(platform::Answer::Yes);
    EXPECT_EQ(runFunctionCommand(doc, prompter, dialog, &band, 2), FunctionCommandOutcome::TypeChanged);
    EXPECT_EQ(doc.pin(2).pinType, "O=F(c)");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(band.isEnabled());
    EXPECT_EQ(dialog.pinTypeText(), "Тип              O=F(c)");
    EXPECT_TRUE(dialog.applyButton()->isEnabled());
}

TEST_F(FormulaWidgets, CommandLeavesSupplyPinsAndMissingRowAlone) {
    doc.setPinType(4, "GND");
    doc.setPinType(8, "VCC");
    EXPECT_EQ(runFunctionCommand(doc, prompter, dialog, &band, 4), FunctionCommandOutcome::Nothing);
    EXPECT_EQ(runFunctionCommand(doc, prompter, dialog, &band, 8), FunctionCommandOutcome::Nothing);
    EXPECT_EQ(runFunctionCommand(doc, prompter, dialog, &band, 0), FunctionCommandOutcome::Nothing);
    EXPECT_EQ(runFunctionCommand(doc, prompter, dialog, &band, 9), FunctionCommandOutcome::Nothing);
    EXPECT_EQ(runFunctionCommand(doc, prompter, dialog, &band, 101), FunctionCommandOutcome::Nothing);
    EXPECT_TRUE(prompter.questions.empty());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(doc.pin(4).pinType, "GND");

    // With no current row, pin 1 is taken when it already is a function pin.
    doc.setPinType(1, "O=F(c)");
    EXPECT_EQ(runFunctionCommand(doc, prompter, dialog, &band, 0), FunctionCommandOutcome::Shown);
    EXPECT_EQ(dialog.currentRow(), 1);
}

TEST_F(FormulaWidgets, CommandOnInOutPinRows) {
    doc.setPinType(5, "I/O");
    doc.setPinType(55, "O/i");
    // Display order: 1..5, output row of 5, 6..8.
    for (int k = 9; k > 6; --k) doc.setSignalEntry(0, k, doc.signalEntry(0, k - 1));
    doc.setSignalEntry(0, 6, {5, model::RowKind::Output});
    ASSERT_EQ(doc.signalRow(0, 6), 55);

    // The output row becomes "O/i=F(c)"; the pin row stays "I/O".
    prompter.answer(platform::Answer::Yes);
    EXPECT_EQ(runFunctionCommand(doc, prompter, dialog, &band, 55), FunctionCommandOutcome::TypeChanged);
    EXPECT_EQ(doc.pin(55).pinType, "O/i=F(c)");
    EXPECT_EQ(doc.pin(5).pinType, "I/O");
    EXPECT_EQ(dialog.currentRow(), 55);
    EXPECT_EQ(runFunctionCommand(doc, prompter, dialog, &band, 55), FunctionCommandOutcome::Shown);

    // The pin row of the I/O pin becomes "O=F(c)" and its output row leaves the display order.
    prompter.answer(platform::Answer::Yes);
    EXPECT_EQ(runFunctionCommand(doc, prompter, dialog, &band, 5), FunctionCommandOutcome::TypeChanged);
    EXPECT_EQ(doc.pin(5).pinType, "O=F(c)");
    EXPECT_EQ(doc.displayRowCount(), 8);
    for (int k = 1; k <= 8; ++k) EXPECT_EQ(doc.signalRow(0, k), k) << k;
}

TEST_F(FormulaWidgets, CommandUsesTheSuppliedTypeChange) {
    int called = 0;
    prompter.answer(platform::Answer::Yes);
    auto outcome = runFunctionCommand(doc, prompter, dialog, &band, 2, [&](int r) {
        ++called;
        doc.setPinType(r, "O=F(c)");
    });
    EXPECT_EQ(outcome, FunctionCommandOutcome::TypeChanged);
    EXPECT_EQ(called, 1);

    // A type change that does not make a function row shows no dialog.
    prompter.answer(platform::Answer::Yes);
    outcome = runFunctionCommand(doc, prompter, dialog, nullptr, 1, [&](int) { ++called; });
    EXPECT_EQ(outcome, FunctionCommandOutcome::Declined);
    EXPECT_EQ(called, 2);
}

}  // namespace
}  // namespace kvx::functions::ui
