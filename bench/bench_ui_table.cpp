// The data table of a DIP40 test of 100,000 tacts with 51 words of 8 members (5.1 million
// lines): opening it up to its first painted frame, paging down at its end, and the memory a
// table line costs.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <fstream>
#include <memory>
#include <string>

#include "ui_bench_support.h"
#include "words/ui/data_table_dialog.h"
#include "words/ui/data_table_grid.h"

namespace {

using namespace kvx;

constexpr int kTacts = 100000;
constexpr int kWords = 51;

/// The counter test of the other benchmarks with 51 words of 8 members.
model::TestDocument& document() {
    static model::TestDocument doc = [] {
        model::TestDocument d;
        bench::fillCounter(d, kTacts, true);
        for (int i = 0; i < kWords; ++i) {
            model::DataWord w;
            w.wordName = "W" + std::to_string(i);
            for (int k = 0; k < 8; ++k) w.addMember(1 + (8 * i + k) % 40);
            d.dataWords().push_back(w);
        }
        return d;
    }();
    return doc;
}

/// Counts the paint events of a widget.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

/// Creating, filling and showing the table until its grid has painted once.
void BM_OpenTable(benchmark::State& state) {
    model::TestDocument& doc = document();
    for (auto _ : state) {
        auto table = std::make_unique<words::ui::TFTable>(doc, kTacts);
        PaintCounter counter;
        table->grid()->viewport()->installEventFilter(&counter);
        table->show();
        while (counter.paints == 0) QApplication::processEvents();
        state.PauseTiming();
        table.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["lines"] = static_cast<double>(kTacts) * kWords;
}
BENCHMARK(BM_OpenTable)->Unit(benchmark::kMillisecond);

/// One Page Down near the end of the table, with the grid painted again.
void BM_PageDownAtTheEnd(benchmark::State& state) {
    words::ui::TFTable table(document(), kTacts);
    table.show();
    QApplication::processEvents();
    words::ui::TableGrid* grid = table.grid();
    const std::int64_t lines = table.table().lineCount();
    const std::int64_t start = lines - 200LL * grid->pageLines();
    grid->setCurrentLine(start, 2);
    for (auto _ : state) {
        if (grid->currentLine() >= lines) {
            state.PauseTiming();
            grid->setCurrentLine(start, 2);
            state.ResumeTiming();
        }
        QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QApplication::sendEvent(grid, &press);
        grid->viewport()->repaint();
    }
    state.counters["page_lines"] = grid->pageLines();
}
BENCHMARK(BM_PageDownAtTheEnd)->Unit(benchmark::kMillisecond);

/// Resident memory the open table adds (a small table is opened first, so that fonts and
/// styles are already loaded), per table line.
void BM_TableMemoryPerLine(benchmark::State& state) {
    model::TestDocument& doc = document();
    {
        model::TestDocument small;
        bench::fillCounter(small, 10, false);
        small.dataWords() = {doc.dataWords().front()};
        words::ui::TFTable warm(small, 1);
        warm.show();
        QApplication::processEvents();
    }
    double perLine = 0;
    for (auto _ : state) {
        const long before = residentKiB();
        words::ui::TFTable table(doc, kTacts);
        table.show();
        QApplication::processEvents();
        table.grid()->setCurrentLine(table.table().lineCount() / 2, 2);
        QApplication::processEvents();
        const long after = residentKiB();
        perLine = (after - before) * 1024.0 / static_cast<double>(table.table().lineCount());
    }
    state.counters["bytes_per_line"] = perLine;
}
BENCHMARK(BM_TableMemoryPerLine)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) { return kvx::bench::runBenchmarksInQt(argc, argv); }
