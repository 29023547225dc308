// A D-Bus session bus of the test's own (dbus-daemon --session), and small
// fakes of the services the notification code talks to on it, so that no
// test ever reaches the real user's bus, manager or desktop.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QMutex>
#include <QProcess>
#include <QTemporaryFile>
#include <QThread>
#include <functional>
#include <optional>
#include <ostream>

#include "platform/linux/systemd_user_manager.h"

// Qt's strings as text in GoogleTest's messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace tavrin::testing {

class PrivateBus {
public:
    // A session bus that starts no services on demand: a name nobody holds
    // is simply missing, as the services this machine happens to have must
    // not answer in a test.
    PrivateBus() {
        if (!config_.open()) return;
        config_.write(
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
            " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
            "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
            "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
        config_.flush();
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--config-file=") + config_.fileName(), QStringLiteral("--nofork"),
                       QStringLiteral("--print-address")});
        if (daemon_.waitForReadyRead(10'000)) address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~PrivateBus() {
        daemon_.kill();
        daemon_.waitForFinished();
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    const QString& Address() const { return address_; }
    // A new connection of this process to the bus, closed when `name` is disconnected.
    QDBusConnection Connect(const QString& name) const { return QDBusConnection::connectToBus(address_, name); }

private:
    QTemporaryFile config_;
    QProcess daemon_;
    QString address_;
};

// Runs the event loop until `done` or ten seconds have passed.
inline bool RunEventsUntil(const std::function<bool()>& done) {
    QDeadlineTimer deadline(10'000);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return done();
}

// "Member arg arg ...", lists written as [a,b], booleans as true/false.
inline QString DescribeCall(const QDBusMessage& call) {
    QStringList words{call.member()};
    for (const QVariant& argument : call.arguments()) {
        words << (argument.metaType() == QMetaType::fromType<QStringList>()
                      ? "[" + argument.toStringList().join(',') + "]"
                      : argument.toString());
    }
    return words.join(' ');
}

// An object on the bus that answers every call with `answer` and keeps the calls.
class RecordingObject : public QDBusVirtualObject {
public:
    using Answer = std::function<QDBusMessage(const QDBusMessage&)>;
    explicit RecordingObject(Answer answer) : answer_(std::move(answer)) {}

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        {
            QMutexLocker lock(&mutex_);
            calls_ << message;
        }
        connection.send(answer_(message));
        return true;
    }
    QList<QDBusMessage> Calls() const {
        QMutexLocker lock(&mutex_);
        return calls_;
    }

private:
    Answer answer_;
    mutable QMutex mutex_;
    QList<QDBusMessage> calls_;
};

// The systemd user manager, as far as the notification service uses it. It
// answers from a thread of its own, as the service waits for each answer.
class FakeSystemdManager {
public:
    explicit FakeSystemdManager(const PrivateBus& bus)
        : object_([this](const QDBusMessage& call) { return Answer(call); }),
          connection_(bus.Connect(QStringLiteral("fake-systemd"))) {
        thread_.start();
        object_.moveToThread(&thread_);
        connection_.registerVirtualObject(QStringLiteral("/org/freedesktop/systemd1"), &object_);
        connection_.registerService(QStringLiteral("org.freedesktop.systemd1"));
    }
    ~FakeSystemdManager() {
        connection_.unregisterService(QStringLiteral("org.freedesktop.systemd1"));
        connection_.unregisterObject(QStringLiteral("/org/freedesktop/systemd1"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-systemd"));
        thread_.quit();
        thread_.wait();
    }

    // Every call to `member` fails from now on.
    void FailOn(const QString& member) {
        QMutexLocker lock(&mutex_);
        failing_ = member;
    }
    QStringList Calls() const {
        QStringList calls;
        for (const QDBusMessage& call : object_.Calls()) calls << DescribeCall(call);
        return calls;
    }
    QList<QDBusMessage> Messages() const { return object_.Calls(); }

private:
    // The service reads no values from the answers, only whether they are errors.
    QDBusMessage Answer(const QDBusMessage& call) {
        QMutexLocker lock(&mutex_);
        if (call.member() == failing_) {
            return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.Failed"),
                                         QStringLiteral("refused by the test"));
        }
        return call.createReply();
    }

    QThread thread_;
    RecordingObject object_;
    QDBusConnection connection_;
    QMutex mutex_;
    QString failing_;
};

// A StartTransientUnit call as the manager received it: the unit's name, the
// job mode, the command it runs (the program's path, then its argv) and its
// other properties written as "Name=value".
struct TransientStart {
    QString unit;
    QString mode;
    QStringList command;
    QStringList properties;
};

inline std::optional<TransientStart> ReadTransientStart(const QDBusMessage& call) {
    using platform::linux_desktop::ExecCommand;
    using platform::linux_desktop::UnitProperty;
    const QVariantList arguments = call.arguments();
    if (call.member() != "StartTransientUnit" || arguments.size() != 4) return std::nullopt;
    TransientStart start{arguments[0].toString(), arguments[1].toString(), {}, {}};
    QList<UnitProperty> properties;
    arguments[2].value<QDBusArgument>() >> properties;
    for (const UnitProperty& property : properties) {
        const QVariant value = property.value.variant();
        if (property.name == "ExecStart") {
            QList<ExecCommand> commands;
            value.value<QDBusArgument>() >> commands;
            for (const ExecCommand& command : commands) start.command << command.path << command.arguments;
        } else {
            const bool isList = value.typeId() == QMetaType::QStringList;
            start.properties << property.name + "=" + (isList ? value.toStringList().join(' ') : value.toString());
        }
    }
    return start;
}

}  // namespace tavrin::testing
