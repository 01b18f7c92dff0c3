#include "functions/generator.h"

#include <gtest/gtest.h>

#include "functions/formula.h"

namespace kvx::functions {
namespace {

using model::CellLevel;
using model::TestDocument;

Pattern rowLevels(const TestDocument& doc, int row, int first, int last) {
    Pattern out;
    for (int t = first; t <= last; ++t) out.push_back(doc.getCell(doc.currentTest(), row, t));
    return out;
}

TEST(GeneratorPatterns, BuiltInVariants) {
    EXPECT_EQ(builtinPattern(PulseVariant::One), (Pattern{1, 0, 1, 0, 1, 0, 1, 0}));
    EXPECT_EQ(builtinPattern(PulseVariant::Two), (Pattern{1, 1, 0, 0, 1, 1, 0, 0}));
    EXPECT_EQ(builtinPattern(PulseVariant::Three), (Pattern{0, 0, 1, 0, 0, 1}));
    EXPECT_TRUE(builtinPattern(PulseVariant::Own).empty());
}

TEST(GeneratorPatterns, OwnVariantPulsePauseAndInversion) {
    EXPECT_EQ(ownPattern(2, 3, false), (Pattern{1, 1, 0, 0, 0}));
    EXPECT_EQ(ownPattern(2, 3, true), (Pattern{0, 0, 1, 1, 1}));
    EXPECT_EQ(ownPattern(1, 1, false), (Pattern{1, 0}));
    // Lengths outside 1..40 are kept within it.
    EXPECT_EQ(ownPattern(0, -5, false), (Pattern{1, 0}));
    const Pattern longest = ownPattern(99, 41, false);
    ASSERT_EQ(longest.size(), 80u);
    EXPECT_EQ(longest[39], 1);
    EXPECT_EQ(longest[40], 0);
}

TEST(GeneratorPatterns, PreviewRepeatsFromFirstLevel) {
    const Pattern p = repeatPattern({0, 0, 1, 0, 0, 1});
    ASSERT_EQ(p.size(), 17u);
    EXPECT_EQ(p, (Pattern{0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0}));
    // A pattern longer than the preview shows only its start.
    EXPECT_EQ(repeatPattern(ownPattern(20, 5, false)), Pattern(17, 1));
    EXPECT_TRUE(repeatPattern({}).empty());
}

TEST(GeneratorSequence, InitialContentCyclingAndLength) {
    Sequence s;
    EXPECT_EQ(s.length, 8);
    EXPECT_EQ(s.pattern(), (Pattern{1, 0, 1, 1, 1, 0, 1, 0}));
    // Each click cycles 0 -> 1 -> 2 -> 0.
    EXPECT_TRUE(s.cycle(1));
    EXPECT_EQ(s.pattern()[1], 1);
    EXPECT_TRUE(s.cycle(1));
    EXPECT_EQ(s.pattern()[1], 2);
    EXPECT_TRUE(s.cycle(1));
    EXPECT_EQ(s.pattern()[1], 0);
    // A slot behind the length is not touched.
    EXPECT_FALSE(s.cycle(8));
    EXPECT_FALSE(s.cycle(-1));
    EXPECT_FALSE(s.cycle(kMaxSequenceLength));
    EXPECT_EQ(s.levels[8], 0);

    s.setLength(3);
    EXPECT_EQ(s.pattern(), (Pattern{1, 0, 1}));
    s.setLength(8);  // lowering the length keeps the hidden slots
    EXPECT_EQ(s.pattern(), (Pattern{1, 0, 1, 1, 1, 0, 1, 0}));
    s.setLength(0);
    EXPECT_EQ(s.length, 1);
    s.setLength(100);
    EXPECT_EQ(s.length, 14);
    EXPECT_EQ(s.pattern().size(), 14u);
}

TEST(GeneratorSequence, ClickPositionMapsToShownCellsOnly) {
    EXPECT_EQ(sequenceCellAt(0, 20, 8), 0);
    EXPECT_EQ(sequenceCellAt(19, 20, 8), 0);
    EXPECT_EQ(sequenceCellAt(20, 20, 8), 1);
    EXPECT_EQ(sequenceCellAt(159, 20, 8), 7);
    EXPECT_EQ(sequenceCellAt(160, 20, 8), -1);  // right of the last shown cell
    EXPECT_EQ(sequenceCellAt(-1, 20, 8), -1);
    EXPECT_EQ(sequenceCellAt(5, 0, 8), -1);
    EXPECT_EQ(sequenceCellAt(5, 20, 0), -1);
}

TEST(GeneratorTargets, OnlyDrivenAndExpectedRows) {
    TestDocument doc;
    doc.setPackage({model::PackageType::DIP, 16});
    doc.setPinType(1, "I");
    doc.setPinType(2, "O");
    doc.setPinType(3, "I/O");
    doc.setPinType(53, "O/i");
    doc.setPinType(4, "O=F(c)");
    doc.setPinType(5, "NC");
    doc.setPinType(6, "VCC");
    doc.setPinType(7, "GND");
    EXPECT_TRUE(canGenerate(doc, 1));
    EXPECT_TRUE(canGenerate(doc, 2));
    EXPECT_TRUE(canGenerate(doc, 3));
    EXPECT_TRUE(canGenerate(doc, 53));
    EXPECT_FALSE(canGenerate(doc, 4));
    EXPECT_FALSE(canGenerate(doc, 5));
    EXPECT_FALSE(canGenerate(doc, 6));
    EXPECT_FALSE(canGenerate(doc, 7));
    EXPECT_FALSE(canGenerate(doc, 0));
    EXPECT_FALSE(canGenerate(doc, 17));   // beyond the package
    EXPECT_FALSE(canGenerate(doc, 67));   // output row of a pin beyond the package
    EXPECT_FALSE(canGenerate(doc, 101));
    EXPECT_FALSE(canGenerate(doc, -3));

    for (int row : {4, 5, 6, 7}) {
        const bool savedBefore = doc.saved();
        EXPECT_FALSE(fillRow(doc, row, 1, 26, {1}));
        EXPECT_EQ(rowLevels(doc, row, 1, 26), Pattern(26, 2)) << row;
        EXPECT_EQ(doc.saved(), savedBefore);
    }
}

TEST(GeneratorFill, VariantThreeFromFirstTact) {
    TestDocument doc;
    ASSERT_TRUE(fillRow(doc, 1, 1, 7, builtinPattern(PulseVariant::Three)));
    EXPECT_EQ(rowLevels(doc, 1, 1, 7), (Pattern{0, 0, 1, 0, 0, 1, 0}));
    EXPECT_EQ(doc.getCell(0, 1, 8), 2);
    EXPECT_FALSE(doc.saved());
}

TEST(GeneratorFill, OwnVariantStartsAtFirstTactAndKeepsOthers) {
    TestDocument doc;
    doc.setCell(0, 2, 4, 1);
    doc.setCell(0, 2, 15, 0);
    ASSERT_TRUE(fillRow(doc, 2, 5, 14, ownPattern(2, 3, false)));
    EXPECT_EQ(rowLevels(doc, 2, 5, 14), (Pattern{1, 1, 0, 0, 0, 1, 1, 0, 0, 0}));
    EXPECT_EQ(doc.getCell(0, 2, 4), 1);
    EXPECT_EQ(doc.getCell(0, 2, 15), 0);
    EXPECT_EQ(doc.getCell(0, 2, 3), 2);

    ASSERT_TRUE(fillRow(doc, 2, 5, 14, ownPattern(2, 3, true)));
    EXPECT_EQ(rowLevels(doc, 2, 5, 14), (Pattern{0, 0, 1, 1, 1, 0, 0, 1, 1, 1}));
}

TEST(GeneratorFill, SequenceWithInactiveLevel) {
    TestDocument doc;
    Sequence s;
    s.levels[0] = 1;
    s.levels[1] = 2;
    s.levels[2] = 0;
    s.setLength(3);
    ASSERT_TRUE(fillRow(doc, 3, 1, 12, s.pattern()));
    const Pattern row = rowLevels(doc, 3, 1, 12);
    for (int t = 1; t <= 12; ++t) {
        const CellLevel expected = (t % 3 == 2) ? 2 : (t % 3 == 1 ? 1 : 0);
        EXPECT_EQ(row[static_cast<size_t>(t - 1)], expected) << "tact " << t;
    }
}

TEST(GeneratorFill, RangeCorrections) {
    TestDocument doc;  // 26 tacts
    // A last tact below the first fills only the last tact with the first level.
    ASSERT_TRUE(fillRow(doc, 1, 10, 4, builtinPattern(PulseVariant::Two)));
    EXPECT_EQ(doc.getCell(0, 1, 4), 1);
    EXPECT_EQ(doc.getCell(0, 1, 3), 2);
    EXPECT_EQ(doc.getCell(0, 1, 5), 2);
    EXPECT_EQ(doc.getCell(0, 1, 10), 2);

    // The fill never adds tacts, whatever the range asks for.
    ASSERT_TRUE(fillRow(doc, 2, 20, 65000, {0}));
    EXPECT_EQ(doc.tactCount(), 26);
    EXPECT_EQ(rowLevels(doc, 2, 20, 26), Pattern(7, 0));
    ASSERT_TRUE(fillRow(doc, 3, 100, 200, {1}));
    EXPECT_EQ(doc.tactCount(), 26);
    EXPECT_EQ(doc.getCell(0, 3, 26), 1);
    EXPECT_EQ(doc.getCell(0, 3, 25), 2);

    // One tact: exactly tact 1.
    TestDocument one;
    ASSERT_TRUE(one.setTactCount(1));
    ASSERT_TRUE(fillRow(one, 1, 1, 1, {0, 1}));
    EXPECT_EQ(one.getCell(0, 1, 1), 0);
    EXPECT_EQ(one.tactCount(), 1);
}

TEST(GeneratorFill, RejectsBadPatterns) {
    TestDocument doc;
    EXPECT_FALSE(fillRow(doc, 1, 1, 26, {}));
    EXPECT_FALSE(fillRow(doc, 1, 1, 26, {1, 3}));
    EXPECT_FALSE(fillRow(doc, 1, 1, 26, Pattern(81, 1)));
    EXPECT_EQ(rowLevels(doc, 1, 1, 26), Pattern(26, 2));
    EXPECT_TRUE(doc.saved());
}

TEST(GeneratorFill, FunctionRowsFollowAfterRecalculation) {
    TestDocument doc;
    doc.setPinType(3, "O=F(c)");
    doc.setPinFunction(0, 3, "!(C1)");
    doc.setCell(0, 1, 9, 1);
    ASSERT_TRUE(fillRow(doc, 1, 1, 8, builtinPattern(PulseVariant::One)));
    RecalculateFunctionPins(doc);
    EXPECT_EQ(rowLevels(doc, 3, 1, 9), (Pattern{0, 1, 0, 1, 0, 1, 0, 1, 0}));
    EXPECT_EQ(doc.getCell(0, 3, 10), 2);  // pin 1 inactive there
}

}  // namespace
}  // namespace kvx::functions
