#pragma once
// The expected levels of a test written from its model: each compared row the map connects
// gets the level the model gives at the sampling point of each tact (0 and 1 as levels, x
// and z as inactive). The output row of an I/O pin is filled where the test does not drive
// the pin and made inactive where it does. Input rows, formula rows and fixed rows stay.

#include <string>
#include <vector>

#include "model/test_document.h"
#include "modelcheck/model_check.h"

namespace kvx::modelcheck {

/// One cell the fill writes.
struct CellChange {
    int row = 0;
    int tact = 0;
    model::CellLevel level = model::kInactive;
    bool operator==(const CellChange&) const = default;
};

struct FillOutcome {
    bool refused = true;       ///< the model, the map or the simulator refused; see error
    bool cancelled = false;
    std::string error;
    std::vector<std::string> notes;
    std::vector<CellChange> cells;  ///< every filled cell of the current test, changed or not
    long long filled = 0;           ///< cells that got a level (0 or 1) from the model
    long long changed = 0;          ///< cells whose level differs from the test's
    CheckTimes times;
    /// "Заполнено 240 уровней, изменено 17".
    std::string message() const;
};

/// The levels of tacts first..last (1-based, inclusive; 0, 0: every tact) of the current test
/// as the model gives them. The document is not changed.
FillOutcome fillFromModel(const model::TestDocument& doc, const CheckOptions& options, int first = 0, int last = 0);

/// Writes the cells into the current test (one action: the caller wraps it in one undo step).
void applyFill(model::TestDocument& doc, const FillOutcome& fill);

}  // namespace kvx::modelcheck
