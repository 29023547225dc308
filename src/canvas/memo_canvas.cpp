#include "canvas/memo_canvas.h"

#include <cstdio>
#include <cstdlib>

#include "alarms/alarm_time.h"

namespace tavrin {

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
    changed_ = true;
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

int MemoCanvas::StorePage() {
    list_.Current()->page.Capture(*context_, 0, 0, width_, height_);
    return 1;
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
    StorePage();
    if ((append ? list_.Append() : list_.InsertBefore()) == nullptr) return 0;
    Clear();
    UpdateTitle(nullptr);
    changed_ = true;
    return 1;
}

int MemoCanvas::DeletePage() {
    // The picture on the surface belongs to the memo going away: no StorePage.
    if (notifications_ != nullptr) notifications_->RemoveNotification(list_.Current()->alarmHandle);
    list_.DeleteCurrent();
    ShowCurrent();
    changed_ = true;
    return 1;
}

int MemoCanvas::PreviousPage() {
    StorePage();
    if (!list_.Previous()) return 0;
    ShowCurrent();
    return 1;
}

int MemoCanvas::NextPage() {
    StorePage();
    if (!list_.Next()) return 0;
    ShowCurrent();
    return 1;
}

int MemoCanvas::LoadFile(const std::string& path) { return ShowLoaded(file_.Load(list_, path)); }

int MemoCanvas::LoadFile(BackgroundLoad& load) { return ShowLoaded(load.TakeInto(file_, list_)); }

int MemoCanvas::ShowLoaded(const FileLoadReport& loaded) {
    if (loaded.outcome == LoadOutcome::NotOpened) return 0;
    ShowLoadProblem(loaded.outcome);
    if (loaded.Result()) ShowCurrent();
    changed_ = false;
    return loaded.Result();
}

void MemoCanvas::ShowLoadProblem(LoadOutcome outcome) {
    if (window_ == nullptr) return;
    if (outcome == LoadOutcome::WrongMagic) {
        window_->ShowMessage(corruptedWarning_, "Warning", platform::MessageIcon::Warning);
    } else if (outcome == LoadOutcome::OutOfMemory) {
        window_->ShowMessage("Not enough memory", "Error", platform::MessageIcon::Error);
    }
}

int MemoCanvas::SaveFile(const std::string& path) {
    if (!changed_) return 0;
    StorePage();
    if (!file_.Save(list_, path, mergedAlarms_)) {
        if (saveError_ != file_.LastError()) saveErrorReported_ = false;
        saveError_ = file_.LastError();
        return 0;
    }
    if (file_.LastMerge().merged) {
        merge_ = file_.LastMerge();
        ShowCurrent();
    }
    saveError_.clear();
    saveErrorReported_ = false;
    NoteSaveWarning();
    changed_ = false;
    return 1;
}

int MemoCanvas::MergeConflictCopies(const std::string& path) {
    // The file itself could not be read: its memos would be missing from
    // the merged list, which could not be saved anyway.
    if (file_.KeepsUnopened(path)) return 0;
    const MergeReport merged = file_.MergeConflictCopies(list_, path, mergedAlarms_);
    if (window_ != nullptr && !file_.Warning().empty()) {
        window_->ShowMessage(file_.Warning(), "Warning", platform::MessageIcon::Warning);
    }
    if (!merged.merged) return 0;
    merge_ = merged;
    changed_ = true;
    ShowCurrent();
    return 1;
}

std::optional<std::string> MemoCanvas::SaveBeside(const std::string& path) {
    StorePage();
    std::optional<std::string> saved = file_.SaveBeside(list_, path);
    if (!saved) saveError_ = file_.LastError();
    if (saved) NoteSaveWarning();
    return saved;
}

void MemoCanvas::NoteSaveWarning() {
    if (saveWarning_ == file_.Warning()) return;
    saveWarning_ = file_.Warning();
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
