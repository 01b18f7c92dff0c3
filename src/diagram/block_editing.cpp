#include "diagram/block_editing.h"

#include <algorithm>

#include "diagram/cell_editing.h"

namespace kvx::diagram {

using model::CellLevel;
using model::TestDocument;

CellRange CellRange::spanning(int positionA, int tactA, int positionB, int tactB) {
    return {std::min(positionA, positionB), std::max(positionA, positionB), std::min(tactA, tactB),
            std::max(tactA, tactB)};
}

bool takesBlockLevels(const TestDocument& doc, int row) {
    return isEditableRow(doc, row) && !model::isFunctionType(doc.pin(row).pinType);
}

namespace {

/// The range cut to the display rows and tacts the test has.
CellRange clipped(const TestDocument& doc, CellRange r) {
    if (r.empty()) return {};
    r.lastPosition = std::min(r.lastPosition, doc.displayRowCount());
    r.lastTact = std::min(r.lastTact, doc.tactCount());
    return r.empty() ? CellRange{} : r;
}

}  // namespace

CellBlock copyCells(const TestDocument& doc, CellRange range) {
    const CellRange r = clipped(doc, range);
    CellBlock block;
    if (r.empty()) return block;
    block.rows = r.rows();
    block.tacts = r.tacts();
    block.levels.resize(static_cast<size_t>(block.rows) * static_cast<size_t>(block.tacts));
    const int test = doc.currentTest();
    for (int i = 0; i < block.rows; ++i) {
        const CellLevel* cells = doc.rowData(test, doc.signalRow(test, r.firstPosition + i));
        std::copy_n(cells + r.firstTact, block.tacts, block.levels.begin() + static_cast<std::ptrdiff_t>(i) * block.tacts);
    }
    return block;
}

bool clearCells(TestDocument& doc, CellRange range) { return fillCells(doc, range, model::kInactive); }

bool fillCells(TestDocument& doc, CellRange range, CellLevel level) {
    const CellRange r = clipped(doc, range);
    if (r.empty()) return false;
    const int test = doc.currentTest();
    bool changed = false;
    for (int p = r.firstPosition; p <= r.lastPosition; ++p) {
        const int row = doc.signalRow(test, p);
        if (!takesBlockLevels(doc, row)) continue;
        CellLevel* cells = doc.mutableRowSpan(test, row, r.firstTact, r.tacts());
        std::fill(cells + r.firstTact, cells + r.lastTact + 1, level);
        changed = true;
    }
    return changed;
}

bool pasteCells(TestDocument& doc, const CellBlock& block, int position, int tact, bool insert) {
    const int total = doc.displayRowCount();
    if (block.empty() || position < 1 || position > total || tact < 1) return false;
    const int test = doc.currentTest();
    const int n = doc.tactCount();
    const long long needed = insert && tact <= n ? static_cast<long long>(n) + block.tacts
                                                 : static_cast<long long>(tact) + block.tacts - 1;
    if (needed > model::kMaxTactCount) {
        doc.raiseError(model::kDiagrSizeError);
        return false;
    }
    if (needed > n && !doc.setTactCount(static_cast<int>(needed))) return false;
    if (insert && tact <= n) {
        // Tacts tact.. move right by the block's width; the gap repeats the level of tact `tact`.
        const int k = block.tacts;
        for (int row = 1; row <= model::kMaxRow; ++row) {
            CellLevel* cells = doc.mutableRowData(test, row);
            std::copy_backward(cells + tact, cells + n + 1, cells + n + 1 + k);
            std::fill(cells + tact + 1, cells + tact + k, cells[tact]);
        }
    }
    for (int i = 0; i < block.rows && position + i <= total; ++i) {
        const int row = doc.signalRow(test, position + i);
        if (!takesBlockLevels(doc, row)) continue;
        CellLevel* cells = doc.mutableRowSpan(test, row, tact, block.tacts);
        std::copy_n(block.levels.begin() + static_cast<std::ptrdiff_t>(i) * block.tacts, block.tacts, cells + tact);
    }
    return true;
}

std::string blockText(const CellBlock& block) {
    std::string out;
    out.reserve(static_cast<size_t>(block.rows) * (static_cast<size_t>(block.tacts) + 1));
    for (int i = 0; i < block.rows; ++i) {
        for (int t = 0; t < block.tacts; ++t) {
            const CellLevel v = block.at(i, t);
            out += v == model::kLow ? '0' : v == model::kHigh ? '1' : '*';
        }
        out += '\n';
    }
    return out;
}

std::optional<CellBlock> parseBlockText(std::string_view text) {
    std::vector<std::vector<CellLevel>> rows(1);
    for (char c : text) {
        switch (c) {
            case '0': case '_': rows.back().push_back(model::kLow); break;
            case '1': case '-': rows.back().push_back(model::kHigh); break;
            case '*': case 'x': case 'z': rows.back().push_back(model::kInactive); break;
            case '\n':
                if (rows.size() > static_cast<size_t>(model::kMaxRow)) return std::nullopt;
                rows.emplace_back();
                break;
            case '\r': case ' ': case '\t': break;
            default: return std::nullopt;
        }
        if (rows.back().size() > static_cast<size_t>(model::kMaxTactCount)) return std::nullopt;
    }
    while (!rows.empty() && rows.back().empty()) rows.pop_back();
    if (rows.empty()) return std::nullopt;
    CellBlock block;
    block.rows = static_cast<int>(rows.size());
    for (const auto& r : rows) block.tacts = std::max(block.tacts, static_cast<int>(r.size()));
    if (block.tacts == 0) return std::nullopt;
    block.levels.assign(static_cast<size_t>(block.rows) * static_cast<size_t>(block.tacts), model::kInactive);
    for (int i = 0; i < block.rows; ++i)
        std::copy(rows[static_cast<size_t>(i)].begin(), rows[static_cast<size_t>(i)].end(),
                  block.levels.begin() + static_cast<std::ptrdiff_t>(i) * block.tacts);
    return block;
}

}  // namespace kvx::diagram
