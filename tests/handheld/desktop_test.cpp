// tavrin as a user runs it: the real program in a window on a virtual X
// display (ctest starts this test under xvfb-run), driven with xdotool's
// mouse and keys, its memo file read back afterwards.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/byte_file.h"
#include "store/memo_file.h"
#include "store/memo_list.h"
#include "support/memo_sketch.h"
#include "support/page_pixels.h"
#include "support/scratch_folder.h"

using namespace tavrin;
namespace tt = tavrin::testing;

namespace {

class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X display (run by ctest under xvfb-run)";
        ASSERT_TRUE(runFolder.isValid());
        std::filesystem::permissions(runFolder.path().toStdString(), std::filesystem::perms::owner_all);
    }

    void TearDown() override {
        if (tavrin_ != nullptr && tavrin_->state() != QProcess::NotRunning) {
            tavrin_->kill();
            tavrin_->waitForFinished();
        }
    }

    // Starts tavrin and waits for its window; the window's id for xdotool.
    std::string Start(const QString& display = qEnvironmentVariable("DISPLAY")) {
        Launch(display);
        const std::string window = XdoTool({"search", "--sync", "--onlyvisible", "--class", "tavrin"}, display);
        return window.substr(0, window.find('\n'));
    }

    // Starts tavrin on the memo file, with folders of the test's own.
    void Launch(const QString& display = qEnvironmentVariable("DISPLAY")) {
        tavrin_ = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("DISPLAY", display);
        environment.insert("XDG_RUNTIME_DIR", runFolder.path());
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString(scratch.PathOf("config")));
        environment.insert("XDG_STATE_HOME", QString::fromStdString(scratch.PathOf("state")));
        environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QString::fromStdString(scratch.PathOf("no-bus")));
        environment.insert("TAVRIN_DATA_FILE", QString::fromStdString(dataPath));
        tavrin_->setProcessEnvironment(environment);
        tavrin_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        tavrin_->start(TAVRIN_PROGRAM, {});
        EXPECT_TRUE(tavrin_->waitForStarted(5000));
    }

    // Runs xdotool with `arguments`; what it printed.
    static std::string XdoTool(const QStringList& arguments,
                               const QString& display = qEnvironmentVariable("DISPLAY")) {
        QProcess tool;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", display);
        tool.setProcessEnvironment(environment);
        tool.start("timeout", QStringList{"20", "xdotool"} + arguments);
        EXPECT_TRUE(tool.waitForFinished(30000));
        EXPECT_EQ(tool.exitCode(), 0) << "xdotool " << arguments.join(' ').toStdString();
        return tool.readAllStandardOutput().toStdString();
    }

    // A stroke from (60, 100) to (160, 200) of the page.
    static void DrawStroke(const std::string& window, const QString& display = qEnvironmentVariable("DISPLAY")) {
        const QString id = QString::fromStdString(window);
        XdoTool({"mousemove", "--window", id, "60", "100", "mousedown", "1", "mousemove", "--window", id, "160",
                 "200", "mouseup", "1"},
                display);
    }

    // The memo file as it is now; whether its current memo holds the stroke.
    bool StrokeSaved() const {
        MemoList saved;
        if (MemoFile(platform::LocalFileSystem()).Load(saved, dataPath).outcome != LoadOutcome::ReadWhole) return false;
        return tt::PagePixels(saved.Current()->page).IndexAt(110, 150) != 1;
    }

    // Waits up to `milliseconds` for the stroke to reach the file.
    bool StrokeSavedWithin(int milliseconds) const {
        for (int waited = 0; waited < milliseconds; waited += 100) {
            if (StrokeSaved()) return true;
            QThread::msleep(100);
        }
        return StrokeSaved();
    }

    bool EndsWithin(int milliseconds) {
        return tavrin_->waitForFinished(milliseconds) && tavrin_->exitStatus() == QProcess::NormalExit &&
               tavrin_->exitCode() == 0;
    }

    tt::ScratchFolder scratch;
    // The runtime folder, short: a local socket's path may not pass 107 bytes.
    QTemporaryDir runFolder{QDir::tempPath() + "/tavrin-run-XXXXXX"};
    std::string dataPath = scratch.PathOf("tavrin.dat");
    std::unique_ptr<QProcess> tavrin_;
};

// A sync tool replaces the file with two memos added on another machine
// while tavrin runs; the user draws on the memo shown and ends with Ctrl+Q.
// The file then holds every memo of both, and the stroke.
TEST_F(DesktopTest, CtrlQAfterASyncToolReplacedTheFileKeepsEveryMemo) {
    ASSERT_TRUE(MemoFile(platform::LocalFileSystem()).Save(*tt::SketchList("a1 b1 c1 *d1"), dataPath));
    const std::string window = Start();
    ASSERT_FALSE(window.empty());
    ASSERT_TRUE(MemoFile(platform::LocalFileSystem())
                    .Save(*tt::SketchList("a1 b1 c1 d1 x1 y1", tt::kOtherMachine), dataPath));

    DrawStroke(window);
    XdoTool({"windowfocus", "--sync", QString::fromStdString(window), "key", "--clearmodifiers", "ctrl+q"});
    ASSERT_TRUE(EndsWithin(10000));

    MemoList saved;
    ASSERT_EQ(MemoFile(platform::LocalFileSystem()).Load(saved, dataPath).outcome, LoadOutcome::ReadWhole);
    EXPECT_EQ(tt::Sketch(saved), "a1 b1 c1 *d1 x1 y1");
    const tt::PagePixels drawn(saved.Current()->page);
    EXPECT_NE(drawn.IndexAt(110, 150), 1) << "the stroke from (60, 100) to (160, 200)";
}

// Ctrl+Q when the memo file can't be written (a folder took its place): the
// memos go beside it once, told in one message, however many ways the end
// then comes (the window's close, the end of the event loop).
TEST_F(DesktopTest, CtrlQOnAFileThatCantBeWrittenSavesOneCopyWithOneMessage) {
    ASSERT_TRUE(MemoFile(platform::LocalFileSystem()).Save(*tt::SketchList("a1 *b1"), dataPath));
    const std::string window = Start();
    ASSERT_FALSE(window.empty());
    DrawStroke(window);
    std::filesystem::remove(dataPath);
    std::filesystem::create_directory(dataPath);
    XdoTool({"windowfocus", "--sync", QString::fromStdString(window), "key", "--clearmodifiers", "ctrl+q"});
    const std::string boxes = XdoTool({"search", "--sync", "--onlyvisible", "--name", "^Error$"});
    EXPECT_EQ(std::count(boxes.begin(), boxes.end(), '\n'), 1) << boxes;
    XdoTool({"windowfocus", "--sync", QString::fromStdString(boxes.substr(0, boxes.find('\n'))), "key", "Return"});
    ASSERT_TRUE(EndsWithin(10000));

    std::vector<std::string> copies;
    for (const auto& entry : std::filesystem::directory_iterator(scratch.PathOf(""))) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("tavrin.dat.saved-")) copies.push_back(name);
    }
    EXPECT_EQ(copies, std::vector<std::string>{"tavrin.dat.saved-1"});
    MemoList saved;
    ASSERT_EQ(MemoFile(platform::LocalFileSystem()).Load(saved, dataPath + ".saved-1").outcome, LoadOutcome::ReadWhole);
    EXPECT_NE(tt::PagePixels(saved.Current()->page).IndexAt(110, 150), 1);
}

// Another program holds the memo file locked past the wait at start: tavrin
// says so before any window shows, and Quit ends it with the file untouched.
TEST_F(DesktopTest, AMemoFileHeldByAnotherProgramIsSaidAtStart) {
    ASSERT_TRUE(MemoFile(platform::LocalFileSystem()).Save(*tt::SketchList("a1 *b1"), dataPath));
    const auto written = std::filesystem::last_write_time(dataPath);
    QProcess holder;
    holder.start("flock", {"--exclusive", QString::fromStdString(dataPath), "sleep", "60"});
    ASSERT_TRUE(holder.waitForStarted(5000));
    QThread::msleep(200);

    Launch();
    const std::string box = XdoTool({"search", "--sync", "--onlyvisible", "--name", "^Tavrin$"});
    XdoTool({"windowfocus", "--sync", QString::fromStdString(box.substr(0, box.find('\n'))), "key", "Escape"});
    EXPECT_TRUE(EndsWithin(10000)) << "Quit ends tavrin before its window shows";
    holder.kill();
    holder.waitForFinished();
    EXPECT_EQ(std::filesystem::last_write_time(dataPath), written);
}

// The pen rests: the stroke reaches the file by itself, so that a crash
// right after (here SIGKILL, which nothing can catch) loses nothing.
TEST_F(DesktopTest, AStrokeIsSavedWhileThePenRestsAndSurvivesAKill) {
    ASSERT_TRUE(MemoFile(platform::LocalFileSystem()).Save(*tt::SketchList("a1 *b1"), dataPath));
    const std::string window = Start();
    ASSERT_FALSE(window.empty());
    DrawStroke(window);
    EXPECT_TRUE(StrokeSavedWithin(15000));
    tavrin_->kill();
    tavrin_->waitForFinished();
    EXPECT_TRUE(StrokeSaved());
}

// The X server ends under a running tavrin (a crashed session, a closed
// remote display): Qt ends the program, and the memos are saved on the way.
TEST_F(DesktopTest, TheMemosAreSavedWhenTheDisplayGoesAway) {
    ASSERT_TRUE(MemoFile(platform::LocalFileSystem()).Save(*tt::SketchList("a1 *b1"), dataPath));
    // Xvfb picks a free display (a server killed earlier leaves its lock
    // behind) and writes its number once it is ready.
    QProcess server;
    server.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "640x480x24"});
    ASSERT_TRUE(server.waitForStarted(5000));
    for (int waited = 0; waited < 10000 && !server.canReadLine(); waited += 100) server.waitForReadyRead(100);
    ASSERT_TRUE(server.canReadLine()) << "Xvfb gave no display";
    const QString display = ":" + QString::fromLatin1(server.readLine()).trimmed();

    const std::string window = Start(display);
    ASSERT_FALSE(window.empty());
    DrawStroke(window, display);
    QThread::msleep(300);  // the stroke's events reach tavrin; its pen-rest save is 2 s away
    server.kill();
    server.waitForFinished();
    ASSERT_TRUE(tavrin_->waitForFinished(20000));
    EXPECT_TRUE(StrokeSaved());
}

}  // namespace
