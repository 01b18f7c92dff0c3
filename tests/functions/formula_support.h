#pragma once
// Helpers shared by the formula tests: a 40-pin document and a level read through both evaluators.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "functions/formula.h"
#include "model/test_document.h"

namespace kvx::functions::testing {

inline model::TestDocument dip40(int tacts = 26) {
    model::TestDocument doc;
    doc.setPackage({model::PackageType::DIP, 40});
    doc.setTactCount(tacts);
    return doc;
}

/// Sets pins 1, 2, ... to the given levels at one tact.
inline void setPins(model::TestDocument& doc, int tact, std::initializer_list<int> levels) {
    int pin = 1;
    for (int v : levels) doc.setCell(doc.currentTest(), pin++, tact, static_cast<model::CellLevel>(v));
}

/// Level of a formula at a tact of the current test by the literal evaluator; the compiled
/// evaluator (single tact and whole row) must agree.
inline int levelAt(const model::TestDocument& doc, int tact, const std::string& formula) {
    const int literal = Formula(doc, tact, formula);
    const CompiledFormula compiled = CompiledFormula::compile(formula);
    const int single = compiled.evaluate(doc, doc.currentTest(), tact);
    EXPECT_EQ(single, literal) << "single tact, formula " << formula << " tact " << tact;
    if (tact >= 1 && tact <= doc.tactCount()) {
        std::vector<model::CellLevel> row(static_cast<size_t>(doc.tactCount()) + 1, 9);
        compiled.evaluateRow(doc, doc.currentTest(), row.data());
        EXPECT_EQ(row[static_cast<size_t>(tact)], literal) << "row, formula " << formula << " tact " << tact;
    }
    return literal;
}

}  // namespace kvx::functions::testing
