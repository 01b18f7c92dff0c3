// The test sheet of a DIP40 counter test written as PDF: 1,000 against 10,000 tacts. The
// pages are drawn one after another, so the time grows with the pages and the memory does
// not: "peak_rss_growth_MB" is how much the process's peak memory rose while the sheet was
// written (0 once a first run has reached the level every later page shares).
#include <benchmark/benchmark.h>

#include <QPdfWriter>
#include <QTemporaryDir>
#include <sys/resource.h>

#include "sheet/ui/test_sheet.h"
#include "ui_bench_support.h"

namespace {

using namespace kvx;

double peakRssMb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

void BM_SheetPdf(benchmark::State& state) {
    model::TestDocument doc;
    bench::fillCounter(doc, static_cast<int>(state.range(0)), true);
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("sheet.pdf")).toStdString();
    const double before = peakRssMb();
    long long pages = 0;
    for (auto _ : state) {
        sheet::ui::SheetOptions options;
        options.date = "01.01.2025";
        const std::string error = sheet::ui::writeSheetPdf(path, doc, options, sheet::PageFormat{});
        if (!error.empty()) state.SkipWithError(error.c_str());
        pages = sheet::ui::layoutFor(doc, options, sheet::PageFormat{}).pageCount();
    }
    state.counters["pages"] = static_cast<double>(pages);
    state.counters["peak_rss_growth_MB"] = peakRssMb() - before;
    state.counters["peak_rss_MB"] = peakRssMb();
}
BENCHMARK(BM_SheetPdf)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same 10,000 tacts on A4 and A3, portrait and landscape: the wider paper holds more tacts
// a band and takes fewer pages.
void BM_SheetPaper(benchmark::State& state) {
    model::TestDocument doc;
    bench::fillCounter(doc, 10000, true);
    const sheet::PageFormat format{state.range(0) ? sheet::Paper::A3 : sheet::Paper::A4, state.range(1) != 0};
    QTemporaryDir dir;
    sheet::ui::SheetOptions options;
    options.date = "01.01.2025";
    for (auto _ : state) {
        const std::string error = sheet::ui::writeSheetPdf(dir.filePath(QStringLiteral("s.pdf")).toStdString(), doc, options, format);
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
    state.counters["pages"] = static_cast<double>(sheet::ui::layoutFor(doc, options, format).pageCount());
}
BENCHMARK(BM_SheetPaper)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv) { return kvx::bench::runBenchmarksInQt(argc, argv); }
