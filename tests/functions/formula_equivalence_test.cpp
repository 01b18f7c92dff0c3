// The compiled evaluator against the literal working-string reduction on many generated formulas.

#include "formula_support.h"

#include <random>
#include <sstream>

using namespace kvx::functions;
using kvx::model::CellLevel;
using kvx::model::TestDocument;

namespace {

constexpr int kTacts = 131;  // two whole blocks of 64 tacts and a short one of 3

/// Random levels on every pin row 1..50; some pins always active, some often inactive, a few cells
/// hold a value that is no level at all.
TestDocument randomDocument(std::mt19937& rng) {
    auto doc = kvx::functions::testing::dip40(kTacts);
    std::uniform_int_distribution<int> percent(0, 99);
    for (int row = 1; row <= 50; ++row) {
        const int inactiveShare = row % 4 == 0 ? 0 : (row % 4 == 1 ? 3 : 20);
        CellLevel* cells = doc.mutableRowData(0, row);
        for (int t = 1; t <= kTacts; ++t) {
            const int p = percent(rng);
            cells[t] = p < inactiveShare ? 2 : static_cast<CellLevel>(p & 1);
            if (p == 99 && row % 4 == 2) cells[t] = 5;
        }
    }
    return doc;
}

/// Formulas of the language with its odd corners: stray digits in operand places, "!(" groups,
/// brackets right after operands, pins 0 and above 40, C05 and C123 forms, doubled and dangling
/// operators. Not all of them pass validation; the callers sort them.
class FormulaGenerator {
public:
    explicit FormulaGenerator(std::mt19937& rng) : rng_(rng) {}

    std::string formula() {
        std::string f = expression(0);
        if (chance(3)) f = op() + f;
        if (chance(3)) f += op();
        return f;
    }

    /// Any string over the characters of the language (mostly invalid).
    std::string noise() {
        static const std::string alphabet = "C0123456789|&*X()!C1(";
        const int length = 1 + pick(18);
        std::string s;
        for (int i = 0; i < length; ++i) s += alphabet[static_cast<size_t>(pick(static_cast<int>(alphabet.size())))];
        return s;
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool chance(int percent) { return pick(100) < percent; }
    std::string op() { return std::string(1, "|&*X"[pick(4)]); }

    std::string pinReference() {
        const int r = pick(100);
        if (r < 80) return "C" + std::to_string(1 + pick(12));  // few pins: the levels repeat
        if (r < 86) return "C" + std::to_string(13 + pick(28));
        if (r < 90) return "C0" + std::to_string(1 + pick(9));
        if (r < 93) return "C" + std::to_string(41 + pick(59));
        if (r < 95) return pick(2) ? "C0" : "C00";
        return "C" + std::to_string(1 + pick(4)) + std::to_string(pick(10)) + std::to_string(pick(10));
    }

    std::string term(int depth) {
        const int r = pick(100);
        std::string t;
        if (depth > 4 || r < 50) t = pinReference();
        else if (r < 60) t = std::to_string(pick(2));
        else if (r < 66) t = std::to_string(pick(10));  // stray digits
        else if (r < 84) t = "(" + expression(depth + 1) + ")";
        else t = "!(" + expression(depth + 1) + ")";
        if (chance(5)) t += "(" + expression(depth + 1) + ")";  // bracket right after an operand
        if (chance(2)) t += "!(" + expression(depth + 1) + ")";
        return t;
    }

    std::string expression(int depth) {
        std::string e = term(depth);
        const int operators = pick(depth == 0 ? 6 : 4);
        for (int i = 0; i < operators; ++i) {
            e += op();
            if (chance(3)) e += op();
            e += term(depth);
        }
        return e;
    }

    std::mt19937& rng_;
};

/// Compares both evaluators on every tact (and one beyond); returns a description of the first
/// difference, empty when there is none.
std::string compare(const TestDocument& doc, const std::string& formula) {
    const CompiledFormula compiled = CompiledFormula::compile(formula);
    std::vector<CellLevel> row(kTacts + 1, 9);
    compiled.evaluateRow(doc, 0, row.data());
    for (int t = 1; t <= kTacts + 1; ++t) {
        const int literal = Formula(doc, t, formula);
        const int single = compiled.evaluate(doc, 0, t);
        const int fromRow = t <= kTacts ? row[static_cast<size_t>(t)] : literal;
        if (literal != single || literal != fromRow) {
            std::ostringstream s;
            s << "formula " << formula << " tact " << t << ": literal " << literal << ", single " << single
              << ", row " << fromRow;
            return s.str();
        }
    }
    return {};
}

}  // namespace

TEST(FormulaEquivalence, ValidGeneratedFormulas) {
    std::mt19937 rng(20240611);
    FormulaGenerator gen(rng);
    int valid = 0;
    int withNegation = 0, withBracketAfterOperand = 0, withFarPin = 0, withStrayDigit = 0, withResultTwo = 0;
    TestDocument doc = randomDocument(rng);
    for (int i = 0; valid < 4000; ++i) {
        ASSERT_LT(i, 40000) << "the generator gives too few valid formulas";
        if (i % 500 == 0) doc = randomDocument(rng);
        std::string f = gen.formula();
        if (!correct(f)) continue;
        ++valid;
        const std::string difference = compare(doc, f);
        ASSERT_EQ(difference, "");
        withNegation += f.find("!(") != std::string::npos;
        withBracketAfterOperand += f.find(")(") != std::string::npos || f.find("1(") != std::string::npos ||
                                   f.find("0(") != std::string::npos;
        const auto compiled = CompiledFormula::compile(f);
        withFarPin += compiled.alwaysInactive();
        for (size_t k = 0; k + 1 < f.size(); ++k)
            if (myoperator(f[k]) && f[k + 1] >= '2' && f[k + 1] <= '9') {
                ++withStrayDigit;
                break;
            }
        withResultTwo += Formula(doc, 1, f) == 2;
    }
    // The generated set really covers the odd corners.
    EXPECT_GT(withNegation, 800);
    EXPECT_GT(withBracketAfterOperand, 200);
    EXPECT_GT(withFarPin, 200);
    EXPECT_GT(withStrayDigit, 200);
    EXPECT_GT(withResultTwo, 1000);
    EXPECT_LT(withResultTwo, 3500);
}

TEST(FormulaEquivalence, ArbitraryStrings) {
    std::mt19937 rng(77);
    FormulaGenerator gen(rng);
    TestDocument doc = randomDocument(rng);
    int accepted = 0;
    for (int i = 0; i < 4000; ++i) {
        std::string s = gen.noise();
        const std::string difference = compare(doc, s);
        ASSERT_EQ(difference, "");
        accepted += correct(s);
    }
    EXPECT_GT(accepted, 50) << "some noise strings are valid formulas too";
}

TEST(FormulaEquivalence, HandPickedQuirks) {
    std::mt19937 rng(5);
    TestDocument doc = randomDocument(rng);
    for (const char* f : {"C1(C2)", "C1(C2)(C3)", "!(C1)(C2)", "C1|(C2)(!(C3))", "1!(C2)", "!(12)", "!(1|)",
                          "(C1|5)&(0|5)", "C123", "C05|C5", "((((C1))))", "!(!(!(C1)))", "C1||C2", "|C1",
                          "C1|", "))", ")", "(", "((", "()", "!()", "(1)(", "1)(0", "C", "CC1", "C(1", "!", "5",
                          "", "C1&C2&C3&C4&C5&C6&C7&C8&C9&C10&C11&C12&C13&C14&C15&C16&C17&C18&C19&C20",
                          "C1XC2XC3XC4XC5XC6XC7XC8XC9XC10XC11XC12XC13XC14XC15XC16XC17XC18XC19XC20XC21XC22"}) {
        EXPECT_EQ(compare(doc, f), "") << f;
    }
}

TEST(FormulaEquivalence, LongFormulas) {
    auto build = [](int groups) {
        std::string f = "C1";
        for (int i = 0; i < groups; ++i) f += (i % 3 == 0 ? "|!(C" : "&(C") + std::to_string(1 + i % 40) + ")";
        return f;
    };
    auto doc = kvx::functions::testing::dip40(4);
    std::mt19937 rng(9);
    for (int row = 1; row <= 40; ++row)
        for (int t = 1; t <= 4; ++t) doc.setCell(0, row, t, static_cast<CellLevel>(rng() & 1));
    const std::string medium = build(2000);
    ASSERT_TRUE([&] { std::string copy = medium; return correct(copy); }());
    const auto compiled = CompiledFormula::compile(medium);
    EXPECT_EQ(compiled.pins().size(), 40u);
    for (int t = 1; t <= 4; ++t) EXPECT_EQ(compiled.evaluate(doc, 0, t), Formula(doc, t, medium)) << t;
    // A formula of over a megabyte compiles in one pass (the reduction would take hours).
    const auto huge = CompiledFormula::compile(build(200000));
    EXPECT_EQ(huge.pins().size(), 40u);
    EXPECT_LE(huge.evaluate(doc, 0, 1), 1);
}
