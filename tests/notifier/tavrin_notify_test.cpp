// tavrin-notify, run as the notification's service runs it, against a fake
// notification server on a private bus that records what it is sent.
#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QFile>
#include <QFileInfo>
#include <filesystem>

#include "platform/linux/notification_record.h"
#include "support/private_bus.h"
#include "support/scratch_folder.h"

namespace tavrin::platform::linux_desktop {
namespace {

using testing::PrivateBus;
using testing::RecordingObject;
using testing::RunEventsUntil;
using testing::ScratchFolder;

constexpr unsigned kNotificationId = 7;
const QString kServer = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

class TavrinNotifyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(bus_.Address().isEmpty()) << "dbus-daemon did not start";
        // The program the notification's click starts: it notes its arguments.
        ScratchFolder::WriteFile(scratch_.PathOf("tavrin"), ToBytes("#!/bin/sh\necho \"$@\" > \"$0.started\"\n"));
        std::filesystem::permissions(scratch_.PathOf("tavrin"), std::filesystem::perms::owner_all);
    }
    void TearDown() override {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-notifications"));
    }

    static std::vector<std::uint8_t> ToBytes(const std::string& text) { return {text.begin(), text.end()}; }

    // A notification server that announces `capabilities`.
    void StartServer(const QStringList& capabilities) {
        capabilities_ = capabilities;
        server_.registerVirtualObject(kPath, &object_);
        server_.registerService(kServer);
    }

    // Runs the notifier on the private bus, with a sound driver that does not
    // exist, so that playing the sound fails alike on every machine.
    void RunNotifier(const QString& argument) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DBUS_SESSION_BUS_ADDRESS", bus_.Address());
        environment.insert("CANBERRA_DRIVER", "tavrin-test-none");
        process_.setProcessEnvironment(environment);
        process_.start(TAVRIN_NOTIFY_EXE, {argument});
        ASSERT_TRUE(process_.waitForStarted());
    }
    QString WriteRecord(const NotificationRecord& record) {
        const QString path = QString::fromStdString(scratch_.PathOf("notification.json"));
        EXPECT_EQ(WriteNotificationRecord(path, record), "");
        return path;
    }
    NotificationRecord Record(const QString& text) const {
        return {QString::fromStdString(scratch_.PathOf("tavrin")), "Tavrin", text, "Alarm2.wav", 15};
    }

    std::optional<QDBusMessage> NotifyCall() {
        RunEventsUntil([&] { return FindNotify().has_value() || process_.state() == QProcess::NotRunning; });
        return FindNotify();
    }
    std::optional<QDBusMessage> FindNotify() const {
        for (const QDBusMessage& call : object_.Calls()) {
            if (call.member() == "Notify") return call;
        }
        return std::nullopt;
    }
    void SendSignal(const QString& name, const QVariantList& arguments) {
        QDBusMessage signal = QDBusMessage::createSignal(kPath, kServer, name);
        signal.setArguments(arguments);
        server_.send(signal);
    }
    // The notifier's exit code and everything it wrote, once it has ended.
    std::pair<int, QString> Finish() {
        RunEventsUntil([&] { return process_.state() == QProcess::NotRunning; });
        return {process_.state() == QProcess::NotRunning ? process_.exitCode() : -1,
                QString::fromUtf8(process_.readAllStandardError())};
    }

    ScratchFolder scratch_;
    PrivateBus bus_;
    QDBusConnection server_ = bus_.Connect(QStringLiteral("fake-notifications"));
    QStringList capabilities_;
    RecordingObject object_{[this](const QDBusMessage& call) {
        if (call.member() == "GetCapabilities") return call.createReply(QVariant(capabilities_));
        return call.createReply(QVariant(kNotificationId));
    }};
    QProcess process_;
};

// The hints as the server receives them: a{sv}.
QVariantMap HintsOf(const QDBusMessage& notify) {
    QVariantMap hints;
    notify.arguments().at(6).value<QDBusArgument>() >> hints;
    return hints;
}

TEST_F(TavrinNotifyTest, SendsTheAlarmAsACriticalNotificationWithItsSound) {
    StartServer({"actions", "body", "sound"});
    RunNotifier(WriteRecord(Record("Tavrin [07:15, 03-05-2030]\r\n(Close \"it\" <b>now</b> & 100% $HOME)")));
    const auto notify = NotifyCall();
    ASSERT_TRUE(notify);
    const QVariantList arguments = notify->arguments();
    ASSERT_EQ(arguments.size(), 8);
    EXPECT_EQ(arguments[0].toString(), "Tavrin");  // the application
    EXPECT_EQ(arguments[1].toUInt(), 0u);          // a new notification
    EXPECT_EQ(arguments[3].toString(), "Tavrin");  // the summary
    EXPECT_EQ(arguments[4].toString(), "Tavrin [07:15, 03-05-2030]\n(Close \"it\" <b>now</b> & 100% $HOME)");
    EXPECT_TRUE(arguments[5].toStringList().startsWith("default"));
    EXPECT_EQ(arguments[7].toInt(), 0);  // stays until closed

    const QVariantMap hints = HintsOf(*notify);
    EXPECT_EQ(hints.value("urgency").value<uchar>(), 2);
    EXPECT_EQ(hints.value("desktop-entry").toString(), "tavrin");
    const QString sound = hints.value("sound-file").toString();
    EXPECT_TRUE(sound.endsWith("/Alarm2.wav") && QFileInfo(sound).isFile()) << sound.toStdString();

    SendSignal("NotificationClosed", {kNotificationId, 2u});
    const auto [exitCode, errors] = Finish();
    EXPECT_EQ(exitCode, 0) << errors.toStdString();
    EXPECT_FALSE(errors.contains("can't play")) << "the server plays the sound";
}

TEST_F(TavrinNotifyTest, TextStaysTextWhereTheServerReadsMarkup) {
    StartServer({"body", "body-markup", "sound"});
    RunNotifier(WriteRecord(Record("<b>bold</b> & \"quoted\"")));
    const auto notify = NotifyCall();
    ASSERT_TRUE(notify);
    EXPECT_EQ(notify->arguments()[4].toString(), "&lt;b&gt;bold&lt;/b&gt; &amp; &quot;quoted&quot;");
    // Without the "actions" capability no click can come: the notifier ends at once.
    EXPECT_EQ(Finish().first, 0);
}

TEST_F(TavrinNotifyTest, ClickStartsTheProgramForTheAlarm) {
    StartServer({"actions", "body", "sound"});
    RunNotifier(WriteRecord(Record("Tavrin [07:15, 03-05-2030]")));
    ASSERT_TRUE(NotifyCall());
    SendSignal("ActionInvoked", {kNotificationId, QStringLiteral("default")});
    EXPECT_EQ(Finish().first, 0);
    const QString started = QString::fromStdString(scratch_.PathOf("tavrin.started"));
    ASSERT_TRUE(RunEventsUntil([&] { return QFileInfo(started).size() > 0; }));
    QFile file(started);
    file.open(QIODevice::ReadOnly);
    EXPECT_EQ(file.readAll(), "AppRunAtTime\n");
}

TEST_F(TavrinNotifyTest, PlaysTheSoundItselfWhereTheServerDoesNot) {
    StartServer({"body"});
    RunNotifier(WriteRecord(Record("Tavrin [07:15, 03-05-2030]")));
    ASSERT_TRUE(NotifyCall());
    const auto [exitCode, errors] = Finish();
    // The test's sound driver does not exist: the attempt shows as a complaint.
    EXPECT_TRUE(errors.contains("can't play") && errors.contains("Alarm2.wav")) << errors.toStdString();
    EXPECT_EQ(exitCode, 0);
}

TEST_F(TavrinNotifyTest, TestOptionShowsASampleNow) {
    StartServer({"body", "sound"});
    RunNotifier("--test");
    const auto notify = NotifyCall();
    ASSERT_TRUE(notify);
    EXPECT_EQ(notify->arguments()[3].toString(), "Tavrin");
    EXPECT_TRUE(notify->arguments()[4].toString().startsWith("Tavrin [test notification]\n("));
    EXPECT_EQ(Finish().first, 0);
}

TEST_F(TavrinNotifyTest, FailsLoudlyWithoutANotificationServerOrRecord) {
    RunNotifier(WriteRecord(Record("Tavrin [07:15, 03-05-2030]")));
    auto [exitCode, errors] = Finish();
    EXPECT_EQ(exitCode, 1);
    EXPECT_TRUE(errors.contains("no notification server")) << errors.toStdString();

    RunNotifier(QString::fromStdString(scratch_.PathOf("missing.json")));
    std::tie(exitCode, errors) = Finish();
    EXPECT_EQ(exitCode, 1);
    EXPECT_TRUE(errors.contains("missing.json")) << errors.toStdString();
}

}  // namespace
}  // namespace tavrin::platform::linux_desktop
