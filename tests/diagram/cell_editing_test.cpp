// Editing rules without a window: editable rows, level cycling, fills, reordering, tact
// insertion and deletion, the tact-count field and pin type changes.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../platform/scripted_prompter.h"
#include "diagram/block_editing.h"
#include "diagram/cell_editing.h"
#include "model/change_log.h"
#include "diagram/pin_editing.h"

namespace kvx::diagram {
namespace {

using model::TestDocument;

std::vector<int> rowLevels(const TestDocument& doc, int row) {
    std::vector<int> out;
    for (int t = 1; t <= doc.tactCount(); ++t) out.push_back(doc.getCell(0, row, t));
    return out;
}

void setLevels(TestDocument& doc, int row, const std::vector<int>& levels) {
    for (size_t i = 0; i < levels.size(); ++i)
        doc.setCell(0, row, static_cast<int>(i) + 1, static_cast<model::CellLevel>(levels[i]));
}

std::vector<int> displayRows(const TestDocument& doc) {
    std::vector<int> out;
    for (int k = 1; k <= doc.pinCount() + doc.ioPinCount(); ++k) out.push_back(doc.signalRow(0, k));
    return out;
}

TestDocument sixteenPins(int tacts = 16) {
    TestDocument doc;
    doc.setPackage({model::PackageType::DIP, 16});
    doc.setTactCount(tacts);
    doc.setTactHighWater(tacts);  // as after loading a test of this length
    return doc;
}

/// Sixteen pins with a row of every kind: I/O pins 3 and 8 (the output row of 8 computed),
/// a formula pin 4, NC 5, VCC 6, GND 7.
TestDocument everyKindOfRow() {
    TestDocument doc = sixteenPins();
    doc.setPinType(3, "I/O");
    doc.setPinType(53, "O/i");
    doc.setPinType(4, "O=F(c)");
    doc.setPinType(5, "NC");
    doc.setPinType(6, "VCC");
    doc.setPinType(7, "GND");
    doc.setPinType(8, "I/O");
    doc.setPinType(58, "O/i=F(c)");
    return doc;
}

TEST(CellEditing, EditableRowsByType) {
    TestDocument doc = everyKindOfRow();
    doc.setPinType(2, "O");
    for (int row : {1, 2, 3, 53, 58}) EXPECT_TRUE(isEditableRow(doc, row)) << row;
    for (int row : {0, 4, 5, 6, 7, 101}) EXPECT_FALSE(isEditableRow(doc, row)) << row;
    // The context menu accepts the plain output row but not a computed one.
    for (int row : {1, 2, 3, 53}) EXPECT_TRUE(acceptsContextLevel(doc, row)) << row;
    for (int row : {4, 5, 6, 7, 58}) EXPECT_FALSE(acceptsContextLevel(doc, row)) << row;
}

TEST(CellEditing, DoubleClickCycle) {
    EXPECT_EQ(nextLevel(2), 0);
    EXPECT_EQ(nextLevel(0), 1);
    EXPECT_EQ(nextLevel(1), 2);
}

TEST(CellEditing, StoreLevelJustBehindTheLastTactAppendsIt) {
    TestDocument doc = sixteenPins();
    storeLevel(doc, 1, 17, 1);
    EXPECT_EQ(doc.tactCount(), 17);
    EXPECT_EQ(doc.getCell(0, 1, 17), 1);
    storeLevel(doc, 1, 20, 0);
    EXPECT_EQ(doc.tactCount(), 20);
    EXPECT_EQ(doc.getCell(0, 1, 20), 0);
    EXPECT_EQ(doc.getCell(0, 1, 18), 2);
}

TEST(CellEditing, FillFromTheCurrentTactOnly) {
    TestDocument doc = sixteenPins();
    setLevels(doc, 1, std::vector<int>(16, 1));
    ASSERT_TRUE(fillRow(doc, 1, 5, 0));
    std::vector<int> expected(16, 0);
    for (int i = 0; i < 4; ++i) expected[static_cast<size_t>(i)] = 1;
    EXPECT_EQ(rowLevels(doc, 1), expected);
    // Beyond the last tact the fill has nothing to do, and the count stays.
    EXPECT_TRUE(fillRow(doc, 1, 30, 1));
    EXPECT_EQ(doc.tactCount(), 16);
    // Function and fixed rows are left alone.
    doc.setPinType(4, "O=F(c)");
    setLevels(doc, 4, std::vector<int>(16, 1));
    doc.setSaved(true);
    EXPECT_FALSE(fillRow(doc, 4, 1, 0));
    EXPECT_EQ(rowLevels(doc, 4), std::vector<int>(16, 1));
    EXPECT_TRUE(doc.saved());
    // The output row of an I/O pin takes fills.
    doc.setPinType(3, "I/O");
    EXPECT_TRUE(fillRow(doc, 53, 1, 1));
    EXPECT_EQ(rowLevels(doc, 53), std::vector<int>(16, 1));
}

TEST(BlockEditing, AFillGivesTheLevelToTheHandEditedRowsOfTheBlockOnly) {
    // Rows 1..8 of a 16-tact test; each case fills a block with one level. Rows the block
    // leaves, and rows that are computed or fixed, keep the pattern 0 1 * 0 1 * ...
    struct Case {
        const char* what;
        CellRange range;
        model::CellLevel level;
        bool changes;
        std::vector<int> filledRows;  ///< document rows whose tacts of the block get the level
    };
    // Display order: 1, 2, 3 (I/O), 53 (its output row), 4 (O=F(c)), 5 (NC), 6 (VCC), 7 (GND),
    // 8 (I/O with a computed output row 58), 58, 9...
    const std::vector<Case> cases = {
        {"one cell", {1, 1, 4, 4}, model::kHigh, true, {1}},
        {"input, I/O pin and its output row", {1, 4, 2, 9}, model::kLow, true, {1, 2, 3, 53}},
        {"computed, not connected and supply rows are left", {5, 8}, model::kHigh, false, {}},
        {"a computed output row is left, its pin row is filled", {9, 10, 1, 16}, model::kInactive, true, {8}},
        {"cut at the last tact and row", {14, 40, 15, 900}, model::kLow, true, {12, 13, 14, 15, 16}},
        {"an empty range", {}, model::kHigh, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestDocument doc = everyKindOfRow();
        const int rows[] = {1, 2, 3, 53, 4, 5, 6, 7, 8, 58, 9, 10, 11, 12, 13, 14, 15, 16};
        for (int p = 1; p <= 18; ++p) {
            const int row = rows[p - 1];
            doc.setSignalEntry(0, p, row > 50 ? model::SignalEntry{row - 50, model::RowKind::Output}
                                              : model::SignalEntry{row, model::RowKind::Pin});
        }
        ASSERT_EQ(doc.displayRowCount(), 18);
        for (int row : rows) {
            std::vector<int> pattern;
            for (int t = 0; t < 16; ++t) pattern.push_back(t % 3);
            setLevels(doc, row, pattern);
        }
        std::vector<std::vector<int>> before;
        for (int row : rows) before.push_back(rowLevels(doc, row));

        model::ChangeLog log;
        doc.setChangeLog(&log);
        EXPECT_EQ(fillCells(doc, c.range, c.level), c.changes);
        doc.setChangeLog(nullptr);
        EXPECT_EQ(doc.tactCount(), 16);
        for (size_t i = 0; i < std::size(rows); ++i) {
            const int row = rows[i];
            std::vector<int> expected = before[i];
            if (std::find(c.filledRows.begin(), c.filledRows.end(), row) != c.filledRows.end())
                for (int t = c.range.firstTact; t <= std::min(16, c.range.lastTact); ++t)
                    expected[static_cast<size_t>(t - 1)] = c.level;
            EXPECT_EQ(rowLevels(doc, row), expected) << "row " << row;
        }
        log.seal();
        log.undo(doc);
        for (size_t i = 0; i < std::size(rows); ++i)
            EXPECT_EQ(rowLevels(doc, rows[i]), before[i]) << "undone, row " << rows[i];
    }
}

TEST(CellEditing, DragSwapsMoveARowDown) {
    TestDocument doc = sixteenPins();
    setLevels(doc, 3, {1, 0, 1});
    swapDisplayRows(doc, 3, 4);
    swapDisplayRows(doc, 4, 5);
    const auto rows = displayRows(doc);
    EXPECT_EQ(std::vector(rows.begin(), rows.begin() + 6), (std::vector<int>{1, 2, 4, 5, 3, 6}));
    // The cells belong to the row, not to the position.
    EXPECT_EQ(doc.getCell(0, doc.signalRow(0, 5), 1), 1);
    EXPECT_EQ(doc.getCell(0, doc.signalRow(0, 5), 2), 0);
}

TEST(TactEditing, InsertRepeatsTheCurrentTact) {
    TestDocument doc = sixteenPins();
    setLevels(doc, 1, {0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1});
    doc.setPinType(2, "I/O");
    setLevels(doc, 52, {1, 1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    ASSERT_TRUE(insertTactAt(doc, 5));
    EXPECT_EQ(doc.tactCount(), 17);
    EXPECT_EQ(rowLevels(doc, 1), (std::vector<int>{0, 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1}));
    // The output row moves with its pin row.
    EXPECT_EQ(rowLevels(doc, 52), (std::vector<int>{1, 1, 1, 1, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
}

TEST(TactEditing, InsertBehindTheLastTactAppendsOne) {
    TestDocument doc = sixteenPins();
    setLevels(doc, 1, std::vector<int>(16, 1));
    ASSERT_TRUE(insertTactAt(doc, 20));
    EXPECT_EQ(doc.tactCount(), 17);
    EXPECT_EQ(doc.getCell(0, 1, 16), 1);
    EXPECT_FALSE(insertTactAt(doc, 0));
}

TEST(TactEditing, DeleteMovesLaterTactsLeft) {
    TestDocument doc = sixteenPins();
    std::vector<int> levels;
    for (int t = 1; t <= 16; ++t) levels.push_back(t % 3 == 0 ? 1 : 0);
    setLevels(doc, 1, levels);
    doc.setPinType(2, "I/O");
    setLevels(doc, 52, levels);
    const int highWater = doc.tactHighWater();
    ASSERT_TRUE(deleteTactAt(doc, 5));
    EXPECT_EQ(doc.tactCount(), 15);
    EXPECT_EQ(doc.tactHighWater(), highWater);
    std::vector<int> expected = levels;
    expected.erase(expected.begin() + 4);
    EXPECT_EQ(rowLevels(doc, 1), expected);
    EXPECT_EQ(rowLevels(doc, 52), expected);
    // The tact that left at the end reads as inactive when it comes back.
    doc.setTactCount(16);
    EXPECT_EQ(doc.getCell(0, 1, 16), 2);
}

TEST(TactEditing, DeleteInAOneTactTestDoesNothing) {
    TestDocument doc = sixteenPins(1);
    doc.setCell(0, 1, 1, 1);
    doc.setSaved(true);
    EXPECT_FALSE(deleteTactAt(doc, 1));
    EXPECT_EQ(doc.tactCount(), 1);
    EXPECT_TRUE(doc.saved());
}

TEST(TactEditing, DeleteBehindTheLastTactDropsTheLastOne) {
    TestDocument doc = sixteenPins();
    doc.setCell(0, 1, 16, 1);
    ASSERT_TRUE(deleteTactAt(doc, 18));
    EXPECT_EQ(doc.tactCount(), 15);
    EXPECT_EQ(doc.baseTactCount(), 16);
}

TEST(TactField, TextRules) {
    EXPECT_EQ(tactFieldValue("12"), 12);
    EXPECT_EQ(tactFieldValue("12-"), 12);
    EXPECT_EQ(tactFieldValue("-"), std::nullopt);
    EXPECT_EQ(tactFieldValue("--"), std::nullopt);
    EXPECT_EQ(tactFieldValue("-5"), -5);
    EXPECT_EQ(tactFieldValue("21474836470"), 2147483647);  // the last digit goes
    EXPECT_EQ(tactFieldValue("99999999999"), std::nullopt);
    EXPECT_EQ(tactFieldValue("1я"), 1);
}

TEST(TactField, SequencesWithAndWithoutLeavingTheField) {
    TestDocument doc = sixteenPins();
    setLevels(doc, 1, std::vector<int>(16, 1));
    EXPECT_EQ(setTactCountFromText(doc, "20"), TactFieldOutcome::Changed);
    EXPECT_EQ(doc.tactCount(), 20);
    EXPECT_EQ(doc.getCell(0, 1, 17), 2);
    EXPECT_EQ(doc.getCell(0, 1, 20), 2);

    TestDocument keep = sixteenPins();
    setLevels(keep, 1, std::vector<int>(16, 1));
    EXPECT_EQ(setTactCountFromText(keep, "8"), TactFieldOutcome::Changed);
    EXPECT_EQ(setTactCountFromText(keep, "16"), TactFieldOutcome::Changed);
    EXPECT_EQ(rowLevels(keep, 1), std::vector<int>(16, 1));
    // Leaving the field at 8 forgets the hidden tacts.
    setTactCountFromText(keep, "8");
    keep.setTactHighWater(keep.tactCount());
    setTactCountFromText(keep, "16");
    EXPECT_EQ(keep.getCell(0, 1, 8), 1);
    for (int t = 9; t <= 16; ++t) EXPECT_EQ(keep.getCell(0, 1, t), 2) << t;

    EXPECT_EQ(setTactCountFromText(keep, "12-"), TactFieldOutcome::Changed);
    EXPECT_EQ(keep.tactCount(), 12);
    EXPECT_EQ(setTactCountFromText(keep, "-"), TactFieldOutcome::Restore);
    EXPECT_EQ(setTactCountFromText(keep, ""), TactFieldOutcome::Empty);
    EXPECT_EQ(setTactCountFromText(keep, "0"), TactFieldOutcome::Unchanged);
    EXPECT_EQ(setTactCountFromText(keep, "12"), TactFieldOutcome::Unchanged);
    EXPECT_EQ(keep.tactCount(), 12);
}

// ---- pin types -------------------------------------------------------------

TEST(PinTypes, SelectorIndexOfEveryType) {
    EXPECT_EQ(typeSelectorIndex("I"), 0);
    EXPECT_EQ(typeSelectorIndex("O"), 1);
    EXPECT_EQ(typeSelectorIndex("I/O"), 2);
    EXPECT_EQ(typeSelectorIndex("O/i"), 2);
    EXPECT_EQ(typeSelectorIndex("O=F(c)"), 3);
    EXPECT_EQ(typeSelectorIndex("O/i=F(c)"), 3);
    EXPECT_EQ(typeSelectorIndex("NC"), 4);
    EXPECT_EQ(typeSelectorIndex("VCC"), -1);
    TestDocument doc;
    doc.setPinType(1, "VCC");
    doc.setPinType(2, "GND");
    EXPECT_FALSE(typeSelectorOpens(doc, 1));
    EXPECT_FALSE(typeSelectorOpens(doc, 2));
    EXPECT_TRUE(typeSelectorOpens(doc, 3));
}

TEST(PinTypes, InOutAddsAndRemovesTheOutputRow) {
    TestDocument doc = sixteenPins();
    testing::ScriptedPrompter prompter;
    doc.setSaved(true);
    auto r = changePinType(doc, 3, "I/O", 1, prompter);
    EXPECT_EQ(r.outcome, TypeChangeOutcome::Changed);
    EXPECT_TRUE(r.outputRowAdded);
    EXPECT_FALSE(doc.saved());
    EXPECT_EQ(doc.pin(53).pinType, "O/i");
    auto rows = displayRows(doc);
    ASSERT_EQ(rows.size(), 17u);
    EXPECT_EQ(std::vector(rows.begin(), rows.begin() + 6), (std::vector<int>{1, 2, 3, 53, 4, 5}));
    EXPECT_EQ(rows.back(), 16);
    r = changePinType(doc, 3, "I", 1, prompter);
    EXPECT_TRUE(r.outputRowRemoved);
    rows = displayRows(doc);
    ASSERT_EQ(rows.size(), 16u);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(rows[static_cast<size_t>(k)], k + 1);
    EXPECT_TRUE(prompter.questions.empty());
}

TEST(PinTypes, OutputRowFollowsItsPinAfterReordering) {
    TestDocument doc = sixteenPins();
    testing::ScriptedPrompter prompter;
    doc.moveSignalEntry(0, 3, 7);  // pin 3 is now shown at position 7
    changePinType(doc, 3, "I/O", 1, prompter);
    EXPECT_EQ(doc.signalRow(0, 7), 3);
    EXPECT_EQ(doc.signalRow(0, 8), 53);
}

TEST(PinTypes, ChoicesOnTheOutputRow) {
    TestDocument doc = sixteenPins();
    testing::ScriptedPrompter prompter;
    doc.setPinType(5, "O");
    changePinType(doc, 3, "I/O", 1, prompter);
    // "O=F(c)" makes the output row computed and leaves the pin I/O.
    changePinType(doc, 53, "O=F(c)", 1, prompter);
    EXPECT_EQ(doc.pin(53).pinType, "O/i=F(c)");
    EXPECT_EQ(doc.pin(3).pinType, "I/O");
    EXPECT_EQ(displayRows(doc).size(), 17u);
    // "I/O" is the pin's own type, "O=F(c)" the row's: nothing changes.
    doc.setSaved(true);
    EXPECT_EQ(changePinType(doc, 53, "I/O", 1, prompter).outcome, TypeChangeOutcome::Unchanged);
    EXPECT_EQ(changePinType(doc, 53, "O=F(c)", 1, prompter).outcome, TypeChangeOutcome::Unchanged);
    EXPECT_TRUE(doc.saved());
    EXPECT_EQ(doc.pin(53).pinType, "O/i=F(c)");
    EXPECT_EQ(doc.pin(3).pinType, "I/O");
    EXPECT_EQ(displayRows(doc).size(), 17u);
    // "O" makes the pin an output and removes the output row.
    const auto r = changePinType(doc, 53, "O", 1, prompter);
    EXPECT_TRUE(r.outputRowRemoved);
    EXPECT_EQ(doc.pin(3).pinType, "O");
    EXPECT_EQ(displayRows(doc).size(), 16u);
}

TEST(PinTypes, SameTypeAndSupplyPinsChangeNothing) {
    TestDocument doc = sixteenPins();
    testing::ScriptedPrompter prompter;
    doc.setPinType(8, "GND");
    doc.setSaved(true);
    EXPECT_EQ(changePinType(doc, 1, "I", 1, prompter).outcome, TypeChangeOutcome::Unchanged);
    EXPECT_EQ(changePinType(doc, 8, "I", 1, prompter).outcome, TypeChangeOutcome::Unchanged);
    EXPECT_EQ(doc.pin(8).pinType, "GND");
    EXPECT_TRUE(doc.saved());
}

TEST(PinTypes, NotConnectedAsksFirst) {
    TestDocument doc = sixteenPins();
    setLevels(doc, 2, std::vector<int>(16, 1));
    testing::ScriptedPrompter prompter;
    prompter.answer(platform::Answer::No);
    EXPECT_EQ(changePinType(doc, 2, "NC", 1, prompter).outcome, TypeChangeOutcome::Declined);
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(prompter.questions[0].text, kNcQuestion);
    EXPECT_EQ(prompter.questions[0].icon, platform::Icon::Question);
    EXPECT_EQ(prompter.questions[0].buttons, platform::Buttons::YesNo);
    EXPECT_EQ(doc.pin(2).pinType, "I");
    EXPECT_EQ(rowLevels(doc, 2), std::vector<int>(16, 1));

    prompter.answer(platform::Answer::Yes);
    EXPECT_EQ(changePinType(doc, 2, "NC", 4, prompter).outcome, TypeChangeOutcome::Changed);
    EXPECT_EQ(doc.pin(2).pinType, "NC");
    std::vector<int> expected(16, 2);
    for (int i = 0; i < 3; ++i) expected[static_cast<size_t>(i)] = 1;
    EXPECT_EQ(rowLevels(doc, 2), expected);

    // A computed pin keeps its levels.
    doc.setPinType(4, "O=F(c)");
    setLevels(doc, 4, std::vector<int>(16, 0));
    prompter.answer(platform::Answer::Yes);
    changePinType(doc, 4, "NC", 1, prompter);
    EXPECT_EQ(rowLevels(doc, 4), std::vector<int>(16, 0));
    EXPECT_TRUE(prompter.scriptUsed());
}

TEST(PinNames, SharedByBothRowsAndCutToSevenCharacters) {
    TestDocument doc = sixteenPins();
    setPinNameFromEditor(doc, 53, "CLK");
    EXPECT_EQ(doc.pin(3).pinName, "CLK");
    setPinNameFromEditor(doc, 4, "Адрес12345");
    EXPECT_EQ(doc.pin(4).pinName, "Адрес12");
    EXPECT_EQ(rowTypeText(doc, 4), "I");
    doc.setPinType(3, "I/O");
    doc.setPinType(53, "O/i=F(c)");
    EXPECT_EQ(rowTypeText(doc, 53), "O/i=F(c)");
}

}  // namespace
}  // namespace kvx::diagram
