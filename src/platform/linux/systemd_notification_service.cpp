#include "platform/linux/systemd_notification_service.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QtGlobal>
#include <chrono>
#include <random>

#include "platform/clock.h"
#include "platform/linux/notification_record.h"
#include "platform/linux/systemd_units.h"
#include "platform/qt/qt_image_file.h"

namespace tavrin::platform::linux_desktop {
namespace {

const QString kNotificationPrefix = QStringLiteral("tavrin-notification-");
const QString kTimer = QStringLiteral(".timer");
const QString kService = QStringLiteral(".service");
const QString kRecord = QStringLiteral(".json");
const QString kPicture = QStringLiteral(".png");
const char* const kNotifierName = "tavrin-notify";

// A notification counts as dealt with once the minute its trigger allows
// for showing it has passed.
constexpr std::chrono::seconds kShowingWindow{60};

std::chrono::sys_seconds SecondsOf(const SYSTEMTIME& time) {
    using namespace std::chrono;
    return sys_days{year{time.year} / month{time.month} / day{time.day}} + hours{time.hour} +
           minutes{time.minute} + seconds{time.second};
}

// The time in "OnCalendar=" of a timer this service wrote; nothing for any other text.
std::optional<SYSTEMTIME> CalendarTimeIn(const QByteArray& timerText) {
    for (const QByteArray& line : timerText.split('\n')) {
        if (line.startsWith("OnCalendar=")) return ParseCalendarTime(line.mid(11).toStdString());
    }
    return std::nullopt;
}

// The notifier is installed beside the program it belongs to.
std::string NotifierBeside(const std::string& programPath) {
    return QFileInfo(QString::fromStdString(programPath)).absolutePath().toStdString() + "/" +
           kNotifierName;
}

}  // namespace

SystemdNotificationSettings SystemdNotificationSettings::ForCurrentUser(std::string dataFile) {
    return {QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                QStringLiteral("/systemd/user"),
            QDBusConnection::sessionBus(), &platform::SystemClock(), std::move(dataFile)};
}

SystemdNotificationService::SystemdNotificationService(SystemdNotificationSettings settings)
    : settings_(std::move(settings)), manager_(settings_.bus) {}

QString SystemdNotificationService::NotificationUnit(std::uint32_t handle) {
    return kNotificationPrefix + QStringLiteral("%1").arg(handle, 8, 16, QLatin1Char('0'));
}

QString SystemdNotificationService::StartUnit(const std::string& programPath, const std::string& dataFile) {
    // A unit name can't spell every path; a digest of them names the program's
    // one start on its file (the program's own file's start is named as it
    // was before other files had starts).
    QByteArray names = QByteArray::fromStdString(programPath);
    if (!dataFile.empty()) names += '\0' + QByteArray::fromStdString(dataFile);
    const QByteArray digest = QCryptographicHash::hash(names, QCryptographicHash::Sha256);
    return QStringLiteral("tavrin-start-") + QString::fromLatin1(digest.toHex().left(16));
}

std::uint32_t SystemdNotificationService::SetNotification(std::uint32_t existing,
                                                          const NotificationTrigger& trigger,
                                                          const UserNotification& notification,
                                                          const AlarmMemo& memo) {
    // A time the clocks skip would never come: the timer fires at the gap's end.
    const auto calendarTime = CalendarTime(settings_.clock->ExistingTime(trigger.startTime));
    const std::string notifier = NotifierBeside(trigger.application);
    const auto notifierWord = QuotedPathForExec(notifier, true);
    if (!calendarTime) {
        Fail(QStringLiteral("the notification's time does not exist"));
        return 0;
    }
    if (!notifierWord) {
        Fail(QStringLiteral("systemd can't run a program at %1").arg(QString::fromStdString(notifier)));
        return 0;
    }
    if (!QFileInfo(QString::fromStdString(notifier)).isExecutable()) {
        Fail(QStringLiteral("the notifier %1 is missing").arg(QString::fromStdString(notifier)));
        return 0;
    }
    if (!DataFileOption()) return 0;
    if (existing != 0 && !Holds(existing)) {
        Fail(QStringLiteral("no notification has the handle %1").arg(existing));
        return 0;
    }
    const std::uint32_t handle = existing != 0 ? existing : ClaimNewHandle();
    if (handle == 0) return 0;
    const QString unit = NotificationUnit(handle);
    const QString recordPath = PathOf(unit, kRecord);
    const auto recordWord = QuotedPathForExec(recordPath.toStdString(), false);
    if (!recordWord) {
        Uninstall(unit);
        Fail(QStringLiteral("systemd can't pass the path %1 on").arg(recordPath));
        return 0;
    }
    const NotificationRecord record{QString::fromStdString(trigger.application),
                                    QString::fromStdString(notification.dialogTitle),
                                    QString::fromStdString(notification.dialogText),
                                    QString::fromStdString(notification.sound),
                                    notification.actionFlags,
                                    QString::fromStdString(memo.key),
                                    trigger.endTime,
                                    QString::fromStdString(settings_.dataFile)};
    QString error = WriteNotificationRecord(recordPath, record);
    if (error.isEmpty()) error = KeepPicture(unit, memo);
    if (!error.isEmpty()) {
        Uninstall(unit);
        Fail(error);
        return 0;
    }
    const QByteArray description = ("Tavrin notification " + unit.mid(kNotificationPrefix.size())).toUtf8();
    const std::string execStart = *notifierWord + " " + *recordWord;
    const bool installed =
        Install(unit,
                {{kService, QByteArray::fromStdString(ServiceUnitText(description.toStdString(), execStart))},
                 {kTimer, QByteArray::fromStdString(TimerUnitText(description.toStdString(), *calendarTime))}},
                existing != 0);
    return installed ? handle : 0;
}

int SystemdNotificationService::RemoveNotification(std::uint32_t handle) {
    // Memos without an alarm are deleted with the handle 0: nothing to remove, nothing to say.
    if (handle == 0) return 0;
    if (!Holds(handle)) {
        Fail(QStringLiteral("no notification has the handle %1").arg(handle));
        return 0;
    }
    const QString error = Uninstall(NotificationUnit(handle));
    if (!error.isEmpty()) {
        Fail(error);
        return 0;
    }
    return 1;
}

int SystemdNotificationService::ScheduleAppStart(const std::string& programPath, const SYSTEMTIME& start) {
    const auto calendarTime = CalendarTime(settings_.clock->ExistingTime(start));
    const auto programWord = QuotedPathForExec(programPath, false);
    const std::string notifier = NotifierBeside(programPath);
    const auto notifierWord = QuotedPathForExec(notifier, true);
    if (!calendarTime) {
        Fail(QStringLiteral("the start time does not exist"));
        return 0;
    }
    const auto dataFileOption = DataFileOption();
    if (!dataFileOption) return 0;
    if (!programWord || !notifierWord || !QFileInfo(QString::fromStdString(programPath)).isExecutable()) {
        Fail(QStringLiteral("systemd can't start %1").arg(QString::fromStdString(programPath)));
        return 0;
    }
    if (!QFileInfo(QString::fromStdString(notifier)).isExecutable()) {
        Fail(QStringLiteral("the notifier %1 is missing").arg(QString::fromStdString(notifier)));
        return 0;
    }
    // The timer's service only asks the manager to start the program in a
    // unit of its own: a program that were the service's own process would
    // keep it running, and the timer's next firing would start nothing.
    const QString unit = StartUnit(programPath, settings_.dataFile);
    const std::string description = "Start of Tavrin at an alarm";
    const std::string execStart = *notifierWord + *dataFileOption + " --start " + *programWord + " AppRunAtTime";
    return Install(unit,
                   {{kService, QByteArray::fromStdString(ServiceUnitText(description, execStart))},
                    {kTimer, QByteArray::fromStdString(TimerUnitText(description, *calendarTime))}},
                   QFile::exists(PathOf(unit, kTimer)))
               ? 1
               : 0;
}

int SystemdNotificationService::AcknowledgeAppNotifications(const std::string& programPath) {
    const SYSTEMTIME now = settings_.clock->Now();
    if (!CalendarTime(now)) {
        Fail(QStringLiteral("the clock gives no valid time"));
        return 0;
    }
    QStringList units;
    const QString program = QString::fromStdString(programPath);
    const QString startUnit = StartUnit(programPath, settings_.dataFile);
    if (QFile::exists(PathOf(startUnit, kTimer))) units << startUnit;
    const QStringList timers = QDir(settings_.unitFolder)
                                   .entryList({kNotificationPrefix + "*" + kTimer}, QDir::Files);
    for (const QString& timer : timers) {
        const QString unit = timer.chopped(kTimer.size());
        QString error;
        const auto record = ReadNotificationRecord(PathOf(unit, kRecord), &error);
        // A notification that can't be read can't be shown either.
        if (!record || (record->program == program && record->dataFile == QString::fromStdString(settings_.dataFile))) {
            units << unit;
        }
    }
    QString firstError;
    for (const QString& unit : units) {
        if (!HasPassed(unit, now)) continue;
        const QString error = Uninstall(unit);
        if (firstError.isEmpty()) firstError = error;
    }
    if (!firstError.isEmpty()) {
        Fail(firstError);
        return 0;
    }
    return 1;
}

bool SystemdNotificationService::Install(const QString& unit, const std::vector<UnitFile>& files,
                                         bool replacing) {
    QString error;
    if (!QDir().mkpath(settings_.unitFolder)) {
        error = QStringLiteral("can't make the unit folder %1").arg(settings_.unitFolder);
    }
    for (const UnitFile& file : files) {
        if (!error.isEmpty()) break;
        QSaveFile out(PathOf(unit, file.suffix));
        if (!out.open(QIODevice::WriteOnly) || out.write(file.contents) < 0 || !out.commit()) {
            error = QStringLiteral("can't write %1: %2").arg(out.fileName(), out.errorString());
        }
    }
    const QString timer = unit + kTimer;
    if (error.isEmpty()) error = manager_.Reload();
    if (error.isEmpty()) error = manager_.Enable(timer);
    if (error.isEmpty()) error = replacing ? manager_.Restart(timer) : manager_.Start(timer);
    if (error.isEmpty()) return true;
    // Half a notification would fire at a time nobody holds a handle for, or never.
    Uninstall(unit);
    Fail(error);
    return false;
}

QString SystemdNotificationService::Uninstall(const QString& unit) {
    const QString timer = unit + kTimer;
    QString error = manager_.Stop(timer);
    const QString disableError = manager_.Disable(timer);
    if (error.isEmpty()) error = disableError;
    for (const QString& suffix : {kTimer, kService, kRecord, kPicture}) {
        QFile file(PathOf(unit, suffix));
        if (file.exists() && !file.remove() && error.isEmpty()) {
            error = QStringLiteral("can't remove %1: %2").arg(file.fileName(), file.errorString());
        }
    }
    const QString reloadError = manager_.Reload();
    return error.isEmpty() ? reloadError : error;
}

QString SystemdNotificationService::KeepPicture(const QString& unit, const AlarmMemo& memo) const {
    const QString path = PathOf(unit, kPicture);
    if (memo.page == nullptr) {
        // A replaced notification of a memo that has no picture any more shows none.
        QFile old(path);
        return !old.exists() || old.remove() ? QString()
                                             : QStringLiteral("can't remove %1: %2").arg(path, old.errorString());
    }
    std::vector<std::uint8_t> png;
    std::string error;
    if (!EncodePagePng(*memo.page, memo.colors, png, error)) {
        return QStringLiteral("can't make the memo's picture: %1").arg(QString::fromStdString(error));
    }
    return WritePrivateFile(path, QByteArray(reinterpret_cast<const char*>(png.data()),
                                             static_cast<qsizetype>(png.size())));
}

std::uint32_t SystemdNotificationService::ClaimNewHandle() {
    if (!QDir().mkpath(settings_.unitFolder)) {
        Fail(QStringLiteral("can't make the unit folder %1").arg(settings_.unitFolder));
        return 0;
    }
    // Random handles: one that a memo still holds after its notification
    // went away is very unlikely to name another memo's notification later.
    std::random_device random;
    QString error;
    for (int attempt = 0; attempt < 64; ++attempt) {
        const std::uint32_t handle = random();
        if (handle == 0 || QFile::exists(PathOf(NotificationUnit(handle), kTimer))) continue;
        // Creating the record file only where none exists claims the handle.
        QFile record(PathOf(NotificationUnit(handle), kRecord));
        if (record.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return handle;
        error = record.errorString();
        if (!record.exists()) break;
    }
    Fail(QStringLiteral("can't make a notification in %1: %2").arg(settings_.unitFolder, error));
    return 0;
}

bool SystemdNotificationService::Holds(std::uint32_t handle) const {
    return QFile::exists(PathOf(NotificationUnit(handle), kTimer));
}

bool SystemdNotificationService::HasPassed(const QString& unit, const SYSTEMTIME& now) const {
    QFile timer(PathOf(unit, kTimer));
    const auto time = timer.open(QIODevice::ReadOnly) ? CalendarTimeIn(timer.read(4096)) : std::nullopt;
    // A timer that has no time of ours in it fires never.
    return !time || SecondsOf(*time) + kShowingWindow < SecondsOf(now);
}

// The memo file named to the program reaches its starts through unit files
// and records, which hold UTF-8 without quotes: a name they can't hold fails
// the alarm rather than start the program on another file.
std::optional<std::string> SystemdNotificationService::DataFileOption() {
    if (settings_.dataFile.empty()) return std::string();
    if (const auto word = QuotedPathForExec(settings_.dataFile, false)) return " --data-file " + *word;
    Fail(QStringLiteral("systemd can't pass the path %1 on").arg(QString::fromStdString(settings_.dataFile)));
    return std::nullopt;
}

QString SystemdNotificationService::PathOf(const QString& unit, const QString& suffix) const {
    return settings_.unitFolder + QLatin1Char('/') + unit + suffix;
}

void SystemdNotificationService::Fail(const QString& error) {
    lastError_ = error;
    qWarning("Tavrin notifications: %s", qUtf8Printable(error));
}

}  // namespace tavrin::platform::linux_desktop
