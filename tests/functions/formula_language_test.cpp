// Validation, chain and bracket reduction, and the level of a formula at one tact.

#include "formula_support.h"

using namespace kvx::functions;
using kvx::functions::testing::dip40;
using kvx::functions::testing::levelAt;
using kvx::functions::testing::setPins;

// ---- normalisation and validation ---------------------------------------------------

TEST(FormulaCorrect, NormalisesSpacesAndAllFormsOfC) {
    std::string t = "c1 & \xD1\x81" "2";  // Latin small c, spaces, Cyrillic small es
    EXPECT_TRUE(correct(t));
    EXPECT_EQ(t, "C1&C2");
    t = "\xD0\xA1" "3 | C4X c5";  // Cyrillic capital Es
    EXPECT_TRUE(correct(t));
    EXPECT_EQ(t, "C3|C4XC5");
    t = "  ";
    EXPECT_TRUE(correct(t));
    EXPECT_EQ(t, "");
}

TEST(FormulaCorrect, TextStaysNormalisedWhenInvalid) {
    std::string t = "! c1";
    EXPECT_FALSE(correct(t));
    EXPECT_EQ(t, "!C1");
    t = "(c1 & \xD1\x81" "2";
    EXPECT_FALSE(correct(t));
    EXPECT_EQ(t, "(C1&C2");
}

TEST(FormulaCorrect, OtherCharactersAreNotConverted) {
    for (std::string t : {"x1", "C1xC2", "\xD0\xB1", "C1&\xD1", "\xD1\x80" "1", "C1\t|C2", "C1+C2", "C1|a"}) {
        const std::string input = t;
        EXPECT_FALSE(correct(t)) << input;
    }
    std::string t = "\xD1\x81\xD1";  // a trailing half of a two-byte character is kept as it is
    EXPECT_FALSE(correct(t));
    EXPECT_EQ(t, "C\xD1");
}

TEST(FormulaCorrect, RejectedFormulas) {
    for (std::string t : {"(C1", "C1)", ")(", "()", "C1&(", "!C1", "!", "C1!", "C", "C1&C", "C1C2", "1C2",
                          "(|C1)", "(5)", "(C1|)", "(C1)C2", "(C1)1", ")C1(", "C1)|(C2", "((C1)", "!!(C1)",
                          "(C1))(", "C!1"}) {
        const std::string input = t;
        EXPECT_FALSE(correct(t)) << input;
    }
}

TEST(FormulaCorrect, AcceptedFormulas) {
    for (std::string t : {"((C1))", "!(C1)", "!(C1&C2)|C3", "C10", "C99", "C0", "1", "0", "5", "1|5", "C1(C2)",
                          "!(!(C1))", "(C1)|(C2)", "|", "C1|", "|C1", "C1&&C2", "C123", "1!(C2)", "C1*C2XC3",
                          "(0)", "(!(1))"}) {
        const std::string input = t;
        EXPECT_TRUE(correct(t)) << input;
    }
}

TEST(FormulaCorrect, Operators) {
    for (char c : std::string("|*&X")) EXPECT_TRUE(myoperator(c)) << c;
    for (char c : std::string("x+^!()C01")) EXPECT_FALSE(myoperator(c)) << c;
}

// ---- chain evaluation ------------------------------------------------------------------

TEST(FormulaChain, LeftToRightWithoutPrecedence) {
    EXPECT_EQ(Dejstvie("1|0&0"), 0);
    EXPECT_EQ(Dejstvie("0&0|1"), 1);
    EXPECT_EQ(Dejstvie("1X1"), 0);
    EXPECT_EQ(Dejstvie("0X1"), 1);
    EXPECT_EQ(Dejstvie("1*1"), 1);
    EXPECT_EQ(Dejstvie("1&0"), 0);
    EXPECT_EQ(Dejstvie("0|0"), 0);
    EXPECT_EQ(Dejstvie("1X1X1"), 1);
}

TEST(FormulaChain, FixedPositionsAndStrayCharacters) {
    EXPECT_EQ(Dejstvie("1|5"), 1);
    EXPECT_EQ(Dejstvie("0|5"), 0);
    EXPECT_EQ(Dejstvie("1&0|5"), 0) << "the register keeps the last operand";
    EXPECT_EQ(Dejstvie("0|1&5"), 1) << "the register keeps the last operand";
    EXPECT_EQ(Dejstvie(""), 0);
    EXPECT_EQ(Dejstvie("1"), 1);
    EXPECT_EQ(Dejstvie("5"), 0);
    EXPECT_EQ(Dejstvie("1|"), 1) << "no operand after the last operator";
    EXPECT_EQ(Dejstvie("1X"), 1);
    EXPECT_EQ(Dejstvie("12X1"), 1) << "operator positions hold 2 and 1: nothing is combined";
    EXPECT_EQ(Dejstvie("10"), 1);
    EXPECT_EQ(Dejstvie("X1"), 0);
}

// ---- bracket reduction -----------------------------------------------------------------

TEST(FormulaBrackets, OneStepAtATime) {
    auto step = [](std::string s) {
        Skobki(s);
        return s;
    };
    EXPECT_EQ(step("(1|0)&1"), "1&1");
    EXPECT_EQ(step("!(1)"), "0");
    EXPECT_EQ(step("1&!(0)"), "1&1");
    EXPECT_EQ(step("1|0"), "1");
    EXPECT_EQ(step("((1))"), "(1)");
    EXPECT_EQ(step("(1&(0|1))"), "(1&1)") << "innermost first";
    EXPECT_EQ(step("(1)(0)"), "1(0)") << "first closing bracket first";
    EXPECT_EQ(step("1(0)"), "10");
    EXPECT_EQ(step("!(12)"), "1") << "the appended X1 lands in operator positions 3 and 4";
    EXPECT_EQ(step("1)"), "1") << "a closing bracket without opening bracket is dropped";
    EXPECT_EQ(step("()"), "0");
}

// ---- levels at a tact --------------------------------------------------------------------

TEST(FormulaLevel, NoPrecedence) {
    auto doc = dip40();
    setPins(doc, 1, {1, 0, 0});
    EXPECT_EQ(levelAt(doc, 1, "C1|C2&C3"), 0);
    EXPECT_EQ(levelAt(doc, 1, "C3&C2|C1"), 1);
    EXPECT_EQ(levelAt(doc, 1, "C1|(C2&C3)"), 1);
}

TEST(FormulaLevel, Negation) {
    auto doc = dip40();
    setPins(doc, 1, {1, 1, 0});
    setPins(doc, 2, {0, 1, 0});
    EXPECT_EQ(levelAt(doc, 1, "!(C1)"), 0);
    EXPECT_EQ(levelAt(doc, 2, "!(C1)"), 1);
    EXPECT_EQ(levelAt(doc, 1, "!(C1&C2)|C3"), 0);
    EXPECT_EQ(levelAt(doc, 2, "!(C1&C2)|C3"), 1);
    doc.setCell(0, 3, 1, 1);
    EXPECT_EQ(levelAt(doc, 1, "!(C1&C2)|C3"), 1) << "only the bracket is inverted";
    EXPECT_EQ(levelAt(doc, 1, "!(!(C1))"), 1);
    EXPECT_EQ(levelAt(doc, 1, "!(12)"), 1) << "a stray digit in the bracket keeps the value";
}

TEST(FormulaLevel, BracketsInnermostFirst) {
    auto doc = dip40();
    setPins(doc, 1, {1, 0, 1, 0});
    EXPECT_EQ(levelAt(doc, 1, "((C1))"), 1);
    EXPECT_EQ(levelAt(doc, 1, "(C1&(C2|C3))X(C4)"), 1);
    EXPECT_EQ(levelAt(doc, 1, "C2|!(C4&(C1|C2))"), 1);
}

TEST(FormulaLevel, PinNumbers) {
    auto doc = dip40();
    setPins(doc, 1, {1, 0});
    doc.setCell(0, 10, 1, 0);
    doc.setCell(0, 12, 1, 1);
    doc.setCell(0, 5, 1, 0);
    EXPECT_EQ(levelAt(doc, 1, "C10"), 0) << "two digits: pin 10, not pin 1";
    EXPECT_EQ(levelAt(doc, 1, "C1&C2"), 0);
    EXPECT_EQ(levelAt(doc, 1, "C1|C2"), 1);
    EXPECT_EQ(levelAt(doc, 1, "C05"), 0) << "C05 is pin 5";
    EXPECT_EQ(levelAt(doc, 1, "C123"), 1) << "pin 12 and a stray 3";
    doc.setCell(0, 12, 1, 0);
    EXPECT_EQ(levelAt(doc, 1, "C123"), 0);
    EXPECT_EQ(levelAt(doc, 1, "C1(C2)"), 1) << "the bracket's result lands in an operator position";
    doc.setCell(0, 1, 1, 0);
    EXPECT_EQ(levelAt(doc, 1, "C1(C2)"), 0);
}

TEST(FormulaLevel, PinsOutsideThePackageAreInactive) {
    auto doc = dip40();
    for (int r = 1; r <= 50; ++r) doc.setCell(0, r, 1, 1);
    EXPECT_EQ(levelAt(doc, 1, "C0"), 2);
    EXPECT_EQ(levelAt(doc, 1, "C00"), 2);
    EXPECT_EQ(levelAt(doc, 1, "C41"), 2) << "row 41 holds 1, but pins end at 40";
    EXPECT_EQ(levelAt(doc, 1, "C40"), 1);
    EXPECT_EQ(levelAt(doc, 1, "1|C99"), 2);
    EXPECT_EQ(levelAt(doc, 1, "C1(C45)"), 2) << "even where the value would not count";
}

TEST(FormulaLevel, InactiveReferencesGiveInactiveAtExactlyThoseTacts) {
    auto doc = dip40(10);
    for (int t = 1; t <= 10; ++t) {
        doc.setCell(0, 1, t, 1);
        doc.setCell(0, 2, t, t % 3 == 0 ? 2 : 0);
    }
    doc.mutableRowData(0, 2)[5] = 7;  // a level that is no cell level counts as inactive too
    for (int t = 1; t <= 10; ++t) {
        const bool inactive = t % 3 == 0 || t == 5;
        EXPECT_EQ(levelAt(doc, t, "C1|C2"), inactive ? 2 : 1) << t;
        EXPECT_EQ(levelAt(doc, t, "C1(C2)"), inactive ? 2 : 1) << t;
    }
    EXPECT_EQ(levelAt(doc, 11, "C1"), 2) << "a tact beyond the diagram reads as inactive";
}

TEST(FormulaLevel, ConstantsAndLoneCharacters) {
    auto doc = dip40();
    EXPECT_EQ(levelAt(doc, 1, "1"), 1);
    EXPECT_EQ(levelAt(doc, 1, "0"), 0);
    EXPECT_EQ(levelAt(doc, 1, "(1)"), 1);
    EXPECT_EQ(levelAt(doc, 1, "!(1)"), 0);
    EXPECT_EQ(levelAt(doc, 1, "1|5"), 1);
    EXPECT_EQ(levelAt(doc, 1, "0|5"), 0);
    for (const char* lone : {"2", "5", "9", "|", "X", ""}) EXPECT_EQ(levelAt(doc, 1, lone), 2) << lone;
    EXPECT_EQ(levelAt(doc, 1, "1|"), 1);
    EXPECT_EQ(levelAt(doc, 1, "|1"), 0) << "the operator stands in the first operand position";
}

TEST(FormulaLevel, ReadsTheCurrentTest) {
    auto doc = dip40();
    ASSERT_TRUE(doc.addTest());
    doc.setCell(0, 1, 1, 1);
    doc.setCell(1, 1, 1, 0);
    doc.setCurrentTest(1);
    EXPECT_EQ(levelAt(doc, 1, "C1"), 0);
    EXPECT_EQ(CompiledFormula::compile("C1").evaluate(doc, 0, 1), 1);
}

TEST(FormulaCompile, ProgramShape) {
    const auto f = CompiledFormula::compile("C3|C1&C3");
    EXPECT_EQ(f.pins(), (std::vector<int>{3, 1}));
    EXPECT_FALSE(f.alwaysInactive());
    EXPECT_EQ(f.operationCount(), 2u);
    EXPECT_EQ(CompiledFormula::compile("1|C1").operationCount(), 0u) << "1|x folds to 1";
    EXPECT_EQ(CompiledFormula::compile("C1(C2)").pins(), (std::vector<int>{1, 2}));
    EXPECT_TRUE(CompiledFormula::compile("C1|C41").alwaysInactive());
    EXPECT_TRUE(CompiledFormula::compile("7").alwaysInactive());
    EXPECT_FALSE(CompiledFormula::compile("1").alwaysInactive());
}
