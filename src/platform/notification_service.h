// The notification service: it shows a memo's alarm at its time and starts
// the program with "AppRunAtTime" on its command line. The program hands it
// two records per alarm and asks nothing else of it than these four
// operations.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace tavrin::platform {

// When a notification fires: a time-based trigger for the program.
struct NotificationTrigger {
    std::uint32_t recordSize = 52;
    std::uint32_t type = 2;  // time-based
    std::uint32_t event = 0;
    std::string application;  // the program's path
    std::string arguments;    // none
    SYSTEMTIME startTime;
    SYSTEMTIME endTime;
};

// What the service shows and plays when it fires.
struct UserNotification {
    static constexpr std::uint32_t kFlashLight = 1;
    static constexpr std::uint32_t kVibrate = 2;
    static constexpr std::uint32_t kShowDialog = 4;
    static constexpr std::uint32_t kPlaySound = 8;

    std::uint32_t actionFlags = 0;
    std::string dialogTitle;
    std::string dialogText;
    std::string sound;
    std::uint32_t maxSound = 0;
    std::uint32_t reserved = 0;
};

class NotificationService {
public:
    virtual ~NotificationService() = default;

    // Registers a notification, replacing `existing` when the service still
    // knows that handle. A nonzero handle on success, 0 on failure.
    virtual std::uint32_t SetNotification(std::uint32_t existing,
                                          const NotificationTrigger& trigger,
                                          const UserNotification& notification) = 0;
    virtual int RemoveNotification(std::uint32_t handle) = 0;
    // Starts the program with "AppRunAtTime" on its command line at `start` (local time).
    virtual int ScheduleAppStart(const std::string& programPath, const SYSTEMTIME& start) = 0;
    // Marks the program's notifications that have already fired as dealt with.
    virtual int AcknowledgeAppNotifications(const std::string& programPath) = 0;
};

}  // namespace tavrin::platform
