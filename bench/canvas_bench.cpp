// What a stroke costs on screen: one canvas segment plus the copy of its
// repaint box (the segment's box 10 pixels wider on every side) from the
// surface onto a window-sized image. Goal: under 50 µs per segment, so that
// ink follows the pen within one display frame. Also the cost of leaving a
// page and showing the next one.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>

#include "canvas/memo_canvas.h"
#include "platform/qt/qt_drawing.h"
#include "qt_benchmarks.h"

namespace tavrin {
namespace {

Rect RepaintBox(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
    return {std::min(x0, x1) - 10, std::min(y0, y1) - 10, std::max(x0, x1) + 10,
            std::max(y0, y1) + 10};
}

void SegmentAndRepaint(benchmark::State& state) {
    MemoCanvas canvas(CanvasSetup{});
    canvas.SetPenWidth(static_cast<std::int16_t>(state.range(0)));
    QImage window(242, 339, QImage::Format_RGB32);
    QPainter painter(&window);
    platform::QtPaintContext target(painter, platform::QtTextStyle{QApplication::font(), Qt::black, Qt::white});
    std::int32_t x = 20;
    std::int32_t y = 100;
    for (auto _ : state) {
        // A handwriting-like zigzag of 3-pixel steps across the page.
        const std::int32_t nextX = x + 3 > 220 ? 20 : x + 3;
        const std::int32_t nextY = y == 100 ? 102 : 100;
        canvas.DrawSegment(x, y, nextX, nextY);
        const Rect box = RepaintBox(x, y, nextX, nextY);
        target.CopyFrom({box.left + 1, box.top + 18, box.right + 1, box.bottom + 18}, canvas.Context(),
                        box.left, box.top);
        x = nextX;
        y = nextY;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(SegmentAndRepaint)->DenseRange(0, 5)->ArgName("penWidth");

// Leaving a memo and showing its neighbour: capture the page, draw the other.
void PageMove(benchmark::State& state) {
    MemoCanvas canvas(CanvasSetup{});
    canvas.DrawSegment(10, 10, 200, 300);
    canvas.NewPage(true);
    for (auto _ : state) {
        benchmark::DoNotOptimize(canvas.PreviousPage() + canvas.NextPage());
    }
    state.SetItemsProcessed(2 * state.iterations());
}
BENCHMARK(PageMove);

}  // namespace
}  // namespace tavrin

int main(int argc, char** argv) { return tavrin::RunQtBenchmarks(argc, argv); }
