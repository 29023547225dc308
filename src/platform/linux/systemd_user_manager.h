// The systemd user manager, reached over D-Bus: the calls that load, enable,
// start and stop the units of notifications. Each returns the error, empty
// on success.
#pragma once

#include <QDBusConnection>
#include <QString>
#include <QVariantList>

namespace tavrin::platform::linux_desktop {

class SystemdUserManager {
public:
    explicit SystemdUserManager(QDBusConnection bus) : bus_(std::move(bus)) {}

    // Reads the unit files again after they changed.
    QString Reload();
    // Links the unit into the targets its [Install] section names, so that
    // it is started again at every login.
    QString Enable(const QString& unit);
    QString Disable(const QString& unit);
    QString Start(const QString& unit);
    // Stops and starts a running unit, so that a timer takes its new time.
    QString Restart(const QString& unit);
    QString Stop(const QString& unit);

private:
    QString Call(const QString& method, const QVariantList& arguments);

    QDBusConnection bus_;
};

}  // namespace tavrin::platform::linux_desktop
