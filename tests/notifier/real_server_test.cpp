// tavrin-notify against a real notification server: Debian's dunst on a
// virtual display (Xvfb), with a private session bus and a fake systemd user
// manager that records what the notifier asks it to start. The notification
// is photographed into the test output folder; its actions are read from
// dunst's context menu, whose menu program is a script of the test's that
// notes the entries and picks "Open".
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <filesystem>

#include "platform/linux/notification_record.h"
#include "support/private_bus.h"
#include "support/scratch_folder.h"

namespace tavrin::platform::linux_desktop {
namespace {

using testing::FakeSystemdManager;
using testing::PrivateBus;
using testing::RunEventsUntil;
using testing::ScratchFolder;

const QString kMemoKey = QStringLiteral("2030-05-01T10:11:12.345/2030-05-03T07:15:00");

std::vector<std::uint8_t> Bytes(const QByteArray& bytes) { return {bytes.begin(), bytes.end()}; }

class RealServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(bus_.Address().isEmpty()) << "dbus-daemon did not start";
        // Xvfb picks a free display and writes its number once it is ready.
        xvfb_.start("Xvfb", {"-displayfd", "1", "-screen", "0", "640x360x24", "-nolisten", "tcp"});
        ASSERT_TRUE(xvfb_.waitForStarted()) << "Xvfb is missing";
        ASSERT_TRUE(RunEventsUntil([&] { return xvfb_.canReadLine(); })) << "Xvfb gave no display";
        display_ = ":" + QString::fromUtf8(xvfb_.readLine()).trimmed();

        const QString menu = Path("menu.sh");
        ScratchFolder::WriteFile(menu.toStdString(),
                                 Bytes("#!/bin/sh\ncat > \"$0.entries\"\ngrep -m1 ',open]' \"$0.entries\"\n"));
        std::filesystem::permissions(menu.toStdString(), std::filesystem::perms::owner_all);
        ScratchFolder::WriteFile(Path("dunstrc").toStdString(),
                                 Bytes(("[global]\n    font = DejaVu Sans 9\n    dmenu = " + menu +
                                        "\n    max_icon_size = 96\n    width = 360\n")
                                           .toUtf8()));
        dunst_.setProcessEnvironment(Environment());
        dunst_.start("dunst", {"-conf", Path("dunstrc")});
        ASSERT_TRUE(dunst_.waitForStarted()) << "dunst is missing";
        ASSERT_TRUE(RunEventsUntil([&] { return Dunstctl({"count", "displayed"}) == "0"; }))
            << "dunst did not come up: " << dunst_.readAllStandardError().toStdString();
    }
    void TearDown() override {
        for (QProcess* process : {&notifier_, &dunst_, &xvfb_}) {
            process->kill();
            process->waitForFinished();
        }
    }

    QString Path(const QString& name) const { return QString::fromStdString(scratch_.PathOf(name.toStdString())); }
    QProcessEnvironment Environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", display_);
        environment.insert("DBUS_SESSION_BUS_ADDRESS", bus_.Address());
        environment.insert("CANBERRA_DRIVER", "tavrin-test-none");
        return environment;
    }
    QString Dunstctl(const QStringList& arguments) const {
        QProcess dunstctl;
        dunstctl.setProcessEnvironment(Environment());
        dunstctl.start("dunstctl", arguments);
        dunstctl.waitForFinished(5000);
        return QString::fromUtf8(dunstctl.readAllStandardOutput()).trimmed();
    }

    // Shows the notification, photographs it, and picks "Open" from its
    // context menu: the entries the menu was offered.
    QStringList ShowAndOpen(const QStringList& arguments, const QString& photo) {
        notifier_.setProcessEnvironment(Environment());
        notifier_.start(TAVRIN_NOTIFY_EXE, arguments);
        EXPECT_TRUE(RunEventsUntil([&] { return Dunstctl({"count", "displayed"}) == "1"; }))
            << notifier_.readAllStandardError().toStdString();
        TakePhoto(photo);
        Dunstctl({"context"});
        EXPECT_TRUE(RunEventsUntil([&] { return notifier_.state() == QProcess::NotRunning; }));
        EXPECT_EQ(notifier_.exitCode(), 0) << notifier_.readAllStandardError().toStdString();
        QFile entries(Path("menu.sh.entries"));
        entries.open(QIODevice::ReadOnly);
        return QString::fromUtf8(entries.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    void TakePhoto(const QString& name) {
        const QByteArray output = qgetenv("TAVRIN_TEST_OUTPUT");
        const QString folder = output.isEmpty() ? Path("output") : QString::fromUtf8(output);
        QDir().mkpath(folder);
        const QString photo = folder + "/" + name;
        QProcess import;
        import.start("import", {"-display", display_, "-window", "root", photo});
        ASSERT_TRUE(import.waitForFinished(10000) && import.exitCode() == 0)
            << "import: " << import.readAllStandardError().toStdString();
        // Something stands on the black screen's top right, where dunst shows it.
        const QImage image(photo);
        int lit = 0;
        for (int y = 0; y < image.height() / 2; ++y) {
            for (int x = image.width() / 2; x < image.width(); ++x) lit += qGray(image.pixel(x, y)) > 40;
        }
        EXPECT_GT(lit, 5000) << photo.toStdString();
    }

    std::vector<QStringList> Started() const {
        std::vector<QStringList> started;
        for (const QDBusMessage& call : manager_.Messages()) {
            if (const auto start = testing::ReadTransientStart(call)) started.push_back(start->command.mid(1));
        }
        return started;
    }

    ScratchFolder scratch_;
    PrivateBus bus_;
    FakeSystemdManager manager_{bus_};
    QProcess xvfb_;
    QProcess dunst_;
    QProcess notifier_;
    QString display_;
};

// An alarm's notification with its memo's picture: three actions besides
// the click, and "Open" starts the record's program to show that memo.
TEST_F(RealServerTest, AnAlarmShowsWithItsMemoAndOpenStartsTheProgram) {
    const QString record = Path("tavrin-notification-0000abcd.json");
    ASSERT_EQ(WriteNotificationRecord(
                  record, {"/opt/my apps/tavrin", "Tavrin",
                           "Tavrin [07:15, 03-05-2030]\r\n(Close the notification dialog to switch to the program)",
                           "Alarm2.wav", 15, kMemoKey, std::nullopt, ""}),
              "");
    QImage page(240, 320, QImage::Format_RGB32);
    page.fill(Qt::white);
    for (int x = 20; x < 220; ++x) {
        for (int y = 150; y < 170; ++y) page.setPixel(x, y, qRgb(0, 0, 255));
    }
    ASSERT_TRUE(page.save(PicturePathFor(record)));

    const QStringList entries = ShowAndOpen({record}, "notification-on-dunst.png");
    QStringList labels;
    for (const QString& entry : entries) labels << entry.section(' ', 0, -3).mid(1);
    labels.sort();
    EXPECT_EQ(labels, QStringList({"Dismiss", "Open", "Open", "Snooze 10 minutes"})) << entries.join('|').toStdString();
    EXPECT_EQ(Started(), std::vector<QStringList>({{"/opt/my apps/tavrin", "--open", kMemoKey}}));
}

TEST_F(RealServerTest, TheTestNotificationShowsAndOpenStartsTavrin) {
    ShowAndOpen({"--test"}, "test-notification-on-dunst.png");
    const QString tavrin = QFileInfo(TAVRIN_NOTIFY_EXE).absolutePath() + "/tavrin";
    EXPECT_EQ(Started(), std::vector<QStringList>({{tavrin, "AppRunAtTime"}}));
}

}  // namespace
}  // namespace tavrin::platform::linux_desktop
