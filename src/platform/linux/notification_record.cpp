#include "platform/linux/notification_record.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace tavrin::platform::linux_desktop {
namespace {

// A record is a few hundred bytes; anything far larger is not ours.
constexpr qint64 kLargestRecord = 64 * 1024;

}  // namespace

QString WriteNotificationRecord(const QString& path, const NotificationRecord& record) {
    const QJsonObject object{{"program", record.program},
                             {"title", record.title},
                             {"text", record.text},
                             {"sound", record.sound},
                             {"actionFlags", static_cast<qint64>(record.actionFlags)}};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QJsonDocument(object).toJson()) < 0 || !file.commit()) {
        return QStringLiteral("can't write %1: %2").arg(path, file.errorString());
    }
    return {};
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
    return NotificationRecord{object.value("program").toString(), object.value("title").toString(),
                              object.value("text").toString(), object.value("sound").toString(),
                              static_cast<std::uint32_t>(flags)};
}

}  // namespace tavrin::platform::linux_desktop
