#include "handheld/notepad.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "handheld/menus.h"
#include "handheld/notepad_commands.h"

namespace tavrin::handheld {
namespace {

CanvasSetup NotepadCanvasSetup(const NotepadSetup& setup) {
    CanvasSetup canvas;
    canvas.window = &setup.window;
    canvas.programName = kProgramName;
    canvas.notifications = &setup.notifications;
    canvas.files = setup.files;
    canvas.clock = setup.clock;
    canvas.backupFolder = setup.backupFolder;
    return canvas;
}

AlarmSetup NotepadAlarmSetup(const NotepadSetup& setup, MemoCanvas& canvas) {
    return AlarmSetup{canvas,
                      setup.notifications,
                      setup.clock != nullptr ? *setup.clock : platform::SystemClock(),
                      setup.window,
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

std::string DataFileBeside(const std::string& programPath) {
    const std::size_t nameStart = programPath.find_last_of("/\\") + 1;  // 0 without a folder
    const std::size_t dot = programPath.rfind('.');
    const bool nameHasDot = dot != std::string::npos && dot >= nameStart;
    return programPath.substr(0, nameHasDot ? dot : programPath.size()) + ".dat";
}

Notepad::Notepad(const NotepadSetup& setup)
    : window_(setup.window),
      shell_(setup.shell),
      dataPath_(setup.dataPath),
      canvas_(NotepadCanvasSetup(setup)),
      alarms_(NotepadAlarmSetup(setup, canvas_)) {
    canvas_.SetMergedAlarms(&alarms_);
    canvas_.LoadFile(dataPath_);
    // Copies a sync tool could not reconcile are merged in and saved at once.
    if (canvas_.MergeConflictCopies(dataPath_)) Save();
    if (setup.alarmStart) {
        Save();
        alarms_.DueAlarmLookup();
    }
}

bool Notepad::RunCommand(int command) {
    switch (command) {
        case IDM_EXIT_KEY:
        case IDM_EXIT: shell_.Close(); return true;
        case IDM_ABOUT: shell_.ShowAbout(); return true;
        case IDM_NEW_PAGE:
            Save();
            canvas_.NewPage(true);
            RepaintWindow();
            return true;
        case IDM_INSERT_NEW:
            Save();
            canvas_.NewPage(false);
            RepaintWindow();
            return true;
        case IDM_DELETE_PAGE:
            // Nothing is saved first: the memo is about to go.
            if (shell_.Confirm(kDeleteQuestion, kDeleteCaption)) {
                canvas_.DeletePage();
                RepaintWindow();
            }
            return true;
        case IDM_PREVIOUS_PAGE: SaveThen(&MemoCanvas::PreviousPage); return true;
        case IDM_NEXT_PAGE: SaveThen(&MemoCanvas::NextPage); return true;
        case IDM_SET_TIME: shell_.RunSetTimeDialog(); return true;
        case IDM_SAVE: Save(); return true;
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
    if (timer != NotepadTimer::Note || note_.empty()) return;
    note_.clear();
    RepaintStrip();
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
    Save();
    alarms_.DueAlarmLookup();
    RepaintWindow();
}

bool Notepad::SaveAtExit() {
    alarms_.WakeUpPass();
    canvas_.SetChanged();
    if (canvas_.SaveFile(dataPath_)) {
        TellMerge();
        ShowSaveWarning();
        return true;
    }
    const std::string failure = canvas_.SaveError();
    if (const std::optional<std::string> beside = canvas_.SaveBeside(dataPath_)) {
        window_.ShowMessage(failure + "\n\nThe memos were saved to " + *beside + " instead.",
                            kErrorCaption, platform::MessageIcon::Error);
        ShowSaveWarning();
        return true;
    }
    window_.ShowMessage(failure + "\n\n" + canvas_.SaveError() +
                            "\n\nTavrin stays open so that no memo is lost.",
                        kErrorCaption, platform::MessageIcon::Error);
    return false;
}

// Writes the file when something changed; a failure is told once, with its
// reason, and everything stays in memory for the next try.
void Notepad::Save() {
    canvas_.SaveFile(dataPath_);
    TellMerge();
    if (const std::optional<std::string> failure = canvas_.TakeUnreportedSaveFailure()) {
        window_.ShowMessage(*failure + "\n\nThe memos stay open; Tavrin tries again at the next save.",
                            kErrorCaption, platform::MessageIcon::Error);
    }
    ShowSaveWarning();
}

// A save that worked but left something to know (a folder that refuses to
// sync) is told once, as a warning: the memos are in the file.
void Notepad::ShowSaveWarning() {
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
    alarms_.WakeUpPass();
    RepaintWindow();
    if (merge->changedElsewhere > 0) ShowNote(MergedNote(merge->changedElsewhere));
    if (alarms_.TakeRefusedAdoptions()) alarms_.ReportRefusal();
}

void Notepad::SaveThen(int (MemoCanvas::*move)()) {
    Save();
    if ((canvas_.*move)()) RepaintWindow();
}

void Notepad::RepaintWindow() { shell_.RepaintNow(window_.ClientRect()); }

}  // namespace tavrin::handheld
