#include "diagram/pin_editing.h"

#include "diagram/cell_editing.h"
#include "diagram/diagram_view.h"
#include "model/text.h"

namespace kvx::diagram {

using model::RowKind;
using model::SignalEntry;
using model::TestDocument;
namespace T = model::PinType;

int typeSelectorIndex(const std::string& t) {
    if (t == T::Input) return 0;
    if (t == T::Output) return 1;
    if (t == T::InOut || t == T::IoOutput) return 2;
    if (t == T::Function || t == T::IoFunction) return 3;
    if (t == T::NotConnected) return 4;
    return -1;
}

bool typeSelectorOpens(const TestDocument& doc, int row) {
    if (row < 1 || row > model::kMaxRow) return false;
    const std::string& t = doc.pin(row).pinType;
    return t != T::Supply && t != T::Ground;
}

namespace {

// Number of display positions that are in use before a change: pins and output rows.
int positionsInUse(const TestDocument& doc) { return doc.pinCount() + doc.ioPinCount(); }

int findEntry(const TestDocument& doc, int test, SignalEntry e, int upTo) {
    for (int k = 1; k <= upTo; ++k)
        if (doc.signalEntry(test, k) == e) return k;
    return 0;
}

void addOutputRow(TestDocument& doc, int pin, int usedBefore) {
    const SignalEntry output{pin, RowKind::Output};
    for (int test = 0; test < model::kMaxTests; ++test) {
        if (findEntry(doc, test, output, model::kMaxRow) != 0) continue;
        // Directly below the pin's own row; where the pin is not listed, below position `pin`.
        int at = findEntry(doc, test, SignalEntry{pin, RowKind::Pin}, usedBefore);
        if (at == 0) at = pin;
        const int last = std::min(usedBefore + 1, model::kMaxRow);
        for (int k = last; k > at + 1; --k) doc.setSignalEntry(test, k, doc.signalEntry(test, k - 1));
        if (at + 1 <= model::kMaxRow) doc.setSignalEntry(test, at + 1, output);
    }
}

bool removeOutputRow(TestDocument& doc, int pin) {
    const SignalEntry output{pin, RowKind::Output};
    bool removed = false;
    for (int test = 0; test < model::kMaxTests; ++test) {
        const int at = findEntry(doc, test, output, model::kMaxRow);
        if (at == 0) continue;
        for (int k = at; k < model::kMaxRow; ++k) doc.setSignalEntry(test, k, doc.signalEntry(test, k + 1));
        doc.setSignalEntry(test, model::kMaxRow, SignalEntry{});
        removed = true;
    }
    return removed;
}

}  // namespace

TypeChangeResult changePinType(TestDocument& doc, int row, const std::string& s, int currentTact,
                               platform::Prompter& prompter) {
    TypeChangeResult result;
    if (row < 1 || row > model::kMaxRow) return result;
    const bool outputRow = row > model::kPinRows;
    if (!outputRow && doc.pin(row).pinType == s) return result;
    // On an output row "I/O" is the pin's own type, and "O=F(c)" may be the row's already.
    if (outputRow && (s == T::InOut || (s == T::Function && doc.pin(row).pinType == T::IoFunction))) return result;
    if (!typeSelectorOpens(doc, row) || (outputRow && doc.pin(row - model::kPinRows).pinType != T::InOut)) {
        // Supply pins are set by the package, and an output row exists only for an I/O pin.
        return result;
    }

    if (s == T::NotConnected) {
        if (prompter.ask(kNcQuestion, platform::Icon::Question, platform::Buttons::YesNo) != platform::Answer::Yes) {
            result.outcome = TypeChangeOutcome::Declined;
            return result;
        }
        fillRow(doc, row, currentTact, model::kInactive);
    }

    const int usedBefore = positionsInUse(doc);
    if (outputRow) {
        const int pin = row - model::kPinRows;
        // "O=F(c)" computes the output row; any other item is the type of the pin itself.
        if (s == T::Function)
            doc.setPinType(row, T::IoFunction);
        else
            doc.setPinType(pin, s);
        if (s != T::Function && s != T::InOut) result.outputRowRemoved = removeOutputRow(doc, pin);
    } else {
        doc.setPinType(row, s);
        if (s == T::InOut) {
            doc.setPinType(row + model::kPinRows, T::IoOutput);
            addOutputRow(doc, row, usedBefore);
            result.outputRowAdded = true;
        } else {
            result.outputRowRemoved = removeOutputRow(doc, row);
        }
    }
    doc.markChanged();
    result.outcome = TypeChangeOutcome::Changed;
    return result;
}

void setPinNameFromEditor(TestDocument& doc, int row, const std::string& name) {
    if (row < 1 || row > model::kMaxRow) return;
    doc.setPinName(pinOfRow(row), model::text::truncated(name, kMaxPinNameLength));
}

std::string rowTypeText(const TestDocument& doc, int row) {
    if (row < 1 || row > model::kMaxRow) return {};
    return doc.pin(row).pinType;
}

}  // namespace kvx::diagram
