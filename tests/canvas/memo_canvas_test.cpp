#include "canvas/memo_canvas.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/locale_text.h"
#include "store/allocation.h"
#include "support/failing_new.h"
#include "support/fixed_clock.h"
#include "support/memo_lists.h"
#include "support/page_pixels.h"
#include "support/recording_notifications.h"
#include "support/recording_window.h"
#include "support/scratch_folder.h"

namespace tavrin {
namespace {

using testing::InkBounds;
using testing::kWhiteIndex;

class CanvasTest : public ::testing::Test {
protected:
    CanvasTest() { platform::PinUserLocale("C"); }

    CanvasSetup MakeSetup() {
        CanvasSetup setup;
        setup.window = &window;
        setup.notifications = &notifications;
        setup.clock = &clock;
        return setup;
    }

    // The current memo's picture as it is on the surface now.
    const PageImage& Page(MemoCanvas& canvas) {
        canvas.StorePage();
        return canvas.List().Current()->page;
    }

    testing::RecordingWindow window;
    testing::RecordingNotifications notifications;
    testing::FixedClock clock{{2024, 6, 1, 3, 9, 15, 0, 0}};
};

TEST_F(CanvasTest, StartsWithDefaultsAndOneBlankMemo) {
    MemoCanvas canvas(MakeSetup());
    EXPECT_EQ(canvas.PenWidth(), 2);
    EXPECT_EQ(canvas.PenColor(), 0x000000U);
    EXPECT_EQ(MemoCanvas::kEraserColor, 0xFFFFFFU);
    EXPECT_FALSE(canvas.Changed());
    EXPECT_EQ(canvas.List().Count(), 1);
    EXPECT_EQ(canvas.List().CurrentIndex(), 1);
    EXPECT_EQ(canvas.Width(), 240);
    EXPECT_EQ(canvas.Height(), 320);
    EXPECT_EQ(InkBounds(Page(canvas)), Rect{});
}

struct StrokeCase {
    const char* name;
    std::int16_t penWidth;
    Point from;
    Point to;
    Rect inkWithin;           // nothing is drawn outside
    std::vector<Point> inked;  // these pixels are drawn
};

class StrokeTest : public CanvasTest, public ::testing::WithParamInterface<StrokeCase> {};

TEST_P(StrokeTest, DrawsWithinTheRulesOfThePenWidth) {
    const StrokeCase& c = GetParam();
    MemoCanvas canvas(MakeSetup());
    canvas.SetPenWidth(c.penWidth);
    EXPECT_EQ(canvas.DrawSegment(c.from.x, c.from.y, c.to.x, c.to.y), 1);
    EXPECT_TRUE(canvas.Changed());
    const testing::PagePixels page(Page(canvas));
    const Rect ink = page.InkBounds();
    EXPECT_GE(ink.left, c.inkWithin.left);
    EXPECT_GE(ink.top, c.inkWithin.top);
    EXPECT_LE(ink.right, c.inkWithin.right);
    EXPECT_LE(ink.bottom, c.inkWithin.bottom);
    for (const Point& p : c.inked) EXPECT_EQ(page.IndexAt(p.x, p.y), 0) << p.x << "," << p.y;
}

INSTANTIATE_TEST_SUITE_P(
    Canvas, StrokeTest,
    ::testing::Values(
        StrokeCase{"Width1Line", 1, {100, 100}, {110, 100}, {100, 100, 111, 101}, {{100, 100}, {105, 100}}},
        // Width 2 sets the single pixel left of the new point, then the line.
        StrokeCase{"Width2PixelAndLine", 2, {50, 60}, {50, 61}, {48, 58, 53, 64}, {{49, 61}, {50, 60}}},
        StrokeCase{"Width3DotAndLine", 3, {100, 100}, {101, 100}, {98, 98, 103, 103}, {{99, 100}, {101, 100}}},
        // Widths 4 and 5 skip the line on a one-pixel move: only the dot's box.
        StrokeCase{"Width4DotOnly", 4, {100, 100}, {101, 101}, {99, 99, 103, 103}, {{101, 101}}},
        StrokeCase{"Width5DotOnly", 5, {100, 100}, {101, 100}, {99, 98, 104, 103}, {{101, 100}}},
        StrokeCase{"Width4DotAndLine", 4, {100, 100}, {102, 100}, {97, 97, 105, 104}, {{98, 100}, {102, 100}}},
        StrokeCase{"Width5DotAndLine", 5, {100, 100}, {110, 104}, {96, 96, 114, 108}, {{98, 100}, {105, 102}}}),
    [](const ::testing::TestParamInfo<StrokeCase>& param) { return std::string(param.param.name); });

TEST_F(CanvasTest, DotFillsItsWholeBoxForWidths3To5) {
    for (const std::int16_t width : {std::int16_t{3}, std::int16_t{4}, std::int16_t{5}}) {
        MemoCanvas canvas(MakeSetup());
        canvas.SetPenWidth(width);
        canvas.DrawSegment(100, 100, 100, 120);  // a vertical line, then the dot at (100, 120)
        canvas.SetPenColor(0x0000FF);
        canvas.DrawSegment(10, 10, 160, 150);  // a fresh dot far from the first stroke
        const std::int32_t half = width / 2;
        const Rect box{160 - half, 150 - half, 160 - half + width, 150 - half + width};
        const testing::PagePixels page(Page(canvas));
        EXPECT_EQ(page.IndexAt(160, 150), 12) << width;
        EXPECT_EQ(page.IndexAt(box.left, 150), 12) << width;
        EXPECT_EQ(page.IndexAt(box.right - 1, 150), 12) << width;
        EXPECT_EQ(page.IndexAt(160, box.top), 12) << width;
        EXPECT_EQ(page.IndexAt(160, box.bottom - 1), 12) << width;
    }
}

TEST_F(CanvasTest, EraserWhitensItsSquareAndATenPixelLine) {
    MemoCanvas canvas(MakeSetup());
    canvas.SetPenWidth(5);
    for (int y = 10; y < 50; y += 2) canvas.DrawSegment(0, y, 60, y);  // ink the area
    canvas.SetPenWidth(0);
    EXPECT_EQ(canvas.DrawSegment(20, 20, 30, 30), 1);
    const testing::PagePixels page(Page(canvas));
    for (int y = 25; y < 35; ++y)
        for (int x = 25; x < 35; ++x) EXPECT_EQ(page.IndexAt(x, y), kWhiteIndex) << x << "," << y;
    // Across the line the white is about ten pixels wide.
    EXPECT_EQ(page.IndexAt(22, 18), kWhiteIndex);
    EXPECT_EQ(page.IndexAt(18, 22), kWhiteIndex);
    EXPECT_EQ(page.IndexAt(28, 14), 0);
}

TEST_F(CanvasTest, EveryMenuColorIsStoredAsItsOwnTableEntry) {
    struct Ink {
        Color color;
        std::uint8_t index;
    };
    const Ink inks[] = {{0x0000FF, 12}, {0x00FF00, 10}, {0xFF0000, 9},  {0xFFFF00, 11}, {0xFF00FF, 13},
                        {0x00FFFF, 14}, {0xFFFFFF, 15}, {0x808080, 8},  {0x000000, 0}};
    MemoCanvas canvas(MakeSetup());
    canvas.SetPenWidth(5);
    int x = 20;
    for (const Ink& ink : inks) {
        canvas.SetPenColor(ink.color);
        canvas.DrawSegment(x, 40, x, 80);
        x += 20;
    }
    const testing::PagePixels page(Page(canvas));
    x = 20;
    for (const Ink& ink : inks) {
        EXPECT_EQ(page.IndexAt(x, 60), ink.index) << std::hex << ink.color;
        x += 20;
    }
}

TEST_F(CanvasTest, EqualPointsDrawNothingButMarkTheCanvasChanged) {
    MemoCanvas canvas(MakeSetup());
    canvas.SetPenWidth(5);
    EXPECT_EQ(canvas.DrawSegment(100, 100, 100, 100), 0);
    EXPECT_TRUE(canvas.Changed());
    EXPECT_EQ(InkBounds(Page(canvas)), Rect{});
}

TEST_F(CanvasTest, StrokesAtAndBeyondTheEdgesStayOnTheSurface) {
    MemoCanvas canvas(MakeSetup());
    for (std::int16_t width = 0; width <= 5; ++width) {
        canvas.SetPenWidth(width);
        canvas.DrawSegment(-500, -500, 0, 0);
        canvas.DrawSegment(239, 319, 2000, 3000);
        canvas.DrawSegment(-1, 319, 240, 0);
        canvas.DrawSegment(INT32_MIN / 4, 5, INT32_MAX / 4, 5);
    }
    canvas.SetPenWidth(3);
    canvas.DrawSegment(0, 0, 239, 319);
    const testing::PagePixels page(Page(canvas));
    EXPECT_EQ(page.IndexAt(0, 0), 0);
    EXPECT_EQ(page.IndexAt(239, 319), 0);
}

TEST_F(CanvasTest, PageMovesKeepEachMemosPicture) {
    MemoCanvas canvas(MakeSetup());
    canvas.DrawSegment(10, 10, 100, 10);
    ASSERT_EQ(canvas.NewPage(true), 1);
    EXPECT_EQ(InkBounds(Page(canvas)), Rect{});  // the new memo starts white
    canvas.DrawSegment(10, 200, 100, 200);
    ASSERT_EQ(canvas.PreviousPage(), 1);
    EXPECT_EQ(testing::IndexAt(Page(canvas), 50, 10), 0);
    EXPECT_EQ(testing::IndexAt(Page(canvas), 50, 200), kWhiteIndex);
    ASSERT_EQ(canvas.NextPage(), 1);  // the drawing was stored before leaving
    EXPECT_EQ(testing::IndexAt(Page(canvas), 50, 200), 0);
    EXPECT_EQ(testing::IndexAt(Page(canvas), 50, 10), kWhiteIndex);
}

TEST_F(CanvasTest, MovesStopAtTheEndsAndKeepThePicture) {
    MemoCanvas canvas(MakeSetup());
    canvas.DrawSegment(10, 10, 100, 10);
    window.titles.clear();
    EXPECT_EQ(canvas.PreviousPage(), 0);
    EXPECT_EQ(canvas.NextPage(), 0);
    EXPECT_TRUE(window.titles.empty());
    EXPECT_EQ(testing::IndexAt(Page(canvas), 50, 10), 0);
    EXPECT_EQ(canvas.List().CurrentIndex(), 1);
}

TEST_F(CanvasTest, NewPageAppendsOrInsertsBeforeTheCurrentMemo) {
    MemoCanvas canvas(MakeSetup());
    for (int i = 0; i < 4; ++i) canvas.NewPage(true);
    canvas.PreviousPage();
    canvas.PreviousPage();  // memo 3 of 5
    ASSERT_EQ(canvas.List().CurrentIndex(), 3);
    canvas.NewPage(false);
    EXPECT_EQ(canvas.List().CurrentIndex(), 3);
    EXPECT_EQ(canvas.List().Count(), 6);
    canvas.NewPage(true);
    EXPECT_EQ(canvas.List().CurrentIndex(), 7);
    EXPECT_EQ(canvas.List().Count(), 7);
    EXPECT_EQ(window.titles.back(), "Tavrin");
}

TEST_F(CanvasTest, NewMemosAreStampedWithTheClocksTime) {
    MemoCanvas canvas(MakeSetup());
    EXPECT_EQ(canvas.List().Current()->created, clock.now);
    clock.now = {2024, 6, 1, 3, 9, 16, 30, 500};
    canvas.NewPage(false);
    EXPECT_EQ(canvas.List().Current()->created, clock.now);
}

TEST_F(CanvasTest, DeletingTheOnlyMemoLeavesOneBlankMemoAndWithdrawsItsAlarm) {
    MemoCanvas canvas(MakeSetup());
    canvas.List().Current()->SetAlarm(7, SYSTEMTIME{2030, 1, 2, 1, 10, 0, 0, 0});
    canvas.DrawSegment(10, 10, 100, 10);
    EXPECT_EQ(canvas.DeletePage(), 1);
    EXPECT_EQ(notifications.removed, std::vector<std::uint32_t>{7});
    EXPECT_EQ(canvas.List().Count(), 1);
    EXPECT_EQ(canvas.List().CurrentIndex(), 1);
    EXPECT_EQ(InkBounds(Page(canvas)), Rect{});
    EXPECT_TRUE(canvas.Changed());
    canvas.DeletePage();  // a memo without alarm still asks the service, with handle 0
    EXPECT_EQ(notifications.removed, (std::vector<std::uint32_t>{7, 0}));
}

// Far less than a page's pixel bytes, which a capture needs.
constexpr std::size_t kNoRoomForAPage = 1'000;

void ExpectNotEnoughMemory(const testing::RecordingWindow& window) {
    ASSERT_EQ(window.messages.size(), 1U);
    EXPECT_EQ(window.messages[0].text, "Not enough memory");
    EXPECT_EQ(window.messages[0].caption, "Error");
    EXPECT_EQ(window.messages[0].icon, platform::MessageIcon::Error);
}

// The strokes on the page shown live nowhere else until it is stored: a
// move that can't store it says so and stays, the strokes, the memo's stored
// picture, the list and the title as they were. With memory back it moves.
TEST_F(CanvasTest, AMoveThatCantStoreThePageIsRefused) {
    const struct {
        const char* name;
        std::function<int(MemoCanvas&)> move;
    } cases[] = {
        {"previous page", [](MemoCanvas& canvas) { return canvas.PreviousPage(); }},
        {"next page", [](MemoCanvas& canvas) { return canvas.NextPage(); }},
        {"new page at the end", [](MemoCanvas& canvas) { return canvas.NewPage(true); }},
        {"new page before", [](MemoCanvas& canvas) { return canvas.NewPage(false); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemoCanvas canvas(MakeSetup());
        canvas.NewPage(true);
        canvas.NewPage(true);
        canvas.PreviousPage();  // memo 2 of 3, stored blank
        canvas.DrawSegment(10, 10, 100, 10);
        window.messages.clear();
        window.titles.clear();
        {
            const AllocationLimitForTesting limit(kNoRoomForAPage);
            EXPECT_EQ(c.move(canvas), 0);
        }
        ExpectNotEnoughMemory(window);
        EXPECT_TRUE(window.titles.empty());
        EXPECT_EQ(canvas.List().Count(), 3);
        EXPECT_EQ(canvas.List().CurrentIndex(), 2);
        EXPECT_EQ(InkBounds(canvas.List().Current()->page), Rect{}) << "the stored picture is whole";
        EXPECT_EQ(testing::IndexAt(Page(canvas), 50, 10), 0) << "the stroke is still shown";
        EXPECT_EQ(c.move(canvas), 1);
    }
}

// The only memo gives way to a blank one, which can't be had: the memo stays,
// shown, with its alarm still registered, and the user is told.
TEST_F(CanvasTest, ADeleteThatFailsKeepsTheMemoAndItsAlarm) {
    MemoCanvas canvas(MakeSetup());
    canvas.List().Current()->SetAlarm(7, SYSTEMTIME{2030, 1, 2, 1, 10, 0, 0, 0});
    canvas.DrawSegment(10, 10, 100, 10);
    {
        const testing::NothrowNewFails noMemory;
        EXPECT_EQ(canvas.DeletePage(), 0);
    }
    ExpectNotEnoughMemory(window);
    EXPECT_TRUE(notifications.removed.empty());
    EXPECT_EQ(canvas.List().Count(), 1);
    EXPECT_EQ(canvas.List().Current()->alarmHandle, 7U);
    EXPECT_EQ(testing::IndexAt(Page(canvas), 50, 10), 0);
    EXPECT_EQ(canvas.DeletePage(), 1);
    EXPECT_EQ(notifications.removed, std::vector<std::uint32_t>{7});
}

TEST_F(CanvasTest, TitleShowsTheAlarmOfTheMemoShown) {
    MemoCanvas canvas(MakeSetup());
    canvas.List().Current()->SetAlarm(3, SYSTEMTIME{2005, 12, 6, 31, 21, 30, 0, 0});
    canvas.NewPage(true);
    canvas.List().Current()->SetAlarm(0, SYSTEMTIME{2005, 12, 6, 31, 22, 0, 0, 0});  // passed
    canvas.RefreshTitle();
    canvas.PreviousPage();
    ASSERT_GE(window.titles.size(), 2U);
    EXPECT_EQ(window.titles[window.titles.size() - 2], "Tavrin");
    EXPECT_EQ(window.titles.back().rfind("] Tavrin"), window.titles.back().size() - 8);
    EXPECT_EQ(window.titles.back().front(), '[');
}

// Draws the status texts into a clean surface and returns the ink bounds.
Rect TextInk(MemoCanvas& canvas, bool created) {
    canvas.Clear();
    created ? canvas.DrawCreatedText() : canvas.DrawCounterText();
    canvas.StorePage();
    return InkBounds(canvas.List().Current()->page);
}

TEST_F(CanvasTest, StatusTextsSitAtTheTopCorners) {
    MemoCanvas canvas(MakeSetup());
    canvas.NewPage(true);
    const Rect counter = TextInk(canvas, false);
    EXPECT_GT(counter.left, 200);
    EXPECT_LE(counter.right, 239);
    EXPECT_LT(counter.bottom, 20);
    const Rect created = TextInk(canvas, true);
    EXPECT_LT(created.left, 5);
    EXPECT_GT(created.right, 60);
    EXPECT_LT(created.bottom, 20);
    canvas.List().Current()->created = SYSTEMTIME{};  // never set: no creation text
    EXPECT_EQ(TextInk(canvas, true), Rect{});
}

class CanvasFileTest : public CanvasTest {
protected:
    testing::ScratchFolder scratch;
    std::filesystem::path folder = scratch.Folder();
    std::string path = scratch.PathOf("tavrin.dat");
};

TEST_F(CanvasFileTest, SavedDrawingLoadsIntoANewCanvasWithTheSamePixels) {
    MemoCanvas canvas(MakeSetup());
    canvas.SetPenWidth(4);
    canvas.SetPenColor(0xFF0000);
    canvas.DrawSegment(20, 30, 200, 280);
    canvas.NewPage(true);
    canvas.SetPenColor(0x00FFFF);
    canvas.DrawSegment(10, 300, 230, 300);
    canvas.PreviousPage();
    ASSERT_EQ(canvas.SaveFile(path), 1);
    EXPECT_FALSE(canvas.Changed());

    MemoCanvas reloaded(MakeSetup(), &path);
    EXPECT_EQ(reloaded.List().Count(), 2);
    EXPECT_EQ(reloaded.List().CurrentIndex(), 1);
    const PageImage& before = canvas.List().Current()->page;
    const PageImage& after = Page(reloaded);
    ASSERT_EQ(after.Size(), before.Size());
    EXPECT_EQ(testing::PagePixels(after).Bytes(), testing::PagePixels(before).Bytes());
    EXPECT_EQ(testing::IndexAt(after, 110, 155), 9);
    reloaded.NextPage();
    EXPECT_EQ(testing::IndexAt(Page(reloaded), 100, 300), 14);
}

// A stored page smaller than the page area must not leave the pixels of the
// memo shown before it around it.
TEST_F(CanvasFileTest, PageSmallerThanThePageAreaShowsWhiteAroundIt) {
    const auto list = testing::MakeTaggedList(2, 1);
    testing::DrawTaggedPage(*list->First(), kPageWidth, kPageHeight);
    testing::DrawTaggedPage(*list->Last(), 30, 7);
    MemoFile file(platform::LocalFileSystem());
    ASSERT_EQ(file.Save(*list, path), 1);

    MemoCanvas canvas(MakeSetup(), &path);
    ASSERT_NE(testing::IndexAt(Page(canvas), 100, 100), kWhiteIndex);
    ASSERT_EQ(canvas.NextPage(), 1);
    const testing::PagePixels shown(Page(canvas));
    EXPECT_EQ(shown.IndexAt(100, 100), kWhiteIndex);
    EXPECT_EQ(shown.IndexAt(30, 0), kWhiteIndex);
    EXPECT_EQ(shown.IndexAt(0, 7), kWhiteIndex);
    EXPECT_NE(shown.IndexAt(29, 0), kWhiteIndex) << "the small page itself is drawn";
}

TEST_F(CanvasFileTest, UnchangedCanvasNeitherCapturesNorWrites) {
    MemoCanvas canvas(MakeSetup());
    EXPECT_EQ(canvas.SaveFile(path), 0);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(canvas.List().Current()->page.HasPicture());  // nothing was captured
}

TEST_F(CanvasFileTest, MissingFileChangesNothing) {
    MemoCanvas canvas(MakeSetup());
    canvas.SetChanged();
    EXPECT_EQ(canvas.LoadFile(path), 0);
    EXPECT_TRUE(canvas.Changed());
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(CanvasFileTest, FailedSaveKeepsTheChangeAndIsReportedOncePerFailure) {
    MemoCanvas canvas(MakeSetup());
    canvas.DrawSegment(1, 1, 50, 50);
    const std::string unwritable = (folder / "missing-folder" / "tavrin.dat").string();
    EXPECT_EQ(canvas.SaveFile(unwritable), 0);
    EXPECT_TRUE(canvas.Changed());
    EXPECT_NE(canvas.SaveError().find(unwritable), std::string::npos) << canvas.SaveError();
    EXPECT_TRUE(canvas.TakeUnreportedSaveFailure().has_value());
    EXPECT_EQ(canvas.SaveFile(unwritable), 0);  // the next page move fails the same way
    EXPECT_FALSE(canvas.TakeUnreportedSaveFailure().has_value());
    EXPECT_EQ(canvas.SaveFile(path), 1);  // it works again: the next failure is news
    EXPECT_FALSE(canvas.Changed());
    canvas.SetChanged();
    EXPECT_EQ(canvas.SaveFile(unwritable), 0);
    EXPECT_TRUE(canvas.TakeUnreportedSaveFailure().has_value());
}

// Without memory for the page shown neither the file nor a file beside it
// is written: either would lose its strokes while saying they were kept.
TEST_F(CanvasFileTest, ASaveThatCantStoreThePageWritesNothingAndKeepsTheChange) {
    MemoCanvas canvas(MakeSetup());
    canvas.DrawSegment(1, 1, 50, 50);
    {
        const AllocationLimitForTesting limit(kNoRoomForAPage);
        EXPECT_EQ(canvas.SaveFile(path), 0);
        EXPECT_EQ(canvas.SaveError(), "Could not save " + path + ": not enough memory to store the page shown");
        EXPECT_FALSE(canvas.SaveBeside(path).has_value());
        EXPECT_NE(canvas.SaveError().find("not enough memory"), std::string::npos) << canvas.SaveError();
    }
    EXPECT_TRUE(canvas.Changed());
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_TRUE(window.messages.empty()) << "the caller tells a failed save";
    ASSERT_EQ(canvas.SaveFile(path), 1);
    MemoCanvas reloaded(MakeSetup(), &path);
    EXPECT_EQ(testing::IndexAt(Page(reloaded), 25, 25), 0);
}

TEST_F(CanvasFileTest, WrongMagicWarnsAndKeepsTheBlankMemo) {
    std::ofstream(path, std::ios::binary) << "Tavrin05 and more";
    CanvasSetup setup = MakeSetup();
    setup.corruptedWarning = "Tavrin data file is corrupted.";
    MemoCanvas canvas(setup, &path);
    ASSERT_EQ(window.messages.size(), 1U);
    EXPECT_EQ(window.messages[0].text, "Tavrin data file is corrupted.");
    EXPECT_EQ(window.messages[0].caption, "Warning");
    EXPECT_EQ(window.messages[0].icon, platform::MessageIcon::Warning);
    EXPECT_EQ(canvas.List().Count(), 1);
    EXPECT_FALSE(canvas.Changed());
    // The blank memo is shown all the same, with its title.
    EXPECT_EQ(window.titles, std::vector<std::string>{"Tavrin"});

    MemoCanvas notepad(MakeSetup());
    window.messages.clear();
    EXPECT_EQ(notepad.LoadFile(path), 1);
    ASSERT_EQ(window.messages.size(), 1U);
    EXPECT_EQ(window.messages[0].text, "Tavrin data file is corrupted, it will be cleaned up.");
}

TEST_F(CanvasFileTest, PageDataThatCannotBeHeldSaysNotEnoughMemoryOnce) {
    MemoCanvas saved(MakeSetup());
    saved.DrawSegment(10, 10, 200, 300);
    ASSERT_EQ(saved.SaveFile(path), 1);
    MemoCanvas canvas(MakeSetup());
    window.titles.clear();
    {
        const AllocationLimitForTesting limit(16);
        EXPECT_EQ(canvas.LoadFile(path), 0);
    }
    ASSERT_EQ(window.messages.size(), 1U);
    EXPECT_EQ(window.messages[0].text, "Not enough memory");
    EXPECT_EQ(window.messages[0].caption, "Error");
    EXPECT_EQ(window.messages[0].icon, platform::MessageIcon::Error);
    EXPECT_TRUE(window.titles.empty()) << "a load that ends early shows nothing new";
    EXPECT_FALSE(canvas.Changed());
}

TEST_F(CanvasFileTest, WithoutAWindowLoadProblemsAndTitlesGoNowhere) {
    std::ofstream(path, std::ios::binary) << "Tavrin05";
    CanvasSetup setup = MakeSetup();
    setup.window = nullptr;
    MemoCanvas canvas(setup, &path);
    EXPECT_EQ(canvas.NewPage(true), 1);
    canvas.RefreshTitle();
    EXPECT_TRUE(window.messages.empty());
    EXPECT_TRUE(window.titles.empty());
}

}  // namespace
}  // namespace tavrin
