// A NotificationService that records every call and hands out handles 1, 2, ...
// Like a real service it replaces a notification whose handle it holds and
// refuses a handle it doesn't (never handed out, or removed).
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/notification_service.h"

namespace tavrin::testing {

class RecordingNotifications : public platform::NotificationService {
public:
    std::uint32_t SetNotification(std::uint32_t existing, const platform::NotificationTrigger& trigger,
                                  const platform::UserNotification& notification,
                                  const platform::AlarmMemo& memo) override {
        std::vector<std::uint8_t> picture;
        if (memo.page != nullptr) picture.assign(memo.page->Pixels(), memo.page->Pixels() + memo.page->PixelByteCount());
        set.push_back({existing, trigger, notification, memo.key, std::move(picture)});
        if (refuse) return 0;
        if (existing != 0) return held.contains(existing) ? existing : 0;
        held.insert(++lastHandle);
        return lastHandle;
    }
    int RemoveNotification(std::uint32_t handle) override {
        removed.push_back(handle);
        held.erase(handle);
        return 1;
    }
    int ScheduleAppStart(const std::string& programPath, const SYSTEMTIME& start) override {
        if (onWakeUpCall) onWakeUpCall();
        starts.push_back({programPath, start});
        return 1;
    }
    int AcknowledgeAppNotifications(const std::string& programPath) override {
        if (onWakeUpCall) onWakeUpCall();
        acknowledged.push_back(programPath);
        return 1;
    }

    struct SetCall {
        std::uint32_t existing;
        platform::NotificationTrigger trigger;
        platform::UserNotification notification;
        std::string memoKey;
        std::vector<std::uint8_t> picture;  // the memo's page bytes; empty for none
    };
    struct StartCall {
        std::string programPath;
        SYSTEMTIME start;
    };
    bool refuse = false;
    std::uint32_t lastHandle = 0;
    std::set<std::uint32_t> held;  // the notifications the service keeps
    std::vector<SetCall> set;
    std::vector<std::uint32_t> removed;
    std::vector<StartCall> starts;
    std::vector<std::string> acknowledged;
    // Runs as the wake-up is asked for or acknowledged, before it is recorded.
    std::function<void()> onWakeUpCall;
};

}  // namespace tavrin::testing
