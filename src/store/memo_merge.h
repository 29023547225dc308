// Merging two versions of one list of memos, memo by memo: the list in
// memory ("ours") with the one another program or machine wrote ("theirs"),
// against the list both started from ("the base") when it is known.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "store/memo_list.h"

namespace tavrin {

// What a merge asks of the program's alarms. A handle is given by one
// machine's notification service and means nothing on another: the notepad
// registers an alarm that came from elsewhere with its own service, and
// withdraws its own notifications that no memo keeps any more.
class MergedAlarms {
public:
    virtual ~MergedAlarms() = default;
    // `memo`, now in the merged list, brings an alarm set elsewhere: give it
    // a handle of this machine's service, or 0 when it has passed or can't
    // be registered (the time stays).
    virtual void Adopt(MemoEntry& memo) = 0;
    // One of our notifications whose memo no longer keeps it.
    virtual void Withdraw(std::uint32_t handle) = 0;
};

struct MergeReport {
    bool merged = false;  // the list was merged with another version
    // Memos in which the merged list differs from ours because of theirs:
    // taken from theirs, added there, deleted there, or kept beside ours.
    std::size_t changedElsewhere = 0;
};

// Merges `theirs` into `ours`, which becomes the merged list. Memos are
// known by their creation time to the millisecond; memos of one list with
// the same time pair with those of the other in order. Against the base:
// a memo changed (page or alarm) on one side only is taken from that side;
// changed on both, ours is kept and theirs follows it; added on either
// side, it is kept after the memo it followed there; deleted on one side,
// it goes unless the other side changed it. Without a base every memo of
// either list is kept, and one with the same time but another page or alarm
// is kept beside ours. The order is theirs, with our additions at their
// places; the memo that was current stays current. `alarms`, when given,
// hears of every alarm that came from theirs and of every notification of
// ours that no merged memo keeps. Nothing changes, with `cause` set, when
// the merged list would be longer than a list can be or memory can't be had.
MergeReport MergeMemoLists(const MemoList* base, MemoList& ours, const MemoList& theirs,
                           MergedAlarms* alarms, std::string& cause);

// Whether two memos have the same alarm: both without one, or both with one
// at the same time. Handles are not compared: each machine gives its own.
bool SameAlarm(const MemoEntry& a, const MemoEntry& b);

}  // namespace tavrin
