#pragma once
// Pin list editing in the pin column: the type selector's items, a type change with its
// effect on the display order, and the pin name.

#include <array>
#include <string>

#include "platform/prompter.h"
#include "model/test_document.h"

namespace kvx::diagram {

/// Items of the pin type selector, in order.
inline constexpr std::array<const char*, 5> kPinTypeItems = {"I", "O", "I/O", "O=F(c)", "NC"};
inline constexpr const char* kNcQuestion =
    "Изменение типа контакта повлечет потерю данных на этом контакте. Продолжить?";
inline constexpr int kMaxPinNameLength = 7;

/// Item the selector preselects for a row's type; -1 for "VCC", "GND" (no selector).
int typeSelectorIndex(const std::string& pinType);
/// A click into the type or name cell opens the selector or the name editor except on supply
/// and ground pins: the package sets their type, and the test file keeps no name for them.
bool typeSelectorOpens(const model::TestDocument& doc, int row);

enum class TypeChangeOutcome {
    Unchanged,  ///< the type was the pin's type already: nothing happened
    Declined,   ///< "NC" was not confirmed: nothing happened
    Changed,
};
struct TypeChangeResult {
    TypeChangeOutcome outcome = TypeChangeOutcome::Unchanged;
    bool outputRowAdded = false;    ///< the display order gained an output row
    bool outputRowRemoved = false;  ///< the display order lost one
};

/// Gives row `row` (a pin row or the output row of an I/O pin) the type `selected` from the
/// selector. "NC" asks first and makes the row inactive from `currentTact` on. A new I/O pin
/// gets its output row "O/i" directly below its own row in every test; a pin that stops being
/// I/O loses its output row in every test. On an output row "O=F(c)" makes that row
/// "O/i=F(c)", any other item becomes the pin's type; "I/O" there, like the type a row has
/// already, changes nothing.
TypeChangeResult changePinType(model::TestDocument& doc, int row, const std::string& selected, int currentTact,
                               platform::Prompter& prompter);

/// The name editor's text becomes the name of the row's pin (both rows of an I/O pin share
/// it); longer texts are cut to 7 characters.
void setPinNameFromEditor(model::TestDocument& doc, int row, const std::string& name);

/// Text that describes a row's type to the user, as the pin column shows it: the output row of
/// an I/O pin shows its own type "O/i" or "O/i=F(c)".
std::string rowTypeText(const model::TestDocument& doc, int row);

}  // namespace kvx::diagram
