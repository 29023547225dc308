// The notification service on a Linux desktop: every notification is a
// systemd user timer with its service, which runs the notifier installed
// beside the program ("tavrin-notify") to show a desktop notification; the
// program's start at a time is one more timer, whose service has the
// notifier start the program with "AppRunAtTime" in a unit of its own. The units are written to the user's unit folder and
// loaded, enabled and started through the systemd user manager on D-Bus.
//
// A handle is the name of a notification's units on disk, so it stays valid
// across restarts of the program and of the machine.
#pragma once

#include <QDBusConnection>
#include <QString>

#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/linux/systemd_user_manager.h"
#include "platform/notification_service.h"

namespace tavrin::platform::linux_desktop {

struct SystemdNotificationSettings {
    QString unitFolder;  // where the units go; the manager must look there
    QDBusConnection bus;  // where the manager is
    const Clock* clock;   // the local time
    // The memo file the program works on, absolute, when it is not the
    // program's own: the program's starts at alarms and from notifications
    // are on that file. Empty for the program's own file.
    std::string dataFile;

    // $XDG_CONFIG_HOME/systemd/user (or ~/.config/systemd/user), the session
    // bus and the local clock.
    static SystemdNotificationSettings ForCurrentUser(std::string dataFile);
};

class SystemdNotificationService final : public NotificationService {
public:
    explicit SystemdNotificationService(SystemdNotificationSettings settings);

    std::uint32_t SetNotification(std::uint32_t existing, const NotificationTrigger& trigger,
                                  const UserNotification& notification, const AlarmMemo& memo) override;
    int RemoveNotification(std::uint32_t handle) override;
    int ScheduleAppStart(const std::string& programPath, const SYSTEMTIME& start) override;
    int AcknowledgeAppNotifications(const std::string& programPath) override;

    // Why the last operation that failed did, for the program's diagnostics.
    const QString& LastError() const { return lastError_; }

    // The name shared by the units of a notification and of a program's start
    // (one for each program and memo file), without the ".timer" or ".service".
    static QString NotificationUnit(std::uint32_t handle);
    static QString StartUnit(const std::string& programPath, const std::string& dataFile);

private:
    struct UnitFile {
        QString suffix;
        QByteArray contents;
    };

    bool Install(const QString& unit, const std::vector<UnitFile>& files, bool replacing);
    QString Uninstall(const QString& unit);
    // The memo's picture beside the notification's record; the error, empty on success.
    QString KeepPicture(const QString& unit, const AlarmMemo& memo) const;
    std::uint32_t ClaimNewHandle();
    bool Holds(std::uint32_t handle) const;
    // The notifier's option naming the memo file to its start ("" for the
    // program's own); nothing, having failed, when no unit file can hold it.
    std::optional<std::string> DataFileOption();
    bool HasPassed(const QString& unit, const SYSTEMTIME& now) const;
    QString PathOf(const QString& unit, const QString& suffix) const;
    void Fail(const QString& error);

    SystemdNotificationSettings settings_;
    SystemdUserManager manager_;
    QString lastError_;
};

}  // namespace tavrin::platform::linux_desktop
