#pragma once
// The formula commands shared by the dialog "Функция", the "Формула" band and the main
// window: which rows carry a formula, Apply with its warning, and the command "Функция...".

#include <functional>
#include <optional>
#include <string>

#include "platform/prompter.h"
#include "functions/formula.h"
#include "model/test_document.h"

namespace kvx::functions::ui {

class Tfm_Funct;
class FormulaBand;

inline constexpr const char* kFormulaError = "Ошибка в формуле";
inline constexpr const char* kChangeToFunctionQuestion = "Изменить тип текущего контакта на O=F(c)?";

/// True for a used pin row of type "O=F(c)" and for the output row of a used pin whose own
/// type is "O/i=F(c)".
bool isFunctionRow(const model::TestDocument& doc, int row);

/// Apply of a formula text to `row`: fills the row when the formula is valid, warns
/// "Ошибка в формуле" when it is not (an empty text warns nothing) and stores the normalised
/// text either way. Returns nullopt and changes nothing when `row` is not a function row.
std::optional<ApplyResult> applyFormulaText(model::TestDocument& doc, platform::Prompter& prompter, int row,
                                            const std::string& text);

/// What the command "Функция..." did.
enum class FunctionCommandOutcome {
    Nothing,          ///< no row, a supply pin, or a row that is not shown
    Declined,         ///< the user answered No, or the type change did not make a function row
    Shown,            ///< the row already had a formula type; the dialog is shown
    TypeChanged,      ///< the row became a function row and the dialog is shown
};

/// Turns a row into a function row the way the pin type selector does when "O=F(c)" is
/// chosen on it (a pin row becomes "O=F(c)", an output row "O/i=F(c)").
using ChooseFunctionType = std::function<void(int row)>;

/// The command "Функция..." for the main window's current row (0 when none is current, in
/// which case pin 1 is taken but only shown when it already is a function pin). For another
/// signal row it asks "Изменить тип текущего контакта на O=F(c)?"; "VCC" and "GND" pins are left
/// alone. On the output row of an I/O pin the question turns that row into "O/i=F(c)".
/// The band (when given) is moved to the row before the dialog is shown for it, unless it already
/// follows that function row: then the dialog shows the band's text as it stands.
/// `chooseType` performs the type change; when empty the row's type is stored directly and an
/// I/O pin's output row is removed from the current test's display order.
/// After TypeChanged the caller repaints the pin column and re-lays out the diagram.
FunctionCommandOutcome runFunctionCommand(model::TestDocument& doc, platform::Prompter& prompter, Tfm_Funct& dialog,
                                          FormulaBand* band, int currentRow,
                                          const ChooseFunctionType& chooseType = {});

}  // namespace kvx::functions::ui
