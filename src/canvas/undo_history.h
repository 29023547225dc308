// Undo and redo, per memo, for one run of the program: each stroke from pen
// down to pen up, a new or inserted memo and a deleted memo are steps. Pages
// are kept packed and shared with the list (a step costs no pixel bytes until
// the page is drawn on again), at most kStepsPerMemo steps a memo and
// kMaxBytes in all, the oldest dropped first. Nothing of it is stored in the
// memo data file; every undo and redo marks the canvas changed, so the saves
// carry it.
//
// A step belongs to the memo shown after it: a new memo's creation to that
// memo, a delete to the memo shown in its place. Undoing a creation deletes
// the memo and leaves its redo with the memo then shown; undoing a delete
// brings the memo back where it was, with its own steps and its alarm, which
// is registered again when it has not passed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <unordered_map>

#include "canvas/memo_canvas.h"
#include "store/memo_merge.h"

namespace tavrin {

class UndoHistory {
public:
    static constexpr std::size_t kStepsPerMemo = 100;
    static constexpr std::size_t kMaxBytes = std::size_t{32} << 20;

    // `alarms` registers the alarm of a memo brought back.
    UndoHistory(MemoCanvas& canvas, MergedAlarms& alarms) : canvas_(canvas), alarms_(alarms) {}

    // The pen is about to draw on the current memo.
    void BeforeStroke();
    // The canvas's NewPage and DeletePage, as steps.
    int NewPage(bool append);
    int DeletePage();
    enum class Replayed {
        Nothing,   // the current memo has nothing to undo (redo)
        Done,      // the memo shown may be another one, and its picture another
        NoMemory,  // the memo to bring back could not be had: nothing changed
    };
    Replayed Undo();
    Replayed Redo();
    // The memos were replaced (a merge with a file changed elsewhere): the
    // steps no longer know their memos.
    void Forget();

    std::size_t Bytes() const { return bytes_; }

private:
    struct History;
    struct Step {
        enum class Kind {
            Picture,  // the page as it was: shown again
            Added,    // the memo shown was added: it goes
            Removed,  // a memo went from before this position: it comes back
        };
        Kind kind = Kind::Picture;
        std::shared_ptr<const PageImage> page{};  // Picture, Removed
        SYSTEMTIME created{};                   // Removed
        SYSTEMTIME alarmTime{};
        bool hadAlarm = false;
        std::uint16_t position = 0;  // 1-based
        std::shared_ptr<History> history{};  // the removed memo's own steps
        std::uint64_t sequence = 0;
        std::size_t bytes = 0;
    };
    struct History {
        std::deque<Step> undo;
        std::deque<Step> redo;
    };
    enum class Direction { Undo, Redo };

    Replayed Replay(Direction direction);
    // Does the step; the step that takes it back, for the memo shown after,
    // or none when memory for it can't be had (nothing changed).
    std::optional<Step> Apply(Step& step);
    // None when the page shown can't be stored.
    std::optional<Step> PictureOfCurrent();
    std::optional<Step> RemovalOfCurrent();
    // Gives a removal's steps back to the current memo.
    void Restore(Step& removal);
    bool BringBack(Step& step);
    static std::size_t BytesOf(const History& history);
    History& Of(const MemoEntry* memo);
    void Push(std::deque<Step>& steps, Step step);
    void Drop(std::deque<Step>& steps, bool oldest);
    void Clear(std::deque<Step>& steps);
    void KeepWithinBounds();

    MemoCanvas& canvas_;
    MergedAlarms& alarms_;
    std::unordered_map<const MemoEntry*, std::shared_ptr<History>> memos_;
    std::uint64_t nextSequence_ = 1;
    std::size_t bytes_ = 0;
};

}  // namespace tavrin
