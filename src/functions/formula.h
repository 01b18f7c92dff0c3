#pragma once
// The formula language of function pins: validation and normalisation, the literal
// working-string evaluator, a compiled evaluator equal to it, Apply and the recomputation
// of function rows.
//
// Choices where the language leaves freedom:
// * a reference to pin 0 or to a pin above 40 reads as inactive, so the formula gives 2 at every tact;
//   a "C" not followed by a digit (only in texts that fail validation) is treated the same way;
// * a formula that reduces to one character other than 0/1 (a lone digit 2..9, a lone operator)
//   gives 2;
// * a bracket right after an operand, as in C1(C2), is accepted; its result lands in an operator
//   position of the chain and leaves the running result unchanged;
// * the literal reduction drops a ")" that has no "(" before it (only in texts that fail
//   validation), so that every input terminates.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/test_document.h"

namespace kvx::functions {

/// True for the operator characters '|', '*', '&' and 'X'.
bool myoperator(char c);
/// Normalises `text` in place (spaces removed; Latin c, Cyrillic с and С in UTF-8 become C) and
/// returns whether every validation rule holds. All rules are checked; the text stays normalised
/// either way.
bool correct(std::string& text);
/// Level of a normalised formula at one tact of the current test, by substituting the pin levels
/// and reducing the working string step by step.
model::CellLevel Formula(const model::TestDocument& doc, int tact, const std::string& normalized);
/// One reduction step: the innermost bracket (first ")" and the nearest "(" before it, with a
/// preceding "!" inverting it) or, without brackets, the whole string becomes one character.
void Skobki(std::string& working);
/// Value 0 or 1 of a bracket-free chain read at fixed positions: operands at even, operators at
/// odd positions, strictly left to right.
int Dejstvie(std::string_view chain);

/// A formula compiled once into a straight-line Boolean program over its referenced pins; gives
/// exactly what Formula() gives on every input text. Rows are evaluated 64 tacts at a time.
class CompiledFormula {
public:
    static CompiledFormula compile(const std::string& normalized);
    /// Level at one tact of `test`.
    model::CellLevel evaluate(const model::TestDocument& doc, int test, int tact) const;
    /// Writes the levels of tacts 1..tactCount into out[1..tactCount]. `out` may be the row of a
    /// referenced pin: every tact is read before it is written.
    void evaluateRow(const model::TestDocument& doc, int test, model::CellLevel* out) const;

    /// Distinct pins 1..40 that the formula references, in order of appearance.
    const std::vector<int>& pins() const { return pins_; }
    /// True when the formula gives 2 at every tact (a reference outside 1..40, or no level left).
    bool alwaysInactive() const { return alwaysInactive_; }
    /// Number of Boolean operations left after folding constants and dropping unused results.
    size_t operationCount() const { return program_.size(); }

    enum class Op : std::uint8_t { Or, And, Xor, Not };
    struct Instruction {
        Op op;
        std::uint32_t a;
        std::uint32_t b;
    };

private:
    /// Evaluates the program on bit masks; slots 0 and 1 are the constants, then one per pin.
    std::uint64_t run(std::vector<std::uint64_t>& slots) const;

    std::vector<int> pins_;
    bool alwaysInactive_ = false;
    std::vector<Instruction> program_;  ///< instruction i writes slot 2 + pins + i
    std::uint32_t result_ = 0;          ///< slot holding the value
};

struct ApplyResult {
    bool valid = false;       ///< the formula passed validation (false for an empty formula)
    std::string normalized;   ///< the text as stored
};

/// Apply of the formula dialog without its window: a non-empty valid formula fills tacts
/// 1..tactCount of `row` (1..100) in the current test, every tact read before it is written;
/// the normalised text is stored as the row's formula in every case, also invalid or empty.
/// The caller shows "Ошибка в формуле" when !valid and the text is not empty.
ApplyResult applyFormula(model::TestDocument& doc, int row, std::string text);

/// Recomputes, in display order 1..pinCount + ioPinCount of the current test, every row of type
/// "O=F(c)" or "O/i=F(c)" whose stored formula is non-empty and valid; a row sees the rows
/// recomputed before it. Rows whose levels do not change are not written (the saved flag stays).
/// Returns the rows recomputed, in that order.
std::vector<int> RecalculateFunctionPins(model::TestDocument& doc);

}  // namespace kvx::functions
