// Reading and writing a DIP40 test of 99,999 tacts, against merely reading or writing the
// same bytes in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "storage/test_file.h"

namespace {

using namespace kvx;

const std::string& benchFile() {
    static const std::string path = [] {
        model::TestDocument doc;
        doc.setPackage({model::PackageType::DIP, 40});
        doc.setTactCount(99999);
        std::mt19937 rng(1);
        for (int r = 1; r <= 40; ++r)
            for (int t = 1; t <= 99999; ++t) doc.setCell(0, r, t, static_cast<model::CellLevel>(rng() % 3));
        const std::string p = (std::filesystem::temp_directory_path() / "kvx-bench-dip40.kvx").string();
        storage::saveTestFile(doc, p);
        return p;
    }();
    return path;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

void BM_ReadBytesOnly(benchmark::State& state) {
    const auto& path = benchFile();
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        std::string buf(std::filesystem::file_size(path), '\0');
        benchmark::DoNotOptimize(std::fread(buf.data(), 1, buf.size(), f));
        std::fclose(f);
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * std::filesystem::file_size(path)));
}

void BM_LoadTestFile(benchmark::State& state) {
    const auto& path = benchFile();
    model::TestDocument doc;
    for (auto _ : state) {
        auto r = storage::loadTestFile(doc, path);
        benchmark::DoNotOptimize(r);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * std::filesystem::file_size(path)));
}

void BM_WriteBytesOnly(benchmark::State& state) {
    const std::string bytes = slurp(benchFile());
    const std::string out = benchFile() + ".raw";
    for (auto _ : state) {
        std::FILE* f = std::fopen(out.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void BM_SaveTestFile(benchmark::State& state) {
    model::TestDocument doc;
    storage::loadTestFile(doc, benchFile());
    const std::string out = benchFile() + ".saved";
    for (auto _ : state) {
        auto r = storage::saveTestFile(doc, out);
        benchmark::DoNotOptimize(r);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * std::filesystem::file_size(benchFile())));
}

}  // namespace

BENCHMARK(BM_ReadBytesOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadTestFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteBytesOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveTestFile)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
