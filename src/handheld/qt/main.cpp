// Tavrin: handwritten memos, one page each, with alarms.
#include <QApplication>
#include <QLocale>

#include "handheld/qt/notepad_window.h"
#include "platform/linux/systemd_notification_service.h"

int main(int argc, char** argv) {
    using namespace tavrin;
    // The alarm-start flag is read from the raw arguments, before Qt reads its own.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) commandLine += std::string(argv[i]) + ' ';
    QApplication app(argc, argv);
    const std::string programPath = QCoreApplication::applicationFilePath().toStdString();
    const QByteArray dataFile = qgetenv("TAVRIN_DATA_FILE");
    platform::linux_desktop::SystemdNotificationService notifications(
        platform::linux_desktop::SystemdNotificationSettings::ForCurrentUser());
    handheld::NotepadWindow window({.programPath = programPath,
                                    .dataPath = dataFile.isEmpty() ? handheld::DataFileBeside(programPath)
                                                                   : dataFile.toStdString(),
                                    .alarmStart = handheld::IsAlarmStart(commandLine),
                                    .twelveHour = handheld::UsesTwelveHourClock(QLocale()),
                                    .notifications = notifications});
    window.show();
    return QApplication::exec();
}
