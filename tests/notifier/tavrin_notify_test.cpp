// tavrin-notify, run as the notification's service runs it, against a fake
// notification server and a fake systemd user manager on a private bus that
// record what they are sent.
#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include <filesystem>

#include "platform/linux/notification_record.h"
#include "support/private_bus.h"
#include "support/scratch_folder.h"

namespace tavrin::platform::linux_desktop {
namespace {

using testing::FakeSystemdManager;
using testing::PrivateBus;
using testing::RecordingObject;
using testing::RunEventsUntil;
using testing::ScratchFolder;

constexpr unsigned kNotificationId = 7;
const QString kMemoKey = QStringLiteral("2030-05-01T10:11:12.345/2030-05-03T07:15:00");
const SYSTEMTIME kFarFuture{2099, 1, 0, 1, 0, 0, 0, 0};
const QString kServer = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

class TavrinNotifyTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(bus_.Address().isEmpty()) << "dbus-daemon did not start"; }
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
    void RunNotifier(const QString& argument) { RunNotifier(QStringList{argument}); }
    void RunNotifier(const QStringList& arguments) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DBUS_SESSION_BUS_ADDRESS", bus_.Address());
        environment.insert("CANBERRA_DRIVER", "tavrin-test-none");
        process_.setProcessEnvironment(environment);
        process_.start(TAVRIN_NOTIFY_EXE, arguments);
        ASSERT_TRUE(process_.waitForStarted());
    }
    QString WriteRecord(const NotificationRecord& record) {
        const QString path = QString::fromStdString(scratch_.PathOf("notification.json"));
        EXPECT_EQ(WriteNotificationRecord(path, record), "");
        return path;
    }
    NotificationRecord Record(const QString& text) const {
        return {QString::fromStdString(scratch_.PathOf("tavrin")), "Tavrin", text, "Alarm2.wav", 15, kMemoKey,
                kFarFuture, ""};
    }
    // The memo file each start names to the program ($TAVRIN_DATA_FILE), or "".
    std::vector<QString> StartedDataFiles() const {
        std::vector<QString> files;
        for (const QDBusMessage& call : manager_.Messages()) {
            const auto start = testing::ReadTransientStart(call);
            if (!start) continue;
            const QStringList named = start->properties.filter(QRegularExpression("^Environment=TAVRIN_DATA_FILE="));
            files.push_back(named.isEmpty() ? QString() : named.first().section('=', 2));
        }
        return files;
    }
    // The programs the notifier asked the manager to start, each as its command.
    std::vector<QStringList> Started() const {
        std::vector<QStringList> started;
        for (const QDBusMessage& call : manager_.Messages()) {
            if (const auto start = testing::ReadTransientStart(call)) started.push_back(start->command.mid(1));
        }
        return started;
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
    FakeSystemdManager manager_{bus_};
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
    EXPECT_EQ(arguments[5].toStringList(), QStringList({"default", "Open", "open", "Open", "snooze",
                                                        "Snooze 10 minutes", "dismiss", "Dismiss"}));
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
    // Without the "actions" capability none is offered, and no click can
    // come: the notifier ends at once.
    EXPECT_EQ(notify->arguments()[5].toStringList(), QStringList());
    EXPECT_EQ(Finish().first, 0);
}

// Each action starts Tavrin in a unit of its own (so that it outlives the
// notifier's service) with what it asks for, and closes the notification.
TEST_F(TavrinNotifyTest, ActionsStartTheProgramForTheMemo) {
    const QString program = QString::fromStdString(scratch_.PathOf("tavrin"));
    const struct {
        const char* action;
        QString memo;
        std::vector<QStringList> started;
        QString dataFile = {};  // the memo file Tavrin was on when it set the alarm
    } cases[] = {
        {"default", kMemoKey, {{program, "--open", kMemoKey}}},
        {"open", kMemoKey, {{program, "--open", kMemoKey}}},
        {"snooze", kMemoKey, {{program, "--snooze", kMemoKey}}},
        {"dismiss", kMemoKey, {}},
        // A notification of no memo (written before memos were named) comes to the front.
        {"open", "", {{program, "AppRunAtTime"}}},
        {"snooze", "", {}},
        {"open", kMemoKey, {{program, "--open", kMemoKey}}, "/home/me/my notes.dat"},
        {"snooze", kMemoKey, {{program, "--snooze", kMemoKey}}, "/home/me/my notes.dat"},
    };
    StartServer({"actions", "body", "sound"});
    for (const auto& [action, memo, started, dataFile] : cases) {
        SCOPED_TRACE(std::string(action) + " " + memo.toStdString() + " " + dataFile.toStdString());
        const std::size_t before = Started().size();
        const qsizetype callsBefore = object_.Calls().size();
        NotificationRecord record = Record("Tavrin [07:15, 03-05-2030]");
        record.memo = memo;
        record.dataFile = dataFile;
        RunNotifier(WriteRecord(record));
        RunEventsUntil([&] { return object_.Calls().size() >= callsBefore + 2; });  // capabilities, Notify
        SendSignal("ActionInvoked", {kNotificationId, QString::fromUtf8(action)});
        EXPECT_EQ(Finish().first, 0);
        const std::vector<QStringList> all = Started();
        EXPECT_EQ(std::vector<QStringList>(all.begin() + static_cast<std::ptrdiff_t>(before), all.end()), started);
        if (!started.empty()) {
            EXPECT_EQ(StartedDataFiles().back(), dataFile);
        }
        EXPECT_EQ(object_.Calls().constLast().member(), "CloseNotification");
    }
}

TEST_F(TavrinNotifyTest, ShowsTheMemosPictureAndSaysWhenTheAlarmWasMissed) {
    StartServer({"actions", "body"});
    NotificationRecord record = Record("Tavrin [07:15, 03-05-2020]\r\n(Close the notification dialog to switch to the program)");
    record.until = SYSTEMTIME{2020, 5, 0, 3, 7, 16, 0, 0};
    const QString path = WriteRecord(record);
    ScratchFolder::WriteFile(PicturePathFor(path).toStdString(), ToBytes("a picture"));
    RunNotifier(path);
    const auto notify = NotifyCall();
    ASSERT_TRUE(notify);
    EXPECT_EQ(notify->arguments()[4].toString(),
              "Missed alarm\nTavrin [07:15, 03-05-2020]\n(Close the notification dialog to switch to the program)");
    EXPECT_EQ(HintsOf(*notify).value("image-path").toString(), QUrl::fromLocalFile(PicturePathFor(path)).toString());
    SendSignal("NotificationClosed", {kNotificationId, 2u});
    EXPECT_EQ(Finish().first, 0);
}

// The start timer's service runs "tavrin-notify --start": the program is
// started in a unit of its own and the notifier ends at once.
TEST_F(TavrinNotifyTest, StartOptionStartsTheProgramInAUnitOfItsOwn) {
    RunNotifier({"--start", "/opt/my apps/tavrin", "AppRunAtTime"});
    const auto [exitCode, errors] = Finish();
    EXPECT_EQ(exitCode, 0) << errors.toStdString();
    EXPECT_EQ(Started(), std::vector<QStringList>({{"/opt/my apps/tavrin", "AppRunAtTime"}}));

    EXPECT_EQ(StartedDataFiles(), std::vector<QString>({""}));

    // Tavrin on another memo file is started on it.
    RunNotifier({"--data-file", "/home/me/my notes.dat", "--start", "/opt/my apps/tavrin", "AppRunAtTime"});
    EXPECT_EQ(Finish().first, 0);
    EXPECT_EQ(Started().back(), QStringList({"/opt/my apps/tavrin", "AppRunAtTime"}));
    EXPECT_EQ(StartedDataFiles().back(), "/home/me/my notes.dat");
    // The file names a start only.
    RunNotifier({"--data-file", "/home/me/my notes.dat", "notification.json"});
    EXPECT_EQ(Finish().first, 2);

    manager_.FailOn("StartTransientUnit");
    RunNotifier({"--start", "/opt/my apps/tavrin", "AppRunAtTime"});
    const auto [failedCode, complaint] = Finish();
    EXPECT_EQ(failedCode, 1);
    EXPECT_TRUE(complaint.contains("can't start /opt/my apps/tavrin")) << complaint.toStdString();
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
