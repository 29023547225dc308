#include "platform/linux/systemd_user_manager.h"

#include <QDBusMessage>
#include <QStringList>

namespace tavrin::platform::linux_desktop {
namespace {

// The manager answers in milliseconds; a hung one must not hang the program.
constexpr int kCallTimeoutMs = 10'000;

}  // namespace

QString SystemdUserManager::Reload() { return Call(QStringLiteral("Reload"), {}); }

QString SystemdUserManager::Enable(const QString& unit) {
    // Not only for this boot (runtime false); a stale link of the same name is replaced (force).
    return Call(QStringLiteral("EnableUnitFiles"), {QStringList{unit}, false, true});
}

QString SystemdUserManager::Disable(const QString& unit) {
    return Call(QStringLiteral("DisableUnitFiles"), {QStringList{unit}, false});
}

QString SystemdUserManager::Start(const QString& unit) {
    return Call(QStringLiteral("StartUnit"), {unit, QStringLiteral("replace")});
}

QString SystemdUserManager::Restart(const QString& unit) {
    return Call(QStringLiteral("RestartUnit"), {unit, QStringLiteral("replace")});
}

QString SystemdUserManager::Stop(const QString& unit) {
    return Call(QStringLiteral("StopUnit"), {unit, QStringLiteral("replace")});
}

QString SystemdUserManager::Call(const QString& method, const QVariantList& arguments) {
    if (!bus_.isConnected()) {
        return QStringLiteral("no session bus to reach the systemd user manager: %1")
            .arg(bus_.lastError().message());
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.systemd1"), QStringLiteral("/org/freedesktop/systemd1"),
        QStringLiteral("org.freedesktop.systemd1.Manager"), method);
    call.setArguments(arguments);
    const QDBusMessage reply = bus_.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        return QStringLiteral("the systemd user manager refused %1: %2").arg(method, reply.errorMessage());
    }
    return {};
}

}  // namespace tavrin::platform::linux_desktop
