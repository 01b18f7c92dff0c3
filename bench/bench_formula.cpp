// Recalculation of function rows: the compiled evaluator against the literal working-string one.
//
// Document: DIP40, 100,000 tacts. Pins 1..20 are "I/O": their pin rows hold random driven levels
// (about 5 % inactive) and their output rows 51..70 are "O/i=F(c)" rows. Pins 21..40 are "O=F(c)".
// That gives 40 function rows; each formula has 3..8 references, brackets and "!(" groups, and
// about a quarter of the references name other function pins (shown earlier or later).

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "functions/formula.h"
#include "model/test_document.h"

namespace {

using kvx::model::CellLevel;
using kvx::model::RowKind;
using kvx::model::TestDocument;
namespace PinType = kvx::model::PinType;

std::string randomFormula(std::mt19937& rng) {
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto reference = [&] { return "C" + std::to_string(pick(4) == 0 ? 21 + pick(20) : 1 + pick(20)); };
    const char* ops = "|&X*";
    std::string f;
    const int groups = 2 + pick(3);
    for (int g = 0; g < groups; ++g) {
        if (g > 0) f += ops[pick(4)];
        const int refs = 1 + pick(3);
        std::string inner = reference();
        for (int r = 1; r < refs; ++r) inner += std::string(1, ops[pick(4)]) + reference();
        f += pick(3) == 0 ? "!(" + inner + ")" : "(" + inner + ")";
    }
    return f;
}

struct Setup {
    TestDocument doc;
    std::vector<int> functionRows;
};

Setup makeDocument(int tacts) {
    Setup s;
    TestDocument& doc = s.doc;
    doc.setPackage({kvx::model::PackageType::DIP, 40});
    doc.setTactCount(tacts);
    std::mt19937 rng(42);
    int k = 1;
    for (int p = 1; p <= 20; ++p) {
        doc.setPinType(p, PinType::InOut);
        doc.setPinType(p + 50, PinType::IoFunction);
        doc.setSignalEntry(0, k++, {p, RowKind::Pin});
        doc.setSignalEntry(0, k++, {p, RowKind::Output});
        CellLevel* cells = doc.mutableRowData(0, p);
        for (int t = 1; t <= tacts; ++t) {
            const unsigned r = rng() % 100;
            cells[t] = r < 5 ? 2 : static_cast<CellLevel>(r & 1);
        }
    }
    for (int p = 21; p <= 40; ++p) {
        doc.setPinType(p, PinType::Function);
        doc.setSignalEntry(0, k++, {p, RowKind::Pin});
    }
    for (int i = 1; i < k; ++i) {
        const int row = doc.signalRow(0, i);
        if (row <= 20) continue;
        doc.setPinFunction(0, row, randomFormula(rng));
        s.functionRows.push_back(row);
    }
    return s;
}

void BM_RecalculateFunctionPins(benchmark::State& state) {
    Setup s = makeDocument(static_cast<int>(state.range(0)));
    kvx::functions::RecalculateFunctionPins(s.doc);
    for (auto _ : state) {
        auto rows = kvx::functions::RecalculateFunctionPins(s.doc);
        benchmark::DoNotOptimize(rows.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * static_cast<int64_t>(s.functionRows.size()));
}
BENCHMARK(BM_RecalculateFunctionPins)->Arg(100000)->Unit(benchmark::kMillisecond);

/// As above, but an input row changes before every pass, so the function rows are rewritten.
void BM_RecalculateAfterEdit(benchmark::State& state) {
    Setup s = makeDocument(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        CellLevel* cells = s.doc.mutableRowData(0, 1);
        for (int t = 1; t <= s.doc.tactCount(); ++t)
            if (cells[t] < 2) cells[t] ^= 1;
        auto rows = kvx::functions::RecalculateFunctionPins(s.doc);
        benchmark::DoNotOptimize(rows.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * static_cast<int64_t>(s.functionRows.size()));
}
BENCHMARK(BM_RecalculateAfterEdit)->Arg(100000)->Unit(benchmark::kMillisecond);

/// The literal evaluator in the same pass: every tact of every function row through Formula().
void BM_LiteralRecalculate(benchmark::State& state) {
    Setup s = makeDocument(static_cast<int>(state.range(0)));
    std::vector<std::string> formulas;
    for (int row : s.functionRows) {
        std::string f = s.doc.pinFunction(0, row);
        kvx::functions::correct(f);
        formulas.push_back(f);
    }
    for (auto _ : state) {
        for (size_t i = 0; i < s.functionRows.size(); ++i)
            for (int t = 1; t <= s.doc.tactCount(); ++t)
                s.doc.setCell(0, s.functionRows[i], t, kvx::functions::Formula(s.doc, t, formulas[i]));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * static_cast<int64_t>(s.functionRows.size()));
}
BENCHMARK(BM_LiteralRecalculate)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_Compile(benchmark::State& state) {
    Setup s = makeDocument(1);
    std::vector<std::string> formulas;
    for (int row : s.functionRows) formulas.push_back(s.doc.pinFunction(0, row));
    for (auto _ : state)
        for (const auto& f : formulas) benchmark::DoNotOptimize(kvx::functions::CompiledFormula::compile(f));
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(formulas.size()));
}
BENCHMARK(BM_Compile);

}  // namespace

BENCHMARK_MAIN();
