// What only the Qt drawing backend does: its bitmaps' format, lines that draw
// their last point, and the paint context over a shell's QPainter.
#include <gtest/gtest.h>

#include <QPainter>

#include "platform/drawing.h"
#include "platform/qt/qt_drawing.h"
#include "surface.h"

namespace tavrin::platform {
namespace {

TEST(QtBitmapTest, CompatibleBitmapsAreRgb32) {
    const auto bitmap = GetScreenContext()->CreateCompatibleBitmap(240, 320);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(ImageOf(*bitmap)->format(), QImage::Format_RGB32);
}

// GDI's LineTo leaves the last point out; QPainter draws it, with every pen.
TEST(QtLineTest, DrawsItsLastPoint) {
    for (const std::int32_t width : {1, 2, 3, 4, 5, 10}) {
        const auto pen = CreatePen(width, kBlue);
        Surface surface(100, 100);
        Pen* stockPen = surface.context->SelectPen(pen.get());
        surface.context->Line(20, 50, 80, 50);
        surface.context->Line(50, 20, 50, 80);
        surface.context->SelectPen(stockPen);
        EXPECT_EQ(surface.At(80, 50), kBlue) << "width " << width;
        EXPECT_EQ(surface.At(50, 80), kBlue) << "width " << width;
    }
}

TEST(QtPaintContextTest, LeavesThePainterAsItWasAndDrawsTextsInItsStyle) {
    QImage window(60, 40, QImage::Format_ARGB32_Premultiplied);
    window.fill(Qt::white);
    QPainter painter(&window);
    const QPen shellPen(Qt::green, 3);
    painter.setPen(shellPen);
    QtPaintContext context(painter, QtTextStyle{QFont(QStringLiteral("DejaVu Sans"), 9),
                                                QColor(Qt::blue), QColor(Qt::yellow)});

    const Surface source(4, 4);
    context.CopyFrom({40, 10, 44, 14}, *source.context, 0, 0);
    const auto pen = CreatePen(2, kBlue);
    Pen* stockPen = context.SelectPen(pen.get());
    context.Line(40, 30, 50, 30);
    context.SelectPen(stockPen);
    const Size size = context.MeasureText("3/7");
    context.DrawText("3/7", {0, 0, size.cx, size.cy});
    const auto bitmap = context.CreateCompatibleBitmap(5, 5);
    EXPECT_EQ(context.SelectBitmap(bitmap.get()), nullptr);
    const Surface target(5, 5);
    target.context->CopyFrom({0, 0, 5, 5}, context, 0, 0);
    EXPECT_EQ(painter.pen(), shellPen);
    EXPECT_FALSE(painter.hasClipping());
    EXPECT_EQ(painter.compositionMode(), QPainter::CompositionMode_SourceOver);
    painter.end();

    EXPECT_EQ(target.Count(kWhite), 25) << "a paint context is no copy source";
    const QRgb blue = qRgb(0, 0, 0xFF);
    int bluePixels = 0;
    for (int y = 0; y < size.cy; ++y) {
        for (int x = 0; x < size.cx; ++x) {
            const QRgb pixel = window.pixel(x, y);
            ASSERT_TRUE(pixel == blue || pixel == qRgb(0xFF, 0xFF, 0)) << x << "," << y;
            bluePixels += pixel == blue ? 1 : 0;
        }
    }
    EXPECT_GT(bluePixels, 5);
}

}  // namespace
}  // namespace tavrin::platform
