// What a notification shows, kept in a JSON file beside its units: the
// notifier reads it when the timer fires. The text never goes through a
// unit file or a command line, so nothing in it can change what runs.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace tavrin::platform::linux_desktop {

struct NotificationRecord {
    QString program;  // brought to the front by the notification's default action
    QString title;
    QString text;
    QString sound;  // the file name of one of the program's sounds, empty for none
    std::uint32_t actionFlags = 0;

    friend bool operator==(const NotificationRecord&, const NotificationRecord&) = default;
};

// Replaces the file at `path` whole or not at all. The error, empty on success.
QString WriteNotificationRecord(const QString& path, const NotificationRecord& record);

// Nothing, with the cause in `error`, for a file that is missing, too large
// or not a record.
std::optional<NotificationRecord> ReadNotificationRecord(const QString& path, QString* error);

}  // namespace tavrin::platform::linux_desktop
