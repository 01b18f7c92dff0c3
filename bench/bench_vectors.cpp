// Test vectors: listing a database of 10,000 chips and 100,000 vectors (with the peak memory
// of the process), the import of one chip into a saved test, and "kvxtool import-vectors
// --all" on a database of 300 chips as one run of the program.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "storage/test_file.h"
#include "vectors/ui/vector_database.h"
#include "vectors/vectors.h"

namespace {

using namespace kvx;
namespace fs = std::filesystem;

std::string toolPath;  ///< kvxtool, beside this program; set by main()

fs::path folder() {
    static const fs::path f = [] {
        const fs::path p = fs::temp_directory_path() / "kvx-bench-vectors";
        fs::create_directories(p);
        return p;
    }();
    return f;
}

/// A database of `chips` chips of 14 to 24 pins, `perChip` vectors each, written once.
fs::path database(int chips, int perChip) {
    const fs::path path = folder() / ("db-" + std::to_string(chips) + ".xml");
    if (fs::exists(path)) return path;
    std::mt19937 random(7);
    const int counts[] = {14, 16, 20, 24};
    std::ofstream out(path, std::ios::binary);
    out << "<?xml version=\"1.0\"?>\n<logicic>\n<database type=\"LOGIC\">\n<manufacturer name=\"bench\">\n";
    for (int c = 0; c < chips; ++c) {
        const int pins = counts[c % 4];
        out << "<ic name=\"74" << c << ",40" << c << "@V\" type=\"5\" voltage=\"5V\" pins=\"" << pins << "\">\n";
        for (int v = 0; v < perChip; ++v) {
            out << "<vector id=\"" << v << "\">";
            for (int p = 1; p <= pins; ++p)
                out << ' ' << (p == pins ? 'V' : p == pins / 2 ? 'G' : p < pins / 2 ? "01C"[random() % 3] : "LHX"[random() % 3]);
            out << " </vector>\n";
        }
        out << "</ic>\n";
    }
    out << "</manufacturer>\n</database>\n</logicic>\n";
    return path;
}

void BM_ListDatabase(benchmark::State& state) {
    const std::string path = database(10000, 10).string();
    std::size_t chips = 0;
    for (auto _ : state) {
        std::string error;
        const auto list = vectors::ui::readSource(path, error);
        if (!list) state.SkipWithError(error.c_str());
        chips = list ? list->size() : 0;
        benchmark::DoNotOptimize(list);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["chips"] = static_cast<double>(chips);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_ListDatabase)->Unit(benchmark::kMillisecond);

void BM_ImportOneChip(benchmark::State& state) {
    std::string error;
    const auto list = vectors::ui::readSource(database(300, 60).string(), error);
    const vectors::Chip& chip = list->at(3);  // 24 pins, 60 vectors with clocks
    for (auto _ : state) {
        model::TestDocument doc;
        const auto outcome = vectors::importChip(doc, chip, false);
        if (!outcome.ok || !storage::saveTestFile(doc, (folder() / "one.kvx").string()).ok) state.SkipWithError("import");
    }
}
BENCHMARK(BM_ImportOneChip)->Unit(benchmark::kMillisecond);

void BM_ToolImportAll(benchmark::State& state) {
    if (toolPath.empty() || !fs::exists(toolPath)) {
        state.SkipWithError("kvxtool not found beside the benchmark");
        return;
    }
    const std::string command = toolPath + " import-vectors " + database(300, 60).string() + " --all -o " +
                                (folder() / "all").string() + " 2>/dev/null";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) state.SkipWithError("kvxtool import-vectors --all failed");
}
BENCHMARK(BM_ToolImportAll)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    toolPath = (fs::absolute(argv[0]).parent_path() / "kvxtool").string();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
