#pragma once
// Pulse generator: the level patterns it offers and the fill of one diagram row over a
// range of tacts with such a pattern, repeated from its first level.

#include <array>
#include <vector>

#include "model/test_document.h"

namespace kvx::functions {

/// A repeating list of levels (0, 1 or 2), 1..kMaxPatternLength long.
using Pattern = std::vector<model::CellLevel>;

inline constexpr int kMaxPatternLength = 80;
inline constexpr int kMinPulseLength = 1;    ///< "Длительность" and "Пауза"
inline constexpr int kMaxPulseLength = 40;
inline constexpr int kMaxSequenceLength = 14;  ///< "тактов"
inline constexpr int kInitialSequenceLength = 8;
inline constexpr int kPreviewCells = 17;       ///< cells shown by every preview
inline constexpr int kMaxRangeTact = 65000;    ///< range of the "с" and "по" fields

/// The variants of the page "Задать Скважность".
enum class PulseVariant { One, Two, Three, Own };

/// Levels of a built-in variant ("1", "2", "3"); empty for PulseVariant::Own.
Pattern builtinPattern(PulseVariant variant);

/// The own variant: `duration` times 1 then `pause` times 0, or the other way round when
/// `inverted`. Lengths are kept within 1..40.
Pattern ownPattern(int duration, int pause, bool inverted);

/// The first `count` levels of the pattern repeated from its first level (what a preview shows).
Pattern repeatPattern(const Pattern& pattern, int count = kPreviewCells);

/// Level after one click on a sequence cell: 0 -> 1 -> 2 -> 0.
model::CellLevel nextSequenceLevel(model::CellLevel level);

/// Index of the sequence cell under x on a strip of cells `cellWidth` wide starting at x = 0,
/// of which the first `length` are shown; -1 outside them.
int sequenceCellAt(int x, int cellWidth, int length);

/// The sequence of the page "Задать последовательность": 14 slots, of which the first
/// `length` are used. Slots behind the length keep their levels when it is lowered.
struct Sequence {
    std::array<model::CellLevel, kMaxSequenceLength> levels{1, 0, 1, 1, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0};
    int length = kInitialSequenceLength;

    /// Sets the length, kept within 1..14.
    void setLength(int n);
    /// Cycles the level of slot `index` (0-based) if it lies within the length; false otherwise.
    bool cycle(int index);
    /// The first `length` levels.
    Pattern pattern() const;
};

/// Whether the generator may fill `row`: pin rows 1..pinCount of type "I", "O" or "I/O",
/// and the output rows (row 50 + pin) of the package's pins.
bool canGenerate(const model::TestDocument& doc, int row);

/// Fills `row` of the current test from `firstTact` to `lastTact` with the pattern, level
/// (t - first) mod length at tact t. A last tact below the first fills only the last tact;
/// the range is kept within 1..tactCount, so the fill never adds tacts. Returns false and
/// changes nothing when the row cannot be filled or the pattern is empty or not a level list.
bool fillRow(model::TestDocument& doc, int row, int firstTact, int lastTact, const Pattern& pattern);

}  // namespace kvx::functions
