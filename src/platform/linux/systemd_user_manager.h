// The systemd user manager, reached over D-Bus: the calls that load, enable,
// start and stop the units of notifications, and that start a program in a
// unit of its own. Each returns the error, empty on success.
#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusVariant>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace tavrin::platform::linux_desktop {

// Names the memo file Tavrin works on when it is not the program's own.
inline constexpr char kDataFileVariable[] = "TAVRIN_DATA_FILE";

// The D-Bus forms of StartTransientUnit's arguments: a property (sv), a
// command of ExecStart= (sasb) and an auxiliary unit (sa(sv)).
struct UnitProperty {
    QString name;
    QDBusVariant value;
};
struct ExecCommand {
    QString path;
    QStringList arguments;  // the first is the program's own name
    bool ignoreFailure = false;
};
struct AuxiliaryUnit {
    QString name;
    QList<UnitProperty> properties;
};

class SystemdUserManager {
public:
    explicit SystemdUserManager(QDBusConnection bus);

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
    // Starts `program` with `arguments` as a transient service of its own
    // (app-tavrin@<random>.service, with the manager's environment), so that
    // it outlives whatever asked for it, and no start waits for an earlier
    // one that still runs. With a `dataFile`, its environment names that file
    // in $TAVRIN_DATA_FILE.
    QString StartProgram(const QString& program, const QStringList& arguments, const QString& dataFile = {});

    // The prefix of the services StartProgram makes.
    static QString ProgramUnitPrefix();

private:
    QString Call(const QString& method, const QVariantList& arguments);

    QDBusConnection bus_;
};

}  // namespace tavrin::platform::linux_desktop

Q_DECLARE_METATYPE(tavrin::platform::linux_desktop::UnitProperty)
Q_DECLARE_METATYPE(tavrin::platform::linux_desktop::ExecCommand)
Q_DECLARE_METATYPE(tavrin::platform::linux_desktop::AuxiliaryUnit)

QDBusArgument& operator<<(QDBusArgument& argument, const tavrin::platform::linux_desktop::UnitProperty& property);
const QDBusArgument& operator>>(const QDBusArgument& argument, tavrin::platform::linux_desktop::UnitProperty& property);
QDBusArgument& operator<<(QDBusArgument& argument, const tavrin::platform::linux_desktop::ExecCommand& command);
const QDBusArgument& operator>>(const QDBusArgument& argument, tavrin::platform::linux_desktop::ExecCommand& command);
QDBusArgument& operator<<(QDBusArgument& argument, const tavrin::platform::linux_desktop::AuxiliaryUnit& unit);
const QDBusArgument& operator>>(const QDBusArgument& argument, tavrin::platform::linux_desktop::AuxiliaryUnit& unit);
