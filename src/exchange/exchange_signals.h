#pragma once
// The signals a test shows to other tools: one per signal row of the current test in display
// order (the output row of an I/O pin as a signal of its own) and one vector per data word,
// with the names under which they are written and found again.

#include <string>
#include <vector>

#include "model/test_document.h"

namespace kvx::exchange {

/// One signal row: the pin row of a pin, or the output row of an I/O pin.
struct RowSignal {
    int row = 0;            ///< document row 1..100
    std::string name;       ///< "P5_CLK", "P5_CLK_out" for the output row of I/O pin 5
    bool expected = false;  ///< the tester compares this row (outputs); else it drives it
};

/// One data word with members.
struct WordSignal {
    int word = 0;            ///< 0-based index in the word list
    std::string name;        ///< "W1_ADDR" (1-based number)
    std::vector<int> rows;   ///< member rows, first member = least significant bit
};

/// Name characters other tools take in a signal name: ASCII letters, digits and '_' stay,
/// other ASCII characters become '_', letters beyond ASCII (Cyrillic) stay as they are.
std::string signalNamePart(const std::string& text);

/// True for rows whose levels the tester compares: output rows, "O" and function pins.
bool isExpectedRow(const model::TestDocument& doc, int row);

/// Name of a signal row: 'P', the pin number, "_out" for the output row, then '_' and the name.
std::string rowSignalName(const model::TestDocument& doc, int row);

/// Signal rows of the current test in display order (NC, VCC and GND pins are not signals).
std::vector<RowSignal> rowSignals(const model::TestDocument& doc);
/// Data words that have members, in list order.
std::vector<WordSignal> wordSignals(const model::TestDocument& doc);

}  // namespace kvx::exchange
