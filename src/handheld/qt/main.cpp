// Tavrin: handwritten memos, one page each, with alarms.
#include <QApplication>
#include <QLocale>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "handheld/qt/data_location.h"
#include "handheld/qt/notepad_window.h"
#include "handheld/qt/single_instance.h"
#include "handheld/qt/termination.h"
#include "platform/linux/systemd_notification_service.h"

namespace {

tavrin::handheld::NotepadWindow* endingWindow = nullptr;

}  // namespace

int main(int argc, char** argv) {
    using namespace tavrin;
    using Kind = handheld::StartRequest::Kind;
    // What the start asks for is read from the raw arguments, before Qt reads its own.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) commandLine += std::string(argv[i]) + ' ';
    const handheld::StartRequest request = handheld::ReadStartRequest(commandLine);
    // A snooze shows no window, and may come where the session has no display.
    if (request.kind == Kind::SnoozeMemo) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Where settings such as the zoom are kept.
    QApplication::setOrganizationName(QStringLiteral("Tavrin"));
    QApplication::setApplicationName(QStringLiteral("Tavrin"));

    const std::string programPath = QCoreApplication::applicationFilePath().toStdString();
    const handheld::DataLocation data = handheld::DataFileLocation(programPath);
    QString noFolder;
    const QString instanceFolder = handheld::SingleInstance::UserFolder(noFolder);
    if (instanceFolder.isEmpty()) {
        std::fprintf(stderr, "tavrin: %s\n", qPrintable(noFolder));
        return 1;
    }
    handheld::SingleInstance instance(instanceFolder, data.path);
    switch (instance.ClaimOrHandOver(request)) {
        case handheld::SingleInstance::Start::HandedOver: return 0;
        case handheld::SingleInstance::Start::Failed:
            std::fprintf(stderr, "tavrin: %s\n", qPrintable(instance.Error()));
            return 1;
        case handheld::SingleInstance::Start::First: break;
    }

    if (!data.passedOver.empty()) std::fprintf(stderr, "tavrin: %s\n", data.passedOver.c_str());
    platform::linux_desktop::SystemdNotificationService notifications(
        platform::linux_desktop::SystemdNotificationSettings::ForCurrentUser(
            data.named ? data.path : std::string()));
    if (request.kind == Kind::SnoozeMemo) {
        handheld::NoWindow noWindow(
            [](const std::string& message) { std::fprintf(stderr, "tavrin: %s\n", message.c_str()); });
        return handheld::Notepad::SnoozeWithoutWindow({.window = noWindow,
                                                      .shell = noWindow,
                                                      .notifications = notifications,
                                                      .programPath = programPath,
                                                      .dataPath = data.path,
                                                      .backupFolder = handheld::BackupFolder(),
                                                      .rescueFolder = handheld::RescueFolder()},
                                                     request.key);
    }
    if (!instance.Listen()) {
        std::fprintf(stderr, "tavrin: %s\n", qPrintable(instance.Error()));
        return 1;
    }
    handheld::NotepadWindow window({.programPath = programPath,
                                    .dataPath = data.path,
                                    .backupFolder = handheld::BackupFolder(),
                                    .rescueFolder = handheld::RescueFolder(),
                                    .alarmStart = request.kind == Kind::AlarmStart,
                                    .openMemo = request.kind == Kind::OpenMemo ? request.key : std::string(),
                                    .twelveHour = handheld::UsesTwelveHourClock(QLocale()),
                                    .notifications = notifications});
    if (window.Core().QuitAtStart()) return 0;
    QObject::connect(&instance, &handheld::SingleInstance::handedOver, &window,
                     &handheld::NotepadWindow::TakeHandOver);
    handheld::OnTerminationSignals(window, [&window] { window.EndUnattended(); });
    // Qt ends the program with exit() when the display's connection breaks
    // (the X server ended): the memos are saved on the way out.
    endingWindow = &window;
    std::atexit([] {
        if (endingWindow != nullptr) endingWindow->Core().SaveAtExit(handheld::Ending::Unattended);
    });
    window.Page().Zoom().SetFactor(platform::PageZoom::Saved());
    window.show();
    if (request.kind == Kind::NewMemo) window.NewMemo();
    const int code = QApplication::exec();
    endingWindow = nullptr;
    return code;
}
