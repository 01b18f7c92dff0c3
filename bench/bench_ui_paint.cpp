// Painting the visible diagram canvas of a 1920 x 1080 editor window: a test of 26 tacts
// against one of 1,000,000 tacts scrolled to its middle. The picture holds the same number of
// cells, so both should cost about the same.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <memory>
#include <optional>

#include "ui_bench_support.h"
#include "diagram/ui/diagram_painter.h"
#include "diagram/ui/diagram_widget.h"

namespace {

using namespace kvx;

/// Scrolled to the middle of the test.
struct Window : bench::DiagramWindow {
    explicit Window(int tacts) : DiagramWindow(tacts, true) {
        QScrollBar* h = widget->horizontalScrollBar();
        if (!h->isHidden()) h->setValue(h->maximum() / 2);
        QApplication::processEvents();
    }
};

// The painting routine alone, into an image of the canvas's size.
void BM_PaintCanvas(benchmark::State& state) {
    Window w(static_cast<int>(state.range(0)));
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
BENCHMARK(BM_PaintCanvas)->Arg(26)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The whole diagram area painted by the toolkit: header, ruler, canvas, bit column, bars.
void BM_RepaintWidget(benchmark::State& state) {
    Window w(static_cast<int>(state.range(0)));
    QImage image(w.widget->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        w.widget->render(&image);
        benchmark::DoNotOptimize(image.bits());
    }
}
BENCHMARK(BM_RepaintWidget)->Arg(26)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return kvx::bench::runBenchmarksInQt(argc, argv); }
