#include "handheld/notepad.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>
#include <optional>
#include <string>
#include <utility>

#include "handheld/menus.h"
#include "handheld/notepad_commands.h"

namespace tavrin::handheld {
namespace {

CanvasSetup NotepadCanvasSetup(const NotepadSetup& setup, platform::HostWindow& window) {
    CanvasSetup canvas;
    canvas.window = &window;
    canvas.programName = kProgramName;
    canvas.notifications = &setup.notifications;
    canvas.files = setup.files;
    canvas.clock = setup.clock;
    canvas.backupFolder = setup.backupFolder;
    return canvas;
}

AlarmSetup NotepadAlarmSetup(const NotepadSetup& setup, MemoCanvas& canvas, platform::HostWindow& window) {
    return AlarmSetup{canvas,
                      setup.notifications,
                      setup.clock != nullptr ? *setup.clock : platform::SystemClock(),
                      window,
                      setup.programPath,
                      kProgramName,
                      setup.locale != nullptr ? *setup.locale : platform::UserLocaleTexts()};
}

}  // namespace

std::string MergedNote(std::size_t changedElsewhere) {
    return "Merged " + std::to_string(changedElsewhere) +
           (changedElsewhere == 1 ? " memo" : " memos") + " changed elsewhere";
}

HandOver HandOverFor(bool alarmStart, bool runningWindowWasInFront) {
    if (alarmStart) return HandOver::AlarmStart;
    return runningWindowWasInFront ? HandOver::NewPage : HandOver::Nothing;
}

bool IsAlarmStart(std::string_view commandLine) {
    return commandLine.find(kAlarmStartArgument) != std::string_view::npos;
}

namespace {

constexpr std::string_view kPlainLine = "start";
constexpr std::string_view kOpenLine = "open ";
constexpr std::string_view kSnoozeLine = "snooze ";
constexpr std::string_view kNewMemoLine = "new-memo";

// The command line's words, split at spaces and tabs.
std::vector<std::string_view> WordsOf(std::string_view commandLine) {
    constexpr std::string_view kSpaces = " \t";
    std::vector<std::string_view> words;
    for (std::size_t begin = commandLine.find_first_not_of(kSpaces); begin != std::string_view::npos;) {
        const std::size_t end = std::min(commandLine.find_first_of(kSpaces, begin), commandLine.size());
        words.push_back(commandLine.substr(begin, end - begin));
        begin = commandLine.find_first_not_of(kSpaces, end);
    }
    return words;
}

// The word after the first `word` in the command line; nothing when there is none.
std::optional<std::string> WordAfter(std::string_view commandLine, std::string_view word) {
    const std::vector<std::string_view> words = WordsOf(commandLine);
    const auto found = std::find(words.begin(), words.end(), word);
    if (found == words.end() || found + 1 == words.end()) return std::nullopt;
    return std::string(*(found + 1));
}

}  // namespace

StartRequest ReadStartRequest(std::string_view commandLine) {
    using Kind = StartRequest::Kind;
    if (IsAlarmStart(commandLine)) return {Kind::AlarmStart, {}};
    if (auto key = WordAfter(commandLine, platform::kOpenMemoSwitch)) return {Kind::OpenMemo, std::move(*key)};
    if (auto key = WordAfter(commandLine, platform::kSnoozeMemoSwitch)) return {Kind::SnoozeMemo, std::move(*key)};
    const std::vector<std::string_view> words = WordsOf(commandLine);
    if (std::find(words.begin(), words.end(), kNewMemoSwitch) != words.end()) return {Kind::NewMemo, {}};
    return {Kind::Plain, {}};
}

std::string HandOverLine(const StartRequest& request) {
    switch (request.kind) {
        case StartRequest::Kind::Plain: return std::string(kPlainLine);
        case StartRequest::Kind::AlarmStart: return std::string(kAlarmStartArgument);
        case StartRequest::Kind::OpenMemo: return std::string(kOpenLine) + request.key;
        case StartRequest::Kind::SnoozeMemo: return std::string(kSnoozeLine) + request.key;
        case StartRequest::Kind::NewMemo: return std::string(kNewMemoLine);
    }
    return {};
}

std::optional<StartRequest> ParseHandOverLine(std::string_view line) {
    using Kind = StartRequest::Kind;
    if (line == kPlainLine) return StartRequest{Kind::Plain, {}};
    if (line == kAlarmStartArgument) return StartRequest{Kind::AlarmStart, {}};
    if (line == kNewMemoLine) return StartRequest{Kind::NewMemo, {}};
    for (const auto& [prefix, kind] : {std::pair{kOpenLine, Kind::OpenMemo}, std::pair{kSnoozeLine, Kind::SnoozeMemo}}) {
        if (line.starts_with(prefix) && ParseAlarmKey(line.substr(prefix.size()))) {
            return StartRequest{kind, std::string(line.substr(prefix.size()))};
        }
    }
    return std::nullopt;
}

std::string DataFileBeside(const std::string& programPath) {
    const std::size_t nameStart = programPath.find_last_of("/\\") + 1;  // 0 without a folder
    const std::size_t dot = programPath.rfind('.');
    const bool nameHasDot = dot != std::string::npos && dot >= nameStart;
    return programPath.substr(0, nameHasDot ? dot : programPath.size()) + ".dat";
}

class Notepad::ModalScope {
public:
    explicit ModalScope(Notepad& notepad) : notepad_(notepad) { ++notepad_.modalDepth_; }
    ~ModalScope() {
        // What waited goes on once the command that opened the dialog is over.
        if (--notepad_.modalDepth_ == 0 && !notepad_.afterModal_.empty()) {
            notepad_.shell_.StartTimer(NotepadTimer::Resume, 0);
        }
    }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

private:
    Notepad& notepad_;
};

void Notepad::ModalWindow::ShowMessage(const std::string& text, const std::string& caption,
                                       platform::MessageIcon icon) {
    const ModalScope modal(notepad_);
    window_.ShowMessage(text, caption, icon);
}

Notepad::Notepad(const NotepadSetup& setup)
    : window_(*this, setup.window),
      shell_(setup.shell),
      dataPath_(setup.dataPath),
      rescueFolder_(setup.rescueFolder),
      canvas_(NotepadCanvasSetup(setup, window_)),
      alarms_(NotepadAlarmSetup(setup, canvas_, window_)),
      history_(canvas_, alarms_),
      saver_([this](SaveSnapshot& snapshot) { WriteSnapshot(snapshot); }) {
    canvas_.SetMergedAlarms(&alarms_);
    LoadUntilRead();
    if (quitAtStart_) return;
    // Copies a sync tool could not reconcile are merged in and saved at once.
    if (canvas_.MergeConflictCopies(dataPath_)) Save();
    if (setup.alarmStart) {
        Save();
        alarms_.DueAlarmLookup();
    } else if (!setup.openMemo.empty()) {
        OpenMemo(setup.openMemo);
    }
}

// A memo file that exists but can't be read holds memos the blank page
// doesn't: the user hears of it, and may retry once the other program lets
// it go. Nothing is ever saved over it before it was read.
void Notepad::LoadUntilRead() {
    canvas_.LoadFile(dataPath_);
    while (const std::optional<std::string> why = canvas_.WhyUnread(dataPath_)) {
        const ModalScope modal(*this);
        if (!shell_.AskRetry(*why + "\n\nYour memos stay in it. Retry once it can be read, or Quit: "
                                    "Tavrin saves nothing over it before it has read it.",
                             kProgramName)) {
            quitAtStart_ = true;
            return;
        }
        canvas_.LoadFile(dataPath_);
    }
}

// While a dialog is open, nothing may change the memo it was opened over:
// a hand-over from a second start, or a save that merges, waits for it.
bool Notepad::WaitsForModal(std::function<void()> later) {
    if (modalDepth_ == 0) return false;
    afterModal_.push_back(std::move(later));
    return true;
}

void Notepad::Resume() {
    if (modalDepth_ > 0) return;
    std::vector<std::function<void()>> waiting = std::exchange(afterModal_, {});
    for (const std::function<void()>& step : waiting) step();
}

bool Notepad::RunCommand(int command) {
    if (WaitsForModal([this, command] { RunCommand(command); })) return true;
    switch (command) {
        case IDM_EXIT_KEY:
        case IDM_EXIT: shell_.Close(); return true;
        case IDM_ABOUT: {
            const ModalScope modal(*this);
            shell_.ShowAbout();
            return true;
        }
        case IDM_NEW_PAGE: SaveThen([this] { return history_.NewPage(true); }); return true;
        case IDM_INSERT_NEW: SaveThen([this] { return history_.NewPage(false); }); return true;
        case IDM_UNDO: Replay(history_.Undo()); return true;
        case IDM_REDO: Replay(history_.Redo()); return true;
        case IDM_DELETE_PAGE: {
            // Nothing is saved first: the memo is about to go.
            bool yes = false;
            {
                const ModalScope modal(*this);
                yes = shell_.Confirm(kDeleteQuestion, kDeleteCaption);
            }
            if (yes && history_.DeletePage()) RepaintWindow();
            return true;
        }
        case IDM_PREVIOUS_PAGE: SaveThen([this] { return canvas_.PreviousPage(); }); return true;
        case IDM_NEXT_PAGE: SaveThen([this] { return canvas_.NextPage(); }); return true;
        case IDM_SET_TIME: {
            const ModalScope modal(*this);
            shell_.RunSetTimeDialog();
            return true;
        }
        case IDM_SAVE: Save(); return true;
        case IDM_OVERVIEW: ShowOverview(); return true;
        default: break;
    }
    if (command >= kFirstQuickAlarmId && command <= kLastQuickAlarmId) {
        return alarms_.QuickAlarm(static_cast<std::uint16_t>(command)) != 0;
    }
    return RunPenCommand(command);
}

// Pen width and colour change neither the page nor `changed`, and repaint nothing.
bool Notepad::RunPenCommand(int command) {
    for (const PenChoice& pen : kPenChoices) {
        if (pen.command != command) continue;
        canvas_.SetPenWidth(pen.width);
        return true;
    }
    for (const ColorChoice& choice : kColorChoices) {
        if (choice.command != command) continue;
        canvas_.SetPenColor(choice.color);
        return true;
    }
    return false;
}

bool Notepad::PressKey(int virtualKey) {
    switch (virtualKey) {
        case kKeyLeft:
        case kKeyUp: return RunCommand(IDM_PREVIOUS_PAGE);
        case kKeyRight:
        case kKeyDown: return RunCommand(IDM_NEXT_PAGE);
        default: return false;
    }
}

// A tap without movement leaves a mark: the segment one pixel down.
void Notepad::StylusDown(std::int32_t x, std::int32_t y) {
    history_.BeforeStroke();
    penDown_ = true;
    shell_.CaptureStylus();
    lastPoint_ = {x, y};
    StrokeTo(x, y + 1);
}

// A stroke dragged above the window runs on along its top row.
void Notepad::StylusMove(std::int32_t x, std::int32_t y) {
    if (penDown_) StrokeTo(x, std::max(y, 0));
}

// No segment is drawn to the point of release.
void Notepad::StylusUp(std::int32_t x, std::int32_t y) {
    lastPoint_ = {x, y};
    penDown_ = false;
    shell_.ReleaseStylus();
    shell_.StartTimer(NotepadTimer::Autosave, kAutosaveMilliseconds);
}

// The ink follows the stylus: only the box around the new segment is
// repainted, at once.
void Notepad::StrokeTo(std::int32_t x, std::int32_t y) {
    if (canvas_.DrawSegment(lastPoint_.x, lastPoint_.y, x, y) == 0) return;
    shell_.RepaintNow({std::max(std::min(lastPoint_.x, x) - kStrokeMargin, 0),
                       std::max(std::min(lastPoint_.y, y) - kStrokeMargin, 0),
                       std::min(std::max(lastPoint_.x, x) + kStrokeMargin, canvas_.Width()),
                       std::min(std::max(lastPoint_.y, y) + kStrokeMargin, canvas_.Height())});
    lastPoint_ = {x, y};
}

// The status texts are drawn over the copied picture, never into the surface.
// A note stands in for the creation time while it shows.
void Notepad::Paint(platform::DrawingContext& context, const Rect& update) {
    context.CopyFrom(update, canvas_.Context(), update.left, update.top);
    if (update.top >= kStatusRows) return;
    if (!note_.empty()) {
        const Size size = context.MeasureText(note_);
        context.DrawText(note_, {0, 0, size.cx, size.cy});
    } else if (update.left < kCreatedTextEnd) {
        canvas_.DrawCreatedText(&context);
    }
    if (update.right > kCounterTextStart) canvas_.DrawCounterText(&context);
}

void Notepad::TimerFired(NotepadTimer timer) {
    switch (timer) {
        case NotepadTimer::Note:
            if (note_.empty()) return;
            note_.clear();
            RepaintStrip();
            return;
        case NotepadTimer::Autosave: Autosave(); return;
        case NotepadTimer::Resume: Resume(); return;
    }
}

void Notepad::FocusLost() { Autosave(); }

// The pen rested, or the window lost the focus: the memos as they are now
// are written on the saver's thread, so that the pen never waits for it.
void Notepad::Autosave() {
    if (std::optional<SaveSnapshot> snapshot = canvas_.TakeSnapshot(dataPath_)) {
        saver_.Submit(std::move(*snapshot));
    } else {
        TellSaveProblems();
    }
}

// On the saver's thread.
void Notepad::WriteSnapshot(SaveSnapshot& snapshot) {
    const SnapshotOutcome outcome = canvas_.WriteSnapshot(snapshot, dataPath_);
    shell_.PostToUiThread([this, snapshot, outcome] { SnapshotWritten(snapshot, outcome); });
}

// A file changed elsewhere is merged by an ordinary save, here on the
// window's thread, where the list lives.
void Notepad::SnapshotWritten(const SaveSnapshot& snapshot, const SnapshotOutcome& outcome) {
    canvas_.SnapshotWritten(snapshot, outcome);
    if (outcome.result == SnapshotOutcome::ChangedOnDisk) {
        Save();
    } else {
        TellSaveProblems();
    }
}

bool Notepad::RunDialog(const std::function<void()>& dialog) {
    if (!canvas_.StorePage()) {
        canvas_.ShowNotEnoughMemory();
        return false;
    }
    const ModalScope modal(*this);
    dialog();
    return true;
}

void Notepad::ShowNote(std::string note) {
    note_ = std::move(note);
    shell_.StartTimer(NotepadTimer::Note, kNoteMilliseconds);
    RepaintStrip();
}

void Notepad::RepaintStrip() { shell_.RepaintNow({0, 0, canvas_.Width(), kStatusRows}); }

void Notepad::RefreshTitle() { canvas_.RefreshTitle(); }

void Notepad::Minimised() { Save(); }

// The due memo may be another one than the window shows, so the whole window
// is painted again.
void Notepad::AlarmStart() {
    if (WaitsForModal([this] { AlarmStart(); })) return;
    SaveThen([this] {
        alarms_.DueAlarmLookup();
        return 1;
    });
}

void Notepad::OpenMemo(const std::string& key) {
    if (WaitsForModal([this, key] { OpenMemo(key); })) return;
    SaveThen([this, &key] {
        const std::optional<AlarmKey> alarm = ParseAlarmKey(key);
        if (alarm && alarms_.ShowAlarmMemo(*alarm)) return 1;
        window_.ShowMessage(kNoSuchMemo, kProgramName, platform::MessageIcon::Warning);
        return 0;
    });
}

void Notepad::SnoozeMemo(const std::string& key) {
    if (WaitsForModal([this, key] { SnoozeMemo(key); })) return;
    Save();
    // A refused snooze leaves the memo with the new time and no pending alarm: saved too.
    if (Snooze(key) != AlarmScheduler::Snoozed::NoSuchAlarm) Save();
}

AlarmScheduler::Snoozed Notepad::Snooze(const std::string& key) {
    const std::optional<AlarmKey> alarm = ParseAlarmKey(key);
    const auto snoozed = alarm ? alarms_.Snooze(*alarm) : AlarmScheduler::Snoozed::NoSuchAlarm;
    if (snoozed == AlarmScheduler::Snoozed::NoSuchAlarm) {
        window_.ShowMessage(kNothingToSnooze, kProgramName, platform::MessageIcon::Warning);
    } else if (snoozed == AlarmScheduler::Snoozed::Refused) {
        alarms_.ReportRefusal();
    }
    return snoozed;
}

int Notepad::SnoozeWithoutWindow(const NotepadSetup& setup, const std::string& key) {
    Notepad notepad(setup);
    if (notepad.QuitAtStart()) return 1;
    const AlarmScheduler::Snoozed snoozed = notepad.Snooze(key);
    // Nothing changed: the file is left as it is.
    if (snoozed == AlarmScheduler::Snoozed::NoSuchAlarm) return 1;
    return notepad.SaveAtExit(Ending::Unattended) && snoozed == AlarmScheduler::Snoozed::Yes ? 0 : 1;
}

bool Notepad::SaveAtExit(Ending ending) {
    saver_.Settle();
    // The window's close, the end of the event loop, the session's end and
    // a signal may each come: the memos are saved at the first.
    if (exitSavedAt_ && *exitSavedAt_ == canvas_.Edits()) return true;
    canvas_.SetChanged();
    bool inFile = false;
    if (!WriteForExit(ending, inFile)) return false;
    // Only now the notification service, which may take long to answer
    // while the session ends; the file again only when alarms changed.
    if (alarms_.WakeUpPass() && inFile) {
        canvas_.SetChanged();
        canvas_.SaveFile(dataPath_);
    }
    exitSavedAt_ = canvas_.Edits();
    return true;
}

// The memos go to their file, or beside it; false when they went nowhere
// and the window is to stay.
bool Notepad::WriteForExit(Ending ending, bool& inFile) {
    if (canvas_.SaveFile(dataPath_)) {
        inFile = true;
        if (ending == Ending::Asked) TellSaveProblems();
        return true;
    }
    const std::string failure = canvas_.SaveError();
    if (const std::optional<std::string> beside = canvas_.SaveBeside(dataPath_)) {
        Tell(ending, failure + "\n\nThe memos were saved to " + *beside + " instead.");
        return true;
    }
    return EndWithoutFile(ending, failure + "\n\n" + canvas_.SaveError());
}

// Neither the file nor its folder can be written (a full disk, a read-only
// medium). Asked, the user picks another file, quits knowing what is lost,
// or stays; unattended, a rescue copy goes to the user's own data folder.
bool Notepad::EndWithoutFile(Ending ending, const std::string& failure) {
    if (ending == Ending::Unattended) {
        const std::optional<std::string> rescued = canvas_.SaveRescueCopy(rescueFolder_, dataPath_);
        Tell(ending, failure + (rescued ? "\n\nThe memos were saved to " + *rescued + " instead."
                                        : "\n\n" + canvas_.SaveError()));
        return true;
    }
    for (;;) {
        const ModalScope modal(*this);
        switch (shell_.AskHowToEnd(failure + "\n\nIf Tavrin ends without saving, every change since "
                                             "the memos were last saved is lost.",
                                   kProgramName)) {
            case EndChoice::SaveElsewhere:
                if (const std::optional<std::string> path = shell_.ChooseFileToSave(dataPath_)) {
                    if (canvas_.SaveCopy(*path)) return true;
                    window_.ShowMessage(canvas_.SaveError(), kErrorCaption, platform::MessageIcon::Error);
                }
                break;
            case EndChoice::QuitWithoutSaving: return true;
            case EndChoice::StayOpen: return false;
        }
    }
}

// Unattended, nobody could answer a box: the text goes to the error output.
void Notepad::Tell(Ending ending, const std::string& text) {
    if (ending == Ending::Asked) {
        window_.ShowMessage(text, kErrorCaption, platform::MessageIcon::Error);
    } else {
        std::fprintf(stderr, "tavrin: %s\n", text.c_str());
    }
}

// Writes the file when something changed; a failure is told once, with its
// reason, and everything stays in memory for the next try. A snapshot still
// waiting to be written is older than the list saved here: it is dropped.
void Notepad::Save() {
    if (WaitsForModal([this] { Save(); })) return;
    saver_.Settle();
    canvas_.SaveFile(dataPath_);
    TellMerge();
    TellSaveProblems();
}

void Notepad::TellSaveProblems() {
    if (const std::optional<std::string> failure = canvas_.TakeUnreportedSaveFailure()) {
        window_.ShowMessage(*failure + "\n\nThe memos stay open; Tavrin tries again at the next save.",
                            kErrorCaption, platform::MessageIcon::Error);
    }
    // A save that worked but left something to know (a folder that refuses
    // to sync) is told once, as a warning: the memos are in the file.
    if (const std::optional<std::string> warning = canvas_.TakeUnreportedSaveWarning()) {
        window_.ShowMessage(*warning, kWarningCaption, platform::MessageIcon::Warning);
    }
}

// The merged list may show another memo, or the memo on screen another
// picture, and the earliest alarm may be another one now. A merge is told
// in the status strip rather than in a box: it comes in the middle of a
// page move. An alarm the service refused is told as any refusal is.
void Notepad::TellMerge() {
    const std::optional<MergeReport> merge = canvas_.TakeMerge();
    if (!merge) return;
    // The merged list is made of new memos: the steps knew the old ones.
    history_.Forget();
    alarms_.WakeUpPass();
    RepaintWindow();
    if (merge->changedElsewhere > 0) ShowNote(MergedNote(merge->changedElsewhere));
    if (alarms_.TakeRefusedAdoptions()) alarms_.ReportRefusal();
}

// A page that can't be stored is neither saved nor left: the strokes on it
// live only on the surface. One "Not enough memory" says so, where the save
// and then the move would each have told it.
void Notepad::SaveThen(const std::function<int()>& move) {
    if (!canvas_.StorePage()) {
        canvas_.ShowNotEnoughMemory();
        return;
    }
    Save();
    if (move()) RepaintWindow();
}

void Notepad::ShowOverview() {
    // Its thumbnail shows the page on screen with its latest strokes.
    if (!canvas_.StorePage()) {
        canvas_.ShowNotEnoughMemory();
        return;
    }
    const MemoEntry* chosen = nullptr;
    {
        const ModalScope modal(*this);
        chosen = shell_.ChooseMemo();
    }
    // Shown first, then saved: a save that merges memos changed elsewhere
    // makes every entry anew, and keeps the memo shown by its identity.
    if (chosen == nullptr || !canvas_.ShowMemo(chosen)) return;
    Save();
    RepaintWindow();
}

void Notepad::Replay(UndoHistory::Replayed replayed) {
    switch (replayed) {
        case UndoHistory::Replayed::Nothing: return;
        case UndoHistory::Replayed::Done:
            RepaintWindow();
            // A memo brought back whose alarm the service refused keeps it unset.
            if (alarms_.TakeRefusedAdoptions()) alarms_.ReportRefusal();
            return;
        case UndoHistory::Replayed::NoMemory:
            window_.ShowMessage("Not enough memory", kErrorCaption, platform::MessageIcon::Error);
            return;
    }
}

void Notepad::RepaintWindow() { shell_.RepaintNow(window_.ClientRect()); }

Rect NoWindow::ClientRect() const { return {0, 0, kPageWidth, kPageHeight}; }

void NoWindow::ShowMessage(const std::string& text, const std::string& caption, platform::MessageIcon) {
    report_(caption + ": " + text);
}

bool NoWindow::AskRetry(const std::string& text, const std::string&) {
    report_(text);
    return false;
}

EndChoice NoWindow::AskHowToEnd(const std::string& text, const std::string&) {
    report_(text);
    return EndChoice::StayOpen;
}

}  // namespace tavrin::handheld
