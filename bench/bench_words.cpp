// Bringing word values in from CSV: "kvxtool set-words" with 100,000 lines on a DIP40 test of
// 100,000 tacts and 51 words of 8 members, as one run of the program and as its steps in
// this process (load, CSV, writing the values, function rows, save).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "functions/formula.h"
#include "storage/test_file.h"
#include "words/word_csv.h"

namespace {

using namespace kvx;
namespace fs = std::filesystem;

/// kvxtool, beside this program; set by main().
std::string toolPath;

constexpr int kTacts = 100000;
constexpr int kWords = 51;

fs::path folder() {
    static const fs::path f = [] {
        const fs::path p = fs::temp_directory_path() / "kvx-bench-words";
        fs::create_directories(p);
        return p;
    }();
    return f;
}

/// The test (with one formula row) and a CSV of 100,000 values spread over its words.
void writeInputs() {
    static bool done = false;
    if (done) return;
    done = true;
    model::TestDocument doc;
    doc.clearDocument();
    doc.setPackage({model::PackageType::DIP, 40});
    doc.setTactCount(kTacts);
    doc.setPinType(40, model::PinType::Function);
    doc.setPinFunction(0, 40, "C1&C2|C3");
    for (int i = 0; i < kWords; ++i) {
        model::DataWord w;
        w.wordName = "W" + std::to_string(i);
        for (int k = 0; k < 8; ++k) w.addMember(1 + (8 * i + k) % 39);
        doc.dataWords().push_back(w);
    }
    storage::saveTestFile(doc, (folder() / "in.kvx").string());
    std::ofstream csv(folder() / "values.csv", std::ios::binary);
    csv << words::kTableCsvHeader << '\n';
    for (int line = 0; line < 100000; ++line)
        csv << (1 + line % kTacts) << ",W" << (line * 7) % kWords << ',' << words::formatHex(line % 256) << '\n';
}

void BM_SetWordsSteps(benchmark::State& state) {
    writeInputs();
    const std::string in = (folder() / "in.kvx").string();
    const std::string out = (folder() / "out-steps.kvx").string();
    for (auto _ : state) {
        model::TestDocument doc;
        storage::loadTestFile(doc, in);
        std::ifstream csv(folder() / "values.csv", std::ios::binary);
        const words::ValuesCsv values = words::readValuesCsv(csv, doc);
        if (values.error) state.SkipWithError(values.error->c_str());
        words::applyAssignments(doc, values.assignments);
        functions::RecalculateFunctionPins(doc);
        storage::saveTestFile(doc, out);
    }
}
BENCHMARK(BM_SetWordsSteps)->Unit(benchmark::kMillisecond);

// Only the CSV and the writing of the values, the document loaded once.
void BM_SetWordsValuesOnly(benchmark::State& state) {
    writeInputs();
    model::TestDocument doc;
    storage::loadTestFile(doc, (folder() / "in.kvx").string());
    std::ifstream file(folder() / "values.csv", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), {});
    for (auto _ : state) {
        std::istringstream csv(text);
        const words::ValuesCsv values = words::readValuesCsv(csv, doc);
        words::applyAssignments(doc, values.assignments);
        benchmark::DoNotOptimize(values.assignments.data());
    }
}
BENCHMARK(BM_SetWordsValuesOnly)->Unit(benchmark::kMillisecond);

// The whole command, program start included (kvxtool beside this program).
void BM_KvxtoolSetWords(benchmark::State& state) {
    writeInputs();
    const std::string& tool = toolPath;
    if (tool.empty() || !fs::exists(tool)) {
        state.SkipWithError("kvxtool not found beside the benchmark");
        return;
    }
    const std::string command = tool + " set-words " + (folder() / "in.kvx").string() + " " +
                                (folder() / "values.csv").string() + " -o " + (folder() / "out-tool.kvx").string();
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) state.SkipWithError("kvxtool set-words failed");
}
BENCHMARK(BM_KvxtoolSetWords)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    // kvxtool is built into the same folder as the benchmarks.
    toolPath = (fs::absolute(argv[0]).parent_path() / "kvxtool").string();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
