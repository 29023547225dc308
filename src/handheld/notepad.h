// Tavrin's behaviour, whatever toolkit shows it: the canvas and alarms of the
// main window, the command table, the stylus and keys, the paint pass, and
// the moments at which the memo data file is saved. A shell turns its
// toolkit's events into these calls, hands over its paint context through
// the platform seam, and does what NotepadShell asks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "alarm_schedule/alarm_scheduler.h"
#include "canvas/memo_canvas.h"
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
inline constexpr const char* kDeleteQuestion = "Do you really want to delete this memo?";
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

// The memo data file beside the program: the program's path with the part of
// its file name from the last "." replaced by ".dat", or with ".dat" added to
// a file name without one, so that it is never the program itself.
std::string DataFileBeside(const std::string& programPath);

// A note shown in the status strip, in place of the creation time, for this long.
inline constexpr int kNoteMilliseconds = 5000;

// The note that tells of a merge with memos another program or machine
// changed: "Merged N memos changed elsewhere".
std::string MergedNote(std::size_t changedElsewhere);

// The notepad's timers, which the shell runs.
enum class NotepadTimer {
    Note,  // the status strip's note ends
};

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
};

struct NotepadSetup {
    platform::HostWindow& window;
    NotepadShell& shell;
    platform::NotificationService& notifications;
    std::string programPath;
    std::string dataPath;  // empty: no memo data file is read or written
    bool alarmStart = false;
    const platform::Clock* clock = nullptr;        // none: the local clock
    platform::FileSystem* files = nullptr;         // none: the local file system
    const platform::LocaleTexts* locale = nullptr;  // none: the user's locale
    // Where daily copies of the memo file and merged conflict copies go;
    // empty: none are kept.
    std::string backupFolder{};
};

class Notepad {
public:
    // Makes the canvas over the window, loads the memo data file and, on a
    // start by the service, saves and shows the due memo. The title is set
    // by RefreshTitle, which the shell runs once creation is over.
    explicit Notepad(const NotepadSetup& setup);

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
    void TimerFired(NotepadTimer timer);
    // The note in the status strip; empty when none shows.
    const std::string& Note() const { return note_; }
    // A second start handed over the service's start: save, then show the due memo.
    void AlarmStart();
    // The end of the program: drops the alarms that passed, asks for the next
    // wake-up and writes the memo data file even when nothing changed. When
    // the file can't be written the memos go to a file beside it; false when
    // that fails too and the window must stay, so that nothing is lost.
    bool SaveAtExit();

    MemoCanvas& Canvas() { return canvas_; }
    AlarmScheduler& Alarms() { return alarms_; }

private:
    void Save();
    void ShowSaveWarning();
    void SaveThen(int (MemoCanvas::*move)());
    // After a save: a merge with memos changed elsewhere is told in the
    // status strip, and its alarms are followed up.
    void TellMerge();
    void ShowNote(std::string note);
    void RepaintStrip();
    void StrokeTo(std::int32_t x, std::int32_t y);
    void RepaintWindow();
    bool RunPenCommand(int command);

    platform::HostWindow& window_;
    NotepadShell& shell_;
    std::string dataPath_;
    MemoCanvas canvas_;
    AlarmScheduler alarms_;
    Point lastPoint_{0, 0};
    bool penDown_ = false;
    std::string note_;
};

}  // namespace tavrin::handheld
