// Tavrin: handwritten memos, one page each, with alarms.
#include <QApplication>
#include <QLocale>

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "handheld/qt/data_location.h"
#include "handheld/qt/notepad_window.h"
#include "handheld/qt/single_instance.h"
#include "handheld/qt/termination.h"
#include "platform/linux/systemd_notification_service.h"

int main(int argc, char** argv) {
    using namespace tavrin;
    // The alarm-start flag is read from the raw arguments, before Qt reads its own.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) commandLine += std::string(argv[i]) + ' ';
    const bool alarmStart = handheld::IsAlarmStart(commandLine);
    // The desktop entry's "New memo" action.
    const bool newMemo =
        std::find(argv + 1, argv + argc, std::string_view("--new-memo")) != argv + argc;
    using Request = handheld::SingleInstance::Request;
    const Request request = alarmStart ? Request::AlarmStart
                            : newMemo  ? Request::NewMemo
                                       : Request::Show;
    QApplication app(argc, argv);

    handheld::SingleInstance instance(handheld::SingleInstance::UserFolder());
    switch (instance.ClaimOrHandOver(request)) {
        case handheld::SingleInstance::Start::HandedOver: return 0;
        case handheld::SingleInstance::Start::Failed:
            std::fprintf(stderr, "tavrin: %s\n", qPrintable(instance.Error()));
            return 1;
        case handheld::SingleInstance::Start::First: break;
    }

    const std::string programPath = QCoreApplication::applicationFilePath().toStdString();
    const handheld::DataLocation data = handheld::DataFileLocation(programPath);
    if (!data.passedOver.empty()) std::fprintf(stderr, "tavrin: %s\n", data.passedOver.c_str());
    platform::linux_desktop::SystemdNotificationService notifications(
        platform::linux_desktop::SystemdNotificationSettings::ForCurrentUser());
    handheld::NotepadWindow window({.programPath = programPath,
                                    .dataPath = data.path,
                                    .backupFolder = handheld::BackupFolder(),
                                    .alarmStart = alarmStart,
                                    .twelveHour = handheld::UsesTwelveHourClock(QLocale()),
                                    .notifications = notifications});
    QObject::connect(&instance, &handheld::SingleInstance::handedOver, &window,
                     [&window](Request handedOver) {
                         if (handedOver == Request::NewMemo) {
                             window.NewMemo();
                         } else {
                             window.TakeHandOver(handedOver == Request::AlarmStart);
                         }
                     });
    handheld::CloseOnTerminationSignals(window);
    window.show();
    if (request == Request::NewMemo) window.NewMemo();
    return QApplication::exec();
}
