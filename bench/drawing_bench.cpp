// The cost of what a stroke and its repaint ask of the Qt drawing backend,
// on a 240 × 320 surface. A stroke segment should stay well under 50 µs.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPainter>

#include "platform/drawing.h"
#include "platform/qt/qt_drawing.h"

namespace tavrin::platform {
namespace {

constexpr std::int32_t kWidth = 240;
constexpr std::int32_t kHeight = 320;

struct Surface {
    Surface()
        : context(GetScreenContext()->CreateCompatibleContext()),
          bitmap(context->CreateCompatibleBitmap(kWidth, kHeight)),
          saved(context->SelectBitmap(bitmap.get())) {
        context->FillWhite({0, 0, kWidth, kHeight});
    }
    ~Surface() { context->SelectBitmap(saved); }

    std::unique_ptr<DrawingContext> context;
    std::unique_ptr<Bitmap> bitmap;
    Bitmap* saved;
};

// A segment of a 5-pixel pen: the round dot in its box, then the line.
void StrokeSegment(benchmark::State& state) {
    Surface surface;
    const auto pen = CreatePen(5, MakeColour(0, 0, 0x80));
    const auto outline = CreatePen(1, MakeColour(0, 0, 0x80));
    const auto brush = CreateSolidBrush(MakeColour(0, 0, 0x80));
    DrawingContext& context = *surface.context;
    Pen* savedPen = context.SelectPen(pen.get());
    Brush* savedBrush = context.SelectBrush(brush.get());
    std::int32_t x = 20;
    for (auto _ : state) {
        const std::int32_t next = x + 3 > 220 ? 20 : x + 3;
        Pen* strokePen = context.SelectPen(outline.get());
        context.Ellipse({next - 2, 150, next + 3, 155});
        context.SelectPen(strokePen);
        context.Line(x, 150, next, 152);
        x = next;
    }
    context.SelectPen(savedPen);
    context.SelectBrush(savedBrush);
}
BENCHMARK(StrokeSegment);

// The repaint after a segment: a box of the surface onto the window's painter.
void RepaintBox(benchmark::State& state) {
    Surface surface;
    QImage window(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&window);
    QtPaintContext target(painter, QtTextStyle{QGuiApplication::font(), Qt::black, Qt::white});
    for (auto _ : state) target.CopyFrom({100, 130, 130, 160}, *surface.context, 100, 130);
}
BENCHMARK(RepaintBox);

// Leaving a page and showing the next: capture and draw a whole page.
void CaptureAndDrawPage(benchmark::State& state) {
    Surface surface;
    PageBitmapInfo info;
    info.width = kWidth;
    info.height = kHeight;
    info.colours[15] = {0xFF, 0xFF, 0xFF, 0};
    const auto page = CreatePageBitmap(info);
    for (auto _ : state) {
        surface.context->CapturePage(0, 0, *page);
        surface.context->DrawPage({0, 0, kWidth, kHeight}, *page);
    }
}
BENCHMARK(CaptureAndDrawPage);

}  // namespace
}  // namespace tavrin::platform

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
