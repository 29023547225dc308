// The notification service: it shows a memo's alarm at its time and starts
// the program with "AppRunAtTime" on its command line. The program hands it
// two records per alarm, and the memo they belong to, and asks nothing else
// of it than these four operations.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "platform/drawing.h"
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
    SYSTEMTIME endTime;       // the notification is on time until then
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

// The memo an alarm belongs to, for what a desktop's notification offers
// beyond the handheld's dialog: its page as the notification's picture, and
// the key with which the notification's actions name the memo and its alarm
// to the program ("--open KEY", "--snooze KEY").
struct AlarmMemo {
    std::string key;                    // empty: the actions can't name the memo
    const PageBitmap* page = nullptr;   // none: no picture
    std::array<RgbQuad, 16> colors{};  // the page's colour table
};

// The program's arguments that the notification's actions start it with.
inline constexpr const char* kOpenMemoSwitch = "--open";
inline constexpr const char* kSnoozeMemoSwitch = "--snooze";
// The notification's actions, as the user reads them.
inline constexpr const char* kOpenAction = "Open";
inline constexpr const char* kSnoozeAction = "Snooze 10 minutes";
inline constexpr const char* kDismissAction = "Dismiss";
// The first line of a notification shown after its time (the machine was
// off or asleep, or the user away): the text with the alarm's time follows.
inline constexpr const char* kMissedAlarmLine = "Missed alarm";

// A notification is missed when it is first shown after its trigger's end time.
inline bool IsMissed(const SYSTEMTIME& endTime, const Clock& clock) {
    return WallSeconds(clock.Now()) > WallSeconds(clock.ExistingTime(endTime));
}

class NotificationService {
public:
    virtual ~NotificationService() = default;

    // Registers a notification, replacing `existing` when the service still
    // knows that handle. A nonzero handle on success, 0 on failure.
    virtual std::uint32_t SetNotification(std::uint32_t existing,
                                          const NotificationTrigger& trigger,
                                          const UserNotification& notification,
                                          const AlarmMemo& memo) = 0;
    virtual int RemoveNotification(std::uint32_t handle) = 0;
    // Starts the program with "AppRunAtTime" on its command line at `start` (local time).
    virtual int ScheduleAppStart(const std::string& programPath, const SYSTEMTIME& start) = 0;
    // Marks the program's notifications that have already fired as dealt with.
    virtual int AcknowledgeAppNotifications(const std::string& programPath) = 0;
};

}  // namespace tavrin::platform
