// Tavrin's behaviour, whatever toolkit shows it: the canvas and alarms of the
// main window, the command table, the stylus and keys, the paint pass, and
// the moments at which the memo data file is saved. A shell turns its
// toolkit's events into these calls, hands over its paint context through
// the platform seam, and does what NotepadShell asks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "alarm_schedule/alarm_scheduler.h"
#include "handheld/background_saver.h"
#include "canvas/memo_canvas.h"
#include "canvas/undo_history.h"
#include "platform/byte_file.h"
#include "platform/clock.h"
#include "platform/drawing.h"
#include "platform/host_window.h"
#include "platform/locale_text.h"
#include "platform/notification_service.h"
#include "platform/types.h"
#include "platform/virtual_keys.h"

namespace tavrin::handheld {

inline constexpr const char* kProgramName = "Tavrin";
// Found anywhere on the command line, it marks a start by the notification service.
inline constexpr std::string_view kAlarmStartArgument = "AppRunAtTime";
inline constexpr std::string_view kNewMemoSwitch = "--new-memo";
inline constexpr const char* kDeleteQuestion = "Do you really want to delete this memo?";
// An alarm's notification named a memo the notepad does not have (any more).
inline constexpr const char* kNoSuchMemo = "The memo of this alarm is no longer there.";
inline constexpr const char* kNothingToSnooze =
    "This alarm can't be snoozed: its memo is no longer there, or has another alarm now.";
inline constexpr const char* kDeleteCaption = "Delete";
inline constexpr const char* kWarningCaption = "Warning";

// The page's part of the window's top edge where the two status texts sit:
// a paint that reaches into the top rows draws the creation text when it
// reaches left of kCreatedTextEnd, the position when it reaches right of
// kCounterTextStart.
inline constexpr std::int32_t kStatusRows = 15;
inline constexpr std::int32_t kCreatedTextEnd = 100;
inline constexpr std::int32_t kCounterTextStart = 200;
// A stroke repaints the box around its segment, this much wider on each side.
inline constexpr std::int32_t kStrokeMargin = 10;

// The notepad answers the arrow keys.
using enum platform::VirtualKey;

// What a second start hands over to the running notepad.
enum class HandOver {
    Nothing,     // it only comes to the front
    NewPage,     // "Create new page": the running window was already in front
    AlarmStart,  // the service started the program: show the due memo
};
HandOver HandOverFor(bool alarmStart, bool runningWindowWasInFront);

// Whether the command line holds the notification service's start argument.
bool IsAlarmStart(std::string_view commandLine);

// What a start of the program asks for: of the running instance, which a
// later start hands it over to, or of itself when none runs.
struct StartRequest {
    enum class Kind {
        Plain,
        AlarmStart,  // the service started it: show the due memo
        OpenMemo,    // "Open" on a notification: show the memo of `key`
        SnoozeMemo,  // "Snooze 10 minutes": move the alarm of `key` on, show nothing
        NewMemo,     // the desktop's "New memo" action: a new page at the end, always
    };
    Kind kind = Kind::Plain;
    std::string key;  // the notification's alarm key (AlarmKeyText)

    friend bool operator==(const StartRequest&, const StartRequest&) = default;
};
// From the command line (the program's path may lead it): "AppRunAtTime"
// anywhere makes an alarm start; "--open KEY" and "--snooze KEY" come from
// a notification's actions; "--new-memo" from the desktop entry's action.
StartRequest ReadStartRequest(std::string_view commandLine);
// The one line, without its line break, that a later start sends the
// running instance; nothing for a line no start sends.
std::string HandOverLine(const StartRequest& request);
std::optional<StartRequest> ParseHandOverLine(std::string_view line);

// The memo data file beside the program: the program's path with the part of
// its file name from the last "." replaced by ".dat", or with ".dat" added to
// a file name without one, so that it is never the program itself.
std::string DataFileBeside(const std::string& programPath);

// A note shown in the status strip, in place of the creation time, for this long.
inline constexpr int kNoteMilliseconds = 5000;
// A changed memo is saved this long after the pen lifts.
inline constexpr int kAutosaveMilliseconds = 2000;

// The note that tells of a merge with memos another program or machine
// changed: "Merged N memos changed elsewhere".
std::string MergedNote(std::size_t changedElsewhere);

// The notepad's timers, which the shell runs.
enum class NotepadTimer {
    Note,      // the status strip's note ends
    Autosave,  // the pen has rested: a changed memo is saved
    Resume,    // a modal dialog closed: what waited for it goes on
};

// What the user chose when the memos could be saved neither in their file
// nor beside it at the end.
enum class EndChoice {
    SaveElsewhere,      // a file the user picks
    QuitWithoutSaving,  // the changes since the last save are lost
    StayOpen,           // the window and its memos stay
};

// How the program is ending: closed by the user, who may be asked, or by the
// session, a signal or a lost display, where nobody can answer.
enum class Ending { Asked, Unattended };

// What the notepad asks of the window that shows it.
class NotepadShell {
public:
    virtual ~NotepadShell() = default;

    // Paints `box` of the window before the next input is taken, without
    // erasing it first.
    virtual void RepaintNow(const Rect& box) = 0;
    // The Yes/No question with the exclamation icon, owned by the main window.
    virtual bool Confirm(const std::string& question, const std::string& caption) = 0;
    virtual void ShowAbout() = 0;
    // The "Set notification time" dialog, modal, over the notepad's alarms.
    virtual void RunSetTimeDialog() = 0;
    // Closes the main window, which ends the program.
    virtual void Close() = 0;
    // Keeps the stylus's moves and release on the window while it is down,
    // even outside it; a toolkit that does so by itself needs nothing here.
    virtual void CaptureStylus() = 0;
    virtual void ReleaseStylus() = 0;
    // Runs Notepad::TimerFired(timer) once, `milliseconds` from now; asked
    // again before that, it starts over.
    virtual void StartTimer(NotepadTimer timer, int milliseconds) = 0;
    // Runs `task` on the window's thread soon; may be called from any thread.
    virtual void PostToUiThread(std::function<void()> task) = 0;
    // Retry or Quit, with the error icon: true for Retry.
    virtual bool AskRetry(const std::string& text, const std::string& caption) = 0;
    // The question at an end that can save the memos nowhere.
    virtual EndChoice AskHowToEnd(const std::string& text, const std::string& caption) = 0;
    // A file dialog for saving the memos; none when the user cancels.
    virtual std::optional<std::string> ChooseFileToSave(const std::string& suggested) = 0;
    // The overview of every memo, modal: the memo chosen, or none. A shell
    // without an overview chooses none.
    virtual const MemoEntry* ChooseMemo() { return nullptr; }
};

struct NotepadSetup {
    platform::HostWindow& window;
    NotepadShell& shell;
    platform::NotificationService& notifications;
    std::string programPath;
    std::string dataPath;  // empty: no memo data file is read or written
    bool alarmStart = false;
    std::string openMemo{};  // an alarm's key: its memo is shown once loaded
    const platform::Clock* clock = nullptr;        // none: the local clock
    platform::FileSystem* files = nullptr;         // none: the local file system
    const platform::LocaleTexts* locale = nullptr;  // none: the user's locale
    // Where daily copies of the memo file and merged conflict copies go;
    // empty: none are kept.
    std::string backupFolder{};
    // Where an unattended end that can save nowhere else writes the memos;
    // empty: nowhere.
    std::string rescueFolder{};
};

class Notepad {
public:
    // Makes the canvas over the window, loads the memo data file and, on a
    // start by the service, saves and shows the due memo. The title is set
    // by RefreshTitle, which the shell runs once creation is over. A file
    // that exists but can't be read is said, with Retry and Quit.
    explicit Notepad(const NotepadSetup& setup);
    // The user chose Quit at the start: the program ends without a window.
    bool QuitAtStart() const { return quitAtStart_; }

    // False when `command` is none of the notepad's (the drop-down buttons'
    // own commands among them).
    bool RunCommand(int command);
    // True when the key is used up.
    bool PressKey(int virtualKey);

    // Stylus points in window coordinates, signed: a point left of or above
    // the window is negative.
    void StylusDown(std::int32_t x, std::int32_t y);
    void StylusMove(std::int32_t x, std::int32_t y);
    void StylusUp(std::int32_t x, std::int32_t y);

    // One paint pass over `update` of the window.
    void Paint(platform::DrawingContext& context, const Rect& update);

    void RefreshTitle();
    void Minimised();
    // The window lost the keyboard focus: a changed memo is saved.
    void FocusLost();
    void TimerFired(NotepadTimer timer);
    // The note in the status strip; empty when none shows.
    const std::string& Note() const { return note_; }
    // Puts `note` in the status strip, in place of the creation time, for
    // kNoteMilliseconds.
    void ShowNote(std::string note);
    // Runs a dialog of the shell's own (export, print) as the notepad's
    // dialogs run: the page shown is stored first, and hand-overs, commands
    // and saves that come meanwhile wait until it ends. False, with "Not
    // enough memory" said, when the page can't be stored: the dialog does
    // not run.
    bool RunDialog(const std::function<void()>& dialog);
    // A second start handed over the service's start: save, then show the due memo.
    void AlarmStart();
    // "Open" on an alarm's notification: save, then show the memo of `key`.
    void OpenMemo(const std::string& key);
    // "Snooze 10 minutes" on an alarm's notification: save, move the alarm
    // of `key` on, save again. What went wrong is told to the user.
    void SnoozeMemo(const std::string& key);
    // A start that only snoozes, when no instance runs: loads the memo data
    // file, snoozes, saves as at exit and ends. The exit code: 0 snoozed,
    // 1 not (told through the setup's window).
    static int SnoozeWithoutWindow(const NotepadSetup& setup, const std::string& key);
    // The end of the program, once whichever way it comes: writes the memo
    // data file even when nothing changed, then drops the alarms that passed
    // and asks for the next wake-up (the service may be slow to answer),
    // writing the file again only when that changed an alarm. When the file
    // can't be written the memos go to a file beside it; when that fails too,
    // the user chooses another file, to quit, or to stay (false: the window
    // stays). Unattended, a rescue copy goes to the rescue folder instead.
    bool SaveAtExit(Ending ending = Ending::Asked);

    MemoCanvas& Canvas() { return canvas_; }
    AlarmScheduler& Alarms() { return alarms_; }
    UndoHistory& History() { return history_; }

private:
    // Counts the modal dialogs open: hand-overs and saves that could change
    // the memo under a dialog wait until the last one closes.
    class ModalScope;
    // The main window as the canvas and the alarms see it: its message
    // boxes are modal moments too.
    class ModalWindow : public platform::HostWindow {
    public:
        ModalWindow(Notepad& notepad, platform::HostWindow& window) : notepad_(notepad), window_(window) {}
        Rect ClientRect() const override { return window_.ClientRect(); }
        void SetTitle(const std::string& title) override { window_.SetTitle(title); }
        void ShowMessage(const std::string& text, const std::string& caption, platform::MessageIcon icon) override;

    private:
        Notepad& notepad_;
        platform::HostWindow& window_;
    };

    void LoadUntilRead();
    bool WaitsForModal(std::function<void()> later);
    void Resume();
    void Autosave();
    void WriteSnapshot(SaveSnapshot& snapshot);
    void SnapshotWritten(const SaveSnapshot& snapshot, const SnapshotOutcome& outcome);
    bool WriteForExit(Ending ending, bool& inFile);
    bool EndWithoutFile(Ending ending, const std::string& failure);
    AlarmScheduler::Snoozed Snooze(const std::string& key);
    void Save();
    void TellSaveProblems();
    void Tell(Ending ending, const std::string& text);
    // Saves, then makes the page move, which repaints the window when it
    // moved; refused with "Not enough memory" when the page shown can't be
    // stored.
    void SaveThen(const std::function<int()>& move);
    // The overview, over the memos as they are now; the memo chosen in it is
    // shown, as a page move shows it.
    void ShowOverview();
    // An undo or redo: the window shows what it did, or why it could not.
    void Replay(UndoHistory::Replayed replayed);
    // After a save: a merge with memos changed elsewhere is told in the
    // status strip, and its alarms are followed up.
    void TellMerge();
    void RepaintStrip();
    void StrokeTo(std::int32_t x, std::int32_t y);
    void RepaintWindow();
    bool RunPenCommand(int command);

    ModalWindow window_;
    NotepadShell& shell_;
    std::string dataPath_;
    std::string rescueFolder_;
    MemoCanvas canvas_;
    AlarmScheduler alarms_;
    UndoHistory history_;
    Point lastPoint_{0, 0};
    bool penDown_ = false;
    std::string note_;
    bool quitAtStart_ = false;
    int modalDepth_ = 0;
    std::vector<std::function<void()>> afterModal_;
    // The exit save ran, and the canvas's count of changes then.
    std::optional<std::uint64_t> exitSavedAt_;
    // Last, so that its thread ends before anything it uses goes.
    BackgroundSaver saver_;
};

// The window of a notepad that shows none (a start that only snoozes an
// alarm): the page's size, no title, no questions; messages go to `report`.
class NoWindow final : public platform::HostWindow, public NotepadShell {
public:
    explicit NoWindow(std::function<void(const std::string& message)> report)
        : report_(std::move(report)) {}

    Rect ClientRect() const override;
    void SetTitle(const std::string&) override {}
    void ShowMessage(const std::string& text, const std::string& caption,
                     platform::MessageIcon icon) override;
    void RepaintNow(const Rect&) override {}
    bool Confirm(const std::string&, const std::string&) override { return false; }
    void ShowAbout() override {}
    void RunSetTimeDialog() override {}
    void Close() override {}
    void CaptureStylus() override {}
    void ReleaseStylus() override {}
    // It ends before a note would, and it has no pen or focus whose rest
    // would save in the background.
    void StartTimer(NotepadTimer, int) override {}
    void PostToUiThread(std::function<void()> task) override { task(); }
    // Nobody can answer: the question is reported, and the answer is Quit,
    // or to leave the memos where they are.
    bool AskRetry(const std::string& text, const std::string&) override;
    EndChoice AskHowToEnd(const std::string& text, const std::string&) override;
    std::optional<std::string> ChooseFileToSave(const std::string&) override { return std::nullopt; }

private:
    std::function<void(const std::string& message)> report_;
};

}  // namespace tavrin::handheld
