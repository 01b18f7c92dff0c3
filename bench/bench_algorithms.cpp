// Expansion of the algorithms: the RAM test of a DIP40 chip with a 12-bit address word, an
// 8-bit data word, a drawn cycle of 16 tacts and the addresses 0..4095 (134,768 generated
// tacts), against the same tacts written cell by cell through getCell/setCell/setWordValue;
// and a cyclic expansion to 1,000,000 tacts of 40 pins.
#include <benchmark/benchmark.h>

#include <random>

#include "algorithms/expansion.h"
#include "../tests/algorithms/ram_model.h"

namespace {

using namespace kvx;
using model::Algorithm;
using model::TestDocument;

TestDocument ramDocument() {
    TestDocument d;
    d.setPackage({model::PackageType::DIP, 40});
    d.setTactCount(16);
    std::mt19937 rng(3);
    for (int r = 1; r <= 40; ++r)
        for (int t = 1; t <= 16; ++t) d.setCell(0, r, t, static_cast<model::CellLevel>(rng() % 3));
    model::DataWord address, data;
    for (int r = 1; r <= 12; ++r) address.addMember(r);
    for (int r = 13; r <= 20; ++r) data.addMember(r);
    d.dataWords() = {address, data};
    auto& a = d.algorithm(Algorithm::Ram);
    a.addressWord = 0, a.writeAddressWord = 0, a.dataWord = 1, a.writeDataWord = 1;
    a.addressTact = 2, a.addressTactCount = 4, a.dataTact = 6;
    a.writeAddressTact = 9, a.writeAddressTactCount = 4, a.writeDataTact = 11;
    a.startAddress = 0, a.endAddress = 4095;
    return d;
}

void BM_RamExpansion(benchmark::State& state) {
    const TestDocument source = ramDocument();
    for (auto _ : state) {
        state.PauseTiming();
        TestDocument d = source;
        state.ResumeTiming();
        algorithms::ExpandRam(d);
        benchmark::DoNotOptimize(d.getCell(0, 1, d.tactCount()));
        state.counters["tacts"] = d.tactCount();
    }
}
BENCHMARK(BM_RamExpansion)->Unit(benchmark::kMillisecond);

void BM_RamCellByCell(benchmark::State& state) {
    const TestDocument source = ramDocument();
    for (auto _ : state) {
        state.PauseTiming();
        TestDocument d = source;
        state.ResumeTiming();
        algorithms::reference::modelRam(d);
        benchmark::DoNotOptimize(d.getCell(0, 1, d.tactCount()));
        state.counters["tacts"] = d.tactCount();
    }
}
BENCHMARK(BM_RamCellByCell)->Unit(benchmark::kMillisecond);

void BM_CyclicToOneMillionTacts(benchmark::State& state) {
    TestDocument source;
    source.setPackage({model::PackageType::DIP, 40});
    source.setTactCount(10);
    for (int r = 1; r <= 40; ++r)
        for (int t = 1; t <= 10; ++t) source.setCell(0, r, t, static_cast<model::CellLevel>((r + t) % 3));
    auto& a = source.algorithm(Algorithm::Cyclic);
    a.startTact = 1, a.endTact = 10, a.cycleCount = 100000;
    for (auto _ : state) {
        state.PauseTiming();
        TestDocument d = source;
        state.ResumeTiming();
        algorithms::ExpandCyclic(d);
        benchmark::DoNotOptimize(d.getCell(0, 40, 1000000));
        state.counters["tacts"] = d.tactCount();
    }
}
BENCHMARK(BM_CyclicToOneMillionTacts)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
