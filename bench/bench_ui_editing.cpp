// Editing and opening in the real widgets, offscreen:
// * opening a DIP40 test of 99,999 tacts in the main window, up to the first painted frame;
// * a level key on the last tact of a 10,000-tact DIP40 test with 8 formula pins (document
//   change, recalculation of the formula rows, repaint);
// * inserting and deleting a tact in a 100,000-tact test.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <optional>

#include "ui_bench_support.h"
#include "../tests/platform/memory_settings_store.h"
#include "../tests/platform/recording_shell.h"
#include "app/ui/tbf.h"
#include "diagram/ui/diagram_widget.h"
#include "storage/test_file.h"

namespace {

using namespace kvx;
using bench::SilentPrompter;

void press(QWidget* target, int key) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &down);
}

void BM_OpenToFirstFrame(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string file = dir.filePath("dip40.kvx").toStdString();
    {
        model::TestDocument source;
        bench::fillCounter(source, 99999, false);
        storage::saveTestFile(source, file);
    }
    SilentPrompter prompter;
    testing::MemorySettingsStore settings;
    testing::RecordingShell shell;
    app::TBF window(app::ShellServices{prompter, settings, shell, {dir.path().toStdString(), "KVX_Edit"}});
    window.resize(1920, 1080);
    window.show();
    QApplication::processEvents();
    for (auto _ : state) {
        window.loadFile(file);
        window.repaint();  // paints every visible part now, the diagram included
        QApplication::processEvents();
    }
    state.counters["tacts"] = window.document().tactCount();
}
BENCHMARK(BM_OpenToFirstFrame)->Unit(benchmark::kMillisecond);

struct Editor : bench::DiagramWindow {
    explicit Editor(int tacts) : DiagramWindow(tacts, false) {}
    /// Moves the current cell to the last tact (scrolling there first).
    void goToLastTact() {
        QScrollBar* h = widget->horizontalScrollBar();
        h->setValue(h->maximum());
        QApplication::processEvents();
        while (widget->view().currentTact() < doc.tactCount()) press(widget->canvas(), Qt::Key_Right);
    }
};

void BM_LevelKeyOnLastTact(benchmark::State& state) {
    Editor e(10000);
    static const char* formulas[] = {"C1&C2", "C3|C4&C5", "!(C6)XC7", "(C8|C9)&!(C10)",
                                     "C11XC12XC13", "C14&(C15|C16)", "!(C17&C18)", "C19|C20|C21|C22"};
    for (int k = 0; k < 8; ++k) {
        e.doc.setPinType(33 + k, model::PinType::Function);
        e.doc.setPinFunction(0, 33 + k, formulas[k]);
    }
    e.widget->refresh();
    e.goToLastTact();
    for (auto _ : state) {
        // The first key on the last tact adds a tact; after the step back the key lands on
        // the tact before the last, with the same work: the cell, the eight formula rows
        // over every tact, the repaint.
        press(e.widget->canvas(), Qt::Key_1);
        e.widget->canvas()->repaint();
        state.PauseTiming();
        press(e.widget->canvas(), Qt::Key_Left);
        state.ResumeTiming();
    }
    state.counters["tacts_at_end"] = e.doc.tactCount();
}
// A bounded number of presses keeps the test near 10,000 tacts.
BENCHMARK(BM_LevelKeyOnLastTact)->Unit(benchmark::kMillisecond)->Iterations(300);

void BM_InsertTact(benchmark::State& state) {
    Editor e(100000);
    for (auto _ : state) {
        e.widget->insertTact();
        e.widget->canvas()->repaint();
        state.PauseTiming();
        e.widget->deleteTact();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_InsertTact)->Unit(benchmark::kMillisecond);

void BM_DeleteTact(benchmark::State& state) {
    Editor e(100000);
    for (auto _ : state) {
        e.widget->deleteTact();
        e.widget->canvas()->repaint();
        state.PauseTiming();
        e.widget->insertTact();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteTact)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return kvx::bench::runBenchmarksInQt(argc, argv); }
