#include "platform/linux/notification_record.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include "platform/linux/systemd_units.h"

namespace tavrin::platform::linux_desktop {
namespace {

// A record is a few hundred bytes; anything far larger is not ours.
constexpr qint64 kLargestRecord = 64 * 1024;

}  // namespace

QString WritePrivateFile(const QString& path, const QByteArray& contents) {
    QSaveFile file(path);
    // The new file has its permissions before anything is written into it.
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(contents) < 0 || !file.commit()) {
        return QStringLiteral("can't write %1: %2").arg(path, file.errorString());
    }
    return {};
}

QString WriteNotificationRecord(const QString& path, const NotificationRecord& record) {
    QJsonObject object{{"program", record.program},
                       {"dataFile", record.dataFile},
                       {"title", record.title},
                       {"text", record.text},
                       {"sound", record.sound},
                       {"actionFlags", static_cast<qint64>(record.actionFlags)},
                       {"memo", record.memo}};
    if (record.until) {
        if (const auto until = CalendarTime(*record.until)) object.insert("until", QString::fromStdString(*until));
    }
    return WritePrivateFile(path, QJsonDocument(object).toJson());
}

std::optional<NotificationRecord> ReadNotificationRecord(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("can't read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    const QByteArray bytes = file.read(kLargestRecord + 1);
    if (bytes.size() > kLargestRecord) {
        *error = QStringLiteral("%1 is too large for a notification").arg(path);
        return std::nullopt;
    }
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    const QJsonObject object = document.object();
    const qint64 flags = object.value("actionFlags").toInteger(-1);
    if (!document.isObject() || flags < 0 || flags > UINT32_MAX) {
        *error = QStringLiteral("%1 is not a notification: %2").arg(path, parseError.errorString());
        return std::nullopt;
    }
    // Records written before the memo, the end time and the data file were
    // kept have none of them.
    return NotificationRecord{object.value("program").toString(),
                              object.value("title").toString(),
                              object.value("text").toString(),
                              object.value("sound").toString(),
                              static_cast<std::uint32_t>(flags),
                              object.value("memo").toString(),
                              ParseCalendarTime(object.value("until").toString().toStdString()),
                              object.value("dataFile").toString()};
}

QString PicturePathFor(const QString& recordPath) {
    return (recordPath.endsWith(QStringLiteral(".json")) ? recordPath.chopped(5) : recordPath) +
           QStringLiteral(".png");
}

}  // namespace tavrin::platform::linux_desktop
