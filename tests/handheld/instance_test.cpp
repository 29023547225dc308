// Tavrin started as real processes, as the desktop and the notification
// service start it: one instance per user and data file, a later start
// handing over to it, a lock left by a killed instance taken over, the memos
// saved when the session ends it with SIGTERM, and the starts of a
// notification's actions. Each test has its own runtime folder (where the
// locks and sockets live), data file and session bus (unreachable, or a
// private one with a fake systemd user manager), so that no alarm reaches the
// machine's real service. Without a runtime folder the lock goes to the
// scratch folder, whose name holds the test's: those tests have short names.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "alarm_schedule/alarm_scheduler.h"
#include "platform/byte_file.h"
#include "store/memo_file.h"
#include "store/memo_list.h"
#include "store/path_digest.h"
#include "support/calendar_time.h"
#include "support/private_bus.h"
#include "support/scratch_folder.h"

using namespace tavrin;

namespace {

class InstanceTest : public ::testing::Test {
protected:
    // The runtime folder has a short name of its own, made for the user
    // alone: a socket's path may not be longer than 107 bytes.
    InstanceTest() {
        char name[] = "/tmp/tavrin-run-XXXXXX";
        EXPECT_NE(::mkdtemp(name), nullptr);
        runFolder = name;
    }
    ~InstanceTest() override { std::filesystem::remove_all(runFolder); }

    using Environment = std::function<void(QProcessEnvironment&)>;

    std::unique_ptr<QProcess> Start(const QStringList& arguments = {}, const Environment& adjust = {}) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(runFolder));
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString(scratch.PathOf("config")));
        environment.insert("XDG_STATE_HOME", QString::fromStdString(scratch.PathOf("state")));
        environment.insert("DBUS_SESSION_BUS_ADDRESS",
                           busAddress.isEmpty() ? "unix:path=" + QString::fromStdString(scratch.PathOf("no-bus"))
                                                : busAddress);
        environment.insert("TAVRIN_DATA_FILE", QString::fromStdString(dataPath));
        if (adjust) adjust(environment);
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::SeparateChannels);
        process->start(TAVRIN_PROGRAM, arguments);
        EXPECT_TRUE(process->waitForStarted(5000));
        return process;
    }

    static Environment OnFile(const std::string& path) {
        return [path](QProcessEnvironment& environment) {
            environment.insert("TAVRIN_DATA_FILE", QString::fromStdString(path));
        };
    }

    // The socket of the instance on a data file: named after its canonical path.
    static std::string SocketIn(const std::string& folder, const std::string& dataFile) {
        return folder + "/tavrin-" + PathDigest(std::filesystem::weakly_canonical(dataFile).string()) + ".socket";
    }

    // The first instance listens once its lock is held.
    void WaitUntilListening(std::string socket = {}) const {
        if (socket.empty()) socket = SocketIn(runFolder, dataPath);
        const QDeadlineTimer deadline(10000);
        while (!QFileInfo::exists(QString::fromStdString(socket))) {
            ASSERT_FALSE(deadline.hasExpired()) << "the first instance never listened";
            QThread::msleep(20);
        }
        // The window is made right after: give it the time to come up.
        QThread::msleep(300);
    }

    static int EndedWith(QProcess& process) {
        EXPECT_TRUE(process.state() == QProcess::NotRunning || process.waitForFinished(10000)) << "still running";
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return process.exitCode();
    }

    static int Terminate(QProcess& process) {
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
        return EndedWith(process);
    }

    std::uint16_t SavedCount(const std::string& path) const {
        MemoList list;
        const FileLoadReport report = MemoFile(platform::LocalFileSystem()).Load(list, path);
        EXPECT_EQ(report.outcome, LoadOutcome::ReadWhole);
        return list.Count();
    }

    tavrin::testing::ScratchFolder scratch;
    std::string runFolder;
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
    EXPECT_EQ(SavedCount(dataPath), 2);
}

// The desktop entry's "New memo" action: a new page at the first start and
// at every later one, whichever window was in front.
TEST_F(InstanceTest, ANewMemoStartMakesANewPageStartedOrHandedOver) {
    const auto first = Start({"--new-memo"});
    WaitUntilListening();
    const auto second = Start({"--new-memo"});
    EXPECT_EQ(EndedWith(*second), 0);
    EXPECT_EQ(Terminate(*first), 0);
    EXPECT_EQ(SavedCount(dataPath), 3);
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
    EXPECT_EQ(SavedCount(dataPath), 1);
}

// Two starts at the same moment: one makes the window, the other hands over
// to it and ends with 0.
TEST_F(InstanceTest, TwoAtOnce) {
    const auto one = Start();
    const auto other = Start();
    const QDeadlineTimer deadline(15000);
    // A process's end is seen only while waiting for it.
    while (!one->waitForFinished(50) && !other->waitForFinished(50)) {
        ASSERT_FALSE(deadline.hasExpired()) << "both made a window";
    }
    QProcess& ended = one->state() == QProcess::Running ? *other : *one;
    QProcess& running = one->state() == QProcess::Running ? *one : *other;
    EXPECT_EQ(EndedWith(ended), 0);
    QThread::msleep(500);
    ASSERT_EQ(running.state(), QProcess::Running);
    EXPECT_EQ(Terminate(running), 0);
}

// Each data file has its instance: a start on another file runs beside the
// first, and each later start, by whatever name it gives its file, reaches
// the instance of that file.
TEST_F(InstanceTest, OnePerFile) {
    const std::string otherPath = scratch.PathOf("other.dat");
    const std::string linkPath = scratch.PathOf("link.dat");
    std::filesystem::create_symlink("memos.dat", linkPath);
    const auto first = Start();
    WaitUntilListening();
    const auto second = Start({}, OnFile(otherPath));
    WaitUntilListening(SocketIn(runFolder, otherPath));
    EXPECT_EQ(first->state(), QProcess::Running);
    EXPECT_EQ(second->state(), QProcess::Running) << "not handed to the instance on memos.dat";

    // The alarm start reaches other.dat's instance; the plain start by the
    // link reaches the first, whose window was in front: a new page there.
    const auto alarmStart = Start({"AppRunAtTime"}, OnFile(otherPath));
    EXPECT_EQ(EndedWith(*alarmStart), 0);
    const auto byLink = Start({}, OnFile(linkPath));
    EXPECT_EQ(EndedWith(*byLink), 0);

    EXPECT_EQ(Terminate(*second), 0);
    EXPECT_EQ(Terminate(*first), 0);
    EXPECT_EQ(SavedCount(dataPath), 2);
    EXPECT_EQ(SavedCount(otherPath), 1);
}

// Without $XDG_RUNTIME_DIR the lock and the socket go to a folder of the
// user's own, made for the user alone, where a later start finds them.
TEST_F(InstanceTest, PrivateFolder) {
    const Environment noRuntime = [](QProcessEnvironment& environment) { environment.remove("XDG_RUNTIME_DIR"); };
    const std::string folder = scratch.PathOf("state/tavrin/run");
    const auto first = Start({}, noRuntime);
    WaitUntilListening(SocketIn(folder, dataPath));
    struct stat info {};
    ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700U);

    const auto second = Start({}, noRuntime);
    EXPECT_EQ(EndedWith(*second), 0);
    EXPECT_EQ(Terminate(*first), 0);
}

// A folder for the lock that can't be had ends the start with the reason,
// rather than putting the lock where another user could take it.
TEST_F(InstanceTest, NoFolder) {
    const struct {
        const char* name;
        std::function<void()> spoil;
        const char* said;
    } cases[] = {
        {"the state folder is a file",
         [this] { tavrin::testing::ScratchFolder::WriteFile(scratch.PathOf("state"), {1}); },
         "Could not make the folder"},
        {"the folder is a link",
         [this] {
             std::filesystem::create_directories(scratch.PathOf("state/tavrin"));
             std::filesystem::create_symlink(runFolder, scratch.PathOf("state/tavrin/run"));
         },
         "is not a folder of this user's own"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(scratch.PathOf("state"));
        c.spoil();
        const auto start =
            Start({}, [](QProcessEnvironment& environment) { environment.remove("XDG_RUNTIME_DIR"); });
        EXPECT_EQ(EndedWith(*start), 1);
        const std::string said = start->readAllStandardError().toStdString();
        EXPECT_NE(said.find("tavrin: "), std::string::npos) << said;
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
        EXPECT_FALSE(std::filesystem::exists(dataPath)) << "no window was made";
    }
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
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(SocketIn(runFolder, dataPath))));
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
