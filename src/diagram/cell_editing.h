#pragma once
// Editing rules of the diagram that need no window: which rows take levels, level cycling,
// row fills, row reordering, tact insertion and deletion at the current cell and the
// tact-count field's text.

#include <optional>
#include <string>

#include "model/test_document.h"

namespace kvx::diagram {

/// Keys, double clicks and fills: rows whose own type is "I", "O" or "I/O", and output rows.
bool isEditableRow(const model::TestDocument& doc, int row);
/// The context menu's level items: "I", "O" and "I/O" rows, and output rows of type "O/i"
/// (an "O/i=F(c)" row is computed and the menu does not recalculate).
bool acceptsContextLevel(const model::TestDocument& doc, int row);
/// Double click: inactive -> 0 -> 1 -> inactive.
model::CellLevel nextLevel(model::CellLevel level);

/// Stores a level typed or chosen at `tact` of `row` in the current test. A tact just behind
/// the last one first becomes part of the test, so that the level is not lost.
void storeLevel(model::TestDocument& doc, int row, int tact, model::CellLevel level);

/// Sets tacts fromTact..tactCount of an editable row to `level`; false (and nothing changed)
/// for a row that is not editable.
bool fillRow(model::TestDocument& doc, int row, int fromTact, model::CellLevel level);

/// Swaps the display positions a and b of the current test (pin number and row kind).
void swapDisplayRows(model::TestDocument& doc, int a, int b);

/// Inserts a tact at c: the count grows by one, tacts c.. move right and tact c keeps its
/// level. Behind the last tact it only appends one. False when nothing changed.
bool insertTactAt(model::TestDocument& doc, int c);
/// Deletes tact c: later tacts move left, the count drops by one (tactHighWater stays).
/// Behind the last tact the last one is dropped. Nothing when only one tact is left.
bool deleteTactAt(model::TestDocument& doc, int c);

/// Value of the tact-count field's text: a whole number, or the text without its last
/// character (so "12-" is 12); nullopt when neither converts.
std::optional<int> tactFieldValue(const std::string& text);

enum class TactFieldOutcome {
    Empty,     ///< nothing typed: nothing happens
    Restore,   ///< not a number: the field shows the current count again
    Unchanged, ///< a number that the document refused (0, negative, the current count)
    Changed,   ///< the tact count was set
};
/// The tact-count field's rules: convert the text and set the count.
TactFieldOutcome setTactCountFromText(model::TestDocument& doc, const std::string& text);

}  // namespace kvx::diagram
