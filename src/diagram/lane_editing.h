#pragma once
// A value typed into a data word's lane: written into the word's member rows over a stretch
// of tacts, by the same rules as a value typed into the data table.

#include <string>
#include <string_view>
#include <vector>

#include "model/test_document.h"

namespace kvx::diagram {

/// What writing a typed value did.
struct LaneWrite {
    bool written = false;         ///< some member row got levels
    std::vector<int> skippedPins; ///< members whose rows take no levels by hand (supply, NC, formula)
    std::string message;          ///< Russian text for the status bar; empty when all went in
};

/// Writes the value of `text` (only the digits of the word's number system count) into the
/// member rows of word `wordIndex` for tacts first..last of the current test (clipped to the
/// test), stored modulo 2^n for n members. Members whose rows take no levels by hand keep
/// their levels and are named in the message.
LaneWrite writeLaneValue(model::TestDocument& doc, int wordIndex, int firstTact, int lastTact, std::string_view text);

/// Russian name of a word's number system for prompts: "двоичное", "восьмеричное", ...
std::string radixAdjective(int radix);

}  // namespace kvx::diagram
