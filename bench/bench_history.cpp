// Undo and redo on a large test, the memory of many small steps, blocks of cells copied and
// pasted on a DIP40 test of 100,000 tacts, and a block of 40 rows by 1,000,000 tacts filled by
// one key (with its undo step and the recalculation of the formula rows) and undone.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "diagram/block_editing.h"
#include "functions/formula.h"
#include "model/change_log.h"

using namespace kvx;

namespace {

model::TestDocument& bigTest() {
    static model::TestDocument doc = [] {
        model::TestDocument d;
        d.setPackage({model::PackageType::DIP, 40});
        d.setTactCount(100'000);
        for (int r = 1; r <= 40; ++r) {
            model::CellLevel* cells = d.mutableRowData(0, r);
            for (int t = 1; t <= 100'000; ++t) cells[t] = static_cast<model::CellLevel>((t / (r + 1)) % 3);
        }
        return d;
    }();
    return doc;
}

}  // namespace

static void BM_UndoRedoOfAFill(benchmark::State& state) {
    auto& doc = bigTest();
    model::ChangeLog log;
    doc.setChangeLog(&log);
    model::CellLevel* cells = doc.mutableRowData(0, 7);
    std::fill(cells + 1, cells + 100'001, model::kHigh);
    doc.setChangeLog(nullptr);
    log.seal();
    for (auto _ : state) {
        log.undo(doc);
        log.redo(doc);
    }
    log.undo(doc);
    state.counters["log_bytes"] = static_cast<double>(log.bytes());
}
BENCHMARK(BM_UndoRedoOfAFill)->Unit(benchmark::kMillisecond);

static void BM_ThousandSingleCellSteps(benchmark::State& state) {
    auto& doc = bigTest();
    double bytes = 0;
    for (auto _ : state) {
        std::vector<model::ChangeLog> steps(1000);
        for (int i = 0; i < 1000; ++i) {
            doc.setChangeLog(&steps[static_cast<size_t>(i)]);
            doc.setCell(0, 1 + i % 40, 1 + i * 97, model::kLow);
            doc.setChangeLog(nullptr);
            steps[static_cast<size_t>(i)].seal();
        }
        bytes = 0;
        for (auto& s : steps) bytes += static_cast<double>(s.bytes());
        for (auto it = steps.rbegin(); it != steps.rend(); ++it) it->undo(doc);
    }
    state.counters["bytes_per_1000_steps"] = bytes;
}
BENCHMARK(BM_ThousandSingleCellSteps)->Unit(benchmark::kMillisecond);

static void BM_CopyBlock40x10000(benchmark::State& state) {
    auto& doc = bigTest();
    for (auto _ : state) benchmark::DoNotOptimize(diagram::copyCells(doc, {1, 40, 50'001, 60'000}));
}
BENCHMARK(BM_CopyBlock40x10000)->Unit(benchmark::kMillisecond);

static void BM_PasteBlock40x10000WithHistory(benchmark::State& state) {
    auto& doc = bigTest();
    const diagram::CellBlock block = diagram::copyCells(doc, {1, 40, 50'001, 60'000});
    for (auto _ : state) {
        model::ChangeLog log;
        doc.setChangeLog(&log);
        diagram::pasteCells(doc, block, 1, 20'001, false);
        doc.setChangeLog(nullptr);
        state.PauseTiming();
        log.seal();
        log.undo(doc);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PasteBlock40x10000WithHistory)->Unit(benchmark::kMillisecond);

namespace {

/// DIP40 of 1,000,000 tacts: supply pins 20 and 40, two formula rows, the other rows full of
/// short stretches (the worst case for the run-coded undo step).
model::TestDocument& millionTactTest() {
    static model::TestDocument doc = [] {
        model::TestDocument d;
        d.setPackage({model::PackageType::DIP, 40});
        d.setTactCount(1'000'000);
        d.setPinType(20, "GND");
        d.setPinType(40, "VCC");
        d.setPinType(38, "O=F(c)");
        d.setPinFunction(0, 38, "C1*C2");
        d.setPinType(39, "O=F(c)");
        d.setPinFunction(0, 39, "C3+!C4");
        for (int r = 1; r <= 37; ++r) {
            model::CellLevel* cells = d.mutableRowData(0, r);
            for (int t = 1; t <= 1'000'000; ++t) cells[t] = static_cast<model::CellLevel>((t / (r % 5 + 1)) % 3);
        }
        functions::RecalculateFunctionPins(d);
        return d;
    }();
    return doc;
}

constexpr diagram::CellRange kWholeMillionBlock{1, 40, 1, 1'000'000};

/// One key on the block: the fill, the formula rows recomputed and the step sealed.
model::ChangeLog fillWithHistory(model::TestDocument& doc, model::CellLevel level) {
    model::ChangeLog log;
    doc.setChangeLog(&log);
    diagram::fillCells(doc, kWholeMillionBlock, level);
    functions::RecalculateFunctionPins(doc);
    doc.setChangeLog(nullptr);
    log.seal();
    return log;
}

}  // namespace

static void BM_FillBlock40x1000000WithUndoStep(benchmark::State& state) {
    auto& doc = millionTactTest();
    double bytes = 0;
    for (auto _ : state) {
        model::ChangeLog log = fillWithHistory(doc, model::kHigh);
        state.PauseTiming();
        bytes = static_cast<double>(log.bytes());
        log.undo(doc);
        state.ResumeTiming();
    }
    state.counters["undo_step_bytes"] = bytes;
}
BENCHMARK(BM_FillBlock40x1000000WithUndoStep)->Unit(benchmark::kMillisecond);

static void BM_UndoOfABlockFill40x1000000(benchmark::State& state) {
    auto& doc = millionTactTest();
    for (auto _ : state) {
        state.PauseTiming();
        model::ChangeLog log = fillWithHistory(doc, model::kLow);
        state.ResumeTiming();
        log.undo(doc);
    }
}
BENCHMARK(BM_UndoOfABlockFill40x1000000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
