#include "functions/ui/formula_actions.h"

#include "functions/ui/formula_band.h"
#include "functions/ui/formula_dialog.h"

namespace kvx::functions::ui {

namespace {

using model::PinType::Function;
using model::PinType::Ground;
using model::PinType::InOut;
using model::PinType::IoFunction;
using model::PinType::Supply;

bool isUsedOutputRow(const model::TestDocument& doc, int row) {
    const int pin = row - model::kPinRows;
    return row > model::kPinRows && row <= model::kMaxRow && pin <= doc.pinCount() && doc.pin(pin).pinType == InOut;
}

// Removes the output row of `pin` from the current test's display order; later rows move up.
void removeOutputRowEntry(model::TestDocument& doc, int pin) {
    const int test = doc.currentTest();
    const model::SignalEntry output{pin, model::RowKind::Output};
    for (int k = 1; k <= model::kMaxRow; ++k) {
        if (doc.signalEntry(test, k) != output) continue;
        for (int j = k; j < model::kMaxRow; ++j) doc.setSignalEntry(test, j, doc.signalEntry(test, j + 1));
        doc.setSignalEntry(test, model::kMaxRow, {});
        return;
    }
}

// The type change of the pin type selector for the choice "O=F(c)".
void storeFunctionType(model::TestDocument& doc, int row) {
    if (row > model::kPinRows) {
        doc.setPinType(row, IoFunction);
        return;
    }
    const bool wasInOut = doc.pin(row).pinType == InOut;
    doc.setPinType(row, Function);
    if (wasInOut) removeOutputRowEntry(doc, row);
}

}  // namespace

bool isFunctionRow(const model::TestDocument& doc, int row) {
    if (row >= 1 && row <= doc.pinCount()) return doc.pin(row).pinType == Function;
    return isUsedOutputRow(doc, row) && doc.pin(row).pinType == IoFunction;
}

std::optional<ApplyResult> applyFormulaText(model::TestDocument& doc, platform::Prompter& prompter, int row,
                                            const std::string& text) {
    if (!isFunctionRow(doc, row)) return std::nullopt;
    ApplyResult result = applyFormula(doc, row, text);
    if (!text.empty() && !result.valid) prompter.ask(kFormulaError, platform::Icon::Warning, platform::Buttons::Ok);
    return result;
}

FunctionCommandOutcome runFunctionCommand(model::TestDocument& doc, platform::Prompter& prompter, Tfm_Funct& dialog,
                                          FormulaBand* band, int currentRow, const ChooseFunctionType& chooseType) {
    const bool noRow = currentRow <= 0;
    const int row = noRow ? 1 : currentRow;
    const bool pinRow = row >= 1 && row <= doc.pinCount();
    if (!pinRow && !isUsedOutputRow(doc, row)) return FunctionCommandOutcome::Nothing;

    auto showDialog = [&] {
        // The dialog shows what "F=" shows: a text typed there and not yet applied stays. The
        // band is moved only when it does not follow this function row yet.
        if (band && (band->currentRow() != row || !band->isEnabled())) band->setCurrentRow(row);
        dialog.showForRow(row);
    };
    if (isFunctionRow(doc, row)) {
        showDialog();
        return FunctionCommandOutcome::Shown;
    }
    if (noRow) return FunctionCommandOutcome::Nothing;
    const std::string& type = doc.pin(row).pinType;
    if (pinRow && (type == Supply || type == Ground)) return FunctionCommandOutcome::Nothing;

    if (prompter.ask(kChangeToFunctionQuestion, platform::Icon::Question, platform::Buttons::YesNo) != platform::Answer::Yes)
        return FunctionCommandOutcome::Declined;
    if (chooseType)
        chooseType(row);
    else
        storeFunctionType(doc, row);
    if (!isFunctionRow(doc, row)) return FunctionCommandOutcome::Declined;  // the type change refused it
    showDialog();
    return FunctionCommandOutcome::TypeChanged;
}

}  // namespace kvx::functions::ui
