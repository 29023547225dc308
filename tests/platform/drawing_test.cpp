// The drawing seam checked pixel by pixel on the backend's real surfaces:
// QImages on Linux, memory DCs under Wine. These are the pixel rules the
// canvas relies on, the select-and-restore model, block copies, the reduction
// of colors to a page's table, texts, and a shell's paint context; every
// backend meets them all.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "backend_probe.h"
#include "platform/drawing.h"
#include "surface.h"

namespace tavrin::platform {
namespace {

// The notepad's color table, in table order (blue, green, red). Entries 1, 3
// and 7 differ from the common 16-color table, so a backend that reduces
// colors to a built-in table instead of the page's own gets them wrong.
constexpr std::array<RgbQuad, 16> kTable{{
    {0x00, 0x00, 0x00, 0}, {0x80, 0x40, 0x00, 0}, {0x00, 0x80, 0x00, 0}, {0xFF, 0x80, 0x00, 0},
    {0x00, 0x00, 0x80, 0}, {0x80, 0x00, 0x80, 0}, {0x00, 0x80, 0x80, 0}, {0xFF, 0xC0, 0xC0, 0},
    {0x80, 0x80, 0x80, 0}, {0xFF, 0x00, 0x00, 0}, {0x00, 0xFF, 0x00, 0}, {0xFF, 0xFF, 0x00, 0},
    {0x00, 0x00, 0xFF, 0}, {0xFF, 0x00, 0xFF, 0}, {0x00, 0xFF, 0xFF, 0}, {0xFF, 0xFF, 0xFF, 0},
}};

Color ColorOf(std::size_t index) {
    return MakeColor(kTable[index].red, kTable[index].green, kTable[index].blue);
}

// Draws with the pen and brush selected for the call only, as the canvas does.
template <typename Draw>
void WithPenAndBrush(DrawingContext& context, Pen* pen, Brush* brush, Draw draw) {
    Pen* stockPen = context.SelectPen(pen);
    Brush* stockBrush = context.SelectBrush(brush);
    draw();
    context.SelectPen(stockPen);
    context.SelectBrush(stockBrush);
}

// --- Rectangle fills -----------------------------------------------------------

class FillTest : public ::testing::TestWithParam<Rect> {};

TEST_P(FillTest, FillsExactlyTheRectangleInsideTheSurface) {
    const Rect rect = GetParam();
    Surface red(24, 16);
    red.context->FillRect(rect, *CreateSolidBrush(kRed));
    Surface white(24, 16);
    white.context->FillRect(white.Bounds(), *CreateSolidBrush(kBlack));
    white.context->FillWhite(rect);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 24; ++x) {
            const bool inside = Inside(rect, x, y);
            ASSERT_EQ(red.At(x, y), inside ? kRed : kWhite) << x << "," << y;
            ASSERT_EQ(white.At(x, y), inside ? kWhite : kBlack) << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rects, FillTest,
                         ::testing::Values(Rect{3, 4, 10, 9}, Rect{0, 0, 1, 1},
                                           Rect{23, 15, 24, 16}, Rect{-5, -3, 2, 3},
                                           Rect{20, 12, 40, 30}, Rect{5, 5, 5, 9}, Rect{8, 8, 4, 4},
                                           Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}));

// --- Ellipses ------------------------------------------------------------------

struct EllipseCase {
    int width;
    int height;
    std::int32_t penWidth;
};

class EllipseTest : public ::testing::TestWithParam<EllipseCase> {};

// The canvas's round dots are 1-pixel-pen ellipses in boxes of 3 to 5 pixels;
// wider pens keep to the box too.
TEST_P(EllipseTest, StaysInItsBoxAndReachesEverySide) {
    const auto [width, height, penWidth] = GetParam();
    Surface surface(40, 40);
    const Rect box{10, 12, 10 + width, 12 + height};
    const auto pen = CreatePen(penWidth, kRed);
    const auto brush = CreateSolidBrush(kBlue);
    WithPenAndBrush(*surface.context, pen.get(), brush.get(),
                    [&] { surface.context->Ellipse(box); });
    EXPECT_EQ(surface.InkBounds(), box);
    const int middleX = box.left + width / 2;
    const int middleY = box.top + height / 2;
    EXPECT_EQ(surface.At(box.left, middleY), kRed) << "left side";
    EXPECT_EQ(surface.At(box.right - 1, middleY), kRed) << "right side";
    EXPECT_EQ(surface.At(middleX, box.top), kRed) << "top side";
    EXPECT_EQ(surface.At(middleX, box.bottom - 1), kRed) << "bottom side";
    if (penWidth == 1 && std::min(width, height) >= 5) {
        EXPECT_EQ(surface.At(middleX, middleY), kBlue) << "filled with the brush";
    }
    EXPECT_EQ(surface.Count(kWhite) + surface.Count(kRed) + surface.Count(kBlue), 40 * 40)
        << "only pen and brush colors, no blending";
}

INSTANTIATE_TEST_SUITE_P(Boxes, EllipseTest,
                         ::testing::Values(EllipseCase{3, 3, 1}, EllipseCase{4, 4, 1},
                                           EllipseCase{5, 5, 1}, EllipseCase{6, 6, 1},
                                           EllipseCase{9, 9, 1}, EllipseCase{16, 16, 1},
                                           EllipseCase{11, 5, 1}, EllipseCase{9, 9, 3},
                                           EllipseCase{12, 12, 10}));

// --- Lines and rectangles ------------------------------------------------------

class LineTest : public ::testing::TestWithParam<std::int32_t> {};

// Counts the pen's pixels across a straight line at one place.
int ThicknessAcross(const Surface& surface, bool horizontal, int along) {
    int count = 0;
    for (int across = 0; across < 100; ++across) {
        count += (horizontal ? surface.At(along, across) : surface.At(across, along)) == kBlue;
    }
    return count;
}

TEST_P(LineTest, HasThePensWidthAndColorFromItsFirstPoint) {
    const std::int32_t width = GetParam();
    const auto pen = CreatePen(width, kBlue);
    for (const bool horizontal : {true, false}) {
        SCOPED_TRACE(horizontal ? "horizontal" : "vertical");
        Surface surface(100, 100);
        WithPenAndBrush(*surface.context, pen.get(), nullptr, [&] {
            if (horizontal) {
                surface.context->Line(20, 50, 80, 50);
            } else {
                surface.context->Line(50, 20, 50, 80);
            }
        });
        EXPECT_EQ(ThicknessAcross(surface, horizontal, 40), width);
        EXPECT_EQ(surface.At(horizontal ? 20 : 50, horizontal ? 50 : 20), kBlue);
        EXPECT_EQ(surface.At(horizontal ? 79 : 50, horizontal ? 50 : 79), kBlue);
    }
    Surface diagonal(100, 100);
    WithPenAndBrush(*diagonal.context, pen.get(), nullptr,
                    [&] { diagonal.context->Line(10, 20, 70, 65); });
    EXPECT_EQ(diagonal.Count(kWhite) + diagonal.Count(kBlue), 100 * 100)
        << "only the pen's color, no blending";
}

INSTANTIATE_TEST_SUITE_P(Widths, LineTest, ::testing::Values(1, 2, 3, 4, 5, 10));

// Whether a 1-pixel line draws its last point is the backend's own (see its
// tests); it never draws beyond it.
TEST(LineEndTest, AOnePixelLineKeepsToItsPoints) {
    Surface surface(20, 5);
    surface.context->Line(2, 2, 12, 2);
    const Rect ink = surface.InkBounds();
    EXPECT_EQ(ink.left, 2);
    EXPECT_EQ(ink.top, 2);
    EXPECT_EQ(ink.bottom, 3);
    EXPECT_GE(ink.right, 12);
    EXPECT_LE(ink.right, 13);
}

TEST(LineEndTest, LinesFromFarOutsideStillCrossTheSurface) {
    Surface surface(30, 10);
    const auto pen = CreatePen(3, kBlue);
    WithPenAndBrush(*surface.context, pen.get(), nullptr, [&] {
        surface.context->Line(INT32_MIN / 4, 5, INT32_MAX / 4, 5);
        surface.context->Line(15, INT32_MIN, 15, INT32_MAX);
    });
    for (int x = 0; x < 30; ++x) EXPECT_EQ(surface.At(x, 5), kBlue) << x;
    for (int y = 0; y < 10; ++y) EXPECT_EQ(surface.At(15, y), kBlue) << y;
}

TEST(RectangleTest, OutlinesInsideWithThePenAndFillsWithTheBrush) {
    Surface surface(30, 30);
    const auto pen = CreatePen(2, kRed);
    const auto brush = CreateSolidBrush(kBlue);
    const Rect rect{5, 6, 15, 20};
    const Rect inner{7, 8, 13, 18};
    WithPenAndBrush(*surface.context, pen.get(), brush.get(),
                    [&] { surface.context->Rectangle(rect); });
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 30; ++x) {
            const Color expected = Inside(inner, x, y)  ? kBlue
                                    : Inside(rect, x, y) ? kRed
                                                         : kWhite;
            ASSERT_EQ(surface.At(x, y), expected) << x << "," << y;
        }
    }
}

// --- Selection -----------------------------------------------------------------

TEST(SelectTest, ANewContextHasTheDefaultBitmapPenAndBrush) {
    Surface surface(20, 20);
    surface.context->FillRect(surface.Bounds(), *CreateSolidBrush(kRed));
    surface.context->Rectangle({2, 2, 10, 10});
    EXPECT_EQ(surface.At(2, 2), kBlack) << "a black pen";
    EXPECT_EQ(surface.At(3, 3), kWhite) << "one pixel wide, then the white brush";

    const auto fresh = GetScreenContext()->CreateCompatibleContext();
    const auto bitmap = fresh->CreateCompatibleBitmap(4, 4);
    Bitmap* original = fresh->SelectBitmap(bitmap.get());
    ASSERT_NE(original, nullptr);
    EXPECT_EQ(original->Width(), 1);
    EXPECT_EQ(original->Height(), 1);
    EXPECT_EQ(fresh->SelectBitmap(original), bitmap.get());
}

TEST(SelectTest, ReturnsWhatWasReplacedAndIgnoresNull) {
    Surface surface(20, 20);
    DrawingContext& context = *surface.context;
    const auto redPen = CreatePen(1, kRed);
    const auto bluePen = CreatePen(1, kBlue);
    Pen* stockPen = context.SelectPen(redPen.get());
    ASSERT_NE(stockPen, nullptr);
    EXPECT_EQ(context.SelectPen(nullptr), nullptr);
    context.Line(0, 1, 19, 1);
    EXPECT_EQ(surface.At(5, 1), kRed) << "null left the red pen in place";
    EXPECT_EQ(context.SelectPen(bluePen.get()), redPen.get());
    EXPECT_EQ(context.SelectPen(stockPen), bluePen.get());

    const auto blueBrush = CreateSolidBrush(kBlue);
    Brush* stockBrush = context.SelectBrush(blueBrush.get());
    ASSERT_NE(stockBrush, nullptr);
    EXPECT_EQ(context.SelectBrush(nullptr), nullptr);
    context.Rectangle({4, 4, 12, 12});
    EXPECT_EQ(surface.At(8, 8), kBlue) << "null left the blue brush in place";
    EXPECT_EQ(context.SelectBrush(stockBrush), blueBrush.get());
    context.Rectangle({13, 13, 19, 19});
    EXPECT_EQ(surface.At(13, 13), kBlack) << "the context's own pen is back";
    EXPECT_EQ(surface.At(16, 16), kWhite) << "the context's own brush is back";

    EXPECT_EQ(context.SelectBitmap(nullptr), nullptr);
    context.FillRect({0, 0, 2, 2}, *blueBrush);
    EXPECT_EQ(surface.At(0, 0), kBlue) << "null left the bitmap in place";
}

TEST(SelectTest, DrawingGoesToTheSelectedBitmapOnly) {
    Surface surface(10, 10);
    const auto other = surface.context->CreateCompatibleBitmap(10, 10);
    Bitmap* mine = surface.context->SelectBitmap(other.get());
    surface.context->FillRect({0, 0, 10, 10}, *CreateSolidBrush(kRed));
    EXPECT_EQ(probe::PixelAt(*surface.context, *other, 5, 5), kRed);
    surface.context->SelectBitmap(mine);
    EXPECT_EQ(surface.Count(kWhite), 100);
}

TEST(BitmapTest, BitmapsOfAnyContextKeepTheirColorsAndNeedAPositiveSize) {
    const auto screen = GetScreenContext();
    const auto large = screen->CreateCompatibleBitmap(240, 320);
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(large->Width(), 240);
    EXPECT_EQ(large->Height(), 320);

    // A new memory context's bitmap, too, holds every color.
    const auto context = screen->CreateCompatibleContext();
    const auto bitmap = context->CreateCompatibleBitmap(8, 8);
    ASSERT_NE(bitmap, nullptr);
    Bitmap* original = context->SelectBitmap(bitmap.get());
    context->FillRect({0, 0, 8, 8}, *CreateSolidBrush(ColorOf(3)));
    EXPECT_EQ(probe::PixelAt(*context, *bitmap, 4, 4), ColorOf(3));
    context->SelectBitmap(original);

    EXPECT_EQ(context->CreateCompatibleBitmap(0, 5), nullptr);
    EXPECT_EQ(context->CreateCompatibleBitmap(5, -1), nullptr);
}

// --- Block copies --------------------------------------------------------------

struct CopyCase {
    Rect target;
    std::int32_t sourceX;
    std::int32_t sourceY;
};

class CopyTest : public ::testing::TestWithParam<CopyCase> {};

TEST_P(CopyTest, CopiesWhatLiesOnBothSurfaces) {
    const auto [target, sourceX, sourceY] = GetParam();
    Surface source(20, 20);
    source.PaintPattern();
    Surface surface(30, 25);
    surface.context->CopyFrom(target, *source.context, sourceX, sourceY);
    for (int y = 0; y < 25; ++y) {
        for (int x = 0; x < 30; ++x) {
            const std::int64_t fromX = std::int64_t{sourceX} + x - target.left;
            const std::int64_t fromY = std::int64_t{sourceY} + y - target.top;
            const bool copied =
                Inside(target, x, y) && fromX >= 0 && fromX < 20 && fromY >= 0 && fromY < 20;
            const Color expected =
                copied ? PatternAt(static_cast<int>(fromX), static_cast<int>(fromY)) : kWhite;
            ASSERT_EQ(surface.At(x, y), expected) << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Placements, CopyTest,
    ::testing::Values(CopyCase{{5, 3, 25, 23}, 0, 0}, CopyCase{{0, 0, 8, 6}, 7, 9},
                      CopyCase{{2, 2, 14, 14}, -5, -3}, CopyCase{{2, 2, 14, 14}, 15, 12},
                      CopyCase{{-4, -6, 10, 10}, 0, 0}, CopyCase{{24, 20, 40, 40}, 0, 0},
                      CopyCase{{0, 0, 30, 25}, 100, -100}, CopyCase{{3, 3, 3, 10}, 0, 0},
                      CopyCase{{10, 10, 5, 5}, 0, 0},
                      CopyCase{{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, INT_MIN, INT_MIN},
                      CopyCase{{0, 0, 30, 25}, INT_MAX, INT_MAX}));

TEST(CopyWithinTest, OverlappingCopyOnOneSurfaceReadsTheOldPixels) {
    Surface surface(20, 20);
    surface.PaintPattern();
    surface.context->CopyFrom({3, 2, 18, 17}, *surface.context, 0, 0);
    for (int y = 2; y < 17; ++y) {
        for (int x = 3; x < 18; ++x) ASSERT_EQ(surface.At(x, y), PatternAt(x - 3, y - 2));
    }
}

// --- Pages ---------------------------------------------------------------------

std::unique_ptr<PageBitmap> MakePage(std::int32_t width, std::int32_t height) {
    PageBitmapInfo info;
    info.width = width;
    info.height = height;
    info.colors = kTable;
    return CreatePageBitmap(info);
}

std::vector<std::uint8_t> BytesOf(const PageBitmap& page) {
    return {page.Pixels(), page.Pixels() + page.PixelByteCount()};
}

// The color index of page pixel (x, y), counted from the top-left corner.
std::uint8_t IndexAt(const PageBitmap& page, int x, int y) {
    const std::size_t stride = page.PixelByteCount() / static_cast<std::size_t>(page.Height());
    const std::uint8_t pair =
        page.Pixels()[static_cast<std::size_t>(page.Height() - 1 - y) * stride +
                      static_cast<std::size_t>(x / 2)];
    return static_cast<std::uint8_t>(x % 2 == 0 ? pair >> 4 : pair & 0x0F);
}

struct PageSizeCase {
    std::int32_t width;
    std::int32_t height;
    std::size_t byteCount;
};

class PageSizeTest : public ::testing::TestWithParam<PageSizeCase> {};

TEST_P(PageSizeTest, RowsArePaddedToFourBytesAndStartZeroed) {
    const auto [width, height, byteCount] = GetParam();
    const auto page = MakePage(width, height);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Width(), width);
    EXPECT_EQ(page->Height(), height);
    ASSERT_EQ(page->PixelByteCount(), byteCount);
    EXPECT_EQ(BytesOf(*page), std::vector<std::uint8_t>(byteCount, 0));
}

INSTANTIATE_TEST_SUITE_P(Sizes, PageSizeTest,
                         ::testing::Values(PageSizeCase{240, 320, 38400}, PageSizeCase{13, 7, 56},
                                           PageSizeCase{1, 1, 4}, PageSizeCase{8, 3, 12},
                                           PageSizeCase{9, 2, 16}));

TEST(PageBitmapTest, RefusesWhatItCantHold) {
    PageBitmapInfo eightBits;
    eightBits.width = 10;
    eightBits.height = 10;
    eightBits.bitCount = 8;
    EXPECT_EQ(CreatePageBitmap(eightBits), nullptr);
    EXPECT_EQ(MakePage(0, 10), nullptr);
    EXPECT_EQ(MakePage(10, 0), nullptr);
    EXPECT_EQ(MakePage(-3, 10), nullptr);
    EXPECT_EQ(MakePage(10, -3), nullptr);
}

class PageRoundTripTest : public ::testing::TestWithParam<PageSizeCase> {};

TEST_P(PageRoundTripTest, DrawThenCaptureGivesTheSameBytesWithRowsBottomUp) {
    const auto [width, height, byteCount] = GetParam();
    const auto original = MakePage(width, height);
    ASSERT_NE(original, nullptr);
    // Every index in every place; the padding stays zero, as a capture leaves it.
    const std::size_t stride = byteCount / static_cast<std::size_t>(height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t& pair = original->Pixels()[static_cast<std::size_t>(y) * stride +
                                                    static_cast<std::size_t>(x / 2)];
            const auto index = static_cast<std::uint8_t>((x * 7 + y * 3) % 16);
            pair = static_cast<std::uint8_t>(x % 2 == 0 ? pair | index << 4 : pair | index);
        }
    }
    Surface surface(width, height);
    surface.context->DrawPage(surface.Bounds(), *original);
    const auto copy = MakePage(width, height);
    surface.context->CapturePage(0, 0, *copy);
    EXPECT_EQ(BytesOf(*copy), BytesOf(*original));
    EXPECT_EQ(surface.At(0, height - 1), ColorOf(original->Pixels()[0] >> 4))
        << "the first stored row is the bottom row";
}

INSTANTIATE_TEST_SUITE_P(Sizes, PageRoundTripTest,
                         ::testing::Values(PageSizeCase{240, 320, 38400}, PageSizeCase{13, 7, 56},
                                           PageSizeCase{1, 1, 4}));

TEST(CapturePageTest, EveryTableColorMapsToItsOwnIndex) {
    Surface surface(16, 1);
    for (std::int32_t x = 0; x < 16; ++x) {
        surface.context->FillRect({x, 0, x + 1, 1},
                                  *CreateSolidBrush(ColorOf(static_cast<std::size_t>(x))));
    }
    const auto page = MakePage(16, 1);
    surface.context->CapturePage(0, 0, *page);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(IndexAt(*page, i, 0), i);
}

TEST(CapturePageTest, OtherColorsMapToTheNearestEntry) {
    struct NearCase {
        Color color;
        std::uint8_t index;
    };
    const NearCase cases[] = {
        {MakeColor(0x10, 0x38, 0x78), 1}, {MakeColor(0xC8, 0xC8, 0xF0), 7},
        {MakeColor(0x90, 0x88, 0x80), 8}, {MakeColor(0x00, 0x00, 0x70), 1},
        {MakeColor(0xC0, 0xC0, 0xC0), 7}, {MakeColor(0xF0, 0xF0, 0xF0), 15},
        {MakeColor(0x20, 0x10, 0x10), 0}, {MakeColor(0xE0, 0x10, 0x20), 12},
    };
    const auto count = static_cast<std::int32_t>(std::size(cases));
    Surface surface(count, 1);
    for (std::int32_t x = 0; x < count; ++x) {
        surface.context->FillRect({x, 0, x + 1, 1}, *CreateSolidBrush(cases[x].color));
    }
    const auto page = MakePage(count, 1);
    surface.context->CapturePage(0, 0, *page);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(IndexAt(*page, static_cast<int>(i), 0), cases[i].index) << "case " << i;
    }
}

TEST(CapturePageTest, ReadsFromTheGivenPlaceAndLeavesPixelsOffTheSurface) {
    Surface surface(10, 10);
    surface.context->FillRect({6, 7, 7, 8}, *CreateSolidBrush(kRed));
    const auto page = MakePage(6, 5);
    surface.context->CapturePage(5, 6, *page);
    EXPECT_EQ(IndexAt(*page, 1, 1), 12) << "surface pixel (6, 7)";
    EXPECT_EQ(IndexAt(*page, 0, 0), 15);
    EXPECT_EQ(IndexAt(*page, 4, 3), 15) << "surface pixel (9, 9)";
    EXPECT_EQ(IndexAt(*page, 5, 0), 0) << "beyond the right edge: untouched";
    EXPECT_EQ(IndexAt(*page, 0, 4), 0) << "beyond the bottom edge: untouched";
}

TEST(DrawPageTest, DrawsOnlyTheTargetsSizeAtItsPlace) {
    const auto page = MakePage(8, 8);  // all index 0: black
    Surface surface(12, 12);
    surface.context->DrawPage({2, 3, 7, 7}, *page);
    EXPECT_EQ(surface.InkBounds(), (Rect{2, 3, 7, 7}));
    surface.context->DrawPage({10, 10, 30, 30}, *page);
    EXPECT_EQ(surface.At(11, 11), kBlack) << "clipped at the surface's edge";
}

// --- Text ----------------------------------------------------------------------

TEST(TextTest, MeasuresAndDrawsOneLineBlackOnWhiteInsideItsRectangle) {
    Surface surface(200, 40);
    const Size size = surface.context->MeasureText("12:34, 05-06-2026");
    EXPECT_GT(size.cx, 20);
    EXPECT_GT(size.cy, 5);
    EXPECT_GT(surface.context->MeasureText("12:34, 05-06-2026 and more").cx, size.cx);
    EXPECT_EQ(surface.context->MeasureText("ab\ncd").cy, size.cy) << "one line";

    const Rect rect{10, 5, 10 + size.cx, 5 + size.cy};
    surface.context->FillRect(surface.Bounds(), *CreateSolidBrush(kRed));
    surface.context->DrawText("12:34, 05-06-2026", rect);
    int black = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 200; ++x) {
            const Color pixel = surface.At(x, y);
            if (!Inside(rect, x, y)) {
                ASSERT_EQ(pixel, kRed) << x << "," << y;
                continue;
            }
            ASSERT_TRUE(pixel == kBlack || pixel == kWhite)
                << "black on opaque white without blending at " << x << "," << y;
            black += pixel == kBlack;
        }
    }
    EXPECT_GT(black, 20);
}

TEST(TextTest, DrawsAmpersandsAsMeasured) {
    Surface surface(200, 40);
    const Size size = surface.context->MeasureText("&&&&&&");
    surface.context->DrawText("&&&&&&", {0, 0, size.cx, size.cy});
    EXPECT_GT(surface.InkBounds().right, size.cx * 3 / 4) << "no '&' taken as a prefix";
}

TEST(TextTest, ClipsToANarrowerRectangle) {
    Surface surface(200, 40);
    surface.context->DrawText("12:34, 05-06-2026", {0, 0, 15, 30});
    const Rect ink = surface.InkBounds();
    EXPECT_GT(ink.right, 0);
    EXPECT_LE(ink.right, 15);
}

// --- A shell's paint context -----------------------------------------------------

TEST(PaintContextTest, PutsCopiesLinesAndTextsOnTheWindow) {
    Surface source(20, 20);
    source.PaintPattern();
    probe::PaintEvent paint(60, 40);
    DrawingContext& context = paint.Context();
    context.CopyFrom({30, 10, 50, 30}, *source.context, 0, 0);
    const Size size = context.MeasureText("3/7");
    ASSERT_LT(size.cx, 30);
    ASSERT_LT(size.cy, 30);
    const Rect text{0, 0, size.cx, size.cy};
    context.DrawText("3/7", text);
    const auto pen = CreatePen(1, kRed);
    WithPenAndBrush(context, pen.get(), nullptr, [&] { context.Line(0, 35, 20, 35); });
    paint.End();

    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) ASSERT_EQ(paint.At(30 + x, 10 + y), PatternAt(x, y));
    }
    EXPECT_EQ(paint.At(5, 35), kRed);
    EXPECT_EQ(paint.At(5, 34), kWhite);
    const Color textBackground = paint.At(0, 0);
    int ink = 0;
    for (int y = 0; y < size.cy; ++y) {
        for (int x = 0; x < size.cx; ++x) ink += paint.At(x, y) != textBackground;
    }
    EXPECT_GT(ink, 5) << "the text is on the window";
    EXPECT_EQ(paint.At(size.cx + 1, size.cy / 2), kWhite) << "and stays in its rectangle";
}

}  // namespace
}  // namespace tavrin::platform
