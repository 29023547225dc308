// Tavrin started as real processes, as the desktop and the notification
// service start it: one instance per user, a later start handing over to it,
// a lock left by a killed instance taken over, the memos saved when the
// session ends it with SIGTERM, and the starts of a notification's actions.
// Each test has its own runtime folder (where the lock and socket live),
// data file and session bus (unreachable, or a private one with a fake
// systemd user manager), so that no alarm reaches the machine's real service.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <filesystem>
#include <memory>
#include <string>

#include "alarm_schedule/alarm_scheduler.h"
#include "platform/byte_file.h"
#include "store/memo_file.h"
#include "store/memo_list.h"
#include "support/calendar_time.h"
#include "support/private_bus.h"
#include "support/scratch_folder.h"

using namespace tavrin;

namespace {

class InstanceTest : public ::testing::Test {
protected:
    InstanceTest() {
        std::filesystem::create_directory(scratch.PathOf("run"));
        std::filesystem::permissions(scratch.PathOf("run"), std::filesystem::perms::owner_all);
    }

    std::unique_ptr<QProcess> Start(const QStringList& arguments = {}) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(scratch.PathOf("run")));
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString(scratch.PathOf("config")));
        environment.insert("XDG_STATE_HOME", QString::fromStdString(scratch.PathOf("state")));
        environment.insert("DBUS_SESSION_BUS_ADDRESS",
                           busAddress.isEmpty() ? "unix:path=" + QString::fromStdString(scratch.PathOf("no-bus"))
                                                : busAddress);
        environment.insert("TAVRIN_DATA_FILE", QString::fromStdString(dataPath));
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::SeparateChannels);
        process->start(TAVRIN_PROGRAM, arguments);
        EXPECT_TRUE(process->waitForStarted(5000));
        return process;
    }

    // The first instance listens once its lock is held.
    void WaitUntilListening() const {
        const QDeadlineTimer deadline(10000);
        while (!QFileInfo::exists(QString::fromStdString(scratch.PathOf("run/tavrin.socket")))) {
            ASSERT_FALSE(deadline.hasExpired()) << "the first instance never listened";
            QThread::msleep(20);
        }
        // The window is made right after: give it the time to come up.
        QThread::msleep(300);
    }

    static int EndedWith(QProcess& process) {
        EXPECT_TRUE(process.waitForFinished(10000)) << "still running";
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return process.exitCode();
    }

    static int Terminate(QProcess& process) {
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
        return EndedWith(process);
    }

    std::uint16_t SavedCount() const {
        MemoList list;
        const FileLoadReport report = MemoFile(platform::LocalFileSystem()).Load(list, dataPath);
        EXPECT_EQ(report.outcome, LoadOutcome::ReadWhole);
        return list.Count();
    }

    tavrin::testing::ScratchFolder scratch;
    std::string dataPath = scratch.PathOf("memos.dat");
    QString busAddress;  // empty: none can be reached
};

TEST_F(InstanceTest, ASecondStartHandsOverAndEndsWithZero) {
    const auto first = Start();
    WaitUntilListening();

    const auto second = Start();
    EXPECT_EQ(EndedWith(*second), 0);
    const auto alarmStart = Start({"AppRunAtTime"});
    EXPECT_EQ(EndedWith(*alarmStart), 0);

    EXPECT_EQ(first->state(), QProcess::Running);
    EXPECT_EQ(Terminate(*first), 0);
    // The plain start found the running window in front: it made a new page.
    EXPECT_EQ(SavedCount(), 2);
}

// The desktop entry's "New memo" action: a new page at the first start and
// at every later one, whichever window was in front.
TEST_F(InstanceTest, ANewMemoStartMakesANewPageStartedOrHandedOver) {
    const auto first = Start({"--new-memo"});
    WaitUntilListening();
    const auto second = Start({"--new-memo"});
    EXPECT_EQ(EndedWith(*second), 0);
    EXPECT_EQ(Terminate(*first), 0);
    EXPECT_EQ(SavedCount(), 3);
}

TEST_F(InstanceTest, ALockLeftByAKilledInstanceDoesNotBlockTheNextStart) {
    const auto killed = Start();
    WaitUntilListening();
    killed->kill();
    killed->waitForFinished();

    const auto next = Start();
    // The next start took the lock over: a later start hands over to it.
    QThread::msleep(500);
    const auto later = Start({"AppRunAtTime"});
    EXPECT_EQ(EndedWith(*later), 0);
    EXPECT_EQ(next->state(), QProcess::Running);
    EXPECT_EQ(Terminate(*next), 0);
    EXPECT_EQ(SavedCount(), 1);
}

// A notification's actions start Tavrin with "--snooze KEY" or "--open KEY".
class ActionStartTest : public InstanceTest {
protected:
    void SetUp() override {
        ASSERT_FALSE(bus.Address().isEmpty()) << "dbus-daemon did not start";
        busAddress = bus.Address();
        MemoList list;
        list.First()->created = tavrin::testing::Time(2026, 12, 1, 8, 0, 0, 1);
        MemoEntry& rang = *list.Append();
        rang.created = tavrin::testing::Time(2026, 12, 1, 8, 0, 0, 2);
        rang.SetAlarm(0, kRang);
        list.Rewind();
        ASSERT_TRUE(MemoFile(platform::LocalFileSystem()).Save(list, dataPath));
    }

    std::unique_ptr<MemoList> Saved() const {
        auto list = std::make_unique<MemoList>();
        MemoFile(platform::LocalFileSystem()).Load(*list, dataPath);
        return list;
    }
    int ManagerCalls(const QString& member) const {
        return static_cast<int>(manager.Calls().filter(QRegularExpression("^" + member + " ")).size());
    }

    static constexpr SYSTEMTIME kRang{2026, 12, 4, 10, 9, 29, 0, 0};
    const QString key = QString::fromStdString(AlarmKeyText({tavrin::testing::Time(2026, 12, 1, 8, 0, 0, 2), kRang}));
    tavrin::testing::PrivateBus bus;
    tavrin::testing::FakeSystemdManager manager{bus};
};

TEST_F(ActionStartTest, ASnoozeWithNoTavrinRunningIsSavedWithoutAWindow) {
    const auto snooze = Start({"--snooze", key});
    EXPECT_EQ(EndedWith(*snooze), 0) << snooze->readAllStandardError().toStdString();
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(scratch.PathOf("run/tavrin.socket"))));
    const auto saved = Saved();
    EXPECT_NE(saved->Last()->alarmHandle, 0u);
    EXPECT_NE(saved->Last()->alarmTime, kRang);
    EXPECT_EQ(saved->CurrentIndex(), 1);
    EXPECT_EQ(ManagerCalls("StartUnit"), 2);  // the notification and the start after it

    // The same notification again: the memo has another alarm now.
    const auto again = Start({"--snooze", key});
    EXPECT_EQ(EndedWith(*again), 1);
    EXPECT_TRUE(again->readAllStandardError().contains("can't be snoozed"));
}

TEST_F(ActionStartTest, OpenAndSnoozeHandOverToTheRunningTavrin) {
    const auto first = Start();
    WaitUntilListening();
    const auto open = Start({"--open", key});
    EXPECT_EQ(EndedWith(*open), 0);
    const auto snooze = Start({"--snooze", key});
    EXPECT_EQ(EndedWith(*snooze), 0);
    QThread::msleep(300);
    EXPECT_EQ(ManagerCalls("StartUnit"), 2);
    EXPECT_EQ(Terminate(*first), 0);
    const auto saved = Saved();
    EXPECT_EQ(saved->CurrentIndex(), 2);
    EXPECT_NE(saved->Last()->alarmHandle, 0u);
}

}  // namespace
