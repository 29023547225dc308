// The GDI backend, checked pixel by pixel on real memory DCs under Wine: the
// pixel rules that the canvas relies on, GDI's select-and-restore model, the
// reduction of colours to a page's table, and contexts over a shell's DC.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "platform/drawing.h"
#include "platform/win32/win32_drawing.h"

namespace tavrin::platform {
namespace {

constexpr Colour kBlack = MakeColour(0, 0, 0);
constexpr Colour kRed = MakeColour(0xFF, 0, 0);
constexpr Colour kBlue = MakeColour(0, 0, 0xFF);
constexpr Colour kWhite = MakeColour(0xFF, 0xFF, 0xFF);

// The notepad's colour table, in table order (blue, green, red).
constexpr std::array<RgbQuad, 16> kTable{{
    {0x00, 0x00, 0x00, 0}, {0x80, 0x40, 0x00, 0}, {0x00, 0x80, 0x00, 0}, {0xFF, 0x80, 0x00, 0},
    {0x00, 0x00, 0x80, 0}, {0x80, 0x00, 0x80, 0}, {0x00, 0x80, 0x80, 0}, {0xFF, 0xC0, 0xC0, 0},
    {0x80, 0x80, 0x80, 0}, {0xFF, 0x00, 0x00, 0}, {0x00, 0xFF, 0x00, 0}, {0xFF, 0xFF, 0x00, 0},
    {0x00, 0x00, 0xFF, 0}, {0xFF, 0x00, 0xFF, 0}, {0x00, 0xFF, 0xFF, 0}, {0xFF, 0xFF, 0xFF, 0},
}};

Colour ColourOf(std::size_t index) {
    return MakeColour(kTable[index].red, kTable[index].green, kTable[index].blue);
}

bool Inside(const Rect& rect, int x, int y) {
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

Colour PixelAt(HDC dc, int x, int y) { return static_cast<Colour>(::GetPixel(dc, x, y)); }

std::unique_ptr<PageBitmap> MakePage(std::int32_t width, std::int32_t height) {
    PageBitmapInfo info;
    info.width = width;
    info.height = height;
    info.colours = kTable;
    return CreatePageBitmap(info);
}

// The colour index of page pixel (x, y), counted from the top-left corner.
std::uint8_t IndexAt(const PageBitmap& page, int x, int y) {
    const std::size_t stride = page.PixelByteCount() / static_cast<std::size_t>(page.Height());
    const std::uint8_t pair = page.Pixels()[static_cast<std::size_t>(page.Height() - 1 - y) * stride +
                                            static_cast<std::size_t>(x / 2)];
    return static_cast<std::uint8_t>(x % 2 == 0 ? pair >> 4 : pair & 0x0F);
}

// A memory context with a screen-compatible bitmap of its own, white at the
// start, made the way the canvas makes its surface.
class Surface {
public:
    Surface(std::int32_t width, std::int32_t height)
        : screen(GetScreenContext()),
          context(screen->CreateCompatibleContext()),
          bitmap(screen->CreateCompatibleBitmap(width, height)),
          width_(width),
          height_(height) {
        saved_ = context->SelectBitmap(bitmap.get());
        context->FillWhite({0, 0, width, height});
    }
    ~Surface() { context->SelectBitmap(saved_); }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    HDC Dc() const { return dynamic_cast<const Win32DrawingContext&>(*context).Handle(); }
    Colour At(int x, int y) const { return PixelAt(Dc(), x, y); }

    // The smallest rectangle holding every pixel that isn't white.
    Rect InkBounds() const {
        Rect ink{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                if (At(x, y) == kWhite) continue;
                ink = {std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1),
                       std::max(ink.bottom, y + 1)};
            }
        }
        return ink.left == INT_MAX ? Rect{} : ink;
    }

    void PaintPattern() {
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                context->FillRect({x, y, x + 1, y + 1}, *CreateSolidBrush(PatternAt(x, y)));
            }
        }
    }
    // A table colour for every pixel, telling left from right and top from bottom.
    static Colour PatternAt(int x, int y) {
        return ColourOf(static_cast<std::size_t>((x + 5 * y) % 16));
    }

    std::unique_ptr<DrawingContext> screen;
    std::unique_ptr<DrawingContext> context;
    std::unique_ptr<Bitmap> bitmap;

private:
    std::int32_t width_;
    std::int32_t height_;
    Bitmap* saved_ = nullptr;
};

// --- The pixel rules the canvas relies on ------------------------------------

class FillTest : public ::testing::TestWithParam<Rect> {};

TEST_P(FillTest, FillsExactlyTheRectangleInsideTheSurface) {
    const Rect rect = GetParam();
    Surface red(24, 16);
    red.context->FillRect(rect, *CreateSolidBrush(kRed));
    Surface white(24, 16);
    white.context->FillRect({0, 0, 24, 16}, *CreateSolidBrush(kBlack));
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

struct EllipseCase {
    int size;
    std::int32_t penWidth;
};

class EllipseTest : public ::testing::TestWithParam<EllipseCase> {};

// The canvas's round dots are 1-pixel-pen ellipses in boxes of 3 to 5 pixels;
// wider pens keep to the box too (PS_INSIDEFRAME).
TEST_P(EllipseTest, StaysInItsBoxAndReachesEverySide) {
    const auto [size, penWidth] = GetParam();
    Surface surface(40, 40);
    const Rect box{10, 12, 10 + size, 12 + size};
    const auto pen = CreatePen(penWidth, kRed);
    const auto brush = CreateSolidBrush(kBlue);
    Pen* stockPen = surface.context->SelectPen(pen.get());
    Brush* stockBrush = surface.context->SelectBrush(brush.get());
    surface.context->Ellipse(box);
    surface.context->SelectPen(stockPen);
    surface.context->SelectBrush(stockBrush);
    EXPECT_EQ(surface.InkBounds(), box);
    const int middle = size / 2;
    EXPECT_EQ(surface.At(box.left, box.top + middle), kRed) << "left side";
    EXPECT_EQ(surface.At(box.right - 1, box.top + middle), kRed) << "right side";
    EXPECT_EQ(surface.At(box.left + middle, box.top), kRed) << "top side";
    EXPECT_EQ(surface.At(box.left + middle, box.bottom - 1), kRed) << "bottom side";
    if (penWidth == 1 && size >= 5) {
        EXPECT_EQ(surface.At(box.left + middle, box.top + middle), kBlue);
    }
}

INSTANTIATE_TEST_SUITE_P(Boxes, EllipseTest,
                         ::testing::Values(EllipseCase{3, 1}, EllipseCase{4, 1}, EllipseCase{5, 1},
                                           EllipseCase{6, 1}, EllipseCase{9, 1},
                                           EllipseCase{16, 1}, EllipseCase{9, 3},
                                           EllipseCase{12, 10}));

class LineTest : public ::testing::TestWithParam<std::int32_t> {};

// Counts the pen's pixels across a straight line at one place.
int ThicknessAcross(const Surface& surface, bool horizontal, int along) {
    int count = 0;
    for (int across = 0; across < 100; ++across) {
        count += (horizontal ? surface.At(along, across) : surface.At(across, along)) == kBlue;
    }
    return count;
}

TEST_P(LineTest, HasThePensWidthAndStartsAtItsFirstPoint) {
    const std::int32_t width = GetParam();
    const auto pen = CreatePen(width, kBlue);
    for (const bool horizontal : {true, false}) {
        SCOPED_TRACE(horizontal ? "horizontal" : "vertical");
        Surface surface(100, 100);
        Pen* stockPen = surface.context->SelectPen(pen.get());
        if (horizontal) {
            surface.context->Line(20, 50, 80, 50);
        } else {
            surface.context->Line(50, 20, 50, 80);
        }
        surface.context->SelectPen(stockPen);
        EXPECT_EQ(ThicknessAcross(surface, horizontal, 40), width);
        EXPECT_EQ(surface.At(horizontal ? 20 : 50, horizontal ? 50 : 20), kBlue);
        EXPECT_EQ(surface.At(horizontal ? 79 : 50, horizontal ? 50 : 79), kBlue);
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, LineTest, ::testing::Values(1, 2, 3, 4, 5, 10));

TEST(LineEndTest, AOnePixelLineLeavesOutItsLastPointAsLineToDoes) {
    Surface surface(20, 5);
    surface.context->Line(2, 2, 12, 2);
    EXPECT_EQ(surface.InkBounds(), (Rect{2, 2, 12, 3}));
}

TEST(LineEndTest, LinesFromFarOutsideStillCrossTheSurface) {
    Surface surface(30, 10);
    const auto pen = CreatePen(3, kBlue);
    Pen* stockPen = surface.context->SelectPen(pen.get());
    surface.context->Line(INT32_MIN / 4, 5, INT32_MAX / 4, 5);
    surface.context->Line(15, INT32_MIN, 15, INT32_MAX);
    surface.context->SelectPen(stockPen);
    for (int x = 0; x < 30; ++x) EXPECT_EQ(surface.At(x, 5), kBlue) << x;
    for (int y = 0; y < 10; ++y) EXPECT_EQ(surface.At(15, y), kBlue) << y;
}

TEST(RectangleTest, OutlinesInsideWithThePenAndFillsWithTheBrush) {
    Surface surface(30, 30);
    const auto pen = CreatePen(2, kRed);
    const auto brush = CreateSolidBrush(kBlue);
    Pen* stockPen = surface.context->SelectPen(pen.get());
    Brush* stockBrush = surface.context->SelectBrush(brush.get());
    const Rect rect{5, 6, 15, 20};
    const Rect inner{7, 8, 13, 18};
    surface.context->Rectangle(rect);
    surface.context->SelectPen(stockPen);
    surface.context->SelectBrush(stockBrush);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 30; ++x) {
            const Colour expected = Inside(inner, x, y) ? kBlue : Inside(rect, x, y) ? kRed : kWhite;
            ASSERT_EQ(surface.At(x, y), expected) << x << "," << y;
        }
    }
}

// --- Selection ---------------------------------------------------------------

TEST(SelectTest, ANewContextHasTheDefaultBitmapPenAndBrush) {
    Surface surface(20, 20);
    surface.context->FillRect({0, 0, 20, 20}, *CreateSolidBrush(kRed));
    surface.context->Rectangle({2, 2, 10, 10});
    EXPECT_EQ(surface.At(2, 2), kBlack) << "BLACK_PEN";
    EXPECT_EQ(surface.At(3, 3), kWhite) << "one pixel wide, then WHITE_BRUSH";

    const auto fresh = GetScreenContext()->CreateCompatibleContext();
    const auto bitmap = GetScreenContext()->CreateCompatibleBitmap(4, 4);
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
    EXPECT_EQ(::GetCurrentObject(surface.Dc(), OBJ_PEN), ::GetStockObject(BLACK_PEN));

    const auto blueBrush = CreateSolidBrush(kBlue);
    Brush* stockBrush = context.SelectBrush(blueBrush.get());
    ASSERT_NE(stockBrush, nullptr);
    EXPECT_EQ(context.SelectBrush(nullptr), nullptr);
    EXPECT_EQ(context.SelectBrush(stockBrush), blueBrush.get());
    EXPECT_EQ(::GetCurrentObject(surface.Dc(), OBJ_BRUSH), ::GetStockObject(WHITE_BRUSH));

    EXPECT_EQ(context.SelectBitmap(nullptr), nullptr);
    context.FillRect({0, 0, 2, 2}, *blueBrush);
    EXPECT_EQ(surface.At(0, 0), kBlue) << "null left the bitmap in place";
}

TEST(SelectTest, ABitmapSelectedElsewhereIsRefusedAndNothingChanges) {
    Surface first(10, 10);
    Surface second(10, 10);
    EXPECT_EQ(second.context->SelectBitmap(first.bitmap.get()), nullptr);
    second.context->FillRect({0, 0, 10, 10}, *CreateSolidBrush(kRed));
    EXPECT_EQ(first.At(5, 5), kWhite);
    EXPECT_EQ(second.At(5, 5), kRed);
}

TEST(BitmapTest, BitmapsOfAnyContextKeepTheirColours) {
    // GDI would make a monochrome bitmap for a new memory DC.
    const auto context = GetScreenContext()->CreateCompatibleContext();
    const auto bitmap = context->CreateCompatibleBitmap(8, 8);
    ASSERT_NE(bitmap, nullptr);
    Bitmap* original = context->SelectBitmap(bitmap.get());
    context->FillRect({0, 0, 8, 8}, *CreateSolidBrush(ColourOf(3)));
    EXPECT_EQ(PixelAt(dynamic_cast<Win32DrawingContext&>(*context).Handle(), 4, 4), ColourOf(3));
    context->SelectBitmap(original);
    EXPECT_EQ(context->CreateCompatibleBitmap(0, 5), nullptr);
    EXPECT_EQ(context->CreateCompatibleBitmap(5, -1), nullptr);
}

// --- Block copies ------------------------------------------------------------

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
            const Colour expected =
                copied ? Surface::PatternAt(static_cast<int>(fromX), static_cast<int>(fromY)) : kWhite;
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
        for (int x = 3; x < 18; ++x) ASSERT_EQ(surface.At(x, y), Surface::PatternAt(x - 3, y - 2));
    }
}

// --- Pages -------------------------------------------------------------------

TEST(CapturePageTest, EveryTableColourMapsToItsOwnIndex) {
    Surface surface(16, 1);
    for (std::int32_t x = 0; x < 16; ++x) {
        surface.context->FillRect({x, 0, x + 1, 1},
                                  *CreateSolidBrush(ColourOf(static_cast<std::size_t>(x))));
    }
    const auto page = MakePage(16, 1);
    surface.context->CapturePage(0, 0, *page);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(IndexAt(*page, i, 0), i);
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

struct PageSizeCase {
    std::int32_t width;
    std::int32_t height;
    std::size_t byteCount;
};

class PageRoundTripTest : public ::testing::TestWithParam<PageSizeCase> {};

TEST_P(PageRoundTripTest, DrawThenCaptureGivesTheSameBytesWithRowsBottomUp) {
    const auto [width, height, byteCount] = GetParam();
    const auto original = MakePage(width, height);
    ASSERT_NE(original, nullptr);
    ASSERT_EQ(original->PixelByteCount(), byteCount);
    EXPECT_EQ(std::vector<std::uint8_t>(original->Pixels(), original->Pixels() + byteCount),
              std::vector<std::uint8_t>(byteCount, 0))
        << "a new page starts zeroed";
    const std::size_t stride = byteCount / static_cast<std::size_t>(height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t& pair =
                original->Pixels()[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x / 2)];
            const auto index = static_cast<std::uint8_t>((x * 7 + y * 3) % 16);
            pair = static_cast<std::uint8_t>(x % 2 == 0 ? pair | index << 4 : pair | index);
        }
    }
    Surface surface(width, height);
    surface.context->DrawPage({0, 0, width, height}, *original);
    const auto copy = MakePage(width, height);
    surface.context->CapturePage(0, 0, *copy);
    EXPECT_EQ(std::vector<std::uint8_t>(copy->Pixels(), copy->Pixels() + byteCount),
              std::vector<std::uint8_t>(original->Pixels(), original->Pixels() + byteCount));
    EXPECT_EQ(surface.At(0, height - 1), ColourOf(original->Pixels()[0] >> 4))
        << "the first stored row is the bottom row";
}

INSTANTIATE_TEST_SUITE_P(Sizes, PageRoundTripTest,
                         ::testing::Values(PageSizeCase{240, 320, 38400}, PageSizeCase{13, 7, 56},
                                           PageSizeCase{1, 1, 4}));

TEST(PageBitmapTest, RefusesWhatItCantHold) {
    PageBitmapInfo eightBits;
    eightBits.width = 10;
    eightBits.height = 10;
    eightBits.bitCount = 8;
    EXPECT_EQ(CreatePageBitmap(eightBits), nullptr);
    EXPECT_EQ(MakePage(0, 10), nullptr);
    EXPECT_EQ(MakePage(10, -3), nullptr);
}

TEST(DrawPageTest, DrawsOnlyTheTargetsSizeAtItsPlace) {
    const auto page = MakePage(8, 8);  // all index 0: black
    Surface surface(12, 12);
    surface.context->DrawPage({2, 3, 7, 7}, *page);
    EXPECT_EQ(surface.InkBounds(), (Rect{2, 3, 7, 7}));
    surface.context->DrawPage({10, 10, 30, 30}, *page);
    EXPECT_EQ(surface.At(11, 11), kBlack) << "clipped at the surface's edge";
}

// --- Text --------------------------------------------------------------------

TEST(TextTest, MeasuresAndDrawsOneLineBlackOnWhiteInsideItsRectangle) {
    Surface surface(200, 40);
    const Size size = surface.context->MeasureText("12:34, 05-06-2026");
    EXPECT_GT(size.cx, 20);
    EXPECT_GT(size.cy, 5);
    EXPECT_EQ(surface.context->MeasureText("ab\ncd").cy, size.cy) << "one line";

    const Rect rect{10, 5, 10 + size.cx, 5 + size.cy};
    surface.context->FillRect({0, 0, 200, 40}, *CreateSolidBrush(kRed));
    surface.context->DrawText("12:34, 05-06-2026", rect);
    int black = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 200; ++x) {
            const Colour pixel = surface.At(x, y);
            if (!Inside(rect, x, y)) {
                ASSERT_EQ(pixel, kRed) << x << "," << y;
                continue;
            }
            ASSERT_TRUE(pixel == kBlack || pixel == kWhite) << x << "," << y;
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

// --- A context over the shell's DC -----------------------------------------------

TEST(PaintContextTest, DrawsOnTheShellsDcAndLeavesItToTheShell) {
    Surface window(60, 40);
    Surface source(20, 20);
    source.PaintPattern();
    {
        Win32PaintContext paint(window.Dc());
        paint.CopyFrom({30, 10, 50, 30}, *source.context, 0, 0);
        const Size size = paint.MeasureText("3/7");
        paint.DrawText("3/7", {0, 0, size.cx, size.cy});
        const auto pen = CreatePen(1, kRed);
        Pen* shellPen = paint.SelectPen(pen.get());
        paint.Line(0, 35, 20, 35);
        paint.SelectPen(shellPen);
    }
    EXPECT_EQ(window.At(5, 35), kRed);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) ASSERT_EQ(window.At(30 + x, 10 + y), Surface::PatternAt(x, y));
    }
    EXPECT_EQ(::GetCurrentObject(window.Dc(), OBJ_PEN), ::GetStockObject(BLACK_PEN));
    window.context->FillWhite({0, 0, 4, 4});
    EXPECT_EQ(window.At(1, 1), kWhite) << "the DC outlived the paint context";
}

}  // namespace
}  // namespace tavrin::platform
