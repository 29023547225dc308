// The document and drawing object of both programs: the memo list, the
// off-screen surface on which the current memo's picture lives while it is
// shown and written on, the pen and the drawing objects made from it, and
// the `changed` flag that decides whether the memo data file is written.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/byte_file.h"
#include "platform/clock.h"
#include "platform/drawing.h"
#include "platform/host_window.h"
#include "platform/notification_service.h"
#include "store/memo_file.h"
#include "store/memo_list.h"

namespace tavrin {

// The notepad's warning for a file with the wrong magic, and the viewer's.
constexpr std::string_view kCorruptedWarning =
    "Tavrin data file is corrupted, it will be cleaned up.";
constexpr std::string_view kViewerCorruptedWarning = "Tavrin data file is corrupted.";
// Shown titled "Error" when memory for a page can't be had.
constexpr std::string_view kNotEnoughMemory = "Not enough memory";

// The memos as they were at one moment, for a save on another thread: the
// pages are shared with the canvas's list, never copied, and never drawn on.
struct SaveSnapshot {
    std::shared_ptr<MemoList> memos;
    std::uint64_t edits = 0;  // the canvas's count of changes when it was taken
};

// How writing a snapshot ended.
struct SnapshotOutcome {
    enum Result { Saved, ChangedOnDisk, Failed };
    Result result = Failed;
    std::string error;    // Failed: why
    std::string warning;  // Saved: what the save left to know
};

// Everything the canvas reaches outside itself, set by the program that owns it.
struct CanvasSetup {
    platform::HostWindow* window = nullptr;  // none: a 240 × 320 surface, no title
    std::string programName = "Tavrin";      // the name in the window title
    std::string corruptedWarning = std::string(kCorruptedWarning);
    platform::NotificationService* notifications = nullptr;  // the viewer has none
    platform::FileSystem* files = nullptr;                   // none: the local file system
    const platform::Clock* clock = nullptr;                  // none: the local clock
    // Where daily copies of the file and merged conflict copies are kept;
    // empty: none are (the viewer only reads).
    std::string backupFolder{};
};

class MemoCanvas {
public:
    static constexpr Color kEraserColor = 0xFFFFFF;

    // Makes the surface for the window; then loads the file at `path` when
    // one is given, else clears the surface.
    explicit MemoCanvas(const CanvasSetup& setup, const std::string* path = nullptr);
    virtual ~MemoCanvas();
    MemoCanvas(const MemoCanvas&) = delete;
    MemoCanvas& operator=(const MemoCanvas&) = delete;

    void CreateSurface(platform::HostWindow* window);
    void ReleaseSurface();
    void Clear();
    void ApplyPen();
    void SetPenWidth(std::int16_t width);
    void SetPenColor(Color color);
    int DrawSegment(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1);

    // Captures the surface into the current memo; 0 (the memo keeps the
    // picture it had) when memory for it can't be had.
    int StorePage();
    int FetchPage();
    void ShowCurrent();
    void RefreshTitle();
    // Sets the window title for the alarm time, or for none.
    void UpdateTitle(const SYSTEMTIME* alarmTime);
    // Draw into `target`, or into the surface when it is null.
    void DrawCreatedText(platform::DrawingContext* target = nullptr);
    void DrawCounterText(platform::DrawingContext* target = nullptr);

    // Each stores the page shown first: a page that can't be stored is not
    // left, "Not enough memory" says so, and the result is 0.
    int NewPage(bool append);
    int PreviousPage();
    int NextPage();
    // Shows `memo`, one of the list's; 0 when it is none, the one shown or
    // not in the list (the list then stays where it was).
    int ShowMemo(const MemoEntry* memo);
    // 0, with "Not enough memory" and nothing changed, when the blank memo
    // that replaces the only one can't be had.
    int DeletePage();
    // "Not enough memory", titled "Error", on the window.
    void ShowNotEnoughMemory();

    // Reads the file into the list and shows what went wrong as the
    // program's message boxes: the corrupted-file warning for a wrong magic,
    // "Not enough memory" when a page's data can't be held.
    int LoadFile(const std::string& path);
    // The same for a file read in the background: waits for the reading.
    int LoadFile(BackgroundLoad& load);
    // Writes the file when something changed. On failure (the page shown
    // that can't be stored among them) `changed` stays set, so the next call
    // tries again, and SaveError() says why. When another
    // program changed the file meanwhile, its memos are merged in first and
    // the current memo is shown again (TakeMerge tells); `SetMergedAlarms`
    // names who takes over the alarms a merge brings and drops.
    int SaveFile(const std::string& path);
    // Merges the conflict copies a sync tool left beside the file into the
    // list (where backups are kept), marks the list changed and shows the
    // current memo again; the next SaveFile moves them to the backups. 1
    // when one was merged; a copy left alone is told in a warning box.
    int MergeConflictCopies(const std::string& path);
    void SetMergedAlarms(MergedAlarms* alarms) { mergedAlarms_ = alarms; }
    // A snapshot of the memos for WriteSnapshot to `path`, the current page
    // stored first; none when nothing changed (or memory for it can't be
    // had: for the page shown, SaveError() says so and `changed` stays).
    std::optional<SaveSnapshot> TakeSnapshot(const std::string& path);
    // Writes a snapshot to the file; may run on another thread than the
    // canvas's, and waits for any other use of the file. A file changed
    // elsewhere is never merged here (the list is the canvas's): it ends
    // ChangedOnDisk, for a SaveFile on the canvas's thread to merge.
    SnapshotOutcome WriteSnapshot(SaveSnapshot& snapshot, const std::string& path);
    // Back on the canvas's thread: what a snapshot's save means for
    // `changed` and the save failures to tell.
    void SnapshotWritten(const SaveSnapshot& snapshot, const SnapshotOutcome& outcome);
    // What the last save merged, once; none when it merged nothing.
    std::optional<MergeReport> TakeMerge() { return std::exchange(merge_, std::nullopt); }
    const std::string& SaveError() const { return saveError_; }
    // Writes every memo to a new file beside `path` (`<path>.saved-N`), for
    // when the file itself can't be written; its path, or none with
    // SaveError() saying why. The memo data file and `changed` stay as they are.
    std::optional<std::string> SaveBeside(const std::string& path);
    // Writes every memo to `path`, a file of the user's choosing; 1, or 0
    // with SaveError() saying why. The memo data file stays as it is.
    int SaveCopy(const std::string& path);
    // Writes every memo into `folder` as a rescue copy of the data file at
    // `dataPath`; its path, or none with SaveError() saying why.
    std::optional<std::string> SaveRescueCopy(const std::string& folder, const std::string& dataPath);
    // Why the file at `path` could not be read at the load, for the user;
    // none when it was read or is not there.
    std::optional<std::string> WhyUnread(const std::string& path);
    // The reason of a save failure not yet reported to the user, once per
    // run of failures: a save that works again ends the run.
    std::optional<std::string> TakeUnreportedSaveFailure();
    // What a save that worked left for the user to know (a folder that
    // refuses to sync, ...), once per run of saves that leave the same: such
    // a folder refuses at every save.
    std::optional<std::string> TakeUnreportedSaveWarning();

    MemoList& List() { return list_; }
    const MemoList& List() const { return list_; }
    platform::DrawingContext& Context() { return *context_; }
    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    std::int16_t PenWidth() const { return penWidth_; }
    Color PenColor() const { return penColor_; }
    // `changed`: whether anything changed since the last load or save that
    // holds it. Counted, so that a save of a snapshot taken before a later
    // change leaves the list changed.
    bool Changed() const { return edits_ != savedEdits_; }
    void SetChanged() { ++edits_; }
    std::uint64_t Edits() const { return edits_; }

private:
    int StoreBeforeLeaving();
    int ShowLoaded(const FileLoadReport& loaded);
    void NoteSaveFailure(const std::string& error);
    void NoteSaved(std::uint64_t edits);
    void ShowLoadProblem(LoadOutcome outcome);
    void NoteSaveWarning(const std::string& warning);

    platform::HostWindow* window_;
    std::string programName_;
    std::string corruptedWarning_;
    platform::NotificationService* notifications_;
    MemoFile file_;

    MemoList list_;
    std::unique_ptr<platform::DrawingContext> context_;
    std::unique_ptr<platform::Bitmap> bitmap_;
    platform::Bitmap* savedBitmap_ = nullptr;
    std::unique_ptr<platform::Pen> pen_;
    platform::Pen* savedPen_ = nullptr;
    std::unique_ptr<platform::Pen> outlinePen_;
    std::unique_ptr<platform::Brush> brush_;
    platform::Brush* savedBrush_ = nullptr;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int16_t penWidth_ = 2;
    Color penColor_ = 0x000000;
    std::uint64_t edits_ = 0;
    std::uint64_t savedEdits_ = 0;
    // The file is written from a saving thread too: one use at a time.
    std::mutex fileUse_;

    std::string saveError_;
    bool saveErrorReported_ = false;
    std::string saveWarning_;
    bool saveWarningReported_ = false;
    MergedAlarms* mergedAlarms_ = nullptr;
    std::optional<MergeReport> merge_;
};

}  // namespace tavrin
