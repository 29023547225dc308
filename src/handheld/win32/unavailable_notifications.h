// The notification service of a Tavrin.exe that has none: it registers
// nothing and says so, so that every alarm the user sets ends in
// "SetNotification() failed" rather than in a silent success.
#pragma once

#include "platform/notification_service.h"

namespace tavrin::handheld {

class UnavailableNotifications final : public platform::NotificationService {
public:
    std::uint32_t SetNotification(std::uint32_t, const platform::NotificationTrigger&,
                                  const platform::UserNotification&) override {
        return 0;
    }
    int RemoveNotification(std::uint32_t) override { return 0; }
    int ScheduleAppStart(const std::string&, const SYSTEMTIME&) override { return 0; }
    int AcknowledgeAppNotifications(const std::string&) override { return 0; }
};

}  // namespace tavrin::handheld
