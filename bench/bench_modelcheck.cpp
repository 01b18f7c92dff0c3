// Proving a DIP40 test of 100,000 tacts on a Verilog model: generating its testbench and vector
// file (the part that grows with the test), and the whole check with Icarus Verilog, its time
// split into preparing, compiling, simulating and comparing (counters, in seconds). Grading
// the 74HC161 example and a DIP40 test of 10,000 tacts with its 76 pin faults, and filling
// that test's outputs from the model.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "modelcheck/fault_grading.h"
#include "modelcheck/fill_from_model.h"
#include "modelcheck/model_check.h"
#include "modelcheck/process.h"
#include "storage/test_file.h"

namespace {

using namespace kvx;

constexpr int kTacts = 100'000;

/// Pins 1..19 inputs, 21..39 outputs expected to follow pin n - 20, 20 GND, 40 VCC.
model::TestDocument followerDocument(int tacts) {
    model::TestDocument d;
    d.setPackage({model::PackageType::DIP, 40});
    d.setPinType(20, model::PinType::Ground);
    d.setPinType(40, model::PinType::Supply);
    for (int n = 21; n <= 39; ++n) d.setPinType(n, model::PinType::Output);
    d.setTactCount(tacts);
    std::mt19937 rng(1);
    for (int r = 1; r <= 19; ++r) {
        model::CellLevel* in = d.mutableRowData(0, r);
        model::CellLevel* out = d.mutableRowData(0, r + 20);
        for (int t = 1; t <= tacts; ++t) {
            in[t] = static_cast<model::CellLevel>(rng() % 2);
            out[t] = rng() % 8 ? in[t] : model::kInactive;
        }
    }
    return d;
}

const model::TestDocument& benchDocument() {
    static const model::TestDocument doc = followerDocument(kTacts);
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

/// The model of the DIP40 tests: every output follows its input.
std::string followerModel() {
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
    return model;
}

void BM_WholeCheckOf100kTactDip40(benchmark::State& state) {
    if (!modelcheck::programAvailable("iverilog")) {
        state.SkipWithError("iverilog is missing");
        return;
    }
    const std::string model = followerModel();
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

void grade(benchmark::State& state, const model::TestDocument& doc, const std::vector<std::string>& models) {
    if (!modelcheck::programAvailable("iverilog")) {
        state.SkipWithError("iverilog is missing");
        return;
    }
    modelcheck::GradeOptions options;
    options.check.models = models;
    for (auto _ : state) {
        const auto g = modelcheck::gradeTest(doc, options);
        if (g.refused) {
            state.SkipWithError(g.error.c_str());
            return;
        }
        state.counters["faults"] = static_cast<double>(g.faults.size());
        state.counters["detected"] = g.detected();
        state.counters["check_s"] = g.times.check;
        state.counters["compile_s"] = g.times.compile;
        state.counters["simulate_all_s"] = g.times.simulate;
        state.counters["simulate_each_s"] = g.times.simulateEach;
        state.counters["compare_all_s"] = g.times.compare;
    }
}

void BM_GradeOf74hc161(benchmark::State& state) {
    model::TestDocument doc;
    const std::string examples = std::string(KVX_SOURCE_DIR) + "/examples/";
    storage::loadTestFile(doc, examples + "74hc161.kvx");
    grade(state, doc, {examples + "74hc161.v"});
}

void BM_GradeOf10kTactDip40With76Faults(benchmark::State& state) {
    static const model::TestDocument doc = followerDocument(10'000);
    grade(state, doc, {followerModel()});
}

void BM_FillOf10kTactDip40(benchmark::State& state) {
    if (!modelcheck::programAvailable("iverilog")) {
        state.SkipWithError("iverilog is missing");
        return;
    }
    static const model::TestDocument doc = followerDocument(10'000);
    modelcheck::CheckOptions options;
    options.models = {followerModel()};
    for (auto _ : state) {
        const auto fill = modelcheck::fillFromModel(doc, options);
        if (fill.refused) {
            state.SkipWithError(fill.error.c_str());
            return;
        }
        state.counters["filled"] = static_cast<double>(fill.filled);
        state.counters["changed"] = static_cast<double>(fill.changed);
        state.counters["compile_s"] = fill.times.prepare + fill.times.compile;
        state.counters["simulate_s"] = fill.times.simulate;
    }
}

}  // namespace

BENCHMARK(BM_GradeOf74hc161)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_GradeOf10kTactDip40With76Faults)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FillOf10kTactDip40)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_TestbenchOf100kTactDip40)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeCheckOf100kTactDip40)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_MAIN();
