#include "overview/memo_overview.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "store/page_image.h"
#include "support/calendar_time.h"
#include "support/fixed_locale.h"
#include "support/reduced_page.h"

namespace tavrin::overview {
namespace {

using testing::Time;

// Draws handwriting-like ink on the memo's page: lines of several widths
// and colours and a filled block, placed by `seed`.
void Write(MemoEntry& memo, int seed) {
    const auto context = platform::GetScreenContext()->CreateCompatibleContext();
    const auto bitmap = context->CreateCompatibleBitmap(kPageWidth, kPageHeight);
    platform::Bitmap* saved = context->SelectBitmap(bitmap.get());
    context->FillWhite({0, 0, kPageWidth, kPageHeight});
    for (int line = 0; line < 6; ++line) {
        const auto& color = PenPalette[static_cast<std::size_t>((seed + line) % 15)];
        const auto pen = platform::CreatePen(1 + line % 3, MakeColor(color.red, color.green, color.blue));
        platform::Pen* previous = context->SelectPen(pen.get());
        context->Line(10 + seed, 30 + 45 * line, 230 - line * 7, 50 + 40 * line + seed % 9);
        context->SelectPen(previous);
    }
    const auto brush = platform::CreateSolidBrush(MakeColor(0, 0, 255));
    context->FillRect({100 + seed % 50, 200, 137 + seed % 50, 233}, *brush);
    memo.page.Capture(*context, 0, 0, kPageWidth, kPageHeight);
    context->SelectBitmap(saved);
}

// A list of `count` written memos.
std::unique_ptr<MemoList> WrittenList(int count) {
    auto list = std::make_unique<MemoList>();
    for (int i = 0; i < count; ++i) {
        MemoEntry& memo = i == 0 ? *list->First() : *list->Append();
        memo.created = Time(2024, 3, 4, 9, i);
        Write(memo, i);
    }
    return list;
}

std::vector<const MemoEntry*> Entries(const MemoList& list) {
    std::vector<const MemoEntry*> entries;
    for (const MemoEntry* memo = list.First(); memo != nullptr; memo = list.NextOf(memo)) entries.push_back(memo);
    return entries;
}

TEST(ListedMemos, AllInTheListsOrderWithTheirPositions) {
    const auto list = WrittenList(4);
    const std::vector<const MemoEntry*> entries = Entries(*list);
    EXPECT_EQ(ListedMemos(*list, Filter::All),
              (std::vector<Item>{{entries[0], 1}, {entries[1], 2}, {entries[2], 3}, {entries[3], 4}}));
}

// Alarms compare by when they ring, across fields and years, to the
// millisecond; memos without one are left out; equal times keep the list's order.
TEST(ListedMemos, WithAlarmsTheEarliestFirst) {
    MemoList list;
    const SYSTEMTIME alarms[] = {
        Time(2031, 1, 1, 0, 0),               // 1: latest
        {},                                   // 2: none
        Time(2030, 12, 31, 23, 59, 59, 500),  // 3
        Time(2030, 12, 31, 23, 59, 59, 100),  // 4: earlier by milliseconds
        Time(2030, 2, 1, 8, 0),               // 5: earliest
        Time(2030, 12, 31, 23, 59, 59, 500),  // 6: same as 3
    };
    for (std::size_t i = 0; i < std::size(alarms); ++i) {
        MemoEntry& memo = i == 0 ? *list.First() : *list.Append();
        if (alarms[i].year != 0) memo.SetAlarm(static_cast<std::uint32_t>(i + 1), alarms[i]);
    }
    std::vector<std::uint16_t> positions;
    for (const Item& item : ListedMemos(list, Filter::WithAlarms)) positions.push_back(item.position);
    EXPECT_EQ(positions, (std::vector<std::uint16_t>{5, 4, 3, 6, 1}));
}

TEST(ListedMemos, WithAlarmsOfNoAlarmIsEmpty) {
    const auto list = WrittenList(3);
    EXPECT_TRUE(ListedMemos(*list, Filter::WithAlarms).empty());
}

TEST(Caption, PositionCreationAndAlarm) {
    MemoList list;
    list.First()->created = Time(2024, 3, 4, 9, 5);
    MemoEntry* withAlarm = list.Append();
    withAlarm->SetAlarm(3, Time(2024, 3, 5, 7, 30));
    const testing::FixedLocale locale(true, true);
    const Caption plain = CaptionOf({list.First(), 1}, 12, locale);
    EXPECT_EQ(plain.position, "1/12");
    EXPECT_EQ(plain.created, "time:x, date:x");
    EXPECT_EQ(plain.alarm, "");
    EXPECT_EQ(CaptionOf({withAlarm, 2}, 12, locale).alarm, "Alarm time:x, date:x");
    // Without the locale's texts, the fixed form.
    EXPECT_EQ(CaptionOf({withAlarm, 2}, 12, testing::FixedLocale(false, false)).alarm, "Alarm 07:30, 05-03-2024");
}

// Cells of 100 × 50 with gaps of 10: columns start at 10, 120, 230, ...;
// rows at 10, 70, 130, ...
constexpr CellMetrics kCell{100, 50, 10};

TEST(GridLayout, ColumnsAndSizeFollowTheWidth) {
    struct Case {
        std::int32_t width;
        std::size_t count;
        std::int32_t columns;
        std::size_t rows;
    };
    for (const Case c : {Case{339, 7, 2, 4}, Case{340, 7, 3, 3}, Case{50, 3, 1, 3}, Case{340, 0, 3, 0}}) {
        const GridLayout grid(c.width, kCell, c.count);
        EXPECT_EQ(grid.Columns(), c.columns) << c.width;
        EXPECT_EQ(grid.Rows(), c.rows) << c.width;
        EXPECT_EQ(grid.ContentHeight(), 10 + 60 * static_cast<std::int64_t>(c.rows)) << c.width;
    }
    const GridLayout grid(340, kCell, 7);
    EXPECT_EQ(grid.CellRect(4), (Rect{120, 70, 220, 120}));
    EXPECT_EQ(grid.ContentWidth(), 340);
    const GridLayout wider(400, kCell, 7);
    EXPECT_EQ(wider.CellRect(4), (Rect{150, 70, 250, 120})) << "the columns centred";
    EXPECT_EQ(wider.CellAt(151, 71), 4u);
    EXPECT_EQ(wider.CellAt(35, 20), std::nullopt) << "left of the first column";
}

// Only the rows a band of the view meets are painted: a band within a gap
// meets none, one pixel into a cell meets its row.
TEST(GridLayout, CellsMeetingABand) {
    const GridLayout grid(340, kCell, 65535);
    struct Case {
        std::int64_t top, bottom;
        std::size_t first, last;
    };
    for (const Case c : {Case{0, 10, 0, 0}, Case{0, 11, 0, 3}, Case{59, 71, 0, 6}, Case{60, 70, 3, 3},
                         Case{5, 300, 0, 15}, Case{60 * 21844, 60 * 21844 + 400, 65532, 65535}}) {
        EXPECT_EQ(grid.CellsMeeting(c.top, c.bottom), std::pair(c.first, c.last)) << c.top << ".." << c.bottom;
    }
}

TEST(GridLayout, CellUnderAPointGapsExcepted) {
    const GridLayout grid(340, kCell, 7);
    EXPECT_EQ(grid.CellAt(10, 10), 0u);
    EXPECT_EQ(grid.CellAt(219, 119), 4u);
    EXPECT_EQ(grid.CellAt(115, 20), std::nullopt) << "between two columns";
    EXPECT_EQ(grid.CellAt(20, 65), std::nullopt) << "between two rows";
    EXPECT_EQ(grid.CellAt(150, 140), std::nullopt) << "past the last cell";
    EXPECT_EQ(grid.CellAt(335, 20), std::nullopt) << "right of the last column";
}

TEST(GridLayout, ArrowsMoveWithinTheCells) {
    const GridLayout grid(340, kCell, 7);  // rows 0 1 2 / 3 4 5 / 6
    EXPECT_EQ(grid.Moved(2, 1, 0), 3u) << "right runs on to the next row";
    EXPECT_EQ(grid.Moved(0, -1, 0), 0u);
    EXPECT_EQ(grid.Moved(1, 0, 1), 4u);
    EXPECT_EQ(grid.Moved(5, 0, 1), 6u) << "down onto a short last row";
    EXPECT_EQ(grid.Moved(1, 0, -1), 0u);
    EXPECT_EQ(grid.Moved(6, 0, -5), 0u);
}

TEST(GridLayout, ScrollsJustEnoughToShowACell) {
    const GridLayout grid(340, kCell, 30);  // rows at 10, 70, 130, ...
    EXPECT_EQ(grid.TopShowing(4, 0, 200), 0) << "already shown";
    EXPECT_EQ(grid.TopShowing(12, 0, 200), 310 - 200) << "row 4 ends at 300, and a gap below it";
    EXPECT_EQ(grid.TopShowing(0, 500, 200), 0) << "the first row, with the gap above it";
    EXPECT_EQ(grid.TopShowing(9, 500, 200), 180) << "row 3 begins at 190";
}

// The thumbnail is the page averaged over the area each of its pixels
// covers, as worked out the plain way.
TEST(ThumbnailCache, ThumbnailIsThePageReducedByArea) {
    const auto list = WrittenList(2);
    ThumbnailCache cache(120, 1 << 20);
    for (const MemoEntry* memo : Entries(*list)) {
        const RgbImage& picture = cache.Get(*memo);
        ASSERT_EQ(picture.width, 90);
        ASSERT_EQ(picture.height, 120);
        const std::vector<testing::Rgb> expected = testing::ReducedByArea(memo->page, 90, 120);
        int mismatches = 0;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            for (std::size_t c = 0; c < 3; ++c) {
                if (std::abs(picture.pixels[i * 3 + c] - expected[i][c]) > 1) ++mismatches;
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(ThumbnailCache, MemoWithoutAPictureIsWhite) {
    MemoList list;
    ThumbnailCache cache(64, 1 << 20);
    const RgbImage& picture = cache.Get(*list.First());
    EXPECT_EQ(picture.width, 48);
    EXPECT_EQ(picture.height, 64);
    EXPECT_EQ(picture.pixels, std::vector<std::uint8_t>(48 * 64 * 3, 0xFF));
}

// Within its bound the cache drops the thumbnail used longest ago; a
// thumbnail found again counts as used.
TEST(ThumbnailCache, KeepsWithinItsBoundDroppingTheLeastRecentlyUsed) {
    const auto list = WrittenList(5);
    const std::vector<const MemoEntry*> memos = Entries(*list);
    constexpr std::size_t kThumbnail = 30 * 40 * 3;
    ThumbnailCache cache(40, 3 * kThumbnail);
    cache.Get(*memos[0]);
    cache.Get(*memos[1]);
    cache.Get(*memos[2]);
    EXPECT_EQ(cache.Bytes(), 3 * kThumbnail);
    ASSERT_NE(cache.Find(memos[0]), nullptr);
    cache.Get(*memos[3]);
    EXPECT_EQ(cache.Count(), 3u);
    EXPECT_EQ(cache.Bytes(), 3 * kThumbnail);
    EXPECT_EQ(cache.Find(memos[1]), nullptr) << "used longest ago";
    EXPECT_NE(cache.Find(memos[0]), nullptr);
    EXPECT_NE(cache.Find(memos[2]), nullptr);
    EXPECT_NE(cache.Find(memos[3]), nullptr);

    cache.MakeRoomFor(4);
    EXPECT_EQ(cache.ByteBound(), 4u * 40 * 40 * 3);
    cache.SetLongestSide(80);
    EXPECT_EQ(cache.Count(), 0u) << "a new size makes every thumbnail anew";
    EXPECT_EQ(cache.Bytes(), 0u);
}

// However short the time, every call makes at least one thumbnail, so that
// a view painting again and again gets through them all.
TEST(ThumbnailCache, MakesWithinABudgetAtLeastOne) {
    const auto list = WrittenList(4);
    const std::vector<const MemoEntry*> memos = Entries(*list);
    ThumbnailCache cache(120, 1 << 20);
    EXPECT_EQ(cache.MakeWithin(memos, std::chrono::steady_clock::duration::zero()), 3u);
    EXPECT_EQ(cache.Count(), 1u);
    EXPECT_NE(cache.Find(memos[0]), nullptr);
    EXPECT_EQ(cache.MakeWithin(memos, std::chrono::hours(1)), 0u);
    EXPECT_EQ(cache.Count(), 4u);
}

}  // namespace
}  // namespace tavrin::overview
