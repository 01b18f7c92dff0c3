// VCD export and import of a DIP40 test of 100,000 tacts with random levels in every row,
// against merely writing (fopen/fwrite) or reading (fread) the same VCD bytes in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "exchange/vcd_import.h"
#include "exchange/vcd_writer.h"

namespace {

using namespace kvx;

constexpr int kTacts = 100'000;

const model::TestDocument& benchDocument() {
    static const model::TestDocument doc = [] {
        model::TestDocument d;
        d.setPackage({model::PackageType::DIP, 40});
        d.setTactCount(kTacts);
        std::mt19937 rng(1);
        for (int r = 1; r <= 40; ++r)
            for (int t = 1; t <= kTacts; ++t) d.setCell(0, r, t, static_cast<model::CellLevel>(rng() % 3));
        return d;
    }();
    return doc;
}

std::string benchPath(const char* name) { return (std::filesystem::temp_directory_path() / name).string(); }

const std::string& benchVcd() {
    static const std::string path = [] {
        const std::string p = benchPath("kvx-bench-dip40.vcd");
        exchange::saveVcd(benchDocument(), p, {"bench", "bench"});
        return p;
    }();
    return path;
}

std::int64_t vcdBytes() { return static_cast<std::int64_t>(std::filesystem::file_size(benchVcd())); }

void BM_WriteVcdBytesOnly(benchmark::State& state) {
    std::ifstream in(benchVcd(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    const std::string out = benchPath("kvx-bench-raw.vcd");
    for (auto _ : state) {
        std::FILE* f = std::fopen(out.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    state.SetBytesProcessed(state.iterations() * vcdBytes());
}

void BM_ExportVcd(benchmark::State& state) {
    const model::TestDocument& doc = benchDocument();
    const std::string out = benchPath("kvx-bench-export.vcd");
    for (auto _ : state) {
        auto error = exchange::saveVcd(doc, out, {"bench", "bench"});
        benchmark::DoNotOptimize(error);
    }
    state.SetBytesProcessed(state.iterations() * vcdBytes());
}

void BM_ReadVcdBytesOnly(benchmark::State& state) {
    const std::string& path = benchVcd();
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        std::string buf(std::filesystem::file_size(path), '\0');
        benchmark::DoNotOptimize(std::fread(buf.data(), 1, buf.size(), f));
        std::fclose(f);
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(state.iterations() * vcdBytes());
}

void BM_ImportVcd(benchmark::State& state) {
    std::string error;
    const auto header = exchange::readVcdHeader(benchVcd(), error);
    model::TestDocument doc;
    doc.setPackage({model::PackageType::DIP, 40});
    const auto map = exchange::suggestMap(doc, *header);
    for (auto _ : state) {
        auto r = exchange::importVcdFile(doc, benchVcd(), map, {});
        if (!r.ok || r.tactCount != kTacts) state.SkipWithError(r.error.c_str());
        benchmark::DoNotOptimize(r);
    }
    state.SetBytesProcessed(state.iterations() * vcdBytes());
}

}  // namespace

BENCHMARK(BM_WriteVcdBytesOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportVcd)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadVcdBytesOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportVcd)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
