// Proving a DIP40 test of 100,000 tacts on a Verilog model: generating its testbench and vector
// file (the part that grows with the test), and the whole check with Icarus Verilog, its time
// split into preparing, compiling, simulating and comparing (counters, in seconds).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "modelcheck/model_check.h"
#include "modelcheck/process.h"

namespace {

using namespace kvx;

constexpr int kTacts = 100'000;

/// Pins 1..19 inputs, 21..39 outputs expected to follow pin n - 20, 20 GND, 40 VCC.
const model::TestDocument& benchDocument() {
    static const model::TestDocument doc = [] {
        model::TestDocument d;
        d.setPackage({model::PackageType::DIP, 40});
        d.setPinType(20, model::PinType::Ground);
        d.setPinType(40, model::PinType::Supply);
        for (int n = 21; n <= 39; ++n) d.setPinType(n, model::PinType::Output);
        d.setTactCount(kTacts);
        std::mt19937 rng(1);
        for (int r = 1; r <= 19; ++r) {
            model::CellLevel* in = d.mutableRowData(0, r);
            model::CellLevel* out = d.mutableRowData(0, r + 20);
            for (int t = 1; t <= kTacts; ++t) {
                in[t] = static_cast<model::CellLevel>(rng() % 2);
                out[t] = rng() % 8 ? in[t] : model::kInactive;
            }
        }
        return d;
    }();
    return doc;
}

modelcheck::ModelInterface benchModel() {
    modelcheck::ModelInterface m;
    m.top = "follower";
    for (int n = 1; n <= 40; ++n)
        m.ports.push_back({"p" + std::to_string(n), n > 20 && n < 40 ? modelcheck::PortDirection::Output
                                                                    : modelcheck::PortDirection::Input});
    return m;
}

std::filesystem::path benchFolder() { return std::filesystem::temp_directory_path() / "kvx-bench-modelcheck"; }

void BM_TestbenchOf100kTactDip40(benchmark::State& state) {
    const model::TestDocument& doc = benchDocument();
    const auto model = benchModel();
    std::string error;
    const auto bindings = modelcheck::bindPorts(doc, model.ports, modelcheck::autoMap(doc, model.ports), error);
    if (!bindings) {
        state.SkipWithError(error.c_str());
        return;
    }
    const std::string folder = benchFolder().string();
    for (auto _ : state) {
        const auto bench = modelcheck::makeTestbench(doc, model, *bindings, 100);
        benchmark::DoNotOptimize(modelcheck::writeTestbench(bench, folder));
    }
}

void BM_WholeCheckOf100kTactDip40(benchmark::State& state) {
    if (!modelcheck::programAvailable("iverilog")) {
        state.SkipWithError("iverilog is missing");
        return;
    }
    std::filesystem::create_directories(benchFolder());
    const std::string model = (benchFolder() / "follower.v").string();
    {
        std::ofstream v(model);
        v << "module follower(";
        for (int n = 1; n <= 40; ++n) v << (n > 1 ? ", " : "") << (n > 20 && n < 40 ? "output p" : "input p") << n;
        v << ");\n";
        for (int n = 21; n <= 39; ++n) v << "  assign p" << n << " = p" << n - 20 << ";\n";
        v << "endmodule\n";
    }
    modelcheck::CheckOptions options;
    options.models = {model};
    for (auto _ : state) {
        const auto outcome = modelcheck::checkModel(benchDocument(), options);
        if (outcome.refused || !outcome.comparison.mismatches.empty()) {
            state.SkipWithError(outcome.error.empty() ? "mismatches" : outcome.error.c_str());
            return;
        }
        state.counters["prepare_s"] = outcome.times.prepare;
        state.counters["compile_s"] = outcome.times.compile;
        state.counters["simulate_s"] = outcome.times.simulate;
        state.counters["compare_s"] = outcome.times.compare;
        state.counters["comparisons"] = static_cast<double>(outcome.comparison.compared);
    }
}

}  // namespace

BENCHMARK(BM_TestbenchOf100kTactDip40)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeCheckOf100kTactDip40)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_MAIN();
