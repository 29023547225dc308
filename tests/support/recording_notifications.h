// A NotificationService that records every call and hands out handles 1, 2, ...
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/notification_service.h"

namespace tavrin::testing {

class RecordingNotifications : public platform::NotificationService {
public:
    std::uint32_t SetNotification(std::uint32_t existing, const platform::NotificationTrigger& trigger,
                                  const platform::UserNotification& notification) override {
        set.push_back({existing, trigger, notification});
        return refuse ? 0 : ++lastHandle;
    }
    int RemoveNotification(std::uint32_t handle) override {
        removed.push_back(handle);
        return 1;
    }
    int ScheduleAppStart(const std::string& programPath, const SYSTEMTIME& start) override {
        starts.push_back({programPath, start});
        return 1;
    }
    int AcknowledgeAppNotifications(const std::string& programPath) override {
        acknowledged.push_back(programPath);
        return 1;
    }

    struct SetCall {
        std::uint32_t existing;
        platform::NotificationTrigger trigger;
        platform::UserNotification notification;
    };
    struct StartCall {
        std::string programPath;
        SYSTEMTIME start;
    };
    bool refuse = false;
    std::uint32_t lastHandle = 0;
    std::vector<SetCall> set;
    std::vector<std::uint32_t> removed;
    std::vector<StartCall> starts;
    std::vector<std::string> acknowledged;
};

}  // namespace tavrin::testing
