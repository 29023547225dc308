// The viewer's own behaviour, as both shells get it: the key table, the
// commands, the page move with its repaint rule, the canvas set-up and the
// paint pass, on the build's real backend.
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

#include "backend_probe.h"
#include "platform/drawing.h"
#include "store/memo_file.h"
#include "support/memo_lists.h"
#include "support/recording_window.h"
#include "support/scratch_folder.h"
#include "viewer/viewer.h"

namespace tavrin::viewer {
namespace {

using testing::ColorOf;

constexpr Color kBlack = MakeColor(0, 0, 0);
constexpr Color kWhite = MakeColor(0xFF, 0xFF, 0xFF);
constexpr Color kStripColor = MakeColor(0xD4, 0xD0, 0xC8);

using Points = std::initializer_list<std::pair<int, int>>;

// Memo k (1-based) is the palette color k with one black pixel at its
// top-left corner.
Color PageColor(int memo) { return ColorOf(PenPalette[static_cast<std::size_t>(memo)]); }

void DrawMarkedPage(MemoEntry& entry, Color color) {
    const auto context = platform::GetScreenContext()->CreateCompatibleContext();
    const auto bitmap = context->CreateCompatibleBitmap(240, 320);
    platform::Bitmap* previous = context->SelectBitmap(bitmap.get());
    context->FillRect({0, 0, 240, 320}, *platform::CreateSolidBrush(color));
    context->FillRect({0, 0, 1, 1}, *platform::CreateSolidBrush(kBlack));
    entry.page.Capture(*context, 0, 0, 240, 320);
    context->SelectBitmap(previous);
}

class RecordingShell : public ViewerShell {
public:
    void RepaintNow() override { ++repaints; }
    void ShowAbout() override { ++aboutBoxes; }
    void Close() override { ++closes; }
    void Quit() override { ++quits; }
    const MemoEntry* ChooseMemo() override { return chosenMemo; }

    const MemoEntry* chosenMemo = nullptr;
    int repaints = 0;
    int aboutBoxes = 0;
    int closes = 0;
    int quits = 0;
};

class ViewerTest : public ::testing::Test {
protected:
    // A viewer over a file of `count` memos with memo `current` (1-based)
    // shown; `adjust` changes the memos before the file is written.
    std::unique_ptr<Viewer> Open(std::uint32_t count, std::uint32_t current,
                                 const std::function<void(MemoList&)>& adjust = {}) {
        auto list = testing::MakeTaggedList(count, current);
        int memo = 1;
        for (MemoEntry* entry = list->First(); entry != nullptr; entry = list->NextOf(entry)) {
            DrawMarkedPage(*entry, PageColor(memo++));
        }
        if (adjust) adjust(*list);
        const std::string path = scratch_.PathOf("memo.dat");
        EXPECT_TRUE(MemoFile(platform::LocalFileSystem()).Save(*list, path));
        shell_ = RecordingShell();
        return std::make_unique<Viewer>(window_, shell_, path);
    }

    static int Position(Viewer& viewer) { return viewer.Canvas().List().CurrentIndex(); }

    testing::ScratchFolder scratch_;
    testing::RecordingWindow window_{{0, 0, kClientWidth, kClientHeight}};
    RecordingShell shell_;
};

struct KeyCase {
    const char* name;
    int key;
    int move;  // -1 back, +1 on, 0 none
    bool usedUp;
    bool quits;
};

const KeyCase kKeyCases[] = {
    {"Escape quits and is passed on", 27, 0, false, true},
    {"input-method key", 28, 0, false, false},
    {"Space", 32, 0, false, false},
    {"Page Up", 33, -1, true, false},
    {"Page Down", 34, +1, true, false},
    {"End", 35, 0, false, false},
    {"Home", 36, 0, false, false},
    {"Left", 37, -1, true, false},
    {"Up", 38, -1, true, false},
    {"Right", 39, +1, true, false},
    {"Down", 40, +1, true, false},
    {"below the table", 26, 0, false, false},
    {"above the table", 41, 0, false, false},
    {"a letter", 'N', 0, false, false},
    {"no key", 0, 0, false, false},
    {"negative", -1, 0, false, false},
};

TEST_F(ViewerTest, EveryKeyOfTheTableAndNoOther) {
    for (const KeyCase& key : kKeyCases) {
        SCOPED_TRACE(key.name);
        const auto viewer = Open(3, 2);
        EXPECT_EQ(viewer->PressKey(key.key), key.usedUp);
        EXPECT_EQ(Position(*viewer), 2 + key.move);
        EXPECT_EQ(shell_.repaints, key.move != 0 ? 1 : 0);
        EXPECT_EQ(shell_.quits, key.quits ? 1 : 0);
        EXPECT_EQ(shell_.aboutBoxes + shell_.closes, 0);
    }
}

TEST_F(ViewerTest, AtTheEndsPagingChangesNothingAndPaintsNothing) {
    const auto viewer = Open(2, 1);
    for (const int key : {kKeyPageUp, kKeyLeft, kKeyUp}) EXPECT_TRUE(viewer->PressKey(key));
    EXPECT_TRUE(viewer->RunCommand(IDM_PREVIOUS));
    EXPECT_EQ(Position(*viewer), 1);
    EXPECT_EQ(shell_.repaints, 0);

    EXPECT_TRUE(viewer->RunCommand(IDM_NEXT));
    EXPECT_EQ(Position(*viewer), 2);
    EXPECT_EQ(shell_.repaints, 1);
    for (const int key : {kKeyPageDown, kKeyRight, kKeyDown}) EXPECT_TRUE(viewer->PressKey(key));
    EXPECT_TRUE(viewer->RunCommand(IDM_NEXT));
    EXPECT_EQ(Position(*viewer), 2);
    EXPECT_EQ(shell_.repaints, 1);
}

// The overview's choice is shown at once; no choice, or the memo shown,
// paints nothing.
TEST_F(ViewerTest, OverviewShowsTheMemoChosen) {
    const auto viewer = Open(3, 1);
    EXPECT_TRUE(viewer->RunCommand(IDM_OVERVIEW));
    EXPECT_EQ(shell_.repaints, 0);
    shell_.chosenMemo = viewer->Canvas().List().First();
    EXPECT_TRUE(viewer->RunCommand(IDM_OVERVIEW));
    EXPECT_EQ(shell_.repaints, 0) << "already shown";
    shell_.chosenMemo = viewer->Canvas().List().Last();
    EXPECT_TRUE(viewer->RunCommand(IDM_OVERVIEW));
    EXPECT_EQ(Position(*viewer), 3);
    EXPECT_EQ(shell_.repaints, 1);
}

TEST_F(ViewerTest, CommandsOfTheMenuAndAccelerators) {
    const auto viewer = Open(3, 2);
    EXPECT_TRUE(viewer->RunCommand(IDM_ABOUT));
    EXPECT_EQ(shell_.aboutBoxes, 1);
    EXPECT_TRUE(viewer->RunCommand(IDM_EXIT));
    EXPECT_EQ(shell_.closes, 1);
    EXPECT_TRUE(viewer->RunCommand(IDM_PREVIOUS));
    EXPECT_EQ(Position(*viewer), 1);
    EXPECT_EQ(shell_.repaints, 1);
    // Other commands are left to the toolkit.
    for (const int other : {0, 103, 106, 32770, 32773}) EXPECT_FALSE(viewer->RunCommand(other));
    EXPECT_EQ(Position(*viewer), 1);
    EXPECT_EQ(shell_.aboutBoxes + shell_.closes + shell_.repaints + shell_.quits, 3);
}

TEST_F(ViewerTest, TheTitleShowsTheAlarmOfTheMemoShownBeforeTheViewersName) {
    const auto viewer = Open(2, 1, [](MemoList& list) {
        list.First()->SetAlarm(7, SYSTEMTIME{2031, 12, 3, 31, 21, 30, 0, 0});
        list.Last()->alarmHandle = 0;
    });
    ASSERT_EQ(window_.titles.size(), 1u);
    EXPECT_EQ(window_.titles[0].front(), '[');
    EXPECT_TRUE(window_.titles[0].ends_with("] TavrinView")) << window_.titles[0];
    viewer->PressKey(kKeyRight);
    EXPECT_EQ(window_.titles.back(), "TavrinView");
    EXPECT_TRUE(window_.messages.empty());
}

TEST_F(ViewerTest, AWrongMagicGivesTheViewersOwnWarningAndOneBlankMemo) {
    const std::string path = scratch_.PathOf("corrupted.dat");
    testing::ScratchFolder::WriteFile(path, {'T', 'a', 'v', 'r', 'i', 'n', '0', '3', 1, 0, 0, 0});
    const Viewer viewer(window_, shell_, path);
    ASSERT_EQ(window_.messages.size(), 1u);
    EXPECT_EQ(window_.messages[0].text, "Tavrin data file is corrupted.");
    EXPECT_EQ(window_.messages[0].caption, "Warning");
    EXPECT_EQ(window_.messages[0].icon, platform::MessageIcon::Warning);
    EXPECT_EQ(window_.titles.back(), "TavrinView");
}

// A full paint: the strip in the window's color, the black frame around the
// page, and window pixel (x, y) showing page pixel (x - 1, y - 18).
TEST_F(ViewerTest, PaintsTheStripTheFrameAndThePageInsideIt) {
    // Without a creation time only the counter is drawn, at the right.
    const auto viewer = Open(3, 2, [](MemoList& list) {
        for (MemoEntry* entry = list.First(); entry != nullptr; entry = list.NextOf(entry)) {
            entry->created = SYSTEMTIME{};
        }
    });
    platform::probe::PaintEvent paint(kClientWidth, kClientHeight);
    viewer->Paint(paint.Context(), {0, 0, kClientWidth, kClientHeight}, kStripColor);
    paint.End();

    for (int y = 0; y < kStripHeight; ++y) {
        for (int x = 0; x < 150; ++x) ASSERT_EQ(paint.At(x, y), kStripColor) << x << ", " << y;
    }
    for (const auto& [x, y] : Points{{0, 17}, {120, 17}, {241, 17}, {0, 200}, {0, 338}}) {
        EXPECT_EQ(paint.At(x, y), kBlack) << x << ", " << y;
    }
    EXPECT_EQ(paint.At(1, 18), kBlack);  // the page's marker
    for (const auto& [x, y] : Points{{2, 18}, {1, 19}, {120, 200}, {240, 337}}) {
        EXPECT_EQ(paint.At(x, y), PageColor(2)) << x << ", " << y;
    }
}

// Part of the window: only that part of the page is copied, from the same
// place of the surface; the strip and the frame are drawn whole.
TEST_F(ViewerTest, PaintsOnlyTheUpdateRectangleOfThePage) {
    const auto viewer = Open(3, 2);
    platform::probe::PaintEvent paint(kClientWidth, kClientHeight);
    viewer->Paint(paint.Context(), {10, 20, 30, 40}, kStripColor);
    paint.End();

    for (const auto& [x, y] : Points{{11, 38}, {30, 57}}) {
        EXPECT_EQ(paint.At(x, y), PageColor(2)) << x << ", " << y;
    }
    for (const auto& [x, y] : Points{{10, 38}, {31, 38}, {11, 37}, {11, 58}, {1, 19}}) {
        EXPECT_EQ(paint.At(x, y), kWhite) << x << ", " << y;
    }
    EXPECT_EQ(paint.At(0, 17), kBlack);
    EXPECT_EQ(paint.At(0, 338), kBlack);
    EXPECT_EQ(paint.At(200, 16), kStripColor);
}

// A list whose memos were made at the given seconds of one minute, the memo
// at `current` (1-based) current.
std::unique_ptr<MemoList> MadeAt(std::initializer_list<std::uint16_t> seconds, std::uint16_t current) {
    auto list = testing::MakeTaggedList(static_cast<std::uint32_t>(seconds.size()), current);
    auto second = seconds.begin();
    for (MemoEntry* entry = list->First(); entry != nullptr; entry = list->NextOf(entry)) {
        entry->created = SYSTEMTIME{2024, 3, 4, 12, 10, 5, *second++, 250};
    }
    return list;
}

TEST(PositionAfterReloadTest, TheSameMemoWhereItIsNowElseTheNearestPosition) {
    const struct {
        const char* label;
        std::initializer_list<std::uint16_t> before;
        std::uint16_t shown;
        std::initializer_list<std::uint16_t> after;
        std::uint16_t expected;
    } cases[] = {
        {"a memo added before it", {1, 2, 3}, 2, {0, 1, 2, 3}, 3},
        {"a memo deleted before it", {1, 2, 3}, 3, {2, 3}, 2},
        {"the order changed", {1, 2, 3}, 1, {3, 2, 1}, 3},
        {"twins made at one moment: the same of them", {1, 5, 5, 7}, 3, {0, 5, 5}, 3},
        {"the second twin gone", {5, 5}, 2, {5}, 1},
        {"gone: its position", {1, 2, 3}, 2, {1, 3, 4}, 2},
        {"gone from a shorter list: the last", {1, 2, 3}, 3, {1, 2}, 2},
        {"everything else gone", {1, 2, 3}, 2, {9}, 1},
    };
    for (const auto& reload : cases) {
        SCOPED_TRACE(reload.label);
        EXPECT_EQ(PositionAfterReload(*MadeAt(reload.before, reload.shown), *MadeAt(reload.after, 1)),
                  reload.expected);
    }
}

// The day of the week follows from the date: a writer that leaves it out
// still names the same memo.
TEST(PositionAfterReloadTest, TheDayOfTheWeekIsNotPartOfTheMemosName) {
    const auto before = MadeAt({1, 2, 3}, 2);
    const auto after = MadeAt({0, 1, 2, 3}, 1);
    for (MemoEntry* entry = after->First(); entry != nullptr; entry = after->NextOf(entry)) {
        entry->created.dayOfWeek = 1;
    }
    EXPECT_EQ(PositionAfterReload(*before, *after), 3);
}

}  // namespace
}  // namespace tavrin::viewer
