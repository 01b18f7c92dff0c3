// Apply of a formula to a row and the recomputation of all function rows.

#include "formula_support.h"

using namespace kvx::functions;
namespace PinType = kvx::model::PinType;
using kvx::model::RowKind;
using kvx::model::TestDocument;
using kvx::functions::testing::dip40;

namespace {

std::vector<int> rowLevels(const TestDocument& doc, int row) {
    std::vector<int> out;
    for (int t = 1; t <= doc.tactCount(); ++t) out.push_back(doc.getCell(doc.currentTest(), row, t));
    return out;
}

void fillRow(TestDocument& doc, int row, const std::vector<int>& levels) {
    for (size_t i = 0; i < levels.size(); ++i)
        doc.setCell(doc.currentTest(), row, static_cast<int>(i) + 1, static_cast<kvx::model::CellLevel>(levels[i]));
}

}  // namespace

// ---- Apply -------------------------------------------------------------------------

TEST(ApplyFormula, EmptyFormulaStoresTextAndLeavesCells) {
    auto doc = dip40(4);
    fillRow(doc, 5, {1, 0, 1, 0});
    doc.setPinFunction(0, 5, "C1");
    const ApplyResult r = applyFormula(doc, 5, "");
    EXPECT_FALSE(r.valid);
    EXPECT_EQ(r.normalized, "");
    EXPECT_EQ(doc.pinFunction(0, 5), "");
    EXPECT_EQ(rowLevels(doc, 5), (std::vector<int>{1, 0, 1, 0}));
}

TEST(ApplyFormula, InvalidFormulaStoresNormalisedTextAndLeavesCells) {
    auto doc = dip40(4);
    fillRow(doc, 1, {1, 1, 1, 1});
    fillRow(doc, 5, {0, 0, 0, 0});
    const ApplyResult r = applyFormula(doc, 5, "! c1");
    EXPECT_FALSE(r.valid);
    EXPECT_EQ(r.normalized, "!C1");
    EXPECT_EQ(doc.pinFunction(0, 5), "!C1");
    EXPECT_EQ(rowLevels(doc, 5), (std::vector<int>{0, 0, 0, 0}));
}

TEST(ApplyFormula, ValidFormulaFillsEveryTact) {
    auto doc = dip40(6);
    fillRow(doc, 1, {1, 0, 1, 0, 2, 1});
    fillRow(doc, 2, {1, 1, 0, 0, 1, 2});
    doc.setSaved(true);
    const ApplyResult r = applyFormula(doc, 7, "c1 & \xD1\x81" "2");
    EXPECT_TRUE(r.valid);
    EXPECT_EQ(r.normalized, "C1&C2");
    EXPECT_EQ(doc.pinFunction(0, 7), "C1&C2");
    EXPECT_EQ(rowLevels(doc, 7), (std::vector<int>{1, 0, 0, 0, 2, 2}));
    EXPECT_FALSE(doc.saved());
    EXPECT_EQ(doc.tactCount(), 6);

    applyFormula(doc, 8, "1");
    EXPECT_EQ(rowLevels(doc, 8), std::vector<int>(6, 1)) << "a constant fills the whole row";
}

TEST(ApplyFormula, OneTactDiagramEvaluatesExactlyTactOne) {
    auto doc = dip40(1);
    doc.setCell(0, 1, 1, 0);
    applyFormula(doc, 3, "!(C1)");
    EXPECT_EQ(doc.tactCount(), 1);
    EXPECT_EQ(doc.getCell(0, 3, 1), 1);
    EXPECT_EQ(doc.rowData(0, 3)[2], 2) << "nothing written behind the last tact";
}

TEST(ApplyFormula, OwnRowIsReadBeforeItIsWritten) {
    auto doc = dip40(130);  // two whole blocks of 64 tacts and a short one
    std::vector<int> levels;
    for (int t = 1; t <= 130; ++t) levels.push_back(t % 7 == 0 ? 2 : (t * 5 % 3) & 1);
    fillRow(doc, 5, levels);
    applyFormula(doc, 5, "!(C5)");
    for (int t = 1; t <= 130; ++t) {
        const int before = levels[static_cast<size_t>(t - 1)];
        EXPECT_EQ(doc.getCell(0, 5, t), before == 2 ? 2 : 1 - before) << t;
    }
}

TEST(ApplyFormula, OutputRowsAndTestsAndBadRows) {
    auto doc = dip40(3);
    ASSERT_TRUE(doc.addTest());
    doc.setCurrentTest(1);
    applyFormula(doc, 53, "0");
    EXPECT_EQ(rowLevels(doc, 53), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(doc.pinFunction(1, 53), "0");
    EXPECT_EQ(doc.pinFunction(0, 53), "");
    EXPECT_EQ(doc.getCell(0, 53, 1), 2) << "other tests untouched";
    const ApplyResult r = applyFormula(doc, 500, "C1");  // no such row: nothing to write
    EXPECT_TRUE(r.valid);
    EXPECT_NO_FATAL_FAILURE(applyFormula(doc, -1, "1"));
}

// ---- RecalculateFunctionPins -----------------------------------------------------------

TEST(RecalculateFunctionPins, OnlyValidFormulasOfFunctionRowsInDisplayOrder) {
    auto doc = dip40(4);
    fillRow(doc, 1, {1, 0, 1, 0});
    fillRow(doc, 2, {1, 1, 0, 0});
    doc.setPinType(3, PinType::Function);
    doc.setPinFunction(0, 3, "c1 & \xD1\x81" "2");  // stored as typed: normalised for evaluation
    doc.setPinType(4, PinType::Output);             // a formula on a row that is not a function row
    doc.setPinFunction(0, 4, "C1");
    doc.setPinType(5, PinType::Function);           // invalid stored formula
    doc.setPinFunction(0, 5, "!C1");
    fillRow(doc, 5, {0, 0, 0, 0});
    doc.setPinType(6, PinType::Function);           // empty formula
    fillRow(doc, 6, {1, 1, 1, 1});
    doc.setPinType(7, "O=F(x)");                     // four characters, but not a function type
    doc.setPinFunction(0, 7, "1");

    const std::vector<int> rows = RecalculateFunctionPins(doc);
    EXPECT_EQ(rows, (std::vector<int>{3}));
    EXPECT_EQ(rowLevels(doc, 3), (std::vector<int>{1, 0, 0, 0}));
    EXPECT_EQ(rowLevels(doc, 4), std::vector<int>(4, 2));
    EXPECT_EQ(rowLevels(doc, 5), std::vector<int>(4, 0));
    EXPECT_EQ(rowLevels(doc, 6), std::vector<int>(4, 1));
    EXPECT_EQ(rowLevels(doc, 7), std::vector<int>(4, 2));
    EXPECT_EQ(doc.pinFunction(0, 3), "c1 & \xD1\x81" "2") << "the stored text is not rewritten";
}

TEST(RecalculateFunctionPins, LaterRowsSeeEarlierResultsOnly) {
    auto doc = dip40(4);
    fillRow(doc, 1, {1, 0, 1, 0});
    fillRow(doc, 4, {0, 0, 0, 0});
    doc.setPinType(3, PinType::Function);
    doc.setPinFunction(0, 3, "C4");  // shown before pin 4: sees its levels from before the pass
    doc.setPinType(4, PinType::Function);
    doc.setPinFunction(0, 4, "!(C1)");
    EXPECT_EQ(RecalculateFunctionPins(doc), (std::vector<int>{3, 4}));
    EXPECT_EQ(rowLevels(doc, 3), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(rowLevels(doc, 4), (std::vector<int>{0, 1, 0, 1}));
    EXPECT_EQ(RecalculateFunctionPins(doc), (std::vector<int>{3, 4}));
    EXPECT_EQ(rowLevels(doc, 3), (std::vector<int>{0, 1, 0, 1})) << "the second pass sees the new levels";

    // Pin 4 shown first: pin 3 follows it within one pass.
    fillRow(doc, 3, {2, 2, 2, 2});
    fillRow(doc, 1, {0, 0, 1, 1});
    doc.moveSignalEntry(0, 4, 3);
    EXPECT_EQ(RecalculateFunctionPins(doc), (std::vector<int>{4, 3}));
    EXPECT_EQ(rowLevels(doc, 3), (std::vector<int>{1, 1, 0, 0}));
}

TEST(RecalculateFunctionPins, OutputRowsOfIoPinsAndDisplayCount) {
    auto doc = dip40(3);
    doc.setPackage({kvx::model::PackageType::DIP, 8});
    doc.setPinType(2, PinType::InOut);
    doc.setPinType(52, PinType::IoFunction);
    doc.setPinFunction(0, 52, "!(C2)");
    // Display order: 1, 2, 52, 3, ..., 8.
    doc.setSignalEntry(0, 1, {1, RowKind::Pin});
    doc.setSignalEntry(0, 2, {2, RowKind::Pin});
    doc.setSignalEntry(0, 3, {2, RowKind::Output});
    for (int k = 4; k <= 9; ++k) doc.setSignalEntry(0, k, {k - 1, RowKind::Pin});
    doc.setPinType(9, PinType::Function);  // not a pin of an 8-pin package: not shown
    doc.setPinFunction(0, 9, "1");
    fillRow(doc, 2, {0, 1, 2});
    EXPECT_EQ(RecalculateFunctionPins(doc), (std::vector<int>{52}));
    EXPECT_EQ(rowLevels(doc, 52), (std::vector<int>{1, 0, 2}));
    EXPECT_EQ(rowLevels(doc, 9), (std::vector<int>{2, 2, 2}));
}

TEST(RecalculateFunctionPins, UnchangedRowsKeepTheSavedFlag) {
    auto doc = dip40(100);
    for (int t = 1; t <= 100; ++t) doc.setCell(0, 1, t, static_cast<kvx::model::CellLevel>(t % 2));
    doc.setPinType(2, PinType::Function);
    doc.setPinFunction(0, 2, "C1X1");
    RecalculateFunctionPins(doc);
    doc.setSaved(true);
    RecalculateFunctionPins(doc);
    EXPECT_TRUE(doc.saved());
    doc.setCell(0, 1, 100, 2);
    doc.setSaved(true);
    RecalculateFunctionPins(doc);
    EXPECT_FALSE(doc.saved());
    EXPECT_EQ(doc.getCell(0, 2, 100), 2);
    EXPECT_EQ(doc.getCell(0, 2, 99), 0);
}
