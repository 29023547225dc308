// What only the GDI drawing backend does, on real memory DCs under Wine:
// lines that leave out their last point as LineTo does, bitmaps that one DC
// at a time may hold, and the DC's own objects put back, also on a shell's DC.
#include <gtest/gtest.h>

#include "platform/drawing.h"
#include "platform/win32/win32_drawing.h"
#include "surface.h"

namespace tavrin::platform {
namespace {

HDC DcOf(const Surface& surface) {
    return dynamic_cast<const Win32DrawingContext&>(*surface.context).Handle();
}

TEST(Win32LineTest, AOnePixelLineLeavesOutItsLastPointAsLineToDoes) {
    const Surface surface(20, 5);
    surface.context->Line(2, 2, 12, 2);
    EXPECT_EQ(surface.InkBounds(), (Rect{2, 2, 12, 3}));
}

TEST(Win32SelectTest, SelectingBackPutsTheDcsOwnObjectsBack) {
    const Surface surface(10, 10);
    const auto pen = CreatePen(1, kRed);
    const auto brush = CreateSolidBrush(kBlue);
    Pen* stockPen = surface.context->SelectPen(pen.get());
    Brush* stockBrush = surface.context->SelectBrush(brush.get());
    surface.context->SelectPen(stockPen);
    surface.context->SelectBrush(stockBrush);
    EXPECT_EQ(::GetCurrentObject(DcOf(surface), OBJ_PEN), ::GetStockObject(BLACK_PEN));
    EXPECT_EQ(::GetCurrentObject(DcOf(surface), OBJ_BRUSH), ::GetStockObject(WHITE_BRUSH));
}

TEST(Win32SelectTest, ABitmapSelectedElsewhereIsRefusedAndNothingChanges) {
    const Surface first(10, 10);
    const Surface second(10, 10);
    EXPECT_EQ(second.context->SelectBitmap(first.bitmap.get()), nullptr);
    second.context->FillRect({0, 0, 10, 10}, *CreateSolidBrush(kRed));
    EXPECT_EQ(first.At(5, 5), kWhite);
    EXPECT_EQ(second.At(5, 5), kRed);
}

TEST(Win32PaintContextTest, LeavesTheShellsDcToTheShell) {
    const Surface window(30, 10);
    {
        Win32PaintContext paint(DcOf(window));
        const auto pen = CreatePen(1, kRed);
        Pen* shellPen = paint.SelectPen(pen.get());
        paint.Line(0, 5, 20, 5);
        paint.SelectPen(shellPen);
    }
    EXPECT_EQ(window.At(5, 5), kRed);
    EXPECT_EQ(::GetCurrentObject(DcOf(window), OBJ_PEN), ::GetStockObject(BLACK_PEN));
    window.context->FillWhite({0, 0, 4, 4});
    EXPECT_EQ(window.At(1, 1), kWhite) << "the DC outlived the paint context";
}

}  // namespace
}  // namespace tavrin::platform
