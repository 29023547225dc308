// What a notification shows, kept in a JSON file beside its units: the
// notifier reads it when the timer fires. The text never goes through a
// unit file or a command line, so nothing in it can change what runs. The
// memo's picture, when it has one, lies beside it as a PNG of the same name.
// Both are the user's alone to read: they hold what the memo says.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "platform/types.h"

namespace tavrin::platform::linux_desktop {

struct NotificationRecord {
    QString program;  // started by the notification's actions
    QString title;
    QString text;
    QString sound;  // the file name of one of the program's sounds, empty for none
    std::uint32_t actionFlags = 0;
    QString memo;   // the key naming the memo and its alarm to the program; empty for none
    std::optional<SYSTEMTIME> until;  // shown later, the notification says it was missed
    QString dataFile;  // the memo file the program is started on; empty for its own

    friend bool operator==(const NotificationRecord&, const NotificationRecord&) = default;
};

// Replaces the file at `path` whole or not at all, readable by the user
// alone. The error, empty on success.
QString WriteNotificationRecord(const QString& path, const NotificationRecord& record);
QString WritePrivateFile(const QString& path, const QByteArray& contents);

// Nothing, with the cause in `error`, for a file that is missing, too large
// or not a record.
std::optional<NotificationRecord> ReadNotificationRecord(const QString& path, QString* error);

// The memo's picture beside the record at `recordPath`.
QString PicturePathFor(const QString& recordPath);

}  // namespace tavrin::platform::linux_desktop
