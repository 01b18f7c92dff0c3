// Painting the visible diagram canvas of a 1920 x 1080 editor window: a test of 26 tacts
// against one of 1,000,000 tacts scrolled to its middle. The picture holds the same number of
// cells, so both should cost about the same. The second argument shows the lanes of 51 data
// words (8 pins each) below the rows (1), and scrolls down until they fill the view (2); they
// read only the visible tacts.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QAction>
#include <QScrollBar>
#include <string>
#include <memory>
#include <optional>

#include "ui_bench_support.h"
#include "diagram/ui/diagram_painter.h"
#include "diagram/ui/diagram_widget.h"

namespace {

using namespace kvx;

/// Scrolled to the middle of the test.
struct Window : bench::DiagramWindow {
    explicit Window(int tacts, int lanes = 0) : DiagramWindow(tacts, true) {
        for (int i = 0; i < 51; ++i) {
            model::DataWord w;
            w.wordName = "D" + std::to_string(i);
            w.radix = i % 2 ? 16 : 2;
            for (int m = 0; m < 8; ++m) w.addMember(1 + (i + m) % 40);
            doc.dataWords().push_back(w);
        }
        widget->wordLanesAction()->setChecked(lanes != 0);
        // 2: scrolled down as far as it goes, so that the lanes fill the view.
        QScrollBar* v = widget->verticalScrollBar();
        if (lanes == 2 && !v->isHidden()) v->setValue(v->maximum());
        QScrollBar* h = widget->horizontalScrollBar();
        if (!h->isHidden()) h->setValue(h->maximum() / 2);
        QApplication::processEvents();
    }
};

// The painting routine alone, into an image of the canvas's size.
void BM_PaintCanvas(benchmark::State& state) {
    Window w(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const QSize size(w.widget->canvasWidth(), std::min(w.widget->areaHeight(), w.widget->canvasHeight()));
    QImage image(size, QImage::Format_RGB32);
    diagram::PaintOptions o;
    o.verticalBarShown = !w.widget->verticalScrollBar()->isHidden();
    o.horizontalBarShown = !w.widget->horizontalScrollBar()->isHidden();
    o.buttonFace = diagram::buttonFaceColour();
    for (auto _ : state) {
        QPainter p(&image);
        diagram::paintDiagram(p, w.doc, w.widget->view(), size, o);
        p.end();
        benchmark::DoNotOptimize(image.bits());
    }
    state.counters["canvas_w"] = size.width();
    state.counters["canvas_h"] = size.height();
}
BENCHMARK(BM_PaintCanvas)->Args({26, 0})->Args({1000000, 0})->Args({1000000, 1})->Args({1000000, 2})->Unit(benchmark::kMillisecond);

// The whole diagram area painted by the toolkit: header, ruler, canvas, bit column, bars.
void BM_RepaintWidget(benchmark::State& state) {
    Window w(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    QImage image(w.widget->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        w.widget->render(&image);
        benchmark::DoNotOptimize(image.bits());
    }
}
BENCHMARK(BM_RepaintWidget)->Args({26, 0})->Args({1000000, 0})->Args({1000000, 1})->Args({1000000, 2})->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return kvx::bench::runBenchmarksInQt(argc, argv); }
