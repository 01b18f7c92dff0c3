#pragma once
// Blocks of cells: a rectangle of display rows and tacts of the current test that is copied,
// cut, pasted (over the cells or with tacts inserted) and cleared, and its text form (one line
// per row of '0', '1' and '*') with which blocks travel through the clipboard.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/test_document.h"

namespace kvx::diagram {

/// A rectangle of display positions firstPosition..lastPosition and tacts firstTact..lastTact
/// (inclusive; empty while firstPosition is 0).
struct CellRange {
    int firstPosition = 0, lastPosition = 0, firstTact = 0, lastTact = 0;
    bool empty() const { return firstPosition < 1 || lastPosition < firstPosition || firstTact < 1 || lastTact < firstTact; }
    int rows() const { return empty() ? 0 : lastPosition - firstPosition + 1; }
    int tacts() const { return empty() ? 0 : lastTact - firstTact + 1; }
    bool contains(int position, int tact) const {
        return !empty() && position >= firstPosition && position <= lastPosition && tact >= firstTact && tact <= lastTact;
    }
    /// The rectangle spanned by two corners, in any order.
    static CellRange spanning(int positionA, int tactA, int positionB, int tactB);
};

/// Levels of a block, row by row.
struct CellBlock {
    int rows = 0, tacts = 0;
    std::vector<model::CellLevel> levels;  ///< rows * tacts, row-major
    model::CellLevel at(int row, int tact) const { return levels[static_cast<size_t>(row) * tacts + tact]; }
    bool empty() const { return rows == 0 || tacts == 0; }
};

/// Rows a block can be pasted onto or cleared in: rows whose levels are entered by hand.
bool takesBlockLevels(const model::TestDocument& doc, int row);

/// The levels of the range, clipped to the display rows and tacts of the test.
CellBlock copyCells(const model::TestDocument& doc, CellRange range);
/// Gives every cell of the range `level`, a whole stretch of each row at once (rows that are
/// computed or not signals are left); false when no row of the range takes levels.
bool fillCells(model::TestDocument& doc, CellRange range, model::CellLevel level);
/// Makes the range inactive (rows that are computed or not signals are left); false when
/// nothing changed.
bool clearCells(model::TestDocument& doc, CellRange range);
/// Writes the block with its top left corner at display position `position`, tact `tact`;
/// the tact count grows when the block reaches beyond it, rows beyond the last display
/// position are dropped. With `insert`, block.tacts tacts are inserted at `tact` first (every
/// row repeats the level of tact `tact` there, as when one tact is inserted). Computed and
/// fixed rows are skipped. False when nothing changed (or the storage could not grow).
bool pasteCells(model::TestDocument& doc, const CellBlock& block, int position, int tact, bool insert);

/// One line per row, '0', '1' and '*' per tact, lines ended by '\n'.
std::string blockText(const CellBlock& block);
/// Reads that text back (also with CR LF ends, '_' '-' as in test files, blanks ignored);
/// rows shorter than the longest are filled with inactive; nullopt for any other character
/// or an empty text.
std::optional<CellBlock> parseBlockText(std::string_view text);

}  // namespace kvx::diagram
