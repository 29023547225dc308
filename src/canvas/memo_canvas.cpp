#include "canvas/memo_canvas.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "alarms/alarm_time.h"

namespace tavrin {
namespace {

// A save that can't store the page shown would leave out what was drawn on
// it: it writes nothing and says why.
std::string PageNotStored(const std::string& target) {
    return "Could not save " + target + ": not enough memory to store the page shown";
}

}  // namespace

MemoCanvas::MemoCanvas(const CanvasSetup& setup, const std::string* path)
    : window_(setup.window),
      programName_(setup.programName),
      corruptedWarning_(setup.corruptedWarning),
      notifications_(setup.notifications),
      file_(setup.files != nullptr ? *setup.files : platform::LocalFileSystem()),
      list_(setup.clock != nullptr ? *setup.clock : platform::SystemClock()) {
    if (!setup.backupFolder.empty()) {
        file_.KeepBackupsIn(setup.backupFolder, setup.clock != nullptr ? *setup.clock : platform::SystemClock());
    }
    CreateSurface(window_);
    if (path != nullptr) {
        LoadFile(*path);
    } else {
        Clear();
    }
}

MemoCanvas::~MemoCanvas() { ReleaseSurface(); }

void MemoCanvas::CreateSurface(platform::HostWindow* window) {
    const auto screen = platform::GetScreenContext();
    const Rect area = window != nullptr ? window->ClientRect() : Rect{0, 0, kPageWidth, kPageHeight};
    width_ = area.Width();
    height_ = area.Height();
    context_ = screen->CreateCompatibleContext();
    bitmap_ = screen->CreateCompatibleBitmap(width_, height_);
    if (bitmap_ != nullptr) savedBitmap_ = context_->SelectBitmap(bitmap_.get());
    ApplyPen();
}

void MemoCanvas::ReleaseSurface() {
    if (context_ == nullptr) return;
    // Put back what the context came with, so it never holds an object
    // that is about to be destroyed.
    context_->SelectPen(savedPen_);
    context_->SelectBrush(savedBrush_);
    context_->SelectBitmap(savedBitmap_);
    savedPen_ = nullptr;
    savedBrush_ = nullptr;
    savedBitmap_ = nullptr;
    bitmap_.reset();
    context_.reset();
}

void MemoCanvas::Clear() { context_->FillWhite({0, 0, kPageWidth, kPageHeight}); }

void MemoCanvas::ApplyPen() {
    outlinePen_.reset();
    std::unique_ptr<platform::Pen> newPen;
    std::unique_ptr<platform::Brush> newBrush;
    if (penWidth_ != 0) {
        newPen = platform::CreatePen(penWidth_, penColor_);
        newBrush = platform::CreateSolidBrush(penColor_);
        outlinePen_ = platform::CreatePen(1, penColor_);
    } else {
        newPen = platform::CreatePen(10, kEraserColor);
        newBrush = platform::CreateSolidBrush(kEraserColor);
    }
    // The new objects go in before the old ones are destroyed; one that
    // couldn't be made leaves the previous one in use.
    platform::Pen* replacedPen = context_->SelectPen(newPen.get());
    if (savedPen_ == nullptr) savedPen_ = replacedPen;
    if (newPen != nullptr) pen_ = std::move(newPen);
    platform::Brush* replacedBrush = context_->SelectBrush(newBrush.get());
    if (savedBrush_ == nullptr) savedBrush_ = replacedBrush;
    if (newBrush != nullptr) brush_ = std::move(newBrush);
}

void MemoCanvas::SetPenWidth(std::int16_t width) {
    penWidth_ = width;
    ApplyPen();
}

void MemoCanvas::SetPenColor(Color color) {
    penColor_ = color;
    ApplyPen();
}

int MemoCanvas::DrawSegment(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
    ++edits_;
    if (x0 == x1 && y0 == y1) return 0;
    if (penWidth_ == 0) {
        context_->FillWhite({x1 - 5, y1 - 5, x1 + 5, y1 + 5});
        context_->Line(x0, y0, x1, y1);
        return 1;
    }
    const std::int32_t half = penWidth_ / 2;
    if (penWidth_ > 2) {
        // A round dot at the new point keeps wide strokes round where the
        // line is skipped or meets the next segment.
        platform::Pen* strokePen = context_->SelectPen(outlinePen_.get());
        context_->Ellipse({x1 - half, y1 - half, x1 - half + penWidth_, y1 - half + penWidth_});
        context_->SelectPen(strokePen);
    } else if (penWidth_ == 2 && brush_ != nullptr) {
        context_->FillRect({x1 - 1, y1, x1, y1 + 1}, *brush_);
    }
    // A move smaller than the dot's half width is covered by the dot.
    if (std::abs(x1 - x0) >= half || std::abs(y1 - y0) >= half) context_->Line(x0, y0, x1, y1);
    return 1;
}

int MemoCanvas::StorePage() { return list_.Current()->page.Capture(*context_, 0, 0, width_, height_); }

// The strokes on the surface live nowhere else until they are stored: a page
// that can't be stored is not left.
int MemoCanvas::StoreBeforeLeaving() {
    if (StorePage()) return 1;
    ShowNotEnoughMemory();
    return 0;
}

void MemoCanvas::ShowNotEnoughMemory() {
    if (window_ != nullptr) window_->ShowMessage(std::string(kNotEnoughMemory), "Error", platform::MessageIcon::Error);
}

int MemoCanvas::FetchPage() {
    const PageImage& page = list_.Current()->page;
    // A page smaller than the page area would leave the pixels of the memo
    // shown before around it.
    if (page.Width() < kPageWidth || page.Height() < kPageHeight) {
        Clear();
    }
    page.Draw(*context_, 0, 0, width_, height_);
    return 1;
}

void MemoCanvas::ShowCurrent() {
    FetchPage();
    RefreshTitle();
}

void MemoCanvas::RefreshTitle() {
    const MemoEntry& memo = *list_.Current();
    UpdateTitle(memo.alarmHandle != 0 ? &memo.alarmTime : nullptr);
}

void MemoCanvas::UpdateTitle(const SYSTEMTIME* alarmTime) {
    if (window_ != nullptr) window_->SetTitle(TitleText(programName_, alarmTime));
}

void MemoCanvas::DrawCreatedText(platform::DrawingContext* target) {
    platform::DrawingContext& into = target != nullptr ? *target : *context_;
    std::string text;
    if (!FormatTimeText(list_.Current()->created, "%s", &text)) return;
    const Size size = into.MeasureText(text);
    into.DrawText(text, {0, 0, size.cx, size.cy});
}

void MemoCanvas::DrawCounterText(platform::DrawingContext* target) {
    platform::DrawingContext& into = target != nullptr ? *target : *context_;
    char text[16];
    std::snprintf(text, sizeof text, "%u/%u", unsigned{list_.CurrentIndex()}, unsigned{list_.Count()});
    const Size size = into.MeasureText(text);
    into.DrawText(text, {kPageWidth - size.cx, 0, kPageWidth - 1, size.cy});
}

int MemoCanvas::NewPage(bool append) {
    if (!StoreBeforeLeaving()) return 0;
    if ((append ? list_.Append() : list_.InsertBefore()) == nullptr) return 0;
    Clear();
    UpdateTitle(nullptr);
    ++edits_;
    return 1;
}

int MemoCanvas::DeletePage() {
    // The picture on the surface belongs to the memo going away: no StorePage.
    // Its alarm is withdrawn once the memo is gone: a memo kept keeps its alarm.
    const std::uint32_t alarm = list_.Current()->alarmHandle;
    if (!list_.DeleteCurrent()) {
        ShowNotEnoughMemory();
        return 0;
    }
    if (notifications_ != nullptr) notifications_->RemoveNotification(alarm);
    ShowCurrent();
    ++edits_;
    return 1;
}

int MemoCanvas::PreviousPage() {
    if (!StoreBeforeLeaving()) return 0;
    if (!list_.Previous()) return 0;
    ShowCurrent();
    return 1;
}

int MemoCanvas::NextPage() {
    if (!StoreBeforeLeaving()) return 0;
    if (!list_.Next()) return 0;
    ShowCurrent();
    return 1;
}

int MemoCanvas::ShowMemo(const MemoEntry* memo) {
    const MemoEntry* shown = list_.Current();
    if (memo == nullptr || memo == shown || !StoreBeforeLeaving()) return 0;
    if (!list_.SeekTo(memo)) {
        list_.SeekTo(shown);
        return 0;
    }
    ShowCurrent();
    return 1;
}

int MemoCanvas::LoadFile(const std::string& path) {
    const std::lock_guard lock(fileUse_);
    return ShowLoaded(file_.Load(list_, path));
}

int MemoCanvas::LoadFile(BackgroundLoad& load) {
    const std::lock_guard lock(fileUse_);
    return ShowLoaded(load.TakeInto(file_, list_));
}

int MemoCanvas::ShowLoaded(const FileLoadReport& loaded) {
    if (loaded.outcome == LoadOutcome::NotOpened) return 0;
    ShowLoadProblem(loaded.outcome);
    if (loaded.Result()) ShowCurrent();
    savedEdits_ = edits_;
    return loaded.Result();
}

void MemoCanvas::ShowLoadProblem(LoadOutcome outcome) {
    if (window_ == nullptr) return;
    if (outcome == LoadOutcome::WrongMagic) {
        window_->ShowMessage(corruptedWarning_, "Warning", platform::MessageIcon::Warning);
    } else if (outcome == LoadOutcome::OutOfMemory) {
        ShowNotEnoughMemory();
    }
}

int MemoCanvas::SaveFile(const std::string& path) {
    if (!Changed()) return 0;
    if (!StorePage()) {
        NoteSaveFailure(PageNotStored(path));
        return 0;
    }
    const std::uint64_t saving = edits_;
    const std::lock_guard lock(fileUse_);
    if (!file_.Save(list_, path, mergedAlarms_)) {
        NoteSaveFailure(file_.LastError());
        return 0;
    }
    if (file_.LastMerge().merged) {
        merge_ = file_.LastMerge();
        ShowCurrent();
    }
    NoteSaved(saving);
    NoteSaveWarning(file_.Warning());
    return 1;
}

void MemoCanvas::NoteSaveFailure(const std::string& error) {
    if (saveError_ != error) saveErrorReported_ = false;
    saveError_ = error;
}

void MemoCanvas::NoteSaved(std::uint64_t edits) {
    saveError_.clear();
    saveErrorReported_ = false;
    savedEdits_ = std::max(savedEdits_, edits);
}

std::optional<SaveSnapshot> MemoCanvas::TakeSnapshot(const std::string& path) {
    if (!Changed()) return std::nullopt;
    if (!StorePage()) {
        NoteSaveFailure(PageNotStored(path));
        return std::nullopt;
    }
    SaveSnapshot snapshot{std::make_shared<MemoList>(), edits_};
    if (snapshot.memos->CopyOf(list_) == 0) return std::nullopt;
    return snapshot;
}

SnapshotOutcome MemoCanvas::WriteSnapshot(SaveSnapshot& snapshot, const std::string& path) {
    const std::lock_guard lock(fileUse_);
    if (file_.Save(*snapshot.memos, path, nullptr, SaveMode::StopIfChanged)) {
        return {SnapshotOutcome::Saved, {}, file_.Warning()};
    }
    return {file_.StoppedForMerge() ? SnapshotOutcome::ChangedOnDisk : SnapshotOutcome::Failed, file_.LastError(), {}};
}

void MemoCanvas::SnapshotWritten(const SaveSnapshot& snapshot, const SnapshotOutcome& outcome) {
    if (outcome.result == SnapshotOutcome::Saved) {
        NoteSaved(snapshot.edits);
        NoteSaveWarning(outcome.warning);
    } else if (outcome.result == SnapshotOutcome::Failed) {
        NoteSaveFailure(outcome.error);
    }
}

int MemoCanvas::MergeConflictCopies(const std::string& path) {
    const std::lock_guard lock(fileUse_);
    // The file itself could not be read: its memos would be missing from
    // the merged list, which could not be saved anyway.
    if (file_.KeepsUnopened(path)) return 0;
    const MergeReport merged = file_.MergeConflictCopies(list_, path, mergedAlarms_);
    if (window_ != nullptr && !file_.Warning().empty()) {
        window_->ShowMessage(file_.Warning(), "Warning", platform::MessageIcon::Warning);
    }
    if (!merged.merged) return 0;
    merge_ = merged;
    ++edits_;
    ShowCurrent();
    return 1;
}

std::optional<std::string> MemoCanvas::SaveBeside(const std::string& path) {
    if (!StorePage()) {
        saveError_ = PageNotStored("the memos beside " + path);
        return std::nullopt;
    }
    const std::lock_guard lock(fileUse_);
    std::optional<std::string> saved = file_.SaveBeside(list_, path);
    if (!saved) saveError_ = file_.LastError();
    if (saved) NoteSaveWarning(file_.Warning());
    return saved;
}

int MemoCanvas::SaveCopy(const std::string& path) {
    if (!StorePage()) {
        saveError_ = PageNotStored(path);
        return 0;
    }
    const std::lock_guard lock(fileUse_);
    if (file_.SaveCopy(list_, path)) return 1;
    saveError_ = file_.LastError();
    return 0;
}

std::optional<std::string> MemoCanvas::SaveRescueCopy(const std::string& folder, const std::string& dataPath) {
    // The last chance before the program ends: without memory for the page
    // shown, the memos are written with the picture it had, not at all lost.
    StorePage();
    const std::lock_guard lock(fileUse_);
    std::optional<std::string> rescued = file_.SaveRescueCopy(list_, folder, dataPath);
    if (!rescued) saveError_ = file_.LastError();
    return rescued;
}

std::optional<std::string> MemoCanvas::WhyUnread(const std::string& path) {
    const std::lock_guard lock(fileUse_);
    return file_.UnreadReason(path);
}

void MemoCanvas::NoteSaveWarning(const std::string& warning) {
    if (saveWarning_ == warning) return;
    saveWarning_ = warning;
    saveWarningReported_ = false;
}

std::optional<std::string> MemoCanvas::TakeUnreportedSaveWarning() {
    if (saveWarning_.empty() || saveWarningReported_) return std::nullopt;
    saveWarningReported_ = true;
    return saveWarning_;
}

std::optional<std::string> MemoCanvas::TakeUnreportedSaveFailure() {
    if (saveError_.empty() || saveErrorReported_) return std::nullopt;
    saveErrorReported_ = true;
    return saveError_;
}

}  // namespace tavrin
