// Writes snapshots of the memos on a thread of its own, one at a time, so
// that saving while the pen rests never makes the pen wait. A snapshot handed
// over while another is written waits; a later one takes its place, as only
// the newest state is worth writing.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "canvas/memo_canvas.h"

namespace tavrin::handheld {

class BackgroundSaver {
public:
    // Runs on the saving thread, one snapshot at a time.
    using Write = std::function<void(SaveSnapshot&)>;

    explicit BackgroundSaver(Write write);
    // Drops a waiting snapshot and waits for the one being written.
    ~BackgroundSaver();
    BackgroundSaver(const BackgroundSaver&) = delete;
    BackgroundSaver& operator=(const BackgroundSaver&) = delete;

    void Submit(SaveSnapshot snapshot);
    // Drops a waiting snapshot and waits until none is written: a save made
    // now is newer than any snapshot, which must not write over it later.
    void Settle();

private:
    void Run();

    Write write_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<SaveSnapshot> waiting_;
    bool writing_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace tavrin::handheld
