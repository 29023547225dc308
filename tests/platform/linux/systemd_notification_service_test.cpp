// The Linux notification service against a fake systemd user manager on a
// private bus, and its unit files checked by systemd's own tools.
//
// A real user manager can't run here: CI runs in a container without
// systemd as its first process, without a login session and without a
// delegated cgroup, and `systemd --user` needs all three. So the calls the
// service makes are recorded by a fake org.freedesktop.systemd1, while
// `systemd-analyze verify --user` and `systemd-analyze calendar`, which work
// offline, judge the units it writes.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDBusArgument>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>

#include "platform/linux/notification_record.h"
#include "platform/linux/systemd_notification_service.h"
#include "platform/linux/systemd_units.h"
#include "support/fixed_clock.h"
#include "support/private_bus.h"
#include "support/scoped_zone.h"
#include "support/scratch_folder.h"

namespace tavrin::platform::linux_desktop {
namespace {

using testing::FakeSystemdManager;
using testing::PrivateBus;
using testing::ScratchFolder;

// Quotes, "%", "$" and a line break: none of it may reach a unit file.
const std::string kHostileText = "Tavrin [07:15, 03-05-2030]\r\n\"%h $HOME\" ExecStart=/bin/false\n'%%'";

SYSTEMTIME Time(std::uint16_t year, std::uint16_t month, std::uint16_t day, std::uint16_t hour,
                std::uint16_t minute, std::uint16_t second) {
    return {year, month, 0, day, hour, minute, second, 0};
}

struct ToolResult {
    int exitCode = -1;
    QString output;
};

// Runs a tool with the test's own home, configuration and runtime folders
// and `zone` (UTC unless said) as local time, never the real user's.
ToolResult RunTool(const QString& program, const QStringList& arguments, const ScratchFolder& scratch,
                   const QString& zone = "UTC") {
    const QString root = QString::fromStdString(scratch.Folder().string());
    QDir().mkpath(root + "/runtime");
    QFile::setPermissions(root + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", root + "/home");
    environment.insert("XDG_CONFIG_HOME", root + "/config");
    environment.insert("XDG_RUNTIME_DIR", root + "/runtime");
    environment.insert("TZ", zone);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(30'000)) return {};
    return {process.exitCode(), QString::fromUtf8(process.readAll())};
}

class SystemdNotificationServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(bus_.Address().isEmpty()) << "dbus-daemon did not start";
        // Spaces, "%", "$" and letters beyond ASCII in the program's folder.
        const auto programFolder = scratch_.Folder() / "my apps 100% $PATH \xc3\xa9t\xc3\xa9";
        std::filesystem::create_directories(programFolder);
        program_ = (programFolder / "tavrin").string();
        ScratchFolder::WriteFile(program_, {'#', '!', '/', 'b', 'i', 'n', '/', 's', 'h', '\n'});
        std::filesystem::permissions(program_, std::filesystem::perms::owner_all);
        std::filesystem::create_symlink(TAVRIN_NOTIFY_EXE, programFolder / "tavrin-notify");
    }
    void TearDown() override { QDBusConnection::disconnectFromBus(QStringLiteral("tavrin-client")); }

    // The service of the program working on its own memo file, or on `dataFile`.
    std::unique_ptr<SystemdNotificationService> MakeService(const std::string& dataFile = {}) {
        return std::make_unique<SystemdNotificationService>(SystemdNotificationSettings{
            unitFolder_, bus_.Connect(QStringLiteral("tavrin-client")), &clock_, dataFile});
    }

    NotificationTrigger TriggerAt(const SYSTEMTIME& start) const {
        NotificationTrigger trigger;
        trigger.application = program_;
        trigger.startTime = start;
        trigger.endTime = start;
        trigger.endTime.minute = static_cast<std::uint16_t>((start.minute + 1) % 60);
        return trigger;
    }
    static UserNotification Notification() {
        return {15, "Tavrin", kHostileText, "Alarm2.wav", 0, 0};
    }
    // A memo with a few strokes on its page.
    AlarmMemo Memo() const { return {kMemoKey, page_.get(), Colors()}; }
    static std::array<RgbQuad, 16> Colors() {
        std::array<RgbQuad, 16> colors{};
        for (std::uint8_t i = 0; i < 16; ++i) colors[i] = {static_cast<std::uint8_t>(i * 16), 0, 255, 0};
        return colors;
    }
    static std::unique_ptr<PageBitmap> Page() {
        PageBitmapInfo info;
        info.width = 240;
        info.height = 320;
        auto page = CreatePageBitmap(info);
        std::fill_n(page->Pixels(), page->PixelByteCount(), std::uint8_t{0x33});
        // The top row (stored last, bottom-up) in colours 1 and 2.
        std::fill_n(page->Pixels() + page->PixelByteCount() - 120, 120, std::uint8_t{0x12});
        return page;
    }

    QString PathOf(const QString& unit, const QString& suffix) const { return unitFolder_ + "/" + unit + suffix; }

    // The files of notifications and starts anywhere in the scratch folder,
    // half-written ones included.
    QStringList UnitFilesLeft() const {
        QStringList files;
        QDirIterator it(QString::fromStdString(scratch_.Folder().string()), QDir::Files | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString name = it.nextFileInfo().fileName();
            if (name.startsWith("tavrin-notification-") || name.startsWith("tavrin-start-")) files << name;
        }
        files.sort();
        return files;
    }

    QString OnCalendarOf(const QString& unit) const {
        QFile timer(PathOf(unit, ".timer"));
        timer.open(QIODevice::ReadOnly);
        for (const QByteArray& line : timer.readAll().split('\n')) {
            if (line.startsWith("OnCalendar=")) return QString::fromUtf8(line.mid(11));
        }
        return {};
    }

    // systemd's own reading of the unit: no message at all means no problem.
    void ExpectSystemdAccepts(const QString& unit) const {
        const ToolResult result = RunTool(
            "systemd-analyze", {"verify", "--user", PathOf(unit, ".timer"), PathOf(unit, ".service")}, scratch_);
        EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
        EXPECT_EQ(result.output, "") << unit.toStdString();
    }

    // When systemd will fire the timer, as "YYYY-MM-DD HH:MM:SS" in UTC.
    QString NextElapseOf(const QString& unit) const {
        const ToolResult result = RunTool("systemd-analyze", {"calendar", OnCalendarOf(unit)}, scratch_);
        for (const QString& line : result.output.split('\n')) {
            const QString trimmed = line.trimmed();
            // "Next elapse: Fri 2030-05-03 07:15:42 UTC"
            if (trimmed.startsWith("Next elapse:")) return trimmed.section(' ', 3, 4);
        }
        return result.output;
    }
    // The same where the local time is `zone`'s: the "(in UTC)" line, or "never".
    QString NextElapseInUtc(const QString& unit, const QString& zone) const {
        const ToolResult result = RunTool("systemd-analyze", {"calendar", OnCalendarOf(unit)}, scratch_, zone);
        for (const QString& line : result.output.split('\n')) {
            const QString trimmed = line.trimmed();
            // "Next elapse: never", or "(in UTC): Sun 2030-03-31 01:00:00 UTC"
            if (trimmed == "Next elapse: never") return "never";
            if (trimmed.startsWith("(in UTC):")) return trimmed.section(' ', 3, 4);
        }
        return result.output;
    }

    ScratchFolder scratch_;
    PrivateBus bus_;
    std::unique_ptr<FakeSystemdManager> manager_ = std::make_unique<FakeSystemdManager>(bus_);
    QString unitFolder_ = QString::fromStdString(scratch_.PathOf("config/systemd/user"));
    std::string program_;
    testing::FixedClock clock_{Time(2030, 5, 3, 8, 0, 0)};
    std::unique_ptr<PageBitmap> page_ = Page();
    static constexpr const char* kMemoKey = "2030-05-01T10:11:12.345/2030-05-03T07:15:00";
};

mode_t PermissionsOf(const QString& path) {
    struct stat status{};
    return ::stat(path.toLocal8Bit().constData(), &status) == 0 ? status.st_mode & 07777 : 07777;
}

TEST_F(SystemdNotificationServiceTest, NotificationIsATimerSystemdAcceptsAtTheAlarmSecond) {
    const struct {
        SYSTEMTIME alarm;
        const char* elapse;
    } cases[] = {
        {Time(2030, 5, 3, 7, 15, 42), "2030-05-03 07:15:42"},
        {Time(2099, 12, 31, 23, 59, 59), "2099-12-31 23:59:59"},
        {Time(2096, 2, 29, 0, 0, 1), "2096-02-29 00:00:01"},
    };
    const auto service = MakeService();
    for (const auto& c : cases) {
        const std::uint32_t handle = service->SetNotification(0, TriggerAt(c.alarm), Notification(), {});
        ASSERT_NE(handle, 0u) << service->LastError().toStdString();
        const QString unit = SystemdNotificationService::NotificationUnit(handle);
        ExpectSystemdAccepts(unit);
        EXPECT_EQ(NextElapseOf(unit), c.elapse);
        EXPECT_EQ(manager_->Calls().mid(manager_->Calls().size() - 3),
                  QStringList({"Reload", "EnableUnitFiles [" + unit + ".timer] false true",
                               "StartUnit " + unit + ".timer replace"}));
    }
}

TEST_F(SystemdNotificationServiceTest, TextAndMemoReachTheNotifierUnchangedAndNoUnitFile) {
    const auto service = MakeService();
    const NotificationTrigger trigger = TriggerAt(Time(2030, 5, 3, 7, 15, 0));
    const std::uint32_t handle = service->SetNotification(0, trigger, Notification(), Memo());
    ASSERT_NE(handle, 0u);
    const QString unit = SystemdNotificationService::NotificationUnit(handle);
    QString error;
    const auto record = ReadNotificationRecord(PathOf(unit, ".json"), &error);
    ASSERT_TRUE(record) << error.toStdString();
    EXPECT_EQ(*record, (NotificationRecord{QString::fromStdString(program_), "Tavrin",
                                           QString::fromStdString(kHostileText), "Alarm2.wav", 15,
                                           kMemoKey, trigger.endTime, ""}));
    for (const char* suffix : {".timer", ".service"}) {
        QFile file(PathOf(unit, suffix));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        EXPECT_FALSE(text.contains("$HOME")) << suffix;
        EXPECT_FALSE(text.contains(kMemoKey)) << suffix;
    }
}

// The memo's page is what the notification shows; like the record, it is
// the user's alone to read.
TEST_F(SystemdNotificationServiceTest, MemosPictureLiesBesideTheRecordForTheUserAlone) {
    const auto service = MakeService();
    const std::uint32_t handle = service->SetNotification(0, TriggerAt(Time(2030, 5, 3, 7, 15, 0)), Notification(), Memo());
    ASSERT_NE(handle, 0u) << service->LastError().toStdString();
    const QString unit = SystemdNotificationService::NotificationUnit(handle);
    const QString picture = PathOf(unit, ".png");
    EXPECT_EQ(picture, PicturePathFor(PathOf(unit, ".json")));
    const QImage image(picture);
    ASSERT_EQ(image.size(), QSize(240, 320));
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 16));
    EXPECT_EQ(image.pixel(1, 0), qRgb(255, 0, 32));
    EXPECT_EQ(image.pixel(5, 100), qRgb(255, 0, 48));
    EXPECT_EQ(PermissionsOf(picture), 0600u);
    EXPECT_EQ(PermissionsOf(PathOf(unit, ".json")), 0600u);

    // Set again for a memo without a picture, the notification shows none.
    ASSERT_EQ(service->SetNotification(handle, TriggerAt(Time(2030, 5, 3, 7, 16, 0)), Notification(), {}), handle);
    EXPECT_FALSE(QFile::exists(picture));
}

// systemd 252 says "never" of a local time the clocks skip: such a
// notification would never ring, nor the start after it. They come at the
// gap's end; a time the clocks show twice rings once, at its first pass.
TEST_F(SystemdNotificationServiceTest, TimesTheClocksSkipRingAtTheGapsEnd) {
    const struct {
        const char* zone;
        SYSTEMTIME alarm;
        const char* elapseInUtc;
    } cases[] = {
        {"Europe/Berlin", Time(2030, 3, 31, 2, 30, 0), "2030-03-31 01:00:00"},
        {"Europe/Berlin", Time(2030, 3, 31, 2, 59, 59), "2030-03-31 01:00:00"},
        {"Europe/Berlin", Time(2030, 3, 31, 3, 0, 0), "2030-03-31 01:00:00"},
        {"Europe/Berlin", Time(2030, 10, 27, 2, 30, 0), "2030-10-27 00:30:00"},
        {"Europe/Berlin", Time(2030, 5, 3, 7, 15, 42), "2030-05-03 05:15:42"},
        {"America/New_York", Time(2030, 3, 10, 2, 30, 0), "2030-03-10 07:00:00"},
        {"America/New_York", Time(2030, 11, 3, 1, 30, 0), "2030-11-03 05:30:00"},
    };
    const auto service = std::make_unique<SystemdNotificationService>(SystemdNotificationSettings{
        unitFolder_, bus_.Connect(QStringLiteral("tavrin-client")), &SystemClock(), {}});
    for (const auto& [zone, alarm, elapse] : cases) {
        SCOPED_TRACE(std::string(zone) + " " + *CalendarTime(alarm));
        testing::ScopedZone inZone(zone);
        const std::uint32_t handle = service->SetNotification(0, TriggerAt(alarm), Notification(), {});
        ASSERT_NE(handle, 0u) << service->LastError().toStdString();
        EXPECT_EQ(NextElapseInUtc(SystemdNotificationService::NotificationUnit(handle), zone), elapse);
        ASSERT_EQ(service->ScheduleAppStart(program_, alarm), 1) << service->LastError().toStdString();
        EXPECT_EQ(NextElapseInUtc(SystemdNotificationService::StartUnit(program_, {}), zone), elapse);
    }
}

TEST_F(SystemdNotificationServiceTest, HeldHandleIsRewrittenByTheNextRunOfTheProgram) {
    const std::uint32_t handle =
        MakeService()->SetNotification(0, TriggerAt(Time(2030, 5, 3, 7, 15, 0)), Notification(), {});
    ASSERT_NE(handle, 0u);
    QDBusConnection::disconnectFromBus(QStringLiteral("tavrin-client"));

    const auto restarted = MakeService();
    EXPECT_EQ(restarted->SetNotification(handle, TriggerAt(Time(2030, 6, 1, 9, 30, 5)), Notification(), {}), handle);
    const QString unit = SystemdNotificationService::NotificationUnit(handle);
    EXPECT_EQ(OnCalendarOf(unit), "2030-06-01 09:30:05");
    EXPECT_EQ(manager_->Calls().last(), "RestartUnit " + unit + ".timer replace");
    EXPECT_EQ(UnitFilesLeft(), QStringList({unit + ".json", unit + ".service", unit + ".timer"}));
    ExpectSystemdAccepts(unit);
}

TEST_F(SystemdNotificationServiceTest, UnknownHandleIsRefusedWithoutTouchingAnything) {
    const auto service = MakeService();
    EXPECT_EQ(service->SetNotification(0x1234abcd, TriggerAt(Time(2030, 5, 3, 7, 15, 0)), Notification(), {}), 0u);
    EXPECT_EQ(UnitFilesLeft(), QStringList());
    EXPECT_EQ(manager_->Calls(), QStringList());
}

TEST_F(SystemdNotificationServiceTest, EveryNotificationHasItsOwnNonzeroHandle) {
    const auto service = MakeService();
    std::set<std::uint32_t> handles;
    for (int i = 0; i < 20; ++i) {
        handles.insert(service->SetNotification(0, TriggerAt(Time(2030, 5, 3, 7, 15, 0)), Notification(), {}));
    }
    EXPECT_EQ(handles.size(), 20u);
    EXPECT_FALSE(handles.contains(0u));
}

TEST_F(SystemdNotificationServiceTest, RemovedNotificationIsStoppedDisabledAndDeleted) {
    const auto service = MakeService();
    const std::uint32_t handle = service->SetNotification(0, TriggerAt(Time(2030, 5, 3, 7, 15, 0)), Notification(), Memo());
    ASSERT_NE(handle, 0u);
    const QString timer = SystemdNotificationService::NotificationUnit(handle) + ".timer";

    EXPECT_EQ(service->RemoveNotification(handle), 1);
    EXPECT_EQ(manager_->Calls().mid(3),
              QStringList({"StopUnit " + timer + " replace", "DisableUnitFiles [" + timer + "] false", "Reload"}));
    EXPECT_EQ(UnitFilesLeft(), QStringList());
    EXPECT_EQ(service->RemoveNotification(handle), 0);
    EXPECT_EQ(service->RemoveNotification(0), 0);
    EXPECT_EQ(manager_->Calls().size(), 6);
}

TEST_F(SystemdNotificationServiceTest, ProgramStartIsOneTimerReplacedByEachCall) {
    const auto service = MakeService();
    ASSERT_EQ(service->ScheduleAppStart(program_, Time(2030, 5, 3, 7, 15, 2)), 1)
        << service->LastError().toStdString();
    const QString unit = SystemdNotificationService::StartUnit(program_, {});
    ExpectSystemdAccepts(unit);
    EXPECT_EQ(NextElapseOf(unit), "2030-05-03 07:15:02");
    // The service only has the notifier start the program in a unit of its own.
    QFile service_file(PathOf(unit, ".service"));
    ASSERT_TRUE(service_file.open(QIODevice::ReadOnly));
    const std::string notifier = std::filesystem::path(program_).replace_filename("tavrin-notify").string();
    EXPECT_TRUE(service_file.readAll().contains(
        QByteArray::fromStdString("ExecStart=" + *QuotedPathForExec(notifier, true) + " --start " +
                                  *QuotedPathForExec(program_, false) + " AppRunAtTime\n")));
    EXPECT_EQ(manager_->Calls().last(), "StartUnit " + unit + ".timer replace");

    ASSERT_EQ(service->ScheduleAppStart(program_, Time(2030, 5, 4, 6, 0, 2)), 1);
    EXPECT_EQ(NextElapseOf(unit), "2030-05-04 06:00:02");
    EXPECT_EQ(manager_->Calls().last(), "RestartUnit " + unit + ".timer replace");
    EXPECT_EQ(UnitFilesLeft(), QStringList({unit + ".service", unit + ".timer"}));
}

TEST_F(SystemdNotificationServiceTest, AcknowledgeRemovesOnlyThisProgramsPassedUnits) {
    const auto service = MakeService();
    const auto notify = [&](const std::string& program, SYSTEMTIME alarm) {
        NotificationTrigger trigger = TriggerAt(alarm);
        trigger.application = program;
        return SystemdNotificationService::NotificationUnit(service->SetNotification(0, trigger, Notification(), {}));
    };
    // It is 08:00:00; a notification is dealt with a minute after its time.
    notify(program_, Time(2030, 5, 3, 7, 0, 0));
    const QString inItsMinute = notify(program_, Time(2030, 5, 3, 7, 59, 30));
    const QString pending = notify(program_, Time(2030, 5, 3, 9, 0, 0));
    const QString otherProgram = notify(program_ + "-other", Time(2030, 5, 3, 7, 0, 0));
    ASSERT_EQ(service->ScheduleAppStart(program_, Time(2030, 5, 3, 7, 0, 2)), 1);

    EXPECT_EQ(service->AcknowledgeAppNotifications(program_), 1);
    QStringList expected;
    for (const QString& unit : {inItsMinute, pending, otherProgram}) {
        expected << unit + ".json" << unit + ".service" << unit + ".timer";
    }
    expected.sort();
    EXPECT_EQ(UnitFilesLeft(), expected);
}

// Tavrin started on another memo file ($TAVRIN_DATA_FILE) has its own start,
// and its alarms start it on that file; acknowledging them leaves the
// notifications of the program's own file alone.
TEST_F(SystemdNotificationServiceTest, AnotherMemoFileHasItsOwnStartsAndNotifications) {
    const std::string other = scratch_.PathOf("my notes/100% $HOME.dat");
    const auto own = MakeService();
    const auto onOther = MakeService(other);
    const auto notify = [&](SystemdNotificationService& service, SYSTEMTIME alarm) {
        return SystemdNotificationService::NotificationUnit(
            service.SetNotification(0, TriggerAt(alarm), Notification(), {}));
    };
    const QString ownPassed = notify(*own, Time(2030, 5, 3, 7, 0, 0));
    const QString otherPassed = notify(*onOther, Time(2030, 5, 3, 7, 0, 0));
    // Both starts have passed (it is 08:00:00): each file's own is kept apart.
    ASSERT_EQ(own->ScheduleAppStart(program_, Time(2030, 5, 3, 7, 0, 2)), 1);
    ASSERT_EQ(onOther->ScheduleAppStart(program_, Time(2030, 5, 3, 7, 30, 2)), 1)
        << onOther->LastError().toStdString();

    const QString ownStart = SystemdNotificationService::StartUnit(program_, {});
    const QString otherStart = SystemdNotificationService::StartUnit(program_, other);
    ASSERT_NE(ownStart, otherStart);
    ExpectSystemdAccepts(otherStart);
    EXPECT_EQ(OnCalendarOf(ownStart), "2030-05-03 07:00:02");
    EXPECT_EQ(OnCalendarOf(otherStart), "2030-05-03 07:30:02");
    QFile startService(PathOf(otherStart, ".service"));
    ASSERT_TRUE(startService.open(QIODevice::ReadOnly));
    const std::string notifier = std::filesystem::path(program_).replace_filename("tavrin-notify").string();
    EXPECT_TRUE(startService.readAll().contains(QByteArray::fromStdString(
        "ExecStart=" + *QuotedPathForExec(notifier, true) + " --data-file " + *QuotedPathForExec(other, false) +
        " --start " + *QuotedPathForExec(program_, false) + " AppRunAtTime\n")));
    QString error;
    const auto record = ReadNotificationRecord(PathOf(otherPassed, ".json"), &error);
    ASSERT_TRUE(record) << error.toStdString();
    EXPECT_EQ(record->dataFile.toStdString(), other);

    EXPECT_EQ(onOther->AcknowledgeAppNotifications(program_), 1);
    QStringList expected{ownPassed + ".json", ownPassed + ".service", ownPassed + ".timer",
                         ownStart + ".service", ownStart + ".timer"};
    expected.sort();
    EXPECT_EQ(UnitFilesLeft(), expected);
}

TEST_F(SystemdNotificationServiceTest, ProgramSystemdCannotRunIsRefused) {
    const auto folder = scratch_.Folder() / "it's here";
    std::filesystem::create_directories(folder);
    std::filesystem::create_symlink(TAVRIN_NOTIFY_EXE, folder / "tavrin-notify");
    const auto service = MakeService();
    NotificationTrigger trigger = TriggerAt(Time(2030, 5, 3, 7, 15, 0));
    trigger.application = (folder / "tavrin").string();
    EXPECT_EQ(service->SetNotification(0, trigger, Notification(), {}), 0u);
    EXPECT_EQ(service->ScheduleAppStart(trigger.application, trigger.startTime), 0);
    EXPECT_EQ(UnitFilesLeft(), QStringList());
    EXPECT_EQ(manager_->Calls(), QStringList());

    // A memo file whose name a unit file can't hold: its alarms can't start
    // the program on it, and none is set.
    const auto onQuotedFile = MakeService(scratch_.PathOf("my \"notes\".dat"));
    EXPECT_EQ(onQuotedFile->SetNotification(0, TriggerAt(trigger.startTime), Notification(), {}), 0u);
    EXPECT_EQ(onQuotedFile->ScheduleAppStart(program_, trigger.startTime), 0);
    EXPECT_TRUE(onQuotedFile->LastError().contains("can't pass the path")) << onQuotedFile->LastError().toStdString();
    EXPECT_EQ(UnitFilesLeft(), QStringList());
    EXPECT_EQ(manager_->Calls(), QStringList());
}

// Every start the notifier makes is a transient service of its own, so that
// the program outlives the notifier's service, and each start has its unit.
TEST_F(SystemdNotificationServiceTest, ProgramsStartInTransientServicesOfTheirOwn) {
    SystemdUserManager manager(bus_.Connect(QStringLiteral("tavrin-client")));
    EXPECT_EQ(manager.StartProgram("/opt/my apps/tavrin", {"--open", kMemoKey}), "");
    EXPECT_EQ(manager.StartProgram("/opt/my apps/tavrin", {"AppRunAtTime"}, "/home/me/other notes.dat"), "");
    std::vector<testing::TransientStart> starts;
    for (const QDBusMessage& call : manager_->Messages()) {
        if (const auto start = testing::ReadTransientStart(call)) starts.push_back(*start);
    }
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_NE(starts[0].unit, starts[1].unit);
    for (const auto& start : starts) {
        EXPECT_TRUE(start.unit.startsWith("app-tavrin@") && start.unit.endsWith(".service")) << start.unit.toStdString();
        EXPECT_EQ(start.mode, "fail");
        EXPECT_TRUE(start.properties.contains("CollectMode=inactive-or-failed")) << start.properties.join(' ').toStdString();
    }
    EXPECT_EQ(starts[0].command, QStringList({"/opt/my apps/tavrin", "/opt/my apps/tavrin", "--open", kMemoKey}));
    EXPECT_EQ(starts[1].command, QStringList({"/opt/my apps/tavrin", "/opt/my apps/tavrin", "AppRunAtTime"}));
    // A start on another memo file names it to the program; one on its own names none.
    EXPECT_FALSE(starts[0].properties.join(' ').contains("Environment")) << starts[0].properties.join(' ').toStdString();
    EXPECT_TRUE(starts[1].properties.contains("Environment=TAVRIN_DATA_FILE=/home/me/other notes.dat"))
        << starts[1].properties.join(' ').toStdString();
}

// Every way the manager or the unit folder can fail: the service answers 0,
// says why, and leaves no file of the notification behind.
class SystemdNotificationFailureTest;
struct FailureCase {
    const char* name;
    std::function<void(SystemdNotificationFailureTest&)> arrange;
};

class SystemdNotificationFailureTest : public SystemdNotificationServiceTest,
                                       public ::testing::WithParamInterface<FailureCase> {
public:
    void NoManagerOnTheBus() { manager_.reset(); }
    void ManagerFails(const char* member) { manager_->FailOn(member); }
    // Root, as in CI, writes through any permission bits: a file where the
    // folder should be is what stops every user.
    void UnitFolderIsAFile() {
        std::filesystem::create_directories(std::filesystem::path(unitFolder_.toStdString()).parent_path());
        ScratchFolder::WriteFile(unitFolder_.toStdString(), {'x'});
    }
};

TEST_P(SystemdNotificationFailureTest, FailsWithNothingLeftBehind) {
    GetParam().arrange(*this);
    const auto service = MakeService();
    EXPECT_EQ(service->SetNotification(0, TriggerAt(Time(2030, 5, 3, 7, 15, 0)), Notification(), Memo()), 0u);
    EXPECT_FALSE(service->LastError().isEmpty());
    EXPECT_EQ(service->ScheduleAppStart(program_, Time(2030, 5, 3, 7, 15, 2)), 0);
    EXPECT_EQ(UnitFilesLeft(), QStringList());
}

const FailureCase kFailureCases[] = {
    {"NoManager", [](SystemdNotificationFailureTest& test) { test.NoManagerOnTheBus(); }},
    {"ReloadFails", [](SystemdNotificationFailureTest& test) { test.ManagerFails("Reload"); }},
    {"EnableFails", [](SystemdNotificationFailureTest& test) { test.ManagerFails("EnableUnitFiles"); }},
    {"StartFails", [](SystemdNotificationFailureTest& test) { test.ManagerFails("StartUnit"); }},
    {"UnitFolderIsAFile", [](SystemdNotificationFailureTest& test) { test.UnitFolderIsAFile(); }},
};
INSTANTIATE_TEST_SUITE_P(Cases, SystemdNotificationFailureTest, ::testing::ValuesIn(kFailureCases),
                         [](const ::testing::TestParamInfo<FailureCase>& failure) {
                             return std::string(failure.param.name);
                         });

TEST_F(SystemdNotificationServiceTest, FailedRewriteRemovesTheNotificationItReplaced) {
    const auto service = MakeService();
    const std::uint32_t handle = service->SetNotification(0, TriggerAt(Time(2030, 5, 3, 7, 15, 0)), Notification(), Memo());
    ASSERT_NE(handle, 0u);
    manager_->FailOn("RestartUnit");
    EXPECT_EQ(service->SetNotification(handle, TriggerAt(Time(2030, 5, 3, 8, 15, 0)), Notification(), {}), 0u);
    EXPECT_EQ(UnitFilesLeft(), QStringList());
}

TEST_F(SystemdNotificationServiceTest, NoSessionBusFailsWithNothingLeftBehind) {
    SystemdNotificationService service(SystemdNotificationSettings{
        unitFolder_, QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), "tavrin-client"),
        &clock_, {}});
    EXPECT_EQ(service.SetNotification(0, TriggerAt(Time(2030, 5, 3, 7, 15, 0)), Notification(), {}), 0u);
    EXPECT_TRUE(service.LastError().contains("no session bus")) << service.LastError().toStdString();
    EXPECT_EQ(UnitFilesLeft(), QStringList());
}

}  // namespace
}  // namespace tavrin::platform::linux_desktop
