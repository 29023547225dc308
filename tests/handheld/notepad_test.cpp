// The notepad's shared behaviour on the build's drawing backend, with a shell
// that records what it was asked, a recording service and a clock that
// stands still.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <optional>
#include <string>
#include <vector>

#include "handheld/menus.h"
#include "handheld/notepad.h"
#include "handheld/notepad_commands.h"
#include "platform/drawing.h"
#include "store/allocation.h"
#include "store/memo_file.h"
#include "support/calendar_time.h"
#include "support/failing_file_system.h"
#include "support/failing_new.h"
#include "support/fixed_clock.h"
#include "support/fixed_locale.h"
#include "support/memo_sketch.h"
#include "support/page_pixels.h"
#include "support/recording_notifications.h"
#include "support/recording_window.h"
#include "support/scratch_folder.h"

using namespace tavrin;
using namespace tavrin::handheld;
namespace tt = tavrin::testing;

namespace {

class RecordingShell : public NotepadShell {
public:
    void RepaintNow(const Rect& box) override { repainted.push_back(box); }
    bool Confirm(const std::string& question, const std::string& caption) override {
        questions.push_back(caption + ": " + question);
        WhileOpen();
        return answerYes;
    }
    void ShowAbout() override {
        ++abouts;
        WhileOpen();
    }
    void RunSetTimeDialog() override {
        ++dialogs;
        WhileOpen();
    }
    void Close() override { ++closes; }
    void CaptureStylus() override { captured = true; }
    void ReleaseStylus() override { captured = false; }
    void StartTimer(NotepadTimer timer, int milliseconds) override { timers.emplace_back(timer, milliseconds); }
    void PostToUiThread(std::function<void()> task) override {
        const std::lock_guard lock(postedUse);
        posted.push_back(std::move(task));
    }
    bool AskRetry(const std::string& text, const std::string&) override {
        retryQuestions.push_back(text);
        WhileOpen();
        return retries-- > 0;
    }
    EndChoice AskHowToEnd(const std::string& text, const std::string&) override {
        endQuestions.push_back(text);
        return endChoice;
    }
    std::optional<std::string> ChooseFileToSave(const std::string&) override { return chosenFile; }
    const MemoEntry* ChooseMemo() override {
        ++overviews;
        WhileOpen();
        return chosenMemo;
    }

    // Runs what the saving thread posted, as the window's event loop would.
    int RunPosted() {
        std::vector<std::function<void()>> tasks;
        {
            const std::lock_guard lock(postedUse);
            tasks.swap(posted);
        }
        for (const auto& task : tasks) task();
        return static_cast<int>(tasks.size());
    }
    // Waits for the saving thread's word, then runs it.
    bool RunPostedOnceThere() {
        for (int tries = 0; tries < 1000; ++tries) {
            if (RunPosted() > 0) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    // What a toolkit's nested loop delivers while a dialog is open.
    void WhileOpen() {
        if (duringDialog) duringDialog();
    }

    std::vector<Rect> repainted;
    std::vector<std::string> questions;
    bool answerYes = true;
    int abouts = 0;
    int dialogs = 0;
    int overviews = 0;
    const MemoEntry* chosenMemo = nullptr;
    int closes = 0;
    bool captured = false;
    std::vector<std::pair<NotepadTimer, int>> timers;
    std::mutex postedUse;
    std::vector<std::function<void()>> posted;
    int retries = 0;
    std::vector<std::string> retryQuestions;
    EndChoice endChoice = EndChoice::StayOpen;
    std::vector<std::string> endQuestions;
    std::optional<std::string> chosenFile;
    std::function<void()> duringDialog;
};

constexpr Rect kWholeWindow{0, 0, kPageWidth, kPageHeight};

bool HasInk(const tt::PagePixels& pixels, const Rect& area) {
    for (std::int32_t y = area.top; y < area.bottom; ++y) {
        for (std::int32_t x = area.left; x < area.right; ++x) {
            if (pixels.IndexAt(x, y) != tt::kWhiteIndex) return true;
        }
    }
    return false;
}

class NotepadTest : public ::testing::Test {
protected:
    NotepadTest() { clock.now = tt::Time(2026, 12, 10, 9, 30, 0, 0); }

    // A notepad over a file of `count` memos, the first one current.
    Notepad& Open(std::uint16_t count = 1, bool alarmStart = false) {
        if (count > 0) WriteMemos(count);
        notepad.emplace(NotepadSetup{.window = window,
                                     .shell = shell,
                                     .notifications = notifications,
                                     .programPath = "/opt/tavrin/tavrin",
                                     .dataPath = dataPath,
                                     .alarmStart = alarmStart,
                                     .clock = &clock,
                                     .files = files,
                                     .locale = &locale,
                                     .rescueFolder = scratch.PathOf("rescue")});
        shell.repainted.clear();
        return *notepad;
    }

    void WriteMemos(std::uint16_t count, std::uint32_t alarmHandle = 0) {
        MemoList list(clock);
        for (std::uint16_t i = 1; i < count; ++i) list.Append();
        if (alarmHandle != 0) {
            notifications.held.insert(alarmHandle);
            list.Last()->SetAlarm(alarmHandle, clock.now);
        }
        list.Rewind();
        ASSERT_TRUE(MemoFile(platform::LocalFileSystem()).Save(list, dataPath));
    }

    std::filesystem::file_time_type Written() const {
        return std::filesystem::last_write_time(dataPath);
    }
    std::unique_ptr<MemoList> ReadBack() const {
        auto list = std::make_unique<MemoList>(clock);
        MemoFile(platform::LocalFileSystem()).Load(*list, dataPath);
        return list;
    }

    tt::ScratchFolder scratch;
    std::string dataPath = scratch.PathOf("tavrin.dat");
    tt::RecordingWindow window;
    RecordingShell shell;
    tt::RecordingNotifications notifications;
    tt::FixedClock clock;
    const tt::FixedLocale locale{false, false};
    platform::FileSystem* files = nullptr;  // none: the local file system
    std::optional<Notepad> notepad;
};

TEST_F(NotepadTest, PageCommandsMoveThroughTheListAndRepaintTheWholeWindow) {
    struct Case {
        const char* name;
        int command;
        bool answerYes;
        std::uint16_t countAfter;
        std::uint16_t positionAfter;
        bool repaints;
    };
    // Three memos, the second current.
    const Case cases[] = {
        {"create new page at the end", IDM_NEW_PAGE, true, 4, 4, true},
        {"insert new before the current", IDM_INSERT_NEW, true, 4, 2, true},
        {"delete, answered Yes", IDM_DELETE_PAGE, true, 2, 2, true},
        {"delete, answered No", IDM_DELETE_PAGE, false, 3, 2, false},
        {"previous page", IDM_PREVIOUS_PAGE, true, 3, 1, true},
        {"next page", IDM_NEXT_PAGE, true, 3, 3, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Notepad& pad = Open(3);
        pad.RunCommand(IDM_NEXT_PAGE);
        shell.repainted.clear();
        shell.answerYes = c.answerYes;

        EXPECT_TRUE(pad.RunCommand(c.command));
        EXPECT_EQ(pad.Canvas().List().Count(), c.countAfter);
        EXPECT_EQ(pad.Canvas().List().CurrentIndex(), c.positionAfter);
        EXPECT_EQ(shell.repainted, c.repaints ? std::vector<Rect>{kWholeWindow} : std::vector<Rect>{});
    }
}

TEST_F(NotepadTest, DeleteAsksFirstAndSavesNothingBeforeIt) {
    Notepad& pad = Open(2);
    pad.StylusDown(50, 50);
    const auto before = Written();
    shell.answerYes = false;
    pad.RunCommand(IDM_DELETE_PAGE);
    EXPECT_EQ(shell.questions,
              std::vector<std::string>{"Delete: Do you really want to delete this memo?"});
    EXPECT_EQ(Written(), before);
    EXPECT_EQ(pad.Canvas().List().Count(), 2);
}

TEST_F(NotepadTest, PageMovesAndNewPagesSaveADrawnPageFirst) {
    for (const int command : {IDM_NEXT_PAGE, IDM_PREVIOUS_PAGE, IDM_NEW_PAGE, IDM_INSERT_NEW, IDM_SAVE}) {
        SCOPED_TRACE(command);
        Notepad& pad = Open(2);
        pad.StylusDown(60, 70);
        pad.RunCommand(command);
        const auto saved = ReadBack();
        EXPECT_EQ(saved->Count(), 2);
        EXPECT_EQ(tt::IndexAt(saved->First()->page, 60, 70), 0) << "the black dot is in the file";
    }
}

// The memo chosen in the overview is shown as a page move shows it: the
// page on screen is stored first (the overview shows it so), then saved.
TEST_F(NotepadTest, TheOverviewShowsTheMemoChosen) {
    Notepad& pad = Open(3);
    pad.StylusDown(60, 70);
    shell.chosenMemo = pad.Canvas().List().Last();
    shell.duringDialog = [&] {
        EXPECT_EQ(tt::IndexAt(pad.Canvas().List().First()->page, 60, 70), 0) << "stored before the overview";
    };
    shell.repainted.clear();
    EXPECT_TRUE(pad.RunCommand(IDM_OVERVIEW));
    EXPECT_EQ(shell.overviews, 1);
    EXPECT_EQ(pad.Canvas().List().CurrentIndex(), 3);
    EXPECT_EQ(shell.repainted, (std::vector<Rect>{{0, 0, kPageWidth, kPageHeight}}));
    const auto saved = ReadBack();
    EXPECT_EQ(tt::IndexAt(saved->First()->page, 60, 70), 0) << "the black dot is in the file";
    EXPECT_EQ(saved->CurrentIndex(), 3);

    // Nothing chosen, or the memo shown: nothing moves or repaints.
    for (const MemoEntry* choice : std::vector<const MemoEntry*>{nullptr, pad.Canvas().List().Current()}) {
        shell.chosenMemo = choice;
        shell.repainted.clear();
        EXPECT_TRUE(pad.RunCommand(IDM_OVERVIEW));
        EXPECT_EQ(pad.Canvas().List().CurrentIndex(), 3);
        EXPECT_TRUE(shell.repainted.empty());
    }
    shell.duringDialog = nullptr;
}

TEST_F(NotepadTest, AMoveThatCantMoveSavesNothingNewAndRepaintsNothing) {
    Notepad& pad = Open(2);
    const auto before = Written();
    EXPECT_TRUE(pad.PressKey(kKeyLeft));
    EXPECT_EQ(pad.Canvas().List().CurrentIndex(), 1);
    EXPECT_TRUE(shell.repainted.empty());
    EXPECT_EQ(Written(), before);
}

// Far less than a page's pixel bytes, which storing the page shown needs.
constexpr std::size_t kNoRoomForAPage = 1'000;

// The page drawn on can't be stored: every save moment that leaves it (page
// moves, new pages, an alarm start or a notification's "Open" that would show
// another memo) is refused with one "Not enough memory", writes nothing and
// keeps the page on screen; Save and the autosave say why they failed. With
// memory back, each works and the dot is saved.
TEST_F(NotepadTest, SaveMomentsThatCantStoreThePageAreRefusedOnce) {
    struct Case {
        const char* name;
        std::function<void(Notepad&)> act;
        const char* message;  // the start of the one message
        bool onSaverThread = false;
    };
    const std::string couldNotSave = "Could not save " + dataPath + ": not enough memory to store the page shown";
    // Every memo is made at the clock's time, the alarm due then too.
    const std::string dueKey = AlarmKeyText({clock.now, clock.now});
    const Case cases[] = {
        {"previous page", [](Notepad& pad) { pad.RunCommand(IDM_PREVIOUS_PAGE); }, "Not enough memory"},
        {"next page", [](Notepad& pad) { pad.PressKey(kKeyRight); }, "Not enough memory"},
        {"create new page", [](Notepad& pad) { pad.RunCommand(IDM_NEW_PAGE); }, "Not enough memory"},
        {"insert new", [](Notepad& pad) { pad.RunCommand(IDM_INSERT_NEW); }, "Not enough memory"},
        {"alarm start", [](Notepad& pad) { pad.AlarmStart(); }, "Not enough memory"},
        {"open", [&dueKey](Notepad& pad) { pad.OpenMemo(dueKey); }, "Not enough memory"},
        {"save", [](Notepad& pad) { pad.RunCommand(IDM_SAVE); }, couldNotSave.c_str()},
        {"autosave", [](Notepad& pad) { pad.FocusLost(); }, couldNotSave.c_str(), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteMemos(3, 7);  // the last memo's alarm is due now
        Notepad& pad = Open(0);
        pad.RunCommand(IDM_NEXT_PAGE);
        pad.StylusDown(60, 70);
        const std::vector<std::uint8_t> before = tt::ScratchFolder::ReadFile(dataPath);
        window.messages.clear();
        shell.repainted.clear();
        {
            const AllocationLimitForTesting limit(kNoRoomForAPage);
            c.act(pad);
        }
        ASSERT_EQ(window.messages.size(), 1U);
        EXPECT_EQ(window.messages[0].text.rfind(c.message, 0), 0U) << window.messages[0].text;
        EXPECT_EQ(window.messages[0].caption, "Error");
        EXPECT_EQ(window.messages[0].icon, platform::MessageIcon::Error);
        EXPECT_EQ(pad.Canvas().List().Count(), 3);
        EXPECT_EQ(pad.Canvas().List().CurrentIndex(), 2);
        EXPECT_EQ(pad.Canvas().List().Last()->alarmHandle, 7U);
        EXPECT_TRUE(shell.repainted.empty());
        EXPECT_TRUE(pad.Canvas().Changed());
        EXPECT_EQ(tt::ScratchFolder::ReadFile(dataPath), before);

        c.act(pad);
        if (c.onSaverThread) {
            ASSERT_TRUE(shell.RunPostedOnceThere());
        }
        const auto saved = ReadBack();
        EXPECT_EQ(tt::IndexAt(saved->NextOf(saved->First())->page, 60, 70), 0) << "the dot is in the file";
    }
}

// The memo can't give way to a blank one: it stays, with its alarm, and the
// user is told rather than shown a delete that did not happen.
TEST_F(NotepadTest, ADeleteThatFailsKeepsTheMemoAndItsAlarm) {
    WriteMemos(1, 7);
    Notepad& pad = Open(0);
    {
        const tt::NothrowNewFails noMemory;
        pad.RunCommand(IDM_DELETE_PAGE);
    }
    ASSERT_EQ(window.messages.size(), 1U);
    EXPECT_EQ(window.messages[0].text, "Not enough memory");
    EXPECT_TRUE(notifications.removed.empty());
    EXPECT_EQ(pad.Canvas().List().Current()->alarmHandle, 7U);
    EXPECT_FALSE(pad.Canvas().Changed());
}

TEST_F(NotepadTest, ArrowKeysPageAndOtherKeysGoOn) {
    struct Case {
        int key;
        bool handled;
        std::uint16_t positionAfter;  // from the second of three memos
    };
    const Case cases[] = {
        {kKeyLeft, true, 1}, {kKeyUp, true, 1}, {kKeyRight, true, 3}, {kKeyDown, true, 3},
        {36 /* Home */, false, 2}, {27 /* Escape */, false, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        Notepad& pad = Open(3);
        pad.Canvas().NextPage();
        EXPECT_EQ(pad.PressKey(c.key), c.handled);
        EXPECT_EQ(pad.Canvas().List().CurrentIndex(), c.positionAfter);
    }
}

TEST_F(NotepadTest, PenAndColorCommandsSetThePenOnly) {
    Notepad& pad = Open();
    for (const PenChoice& pen : kPenChoices) {
        EXPECT_TRUE(pad.RunCommand(pen.command));
        EXPECT_EQ(pad.Canvas().PenWidth(), pen.width) << pen.label;
    }
    for (const ColorChoice& choice : kColorChoices) {
        EXPECT_TRUE(pad.RunCommand(choice.command));
        EXPECT_EQ(pad.Canvas().PenColor(), choice.color) << choice.label;
    }
    EXPECT_EQ(pad.RunCommand(IDM_RED) && pad.Canvas().PenColor() == 0x0000FF, true);
    EXPECT_FALSE(pad.Canvas().Changed());
    EXPECT_TRUE(shell.repainted.empty());
}

TEST_F(NotepadTest, DropDownButtonsAndUnknownIdsAreNotHandled) {
    Notepad& pad = Open();
    for (const int command : {IDM_TOOLS_MENU, IDM_ALARM_MENU, IDM_PEN_MENU, IDM_COLOR_MENU, 40080, 0}) {
        EXPECT_FALSE(pad.RunCommand(command)) << command;
    }
    EXPECT_EQ(shell.closes + shell.abouts + shell.dialogs, 0);
}

TEST_F(NotepadTest, ShellCommandsReachTheShell) {
    Notepad& pad = Open();
    pad.RunCommand(IDM_ABOUT);
    pad.RunCommand(IDM_SET_TIME);
    pad.RunCommand(IDM_EXIT);
    pad.RunCommand(IDM_EXIT_KEY);
    EXPECT_EQ(shell.abouts, 1);
    EXPECT_EQ(shell.dialogs, 1);
    EXPECT_EQ(shell.closes, 2);
}

TEST_F(NotepadTest, QuickAlarmsGoToTheServiceForTheWholeRange) {
    Notepad& pad = Open();
    EXPECT_TRUE(pad.RunCommand(40017));  // "2 minutes"
    ASSERT_EQ(notifications.set.size(), 1U);
    EXPECT_EQ(notifications.set[0].trigger.startTime, tt::Time(2026, 12, 10, 9, 32, 0, 0));
    EXPECT_TRUE(pad.RunCommand(40028)) << "an id without an item is handled and sets nothing";
    EXPECT_EQ(notifications.set.size(), 1U);
}

TEST_F(NotepadTest, StrokesRepaintTheBoxAroundTheirNewestSegmentCutToThePage) {
    struct Case {
        const char* name;
        std::vector<Point> stroke;  // down, then moves
        std::vector<Rect> repainted;
    };
    const Case cases[] = {
        {"a tap marks one pixel down", {{120, 150}}, {{110, 140, 130, 161}}},
        {"near the corner", {{3, 4}, {5, 6}}, {{0, 0, 13, 15}, {0, 0, 15, 16}}},
        {"near the far corner", {{235, 315}}, {{225, 305, 240, 320}}},
        {"above the window runs along the top row", {{20, 5}, {40, -30}}, {{10, 0, 30, 16}, {10, 0, 50, 16}}},
        {"left of the window stays left", {{5, 50}, {-40, 60}}, {{0, 40, 15, 61}, {0, 41, 15, 70}}},
        {"a move to the last point draws nothing", {{70, 80}, {70, 81}}, {{60, 70, 80, 91}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Notepad& pad = Open();
        pad.RunCommand(IDM_PEN_WIDTH_1);
        pad.StylusDown(c.stroke[0].x, c.stroke[0].y);
        EXPECT_TRUE(shell.captured);
        for (std::size_t i = 1; i < c.stroke.size(); ++i) pad.StylusMove(c.stroke[i].x, c.stroke[i].y);
        pad.StylusUp(0, 0);
        EXPECT_FALSE(shell.captured);
        EXPECT_EQ(shell.repainted, c.repainted);
    }
}

TEST_F(NotepadTest, InkFollowsTheStylusAndStopsAtItsRelease) {
    Notepad& pad = Open();
    pad.RunCommand(IDM_PEN_WIDTH_1);
    pad.StylusDown(20, 5);
    pad.StylusMove(40, -30);
    pad.StylusMove(60, 200);
    // Back up a little: the far corner is then also the first point of a
    // segment, which every backend draws (GDI's one-pixel lines leave out
    // their last point, Qt's don't).
    pad.StylusMove(60, 190);
    pad.StylusUp(100, 200);
    pad.StylusMove(200, 300);  // the stylus is up: nothing is drawn
    pad.Canvas().StorePage();
    EXPECT_EQ(tt::InkBounds(pad.Canvas().List().Current()->page), (Rect{20, 0, 61, 201}));
    EXPECT_EQ(tt::IndexAt(pad.Canvas().List().Current()->page, 40, 0), 0) << "the top row is inked";
}

TEST_F(NotepadTest, PaintDrawsTheStatusTextsOnlyWhereTheUpdateReachesThem) {
    struct Case {
        const char* name;
        Rect update;
        bool createdText;
        bool counterText;
    };
    const Case cases[] = {
        {"the whole window", kWholeWindow, true, true},
        {"top left", {0, 0, 60, 14}, true, false},
        {"top right", {210, 10, 240, 30}, false, true},
        {"top middle", {100, 0, 200, 15}, false, false},
        {"below the strip", {0, 15, 240, 320}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Notepad& pad = Open(3);
        auto target = platform::GetScreenContext()->CreateCompatibleContext();
        auto bitmap = target->CreateCompatibleBitmap(kPageWidth, kPageHeight);
        platform::Bitmap* saved = target->SelectBitmap(bitmap.get());
        target->FillWhite(kWholeWindow);
        pad.Paint(*target, c.update);
        PageImage shown;
        shown.Capture(*target, 0, 0, kPageWidth, kPageHeight);
        const tt::PagePixels pixels(shown);
        EXPECT_EQ(HasInk(pixels, {0, 0, kCreatedTextEnd, kStatusRows}), c.createdText);
        EXPECT_EQ(HasInk(pixels, {kCounterTextStart, 0, kPageWidth, kStatusRows}), c.counterText);
        target->SelectBitmap(saved);
    }
}

TEST_F(NotepadTest, MinimisingSavesOnlyAChangedPage) {
    Notepad& pad = Open();
    const auto before = Written();
    pad.Minimised();
    EXPECT_EQ(Written(), before);
    pad.StylusDown(10, 20);
    pad.Minimised();
    EXPECT_EQ(tt::IndexAt(ReadBack()->First()->page, 10, 20), 0);
}

TEST_F(NotepadTest, ExitRunsTheWakeUpPassAndWritesTheFileEvenUnchanged) {
    Notepad& pad = Open();
    std::filesystem::remove(dataPath);
    EXPECT_TRUE(pad.SaveAtExit());
    EXPECT_TRUE(std::filesystem::exists(dataPath));
    EXPECT_EQ(notifications.acknowledged, std::vector<std::string>{"/opt/tavrin/tavrin"});
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(NotepadTest, AFailedSaveIsToldOnceAndKeepsTheMemos) {
    Notepad& pad = Open();
    std::filesystem::remove(dataPath);
    std::filesystem::create_directory(dataPath);  // a folder where the file should be
    pad.StylusDown(10, 20);
    pad.RunCommand(IDM_SAVE);
    pad.StylusDown(30, 40);
    pad.RunCommand(IDM_NEW_PAGE);
    ASSERT_EQ(window.messages.size(), 1U);
    EXPECT_EQ(window.messages[0].caption, "Error");
    EXPECT_NE(window.messages[0].text.find("Could not save " + dataPath), std::string::npos);
    EXPECT_EQ(pad.Canvas().List().Count(), 2);
    EXPECT_TRUE(pad.Canvas().Changed());
}

// A folder that refuses to sync after the new file is in place (some network
// and FUSE file systems do, every time) leaves the memos saved: a warning,
// told once, and nothing left to save.
TEST_F(NotepadTest, AFolderThatRefusesToSyncIsAWarningToldOnce) {
    WriteMemos(1);
    tt::FailingFileSystem refusing;
    refusing.RefuseFolderSync();
    Notepad pad(NotepadSetup{.window = window,
                             .shell = shell,
                             .notifications = notifications,
                             .programPath = "/opt/tavrin/tavrin",
                             .dataPath = dataPath,
                             .clock = &clock,
                             .files = &refusing,
                             .locale = &locale});
    pad.StylusDown(10, 20);
    pad.RunCommand(IDM_SAVE);
    EXPECT_FALSE(pad.Canvas().Changed());
    EXPECT_EQ(tt::IndexAt(ReadBack()->First()->page, 10, 20), 0);
    pad.StylusDown(30, 40);
    pad.RunCommand(IDM_NEW_PAGE);
    EXPECT_TRUE(pad.SaveAtExit());
    ASSERT_EQ(window.messages.size(), 1U);
    EXPECT_EQ(window.messages[0].caption, "Warning");
    EXPECT_EQ(window.messages[0].icon, platform::MessageIcon::Warning);
    EXPECT_EQ(window.messages[0].text,
              "The memos were saved to " + dataPath + ", but its folder could not be synced (" +
                  tt::FailingFileSystem::kFolderSyncRefused +
                  "), so the save may not survive a power failure");
    EXPECT_EQ(ReadBack()->Count(), 2);
}

// However many ways the end comes (the close button, Ctrl+Q, the end of the
// event loop, the session's end, a signal), the memos are written once, and
// a failure is told once.
TEST_F(NotepadTest, AnExitThatCantWriteTheFileSavesBesideItOnce) {
    Notepad& pad = Open();
    std::filesystem::remove(dataPath);
    std::filesystem::create_directory(dataPath);  // in the way of the new file
    pad.StylusDown(10, 20);
    EXPECT_TRUE(pad.SaveAtExit(Ending::Asked));
    EXPECT_TRUE(pad.SaveAtExit(Ending::Unattended));
    EXPECT_TRUE(pad.SaveAtExit(Ending::Asked));
    ASSERT_EQ(window.messages.size(), 1U);
    EXPECT_NE(window.messages[0].text.find(dataPath + ".saved-1 instead"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dataPath + ".saved-2"));
    MemoList beside(clock);
    MemoFile(platform::LocalFileSystem()).Load(beside, dataPath + ".saved-1");
    EXPECT_EQ(tt::IndexAt(beside.First()->page, 10, 20), 0);
}

// Neither the file nor its folder can be written: the user picks another
// file, quits knowing what is lost, or stays with the window. Nobody can
// answer at a session's end: a rescue copy goes to the user's own folder.
TEST_F(NotepadTest, AnExitThatCanWriteNothingAsksWhatToDo) {
    struct Case {
        const char* name;
        Ending ending;
        EndChoice choice;
        bool chooses;  // the file dialog gets a name
        bool ends;
        const char* written;  // where the memos are afterwards, or ""
    };
    const Case cases[] = {
        {"stay open", Ending::Asked, EndChoice::StayOpen, false, false, ""},
        {"quit without saving", Ending::Asked, EndChoice::QuitWithoutSaving, false, true, ""},
        {"save elsewhere", Ending::Asked, EndChoice::SaveElsewhere, true, true, "elsewhere.dat"},
        {"unattended", Ending::Unattended, EndChoice::StayOpen, false, true, "rescue/tavrin.dat.rescued-1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tt::ScratchFolder::WriteFile(scratch.PathOf("plain"), {1, 2, 3});
        dataPath = scratch.PathOf("plain/tavrin.dat");  // under a file: no folder to write in
        Notepad& pad = Open(0);
        pad.StylusDown(10, 20);
        window.messages.clear();
        shell.endQuestions.clear();
        shell.endChoice = c.choice;
        if (c.chooses) shell.chosenFile = scratch.PathOf(c.written);

        EXPECT_EQ(pad.SaveAtExit(c.ending), c.ends);
        EXPECT_EQ(shell.endQuestions.size(), c.ending == Ending::Asked ? 1U : 0U);
        if (!shell.endQuestions.empty()) {
            EXPECT_NE(shell.endQuestions[0].find("Could not save " + dataPath), std::string::npos);
            EXPECT_NE(shell.endQuestions[0].find("every change since the memos were last saved is lost"),
                      std::string::npos);
        }
        EXPECT_TRUE(window.messages.empty());
        if (*c.written != '\0') {
            MemoList saved(clock);
            MemoFile(platform::LocalFileSystem()).Load(saved, scratch.PathOf(c.written));
            EXPECT_EQ(tt::IndexAt(saved.First()->page, 10, 20), 0);
        }
        std::filesystem::remove_all(scratch.PathOf("plain"));
        std::filesystem::remove_all(scratch.PathOf("rescue"));
    }
}

// The notification service may be slow to answer while the session ends:
// the memos are in the file before it is asked, and the file is written
// again only when an alarm that passed was dropped.
TEST_F(NotepadTest, TheExitSavesBeforeItAsksTheServiceAndAgainOnlyForAPassedAlarm) {
    struct Case {
        const char* name;
        int minutesLater;
        std::uint32_t handleAfter;
    };
    const Case cases[] = {{"alarm to come", 0, 7}, {"alarm passed", 1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clock.now = tt::Time(2026, 12, 10, 9, 30, 0, 0);
        WriteMemos(2, 7);  // the last memo's alarm is now
        Notepad& pad = Open(0);
        clock.now = tt::Time(2026, 12, 10, 9, 30 + c.minutesLater, 0, 0);
        pad.StylusDown(10, 20);
        std::vector<bool> inkOnDiskAtCall;
        notifications.onWakeUpCall = [&] {
            inkOnDiskAtCall.push_back(tt::IndexAt(ReadBack()->First()->page, 10, 20) == 0);
        };

        EXPECT_TRUE(pad.SaveAtExit());
        EXPECT_EQ(inkOnDiskAtCall, std::vector<bool>{true});
        EXPECT_EQ(ReadBack()->Last()->alarmHandle, c.handleAfter);
        notifications.onWakeUpCall = nullptr;
    }
}

// The pen rested, or the window lost the focus: a changed memo is written on
// the saving thread, whose word comes back to the window's thread. A stroke
// drawn meanwhile keeps the memo changed for the next save.
TEST_F(NotepadTest, ARestingPenOrALostFocusSavesAChangedMemo) {
    struct Case {
        const char* name;
        void (*moment)(Notepad&);
    };
    const Case cases[] = {
        {"the pen rested", [](Notepad& pad) { pad.TimerFired(NotepadTimer::Autosave); }},
        {"the focus went", [](Notepad& pad) { pad.FocusLost(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Notepad& pad = Open(2);
        shell.timers.clear();
        c.moment(pad);
        EXPECT_EQ(shell.RunPosted(), 0) << "nothing changed, nothing written";

        pad.StylusDown(10, 20);
        pad.StylusUp(10, 20);
        EXPECT_EQ(shell.timers,
                  (std::vector<std::pair<NotepadTimer, int>>{{NotepadTimer::Autosave, kAutosaveMilliseconds}}));
        c.moment(pad);
        pad.StylusDown(30, 40);  // while the first stroke is written
        ASSERT_TRUE(shell.RunPostedOnceThere());
        EXPECT_EQ(tt::IndexAt(ReadBack()->First()->page, 10, 20), 0);
        EXPECT_TRUE(pad.Canvas().Changed()) << "the second stroke is not saved yet";

        c.moment(pad);
        ASSERT_TRUE(shell.RunPostedOnceThere());
        EXPECT_EQ(tt::IndexAt(ReadBack()->First()->page, 30, 40), 0);
        EXPECT_FALSE(pad.Canvas().Changed());
        EXPECT_TRUE(window.messages.empty());
    }
}

// A file another machine's copy replaced is merged by the save that follows
// the written snapshot, on the window's thread.
TEST_F(NotepadTest, ASaveWhileThePenRestsMergesAFileChangedElsewhere) {
    ASSERT_TRUE(MemoFile(platform::LocalFileSystem()).Save(*tt::SketchList("*a1 b1"), dataPath));
    Notepad& pad = Open(0);
    ASSERT_TRUE(MemoFile(platform::LocalFileSystem()).Save(*tt::SketchList("a1 b1 x1", tt::kOtherMachine), dataPath));
    pad.StylusDown(10, 20);
    pad.TimerFired(NotepadTimer::Autosave);
    ASSERT_TRUE(shell.RunPostedOnceThere());
    EXPECT_EQ(tt::Sketch(*ReadBack()), "*a1 b1 x1");
    EXPECT_EQ(tt::IndexAt(ReadBack()->First()->page, 10, 20), 0);
    EXPECT_EQ(pad.Note(), "Merged 1 memo changed elsewhere");
}

// A hand-over (an alarm start, a second start) that the toolkit delivers
// while a dialog is open waits until it closes: the delete deletes the memo
// it asked about, and the dialogs act on the memo they were opened over.
TEST_F(NotepadTest, AHandOverDuringADialogWaitsUntilItCloses) {
    struct Case {
        const char* name;
        int command;
        std::uint16_t countAfter;
    };
    const Case cases[] = {
        {"delete question", IDM_DELETE_PAGE, 2},
        {"set-time dialog", IDM_SET_TIME, 3},
        {"about box", IDM_ABOUT, 3},
        {"overview", IDM_OVERVIEW, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteMemos(3, 7);  // the last memo's alarm is now
        Notepad& pad = Open(0);
        const MemoEntry* second = pad.Canvas().List().NextOf(pad.Canvas().List().First());
        std::uint16_t shownDuringDialog = 0;
        shell.duringDialog = [&] {
            pad.AlarmStart();
            shownDuringDialog = pad.Canvas().List().CurrentIndex();
        };
        shell.timers.clear();

        pad.RunCommand(c.command);
        EXPECT_EQ(shownDuringDialog, 1);
        EXPECT_EQ(pad.Canvas().List().Count(), c.countAfter);
        if (c.command == IDM_DELETE_PAGE) {
            EXPECT_EQ(pad.Canvas().List().First(), second) << "the memo on screen went";
        }
        EXPECT_EQ(shell.timers, (std::vector<std::pair<NotepadTimer, int>>{{NotepadTimer::Resume, 0}}));
        shell.duringDialog = nullptr;
        pad.TimerFired(NotepadTimer::Resume);
        EXPECT_EQ(pad.Canvas().List().CurrentIndex(), c.countAfter) << "the due memo, last";
    }
}

// A memo file that exists but can't be read is said at the start, with
// Retry and Quit; the list stays unread and nothing is saved over the file.
TEST_F(NotepadTest, AFileThatCantBeReadAtStartIsSaidWithRetryAndQuit) {
    struct Case {
        const char* name;
        bool busy;
        int retries;
        const char* said;
        bool quits;
    };
    const Case cases[] = {
        {"refused, quit", false, 0, "can't be opened: Permission denied", true},
        {"refused, then let go", false, 1, "can't be opened: Permission denied", false},
        {"held by another program, quit", true, 0, "is in use by another program", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteMemos(3);
        const auto before = Written();
        tt::FailingFileSystem failing;
        if (c.busy) failing.BusyFor(1000000);
        failing.RefuseOpening(!c.busy);
        files = &failing;
        shell.retries = c.retries;
        shell.retryQuestions.clear();
        shell.duringDialog = [&] { failing.RefuseOpening(false); };

        Notepad& pad = Open(0);
        EXPECT_EQ(pad.QuitAtStart(), c.quits);
        ASSERT_EQ(shell.retryQuestions.size(), 1U);
        EXPECT_NE(shell.retryQuestions[0].find("The memo file " + dataPath + " " + c.said),
                  std::string::npos) << shell.retryQuestions[0];
        if (!c.quits) {
            EXPECT_EQ(pad.Canvas().List().Count(), 3);
        }
        EXPECT_EQ(Written(), before);
        notepad.reset();
        files = nullptr;
        shell.duringDialog = nullptr;
    }
}

TEST_F(NotepadTest, AnAlarmStartSavesThenShowsTheDueMemo) {
    WriteMemos(3, 7);  // the last memo's alarm is now
    Notepad& pad = Open(0, true);
    EXPECT_EQ(pad.Canvas().List().CurrentIndex(), 3);
    EXPECT_EQ(pad.Canvas().List().Current()->alarmHandle, 0U);
    EXPECT_EQ(ReadBack()->CurrentIndex(), 1) << "saved before the lookup";

    pad.RunCommand(IDM_PREVIOUS_PAGE);
    pad.Canvas().List().Current()->SetAlarm(8, clock.now);
    notifications.held.insert(8);
    shell.repainted.clear();
    pad.AlarmStart();
    EXPECT_EQ(pad.Canvas().List().CurrentIndex(), 2);
    EXPECT_EQ(shell.repainted, std::vector<Rect>{kWholeWindow});
}

TEST(NotepadStart, DataFileBesideTheProgram) {
    const std::pair<const char*, const char*> cases[] = {
        {"/opt/tavrin/tavrin.exe", "/opt/tavrin/tavrin.dat"},
        {"/opt/tavrin/tavrin", "/opt/tavrin/tavrin.dat"},
        {"/opt/tavrin.d/tavrin", "/opt/tavrin.d/tavrin.dat"},
        {"C:\\Programs\\notes.v2.exe", "C:\\Programs\\notes.v2.dat"},
        {"C:\\My.Programs\\notes", "C:\\My.Programs\\notes.dat"},
        {"tavrin", "tavrin.dat"},
    };
    for (const auto& [program, data] : cases) EXPECT_EQ(DataFileBeside(program), data) << program;
}

TEST(NotepadStart, ASecondStartHandsOver) {
    EXPECT_TRUE(IsAlarmStart("/usr/bin/tavrin AppRunAtTime"));
    EXPECT_TRUE(IsAlarmStart("tavrin --x=AppRunAtTimes"));
    EXPECT_FALSE(IsAlarmStart("tavrin appruntime"));
    EXPECT_EQ(HandOverFor(true, true), HandOver::AlarmStart);
    EXPECT_EQ(HandOverFor(true, false), HandOver::AlarmStart);
    EXPECT_EQ(HandOverFor(false, true), HandOver::NewPage);
    EXPECT_EQ(HandOverFor(false, false), HandOver::Nothing);
}

TEST(NotepadStart, ANotificationsActionsComeAsRequestsAndHandOverAsOneLine) {
    using Kind = StartRequest::Kind;
    const std::string key = "2030-05-01T10:11:12.345/2030-05-03T07:15:00";
    const struct {
        std::string commandLine;
        StartRequest request;
    } cases[] = {
        {"/usr/bin/tavrin", {Kind::Plain, {}}},
        {"/usr/bin/tavrin AppRunAtTime", {Kind::AlarmStart, {}}},
        {"/usr/bin/tavrin --open " + key + " ", {Kind::OpenMemo, key}},
        {"\"C:\\Program Files\\Tavrin.exe\"  --snooze\t" + key, {Kind::SnoozeMemo, key}},
        {"/usr/bin/tavrin --open", {Kind::Plain, {}}},
        {"/usr/bin/tavrin --new-memo", {Kind::NewMemo, {}}},
        {"/usr/bin/tavrin --new-memos", {Kind::Plain, {}}},
    };
    for (const auto& [commandLine, request] : cases) {
        EXPECT_EQ(ReadStartRequest(commandLine), request) << commandLine;
        EXPECT_EQ(ParseHandOverLine(HandOverLine(request)), request) << commandLine;
    }
    EXPECT_EQ(HandOverLine({Kind::SnoozeMemo, key}), "snooze " + key);
    for (const char* line : {"", "hello", "AppRunAtTime\n", "open", "open nonsense", "snooze " , "start ", "new-memo "}) {
        EXPECT_FALSE(ParseHandOverLine(line)) << line;
    }
}

// Memos 1 to 3 made a millisecond apart; memo 3's alarm at 09:29 has rung.
class NotepadAlarmActionsTest : public NotepadTest {
protected:
    NotepadAlarmActionsTest() {
        MemoList list(clock);
        for (std::uint16_t i = 1; i <= 3; ++i) {
            MemoEntry& memo = i == 1 ? *list.First() : *list.Append();
            memo.created = tt::Time(2026, 12, 1, 8, 0, 0, i);
        }
        list.Last()->SetAlarm(0, kRang);
        list.Rewind();
        EXPECT_TRUE(MemoFile(platform::LocalFileSystem()).Save(list, dataPath));
    }
    NotepadSetup Setup(platform::HostWindow& host, NotepadShell& asked) {
        return {.window = host,
                .shell = asked,
                .notifications = notifications,
                .programPath = "/opt/tavrin/tavrin",
                .dataPath = dataPath,
                .clock = &clock,
                .locale = &locale};
    }

    static constexpr SYSTEMTIME kRang = {2026, 12, 4, 10, 9, 29, 0, 0};
    const std::string key = AlarmKeyText({tt::Time(2026, 12, 1, 8, 0, 0, 3), kRang});
    const SYSTEMTIME snoozedTo = tt::Time(2026, 12, 10, 9, 40, 0, 0, 4);  // now is 09:30:00
};

TEST_F(NotepadAlarmActionsTest, OpenShowsTheMemoAndSnoozeMovesItsAlarmSaved) {
    notepad.emplace(Setup(window, shell));
    notepad->SnoozeMemo(key);
    EXPECT_EQ(notepad->Canvas().List().CurrentIndex(), 1);
    EXPECT_TRUE(shell.repainted.empty());
    EXPECT_EQ(ReadBack()->Last()->alarmTime.hour, 9);
    EXPECT_EQ(ReadBack()->Last()->alarmTime.minute, 40);
    EXPECT_EQ(ReadBack()->Last()->alarmHandle, 1u);

    notepad->OpenMemo(AlarmKeyText({tt::Time(2026, 12, 1, 8, 0, 0, 3), snoozedTo}));
    EXPECT_EQ(notepad->Canvas().List().CurrentIndex(), 3);
    EXPECT_EQ(shell.repainted, std::vector<Rect>{kWholeWindow});
    // The snoozed alarm is still to come: it stays.
    EXPECT_EQ(notepad->Canvas().List().Current()->alarmHandle, 1u);
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(NotepadAlarmActionsTest, AStartToOpenAMemoShowsIt) {
    NotepadSetup setup = Setup(window, shell);
    setup.openMemo = key;
    notepad.emplace(setup);
    EXPECT_EQ(notepad->Canvas().List().CurrentIndex(), 3);
}

TEST_F(NotepadAlarmActionsTest, WhatCantBeOpenedOrSnoozedIsTold) {
    notepad.emplace(Setup(window, shell));
    const auto written = Written();
    notepad->OpenMemo("nonsense");
    notepad->OpenMemo(AlarmKeyText({tt::Time(2026, 12, 1, 8, 0, 0, 9), kRang}));
    notepad->SnoozeMemo(AlarmKeyText({tt::Time(2026, 12, 1, 8, 0, 0, 3), snoozedTo}));
    ASSERT_EQ(window.messages.size(), 3u);
    EXPECT_EQ(window.messages[0].text, kNoSuchMemo);
    EXPECT_EQ(window.messages[1].text, kNoSuchMemo);
    EXPECT_EQ(window.messages[2].text, kNothingToSnooze);
    EXPECT_EQ(window.messages[2].caption, "Tavrin");
    EXPECT_TRUE(notifications.set.empty());
    EXPECT_EQ(Written(), written);
}

// No Tavrin runs: the snooze is applied to the file, which is saved, and
// nothing else happens. Nothing to snooze leaves the file as it was.
TEST_F(NotepadAlarmActionsTest, ASnoozeWithoutWindowSavesTheFileAndEnds) {
    std::vector<std::string> reported;
    NoWindow noWindow([&](const std::string& message) { reported.push_back(message); });
    EXPECT_EQ(Notepad::SnoozeWithoutWindow(Setup(noWindow, noWindow), key), 0);
    EXPECT_TRUE(reported.empty());
    const auto list = ReadBack();
    EXPECT_EQ(list->Last()->alarmHandle, 1u);
    EXPECT_EQ(list->Last()->alarmTime.minute, 40);
    EXPECT_EQ(list->CurrentIndex(), 1);

    const auto written = Written();
    EXPECT_EQ(Notepad::SnoozeWithoutWindow(Setup(noWindow, noWindow), key), 1);
    EXPECT_EQ(reported, std::vector<std::string>{std::string("Tavrin: ") + kNothingToSnooze});
    EXPECT_EQ(Written(), written);
}

// Another machine's copy of the file arrived while the notepad ran (a sync
// tool replaced it): b's page was drawn on here, x was added there with an
// alarm. The save keeps both, registers x's alarm here, keeps b on screen
// and tells the merge in the status strip until the note's timer ends it.
TEST_F(NotepadTest, ASaveMergesAFileChangedElsewhereAndSaysSo) {
    ASSERT_TRUE(MemoFile(platform::LocalFileSystem()).Save(*tt::SketchList("a1 *b1@5 c1"), dataPath));
    notifications.held.insert(tt::kThisMachine * 1000 + 5);
    notifications.lastHandle = tt::kMergedIn * 1000;
    Notepad& pad = Open(0);
    ASSERT_TRUE(
        MemoFile(platform::LocalFileSystem()).Save(*tt::SketchList("a1 b1@5 c1 x1@7", tt::kOtherMachine), dataPath));

    pad.StylusDown(100, 100);
    pad.StylusMove(120, 130);
    pad.StylusUp(120, 130);
    shell.repainted.clear();
    shell.timers.clear();
    pad.RunCommand(IDM_SAVE);

    EXPECT_EQ(tt::Sketch(*ReadBack()), "a1 *b1@5 c1 x1@7n");
    EXPECT_TRUE(HasInk(tt::PagePixels(ReadBack()->Current()->page), {100, 100, 121, 131}));
    EXPECT_EQ(tt::Sketch(pad.Canvas().List()), "a1 *b1@5 c1 x1@7n");
    ASSERT_EQ(notifications.set.size(), 1U);
    EXPECT_EQ(notifications.set[0].existing, 0U);
    EXPECT_EQ(notifications.set[0].trigger.startTime, tt::SketchAlarm(7));
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(pad.Note(), "Merged 1 memo changed elsewhere");
    EXPECT_EQ(shell.timers, (std::vector<std::pair<NotepadTimer, int>>{{NotepadTimer::Note, kNoteMilliseconds}}));
    EXPECT_FALSE(shell.repainted.empty());

    shell.repainted.clear();
    pad.TimerFired(NotepadTimer::Note);
    EXPECT_EQ(pad.Note(), "");
    EXPECT_EQ(shell.repainted, (std::vector<Rect>{{0, 0, kPageWidth, kStatusRows}}));
}

// The exit saves even an unchanged list, and so merges too: an alarm cleared
// elsewhere loses its notification here.
TEST_F(NotepadTest, TheExitMergesAndWithdrawsAnAlarmClearedElsewhere) {
    ASSERT_TRUE(MemoFile(platform::LocalFileSystem()).Save(*tt::SketchList("a1 *b1@5"), dataPath));
    notifications.held.insert(tt::kThisMachine * 1000 + 5);
    Notepad& pad = Open(0);
    ASSERT_TRUE(MemoFile(platform::LocalFileSystem()).Save(*tt::SketchList("a1 b1", tt::kOtherMachine), dataPath));

    EXPECT_TRUE(pad.SaveAtExit());
    EXPECT_EQ(tt::Sketch(*ReadBack()), "a1 *b1");
    EXPECT_EQ(notifications.removed, std::vector<std::uint32_t>{tt::kThisMachine * 1000 + 5});
}

// At start, a copy that a sync tool left beside the file when both machines
// saved at once is merged in (every memo of both kept), saved, and then kept
// in the backup folder; the day's first save kept the file as it was there too.
TEST_F(NotepadTest, AConflictCopyIsMergedAtStartAndKeptInTheBackups) {
    ASSERT_TRUE(MemoFile(platform::LocalFileSystem()).Save(*tt::SketchList("a1 *b1"), dataPath));
    const std::string copy = scratch.PathOf("tavrin (conflicted copy 2026-12-09 101112).dat");
    ASSERT_TRUE(MemoFile(platform::LocalFileSystem()).Save(*tt::SketchList("a1 b2 x1", tt::kOtherMachine), copy));
    const std::vector<std::uint8_t> before = tt::ScratchFolder::ReadFile(dataPath);
    notepad.emplace(NotepadSetup{.window = window,
                                 .shell = shell,
                                 .notifications = notifications,
                                 .programPath = "/opt/tavrin/tavrin",
                                 .dataPath = dataPath,
                                 .clock = &clock,
                                 .locale = &locale,
                                 .backupFolder = scratch.PathOf("backups")});

    EXPECT_EQ(tt::Sketch(*ReadBack()), "a1 *b1 b2 x1");
    EXPECT_EQ(notepad->Note(), "Merged 2 memos changed elsewhere");
    EXPECT_FALSE(std::filesystem::exists(copy));
    const std::vector<std::string> kept = tt::ScratchFolder::NamesIn(scratch.PathOf("backups"));
    ASSERT_EQ(kept.size(), 2U);
    EXPECT_EQ(kept[0], "tavrin (conflicted copy 2026-12-09 101112).dat");
    EXPECT_TRUE(kept[1].starts_with("tavrin-") && kept[1].ends_with("-2026-12-10.dat")) << kept[1];
    EXPECT_EQ(tt::ScratchFolder::ReadFile(scratch.PathOf("backups/" + kept[1])), before);
    EXPECT_TRUE(window.messages.empty());
}

// Each stroke is a step of its memo's history, undone and redone in turn;
// undo marks the memo changed, so a save carries it, and the history
// outlives page moves and saves.
TEST_F(NotepadTest, UndoAndRedoRetraceTheStrokesOfAMemo) {
    Notepad& pad = Open(2);
    const auto inkAt = [&](std::int32_t x, std::int32_t y) { return tt::IndexAt(pad.Canvas().List().Current()->page, x, y) == 0; };
    const auto stroke = [&](std::int32_t x, std::int32_t y) {
        pad.StylusDown(x, y);
        pad.StylusUp(x, y);
        pad.Canvas().StorePage();
    };
    stroke(10, 20);
    stroke(30, 40);
    pad.RunCommand(IDM_NEXT_PAGE);
    pad.RunCommand(IDM_PREVIOUS_PAGE);
    ASSERT_FALSE(pad.Canvas().Changed());

    ASSERT_TRUE(pad.RunCommand(IDM_UNDO));
    pad.Canvas().StorePage();
    EXPECT_TRUE(inkAt(10, 20));
    EXPECT_FALSE(inkAt(30, 40));
    EXPECT_TRUE(pad.Canvas().Changed());
    pad.RunCommand(IDM_SAVE);
    EXPECT_EQ(tt::IndexAt(ReadBack()->First()->page, 30, 40), tt::kWhiteIndex) << "the save carries the undo";

    pad.RunCommand(IDM_UNDO);
    pad.Canvas().StorePage();
    EXPECT_FALSE(inkAt(10, 20));
    shell.repainted.clear();
    pad.RunCommand(IDM_UNDO);
    EXPECT_TRUE(shell.repainted.empty()) << "nothing left to undo";

    pad.RunCommand(IDM_REDO);
    pad.RunCommand(IDM_REDO);
    pad.Canvas().StorePage();
    EXPECT_TRUE(inkAt(10, 20));
    EXPECT_TRUE(inkAt(30, 40));
    EXPECT_EQ(shell.repainted, std::vector<Rect>(2, kWholeWindow));

    pad.RunCommand(IDM_UNDO);
    stroke(50, 60);  // a new stroke ends what could be redone
    shell.repainted.clear();
    pad.RunCommand(IDM_REDO);
    EXPECT_TRUE(shell.repainted.empty());
}

// An undo that can't store the page shown first is refused with one "Not
// enough memory": the stroke not stored yet stays, and with memory back the
// undo takes back that stroke alone.
TEST_F(NotepadTest, UndoThatCantStoreThePageShownKeepsIt) {
    Notepad& pad = Open(1);
    const auto inkAt = [&](std::int32_t x, std::int32_t y) {
        pad.Canvas().StorePage();
        return tt::IndexAt(pad.Canvas().List().Current()->page, x, y) == 0;
    };
    pad.StylusDown(10, 20);
    pad.StylusUp(10, 20);
    pad.StylusDown(30, 40);  // on the surface only
    pad.StylusUp(30, 40);
    {
        const AllocationLimitForTesting limit(kNoRoomForAPage);
        pad.RunCommand(IDM_UNDO);
    }
    ASSERT_EQ(window.messages.size(), 1U);
    EXPECT_EQ(window.messages[0].text, "Not enough memory");
    EXPECT_TRUE(inkAt(10, 20));
    EXPECT_TRUE(inkAt(30, 40));
    pad.RunCommand(IDM_UNDO);
    EXPECT_TRUE(inkAt(10, 20));
    EXPECT_FALSE(inkAt(30, 40));
}

// A new memo and a deleted one are steps too, kept by the memo shown after
// them: undoing the delete brings the memo back where it was, with its
// strokes and its alarm registered anew; redoing deletes it again.
TEST_F(NotepadTest, UndoBringsBackADeletedMemoWithItsAlarmAndTakesBackANewOne) {
    WriteMemos(3, 7);
    clock.now = tt::Time(2026, 12, 10, 9, 0, 0, 0);  // the alarm is half an hour away
    Notepad& pad = Open(0);
    pad.RunCommand(IDM_NEXT_PAGE);
    pad.RunCommand(IDM_NEXT_PAGE);
    pad.StylusDown(10, 20);
    pad.RunCommand(IDM_DELETE_PAGE);
    ASSERT_EQ(pad.Canvas().List().Count(), 2);
    EXPECT_EQ(notifications.removed, std::vector<std::uint32_t>{7});

    pad.RunCommand(IDM_UNDO);
    MemoList& list = pad.Canvas().List();
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.CurrentIndex(), 3);
    ASSERT_EQ(notifications.set.size(), 1U);
    EXPECT_NE(list.Current()->alarmHandle, 0U);
    EXPECT_EQ(list.Current()->alarmTime, tt::Time(2026, 12, 10, 9, 30, 0, 0));
    pad.RunCommand(IDM_UNDO);  // its own stroke, kept through the delete
    pad.Canvas().StorePage();
    EXPECT_EQ(tt::IndexAt(list.Current()->page, 10, 20), tt::kWhiteIndex);
    pad.RunCommand(IDM_REDO);
    pad.RunCommand(IDM_REDO);
    pad.RunCommand(IDM_REDO);
    EXPECT_EQ(list.Count(), 2) << "deleted again";

    pad.RunCommand(IDM_INSERT_NEW);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.CurrentIndex(), 2);
    pad.RunCommand(IDM_UNDO);
    EXPECT_EQ(list.Count(), 2);
    pad.RunCommand(IDM_REDO);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.CurrentIndex(), 2);
}

// A memo keeps its last hundred steps.
TEST_F(NotepadTest, AMemosHistoryKeepsItsNewestSteps) {
    Notepad& pad = Open();
    for (std::size_t i = 0; i < UndoHistory::kStepsPerMemo + 5; ++i) {
        pad.StylusDown(static_cast<std::int32_t>(i % 200), 100);
        pad.StylusUp(static_cast<std::int32_t>(i % 200), 100);
    }
    std::size_t undone = 0;
    while (pad.History().Undo() == UndoHistory::Replayed::Done) ++undone;
    EXPECT_EQ(undone, UndoHistory::kStepsPerMemo);
    pad.Canvas().StorePage();
    EXPECT_EQ(tt::IndexAt(pad.Canvas().List().Current()->page, 2, 100), 0) << "the oldest strokes stay";
    EXPECT_LE(pad.History().Bytes(), UndoHistory::kMaxBytes);
}

TEST(NotepadNotes, MergedNoteCountsMemos) {
    EXPECT_EQ(MergedNote(1), "Merged 1 memo changed elsewhere");
    EXPECT_EQ(MergedNote(3), "Merged 3 memos changed elsewhere");
}

TEST(NotepadMenus, TheBarAndItsMenusInTableOrder) {
    const std::vector<BarButton> bar = MenuBar(false);
    std::vector<int> commands;
    for (const BarButton& button : bar) commands.push_back(button.command);
    EXPECT_EQ(commands, (std::vector<int>{40001, 40008, 40102, 40009, 40014, 40015, 40016, 40074, 40087}));
    EXPECT_EQ(bar[0].menu.size(), 6U);
    const std::vector<MenuItem>& alarms = bar[6].menu;
    ASSERT_EQ(alarms.size(), 15U);
    EXPECT_EQ(alarms[11].label, "Today...");
    EXPECT_EQ(alarms[11].items.front().command, 40030);
    EXPECT_EQ(alarms[12].items.back().command, 40065);
    EXPECT_EQ(alarms[12].items.back().label, "22:00");
    EXPECT_EQ(MenuBar(true)[6].menu[12].items.back().label, "10:00pm");
    EXPECT_EQ(alarms[13].kind, MenuItem::Kind::Separator);
    EXPECT_EQ(alarms[14].command, IDM_SET_TIME);
}

}  // namespace
