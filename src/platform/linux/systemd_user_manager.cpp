#include "platform/linux/systemd_user_manager.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QStringList>
#include <random>

using tavrin::platform::linux_desktop::AuxiliaryUnit;
using tavrin::platform::linux_desktop::ExecCommand;
using tavrin::platform::linux_desktop::UnitProperty;

QDBusArgument& operator<<(QDBusArgument& argument, const UnitProperty& property) {
    argument.beginStructure();
    argument << property.name << property.value;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, UnitProperty& property) {
    argument.beginStructure();
    argument >> property.name >> property.value;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const ExecCommand& command) {
    argument.beginStructure();
    argument << command.path << command.arguments << command.ignoreFailure;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ExecCommand& command) {
    argument.beginStructure();
    argument >> command.path >> command.arguments >> command.ignoreFailure;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const AuxiliaryUnit& unit) {
    argument.beginStructure();
    argument << unit.name << unit.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, AuxiliaryUnit& unit) {
    argument.beginStructure();
    argument >> unit.name >> unit.properties;
    argument.endStructure();
    return argument;
}

namespace tavrin::platform::linux_desktop {
namespace {

// The manager answers in milliseconds; a hung one must not hang the program.
constexpr int kCallTimeoutMs = 10'000;

// The names of transient services of applications, as desktops start them:
// "app-<name>@<random>.service".
const QString kProgramUnitPrefix = QStringLiteral("app-tavrin@");

void RegisterTypes() {
    static const bool registered = [] {
        qDBusRegisterMetaType<UnitProperty>();
        qDBusRegisterMetaType<QList<UnitProperty>>();
        qDBusRegisterMetaType<ExecCommand>();
        qDBusRegisterMetaType<QList<ExecCommand>>();
        qDBusRegisterMetaType<AuxiliaryUnit>();
        qDBusRegisterMetaType<QList<AuxiliaryUnit>>();
        return true;
    }();
    (void)registered;
}

UnitProperty Property(const QString& name, const QVariant& value) { return {name, QDBusVariant(value)}; }

}  // namespace

SystemdUserManager::SystemdUserManager(QDBusConnection bus) : bus_(std::move(bus)) { RegisterTypes(); }

QString SystemdUserManager::ProgramUnitPrefix() { return kProgramUnitPrefix; }

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

QString SystemdUserManager::StartProgram(const QString& program, const QStringList& arguments,
                                         const QString& dataFile) {
    std::random_device random;
    const quint64 suffix = (quint64{random()} << 32) | random();
    const QString unit = kProgramUnitPrefix + QStringLiteral("%1.service").arg(suffix, 16, 16, QLatin1Char('0'));
    QList<UnitProperty> properties{
        Property(QStringLiteral("Description"), QStringLiteral("Tavrin")),
        Property(QStringLiteral("ExecStart"),
                 QVariant::fromValue(QList<ExecCommand>{{program, QStringList{program} + arguments, false}})),
        // Ended or failed, the unit goes, so that the starts leave nothing behind.
        Property(QStringLiteral("CollectMode"), QStringLiteral("inactive-or-failed"))};
    if (!dataFile.isEmpty()) {
        properties << Property(QStringLiteral("Environment"),
                               QStringList{QString::fromLatin1(kDataFileVariable) + QLatin1Char('=') + dataFile});
    }
    return Call(QStringLiteral("StartTransientUnit"),
                {unit, QStringLiteral("fail"), QVariant::fromValue(properties),
                 QVariant::fromValue(QList<AuxiliaryUnit>{})});
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
