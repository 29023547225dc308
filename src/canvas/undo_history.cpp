#include "canvas/undo_history.h"

#include <algorithm>
#include <utility>

namespace tavrin {
namespace {

// Makes the memo at `position` (1-based) current, or the last one when the
// list is shorter.
void GoToPosition(MemoList& list, std::uint16_t position) {
    list.Rewind();
    for (std::uint16_t i = 1; i < position && list.Next(); ++i) {
    }
}

}  // namespace

// A picture that can't be had is no step: one showing the page as last
// stored would take back the strokes not stored yet along with this one.
void UndoHistory::BeforeStroke() {
    if (std::optional<Step> picture = PictureOfCurrent()) Push(Of(canvas_.List().Current()).undo, std::move(*picture));
}

int UndoHistory::NewPage(bool append) {
    if (!canvas_.NewPage(append)) return 0;
    Push(Of(canvas_.List().Current()).undo, Step{.kind = Step::Kind::Added});
    return 1;
}

// Without memory for the memo's picture the delete is done all the same,
// as one that can't be undone.
int UndoHistory::DeletePage() {
    std::optional<Step> removal = RemovalOfCurrent();
    if (!canvas_.DeletePage()) {
        if (removal) Restore(*removal);
        return 0;
    }
    if (removal) Push(Of(canvas_.List().Current()).undo, std::move(*removal));
    return 1;
}

UndoHistory::Replayed UndoHistory::Undo() { return Replay(Direction::Undo); }
UndoHistory::Replayed UndoHistory::Redo() { return Replay(Direction::Redo); }

void UndoHistory::Forget() {
    memos_.clear();
    bytes_ = 0;
}

// The step taken back goes to the other stack of the memo shown afterwards,
// which keeps what that stack already holds.
UndoHistory::Replayed UndoHistory::Replay(Direction direction) {
    History& history = Of(canvas_.List().Current());
    std::deque<Step>& from = direction == Direction::Undo ? history.undo : history.redo;
    if (from.empty()) return Replayed::Nothing;
    std::optional<Step> inverse = Apply(from.back());
    if (!inverse) return Replayed::NoMemory;
    bytes_ -= from.back().bytes;
    from.pop_back();
    History& shown = Of(canvas_.List().Current());
    std::deque<Step>& to = direction == Direction::Undo ? shown.redo : shown.undo;
    inverse->sequence = nextSequence_++;
    bytes_ += inverse->bytes;
    to.push_back(std::move(*inverse));
    if (to.size() > kStepsPerMemo) Drop(to, true);
    KeepWithinBounds();
    canvas_.SetChanged();
    return Replayed::Done;
}

std::optional<UndoHistory::Step> UndoHistory::Apply(Step& step) {
    switch (step.kind) {
        case Step::Kind::Picture: {
            std::optional<Step> inverse = PictureOfCurrent();
            if (!inverse) return std::nullopt;
            canvas_.List().Current()->page.ShareFrom(*step.page);
            canvas_.FetchPage();
            return inverse;
        }
        case Step::Kind::Added: {
            std::optional<Step> removal = RemovalOfCurrent();
            if (!removal) return std::nullopt;
            if (!canvas_.DeletePage()) {
                Restore(*removal);
                return std::nullopt;
            }
            return removal;
        }
        case Step::Kind::Removed:
            if (!BringBack(step)) return std::nullopt;
            return Step{.kind = Step::Kind::Added};
    }
    return std::nullopt;
}

// The surface holds the strokes not yet stored: they go into the list first.
std::optional<UndoHistory::Step> UndoHistory::PictureOfCurrent() {
    if (!canvas_.StorePage()) return std::nullopt;
    auto page = std::make_shared<PageImage>();
    page->ShareFrom(canvas_.List().Current()->page);
    const std::size_t bytes = page->DataBytes();
    return Step{.kind = Step::Kind::Picture, .page = std::move(page), .bytes = bytes};
}

// Everything needed to bring the current memo back, its own steps included.
std::optional<UndoHistory::Step> UndoHistory::RemovalOfCurrent() {
    std::optional<Step> picture = PictureOfCurrent();
    if (!picture) return std::nullopt;
    Step& removal = *picture;
    const MemoEntry& memo = *canvas_.List().Current();
    removal.kind = Step::Kind::Removed;
    removal.created = memo.created;
    removal.alarmTime = memo.alarmTime;
    removal.hadAlarm = memo.alarmHandle != 0;
    removal.position = canvas_.List().CurrentIndex();
    const auto own = memos_.find(&memo);
    if (own != memos_.end()) {
        // Its steps are counted as the removal's from now on.
        removal.history = std::move(own->second);
        memos_.erase(own);
        const std::size_t held = BytesOf(*removal.history);
        removal.bytes += held;
        bytes_ -= held;
    }
    return picture;
}

void UndoHistory::Restore(Step& removal) {
    if (!removal.history) return;
    bytes_ += BytesOf(*removal.history);
    memos_[canvas_.List().Current()] = std::move(removal.history);
}

std::size_t UndoHistory::BytesOf(const History& history) {
    std::size_t bytes = 0;
    for (const std::deque<Step>* steps : {&history.undo, &history.redo}) {
        for (const Step& step : *steps) bytes += step.bytes;
    }
    return bytes;
}

// Puts the memo back at its position; its alarm is registered anew, since
// the delete withdrew it (or leaves it without one once it has passed).
bool UndoHistory::BringBack(Step& step) {
    canvas_.StorePage();
    MemoList& list = canvas_.List();
    const MemoEntry* shown = list.Current();
    GoToPosition(list, step.position);
    MemoEntry* memo = step.position <= list.Count() ? list.InsertBefore() : list.InsertAfter();
    if (memo == nullptr) {
        list.SeekTo(shown);
        return false;
    }
    memo->created = step.created;
    memo->page.ShareFrom(*step.page);
    if (step.hadAlarm) {
        memo->SetAlarm(0, step.alarmTime);
        alarms_.Adopt(*memo);
    }
    Restore(step);
    canvas_.ShowCurrent();
    return true;
}

UndoHistory::History& UndoHistory::Of(const MemoEntry* memo) {
    std::shared_ptr<History>& history = memos_[memo];
    if (!history) history = std::make_shared<History>();
    return *history;
}

// A new step makes the redo of its memo meaningless.
void UndoHistory::Push(std::deque<Step>& steps, Step step) {
    History& history = Of(canvas_.List().Current());
    Clear(history.redo);
    step.sequence = nextSequence_++;
    bytes_ += step.bytes;
    steps.push_back(std::move(step));
    if (steps.size() > kStepsPerMemo) Drop(steps, true);
    KeepWithinBounds();
}

void UndoHistory::Drop(std::deque<Step>& steps, bool oldest) {
    Step& step = oldest ? steps.front() : steps.back();
    bytes_ -= step.bytes;
    if (oldest) {
        steps.pop_front();
    } else {
        steps.pop_back();
    }
}

void UndoHistory::Clear(std::deque<Step>& steps) {
    while (!steps.empty()) Drop(steps, true);
}

// Over the bound, the oldest step of any memo goes first.
void UndoHistory::KeepWithinBounds() {
    while (bytes_ > kMaxBytes) {
        std::deque<Step>* oldest = nullptr;
        for (auto& [memo, history] : memos_) {
            for (std::deque<Step>* steps : {&history->undo, &history->redo}) {
                if (!steps->empty() && (oldest == nullptr || steps->front().sequence < oldest->front().sequence)) {
                    oldest = steps;
                }
            }
        }
        if (oldest == nullptr) return;
        Drop(*oldest, true);
    }
}

}  // namespace tavrin
