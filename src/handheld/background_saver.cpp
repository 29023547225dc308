#include "handheld/background_saver.h"

#include <system_error>
#include <utility>

namespace tavrin::handheld {

BackgroundSaver::BackgroundSaver(Write write) : write_(std::move(write)) {
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        // Without a thread each snapshot is written as it comes.
    }
}

BackgroundSaver::~BackgroundSaver() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.reset();
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void BackgroundSaver::Submit(SaveSnapshot snapshot) {
    if (!thread_.joinable()) {
        write_(snapshot);
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        waiting_ = std::move(snapshot);
    }
    changed_.notify_all();
}

void BackgroundSaver::Settle() {
    std::unique_lock lock(mutex_);
    waiting_.reset();
    changed_.wait(lock, [this] { return !writing_; });
}

void BackgroundSaver::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || waiting_.has_value(); });
        if (stopping_) return;
        SaveSnapshot snapshot = std::move(*waiting_);
        waiting_.reset();
        writing_ = true;
        lock.unlock();
        write_(snapshot);
        lock.lock();
        writing_ = false;
        changed_.notify_all();
    }
}

}  // namespace tavrin::handheld
