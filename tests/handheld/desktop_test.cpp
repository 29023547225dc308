// tavrin as a user runs it: the real program in a window on a virtual X
// display (ctest starts this test under xvfb-run), driven with xdotool's
// mouse and keys, its memo file read back afterwards.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>

#include <filesystem>
#include <memory>
#include <string>

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
        std::filesystem::create_directory(scratch.PathOf("run"));
        std::filesystem::permissions(scratch.PathOf("run"), std::filesystem::perms::owner_all);
    }

    void TearDown() override {
        if (tavrin_ != nullptr && tavrin_->state() != QProcess::NotRunning) {
            tavrin_->kill();
            tavrin_->waitForFinished();
        }
    }

    // Starts tavrin and waits for its window; the window's id for xdotool.
    std::string Start() {
        tavrin_ = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(scratch.PathOf("run")));
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString(scratch.PathOf("config")));
        environment.insert("XDG_STATE_HOME", QString::fromStdString(scratch.PathOf("state")));
        environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QString::fromStdString(scratch.PathOf("no-bus")));
        environment.insert("TAVRIN_DATA_FILE", QString::fromStdString(dataPath));
        tavrin_->setProcessEnvironment(environment);
        tavrin_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        tavrin_->start(TAVRIN_PROGRAM, {});
        EXPECT_TRUE(tavrin_->waitForStarted(5000));
        const std::string window = XdoTool({"search", "--sync", "--onlyvisible", "--class", "tavrin"});
        return window.substr(0, window.find('\n'));
    }

    // Runs xdotool with `arguments`; what it printed.
    static std::string XdoTool(const QStringList& arguments) {
        QProcess tool;
        tool.start("timeout", QStringList{"20", "xdotool"} + arguments);
        EXPECT_TRUE(tool.waitForFinished(30000));
        EXPECT_EQ(tool.exitCode(), 0) << "xdotool " << arguments.join(' ').toStdString();
        return tool.readAllStandardOutput().toStdString();
    }

    bool EndsWithin(int milliseconds) {
        return tavrin_->waitForFinished(milliseconds) && tavrin_->exitStatus() == QProcess::NormalExit &&
               tavrin_->exitCode() == 0;
    }

    tt::ScratchFolder scratch;
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

    const QString id = QString::fromStdString(window);
    XdoTool({"mousemove", "--window", id, "60", "100", "mousedown", "1", "mousemove", "--window", id, "160", "200",
             "mouseup", "1"});
    XdoTool({"windowfocus", "--sync", id, "key", "--clearmodifiers", "ctrl+q"});
    ASSERT_TRUE(EndsWithin(10000));

    MemoList saved;
    ASSERT_EQ(MemoFile(platform::LocalFileSystem()).Load(saved, dataPath).outcome, LoadOutcome::ReadWhole);
    EXPECT_EQ(tt::Sketch(saved), "a1 b1 c1 *d1 x1 y1");
    const tt::PagePixels drawn(saved.Current()->page);
    EXPECT_NE(drawn.IndexAt(110, 150), 1) << "the stroke from (60, 100) to (160, 200)";
}

}  // namespace
