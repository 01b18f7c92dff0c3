// VCD files that declare 10^6 bits, either as 16 vectors of 65,536 bits or as 10^6 one-bit wires
// in 1,000 scopes, against a DIP40 test with two data words: reading the declarations, importing
// one bit of every vector (or 16 wires) onto pins 21..36, and opening the "Импорт VCD" dialog up to its first
// painted frame. Each reports the peak memory above what the process held before it ("peak_MB")
// and, for the dialog, what is still held after it is closed ("kept_MB").
//
// Run: build/bench_ui_vcd_import [--benchmark_filter=Dialog]
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableWidget>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "exchange/ui/vcd_import_dialog.h"
#include "exchange/vcd_import.h"
#include "ui_bench_support.h"

namespace {

using namespace kvx;

constexpr int kVectors = 16;
constexpr int kVectorWidth = 65536;
constexpr int kScopes = 1000;
constexpr int kWiresPerScope = 1000;

/// Identifier code number `n` in the printable characters '!'..'~'.
std::string code(int n) {
    std::string s;
    do {
        s += static_cast<char>('!' + n % 94);
        n /= 94;
    } while (n > 0);
    return s;
}

/// Writes the file once: shape 0 has the vectors tb.q0..q15 [65535:0], shape 1 the wires
/// tb.u<i>.s<j>; both also declare tb.CLK and tb.DATA[7:0], named like a pin and a word of the
/// test, and change every signal at three time stamps.
const std::string& wideVcd(int shape) {
    static std::string paths[2];
    std::string& path = paths[shape];
    if (!path.empty()) return path;
    path = (std::filesystem::temp_directory_path() / ("kvx-bench-wide" + std::to_string(shape) + ".vcd")).string();
    std::ofstream out(path, std::ios::binary);
    out << "$timescale 1us $end\n$scope module tb $end\n$var wire 1 ! CLK $end\n$var wire 8 \" DATA [7:0] $end\n";
    int next = 2;
    std::vector<std::string> ids;
    if (shape == 0) {
        for (int v = 0; v < kVectors; ++v) {
            ids.push_back(code(next++));
            out << "$var wire " << kVectorWidth << ' ' << ids.back() << " q" << v << " [" << kVectorWidth - 1
                << ":0] $end\n";
        }
    } else {
        for (int i = 0; i < kScopes; ++i) {
            out << "$scope module u" << i << " $end\n";
            for (int j = 0; j < kWiresPerScope; ++j) {
                ids.push_back(code(next++));
                out << "$var wire 1 " << ids.back() << " s" << j << " $end\n";
            }
            out << "$upscope $end\n";
        }
    }
    out << "$upscope $end\n$enddefinitions $end\n";
    for (int t = 0; t < 3; ++t) {
        out << '#' << 2 * t << "\n" << (t % 2) << "!\nb" << std::string(8, "01"[t % 2]) << " \"\n";
        for (const std::string& id : ids) {
            if (shape == 0) out << 'b' << std::string(kVectorWidth, "01"[(t + 1) % 2]) << ' ' << id << '\n';
            else out << "01"[(t + 1) % 2] << id << '\n';
        }
    }
    out << "#6\n";
    return path;
}

long statusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    const std::string key = field;
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0) return std::stol(line.substr(key.size()));
    return 0;
}

/// Memory measured from its creation: the peak resident size is reset to the current one.
struct MemoryProbe {
    long base;
    MemoryProbe() {
        std::ofstream("/proc/self/clear_refs") << "5";
        base = statusKiB("VmRSS:");
    }
    double peakMB() const { return static_cast<double>(statusKiB("VmHWM:") - base) / 1024.0; }
    double nowMB() const { return static_cast<double>(statusKiB("VmRSS:") - base) / 1024.0; }
};

/// DIP40, pin 1 named CLK, word 1 "DATA" over pins 2..9, word 2 "ADDR" over pins 10..25.
const model::TestDocument& document() {
    static const model::TestDocument doc = [] {
        model::TestDocument d;
        d.setPackage({model::PackageType::DIP, 40});
        d.setPinName(1, "CLK");
        model::DataWord data, addr;
        data.wordName = "DATA";
        addr.wordName = "ADDR";
        for (int p = 2; p <= 9; ++p) data.addMember(p);
        for (int p = 10; p <= 25; ++p) addr.addMember(p);
        d.dataWords() = {data, addr};
        return d;
    }();
    return doc;
}

void BM_ReadVcdDeclarations(benchmark::State& state) {
    const std::string& path = wideVcd(static_cast<int>(state.range(0)));
    double peak = 0;
    for (auto _ : state) {
        MemoryProbe probe;
        std::string error;
        const auto header = exchange::readVcdHeader(path, error);
        if (!header) state.SkipWithError(error.c_str());
        peak = std::max(peak, probe.peakMB());
    }
    state.counters["peak_MB"] = peak;
}

void BM_ImportWideVcd(benchmark::State& state) {
    const int shape = static_cast<int>(state.range(0));
    const std::string& path = wideVcd(shape);
    std::vector<exchange::MapEntry> map;
    for (int i = 0; i < 16; ++i) {
        const std::string signal = shape == 0 ? "tb.q" + std::to_string(i) + "[" + std::to_string(4096 * i + 7) + "]"
                                              : "tb.u" + std::to_string(60 * i) + ".s" + std::to_string(i);
        map.push_back({signal, {exchange::MapTarget::Kind::Pin, 21 + i}, 0});
    }
    double peak = 0;
    for (auto _ : state) {
        model::TestDocument doc = document();
        MemoryProbe probe;
        const auto r = exchange::importVcdFile(doc, path, map, {});
        if (!r.ok || r.tactCount != 3 || doc.getCell(0, 21, 2) != model::kLow || doc.getCell(0, 36, 3) != model::kHigh)
            state.SkipWithError(r.error.empty() ? "wrong levels" : r.error.c_str());
        peak = std::max(peak, probe.peakMB());
    }
    state.counters["peak_MB"] = peak;
}

/// What "Импорт" > "VCD..." does before the user acts: the declarations, then the dialog, shown.
void BM_OpenImportDialog(benchmark::State& state) {
    const std::string& path = wideVcd(static_cast<int>(state.range(0)));
    const model::TestDocument& doc = document();
    double peak = 0, kept = 0;
    for (auto _ : state) {
        MemoryProbe probe;
        {
            std::string error;
            auto header = exchange::readVcdHeader(path, error);
            exchange::ui::TFVcdImport dialog(doc, std::make_shared<const exchange::VcdHeader>(std::move(*header)));
            dialog.show();
            QApplication::processEvents();
            const auto entries = dialog.entries();  // the presets: CLK and DATA
            if (entries.size() != 2) state.SkipWithError("the presets are missing");
            dialog.reject();
            peak = std::max(peak, probe.peakMB());
        }
        QApplication::processEvents();
        kept = std::max(kept, probe.nowMB());
    }
    state.counters["peak_MB"] = peak;
    state.counters["kept_MB"] = kept;
}

}  // namespace

BENCHMARK(BM_ReadVcdDeclarations)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportWideVcd)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenImportDialog)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) { return kvx::bench::runBenchmarksInQt(argc, argv); }
