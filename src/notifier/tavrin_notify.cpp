// tavrin-notify: shows one of Tavrin's notifications on the desktop. The
// systemd service of a notification runs it with the notification's record
// when the alarm comes; "tavrin-notify --test" shows a sample one now.
//
// The notification goes to the desktop's notification server over D-Bus,
// with the memo's picture. When the server does not play sounds, the
// notifier plays the alarm sound itself. Its actions start Tavrin, which
// hands over to the running one: "Open" shows the memo, "Snooze 10 minutes"
// moves its alarm on; "Dismiss" only closes the notification. A
// notification shown after its time says it was missed.
//
// "tavrin-notify --start PROGRAM ARGUMENT..." is what the start timer of
// Tavrin runs: it asks the systemd user manager to start the program in a
// unit of its own and ends. Every start the notifier makes goes that way,
// so that the started program outlives the notifier's own service. Tavrin
// working on a memo file other than its own is started on that file: the
// start timer says so with "--data-file FILE" before "--start", a
// notification in its record.
#include <canberra.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <QUrl>
#include <cstdio>
#include <memory>

#include "platform/clock.h"
#include "platform/linux/notification_record.h"
#include "platform/linux/systemd_user_manager.h"
#include "platform/notification_service.h"

namespace tavrin::platform::linux_desktop {
namespace {

const QString kServer = QStringLiteral("org.freedesktop.Notifications");
const QString kServerPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kAppName = QStringLiteral("Tavrin");
const QString kDesktopEntry = QStringLiteral("tavrin");
constexpr unsigned char kUrgencyCritical = 2;

void Complain(const QString& text) { std::fprintf(stderr, "tavrin-notify: %s\n", qUtf8Printable(text)); }

// The sample shown by --test, written as the program writes a real one; it
// belongs to no memo, so there is nothing to snooze.
NotificationRecord TestRecord() {
    return {QCoreApplication::applicationDirPath() + QStringLiteral("/tavrin"),
            QStringLiteral("Tavrin"),
            QStringLiteral("Tavrin [test notification]\r\n"
                           "(Close the notification dialog to switch to the program)"),
            QStringLiteral("Alarm2.wav"),
            UserNotification::kFlashLight | UserNotification::kVibrate |
                UserNotification::kShowDialog | UserNotification::kPlaySound,
            QString(),
            std::nullopt,
            {}};
}

// The notification's actions, each a key and its label; "default" is the
// click on the notification itself, where the server has one.
QStringList ActionsFor(const NotificationRecord& record) {
    QStringList actions{QStringLiteral("default"), QString::fromUtf8(kOpenAction), QStringLiteral("open"),
                        QString::fromUtf8(kOpenAction)};
    if (!record.memo.isEmpty()) actions << QStringLiteral("snooze") << QString::fromUtf8(kSnoozeAction);
    actions << QStringLiteral("dismiss") << QString::fromUtf8(kDismissAction);
    return actions;
}

// The arguments Tavrin is started with for an action; none for an action
// that starts nothing.
std::optional<QStringList> ArgumentsFor(const QString& action, const NotificationRecord& record) {
    if (action == QStringLiteral("default") || action == QStringLiteral("open")) {
        // Without a memo Tavrin comes to the front as at its alarm start.
        if (record.memo.isEmpty()) return QStringList{QStringLiteral("AppRunAtTime")};
        return QStringList{QString::fromUtf8(kOpenMemoSwitch), record.memo};
    }
    if (action == QStringLiteral("snooze") && !record.memo.isEmpty()) {
        return QStringList{QString::fromUtf8(kSnoozeMemoSwitch), record.memo};
    }
    return std::nullopt;
}

// The body: the text, after a line saying so when the alarm's time is over.
QString ShownText(const NotificationRecord& record) {
    if (!record.until || !IsMissed(*record.until, SystemClock())) return record.text;
    return QString::fromUtf8(kMissedAlarmLine) + QStringLiteral("\r\n") + record.text;
}

// The program's sounds are installed in share/tavrin/sounds beside bin/,
// and lie beside the notifier in the build folder. Only a plain file name
// is looked up: a record can't point at any file on the machine.
QString SoundFile(const QString& name) {
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.startsWith(QLatin1Char('.'))) return {};
    const QString folder = QCoreApplication::applicationDirPath();
    for (const QString& candidate : {folder + "/" + name, folder + "/../share/tavrin/sounds/" + name}) {
        if (QFileInfo(candidate).isFile()) return QFileInfo(candidate).canonicalFilePath();
    }
    return {};
}

// The body as the server shows it: one line break, and markup characters as
// text where the server reads markup.
QString BodyText(QString text, bool serverReadsMarkup) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return serverReadsMarkup ? text.toHtmlEscaped() : text;
}

class Notifier : public QObject {
    Q_OBJECT

public:
    Notifier(NotificationRecord record, QString picture, QDBusConnection bus)
        : record_(std::move(record)), picture_(std::move(picture)), bus_(std::move(bus)), manager_(bus_) {}
    ~Notifier() override {
        if (sound_ != nullptr) ca_context_destroy(sound_);
    }

    // Shows the notification and plays its sound; false when nothing could be shown.
    bool Start() {
        const bool wantsSound = (record_.actionFlags & UserNotification::kPlaySound) != 0;
        const QString soundFile = wantsSound ? SoundFile(record_.sound) : QString();
        if (wantsSound && soundFile.isEmpty()) Complain(QStringLiteral("no sound file %1").arg(record_.sound));
        const QStringList capabilities = Capabilities();
        bool shown = true;
        if ((record_.actionFlags & UserNotification::kShowDialog) != 0) {
            shown = Show(soundFile, capabilities);
        }
        if (!soundFile.isEmpty() && !(shown && capabilities.contains(QStringLiteral("sound")))) {
            Play(soundFile);
        }
        // Without actions nothing can come back from the server.
        if (!capabilities.contains(QStringLiteral("actions"))) id_ = 0;
        FinishWhenDone();
        return shown;
    }

private slots:
    void ActionInvoked(uint id, const QString& action) {
        if (id != id_) return;
        if (const auto arguments = ArgumentsFor(action, record_)) {
            if (const QString error = manager_.StartProgram(record_.program, *arguments, record_.dataFile);
                !error.isEmpty()) {
                Complain(QStringLiteral("can't start %1: %2").arg(record_.program, error));
            }
        }
        // Servers differ in whether an action closes the notification: it is done with.
        bus_.call(QDBusMessage::createMethodCall(kServer, kServerPath, kServer, QStringLiteral("CloseNotification"))
                  << id);
        Closed(id);
    }
    void Closed(uint id) {
        if (id != id_) return;
        id_ = 0;
        FinishWhenDone();
    }
    void SoundFinished() {
        playing_ = false;
        FinishWhenDone();
    }

private:
    QStringList Capabilities() {
        const QDBusMessage reply = bus_.call(
            QDBusMessage::createMethodCall(kServer, kServerPath, kServer, QStringLiteral("GetCapabilities")));
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            Complain(QStringLiteral("no notification server: %1").arg(reply.errorMessage()));
            return {};
        }
        return reply.arguments().constFirst().toStringList();
    }

    bool Show(const QString& soundFile, const QStringList& capabilities) {
        // Listening before the notification exists: the click may come at once.
        bus_.connect(kServer, kServerPath, kServer, QStringLiteral("ActionInvoked"), this,
                     SLOT(ActionInvoked(uint, QString)));
        bus_.connect(kServer, kServerPath, kServer, QStringLiteral("NotificationClosed"), this,
                     SLOT(Closed(uint)));
        auto* watcher = new QDBusServiceWatcher(kServer, bus_, QDBusServiceWatcher::WatchForUnregistration, this);
        connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] { Closed(id_); });

        QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue(kUrgencyCritical)},
                          {QStringLiteral("desktop-entry"), kDesktopEntry}};
        if (!soundFile.isEmpty()) hints.insert(QStringLiteral("sound-file"), soundFile);
        if (QFileInfo(picture_).isFile()) {
            hints.insert(QStringLiteral("image-path"), QUrl::fromLocalFile(picture_).toString());
        }
        const QStringList actions =
            capabilities.contains(QStringLiteral("actions")) ? ActionsFor(record_) : QStringList();
        QDBusMessage notify = QDBusMessage::createMethodCall(kServer, kServerPath, kServer, QStringLiteral("Notify"));
        notify << kAppName << 0u << QString() << record_.title
               << BodyText(ShownText(record_), capabilities.contains(QStringLiteral("body-markup")))
               << actions << hints << 0;  // the alarm stays until the user closes it
        const QDBusMessage reply = bus_.call(notify);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            Complain(QStringLiteral("the notification server refused the notification: %1")
                         .arg(reply.errorMessage()));
            return false;
        }
        id_ = reply.arguments().constFirst().toUInt();
        return true;
    }

    void Play(const QString& soundFile) {
        int error = ca_context_create(&sound_);
        ca_proplist* properties = nullptr;
        if (error == CA_SUCCESS) error = ca_proplist_create(&properties);
        if (error == CA_SUCCESS) {
            ca_proplist_sets(properties, CA_PROP_MEDIA_FILENAME, QFile::encodeName(soundFile).constData());
            ca_proplist_sets(properties, CA_PROP_EVENT_DESCRIPTION, "Tavrin alarm");
            error = ca_context_play_full(sound_, 1, properties, &Notifier::OnSoundFinished, this);
            ca_proplist_destroy(properties);
        }
        if (error != CA_SUCCESS) {
            Complain(QStringLiteral("can't play %1: %2").arg(soundFile, QString::fromUtf8(ca_strerror(error))));
            return;
        }
        playing_ = true;
    }

    // libcanberra reports the end of the sound on a thread of its own.
    static void OnSoundFinished(ca_context*, uint32_t, int, void* notifier) {
        QMetaObject::invokeMethod(static_cast<Notifier*>(notifier), "SoundFinished", Qt::QueuedConnection);
    }

    // Queued, so that it also ends the event loop that has not started yet.
    void FinishWhenDone() {
        if (id_ == 0 && !playing_) QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    }

    NotificationRecord record_;
    QString picture_;  // the memo's picture, when there is one
    QDBusConnection bus_;
    SystemdUserManager manager_;
    ca_context* sound_ = nullptr;
    uint id_ = 0;
    bool playing_ = false;
};

// [--data-file FILE] --start PROGRAM ARGUMENT...
int StartProgram(const QStringList& command, const QString& dataFile) {
    const QString error =
        SystemdUserManager(QDBusConnection::sessionBus()).StartProgram(command[0], command.mid(1), dataFile);
    if (error.isEmpty()) return 0;
    Complain(QStringLiteral("can't start %1: %2").arg(command[0], error));
    return 1;
}

int Run(QStringList arguments) {
    QString dataFile;
    const bool namesDataFile = arguments.size() > 2 && arguments[1] == QStringLiteral("--data-file");
    if (namesDataFile) {
        dataFile = arguments.takeAt(2);
        arguments.removeAt(1);
    }
    if (arguments.size() > 2 && arguments[1] == QStringLiteral("--start")) {
        return StartProgram(arguments.mid(2), dataFile);
    }
    if (namesDataFile || arguments.size() != 2 || arguments[1] == QStringLiteral("--help")) {
        QTextStream(stderr)
            << "usage: tavrin-notify RECORD.json | --test | [--data-file FILE] --start PROGRAM [ARGUMENT...]\n";
        return 2;
    }
    QString error;
    const bool test = arguments[1] == QStringLiteral("--test");
    const auto record = test ? TestRecord() : ReadNotificationRecord(arguments[1], &error);
    if (!record) {
        Complain(error);
        return 1;
    }
    Notifier notifier(*record, test ? QString() : PicturePathFor(arguments[1]), QDBusConnection::sessionBus());
    const bool shown = notifier.Start();
    QCoreApplication::exec();
    return shown ? 0 : 1;
}

}  // namespace
}  // namespace tavrin::platform::linux_desktop

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return tavrin::platform::linux_desktop::Run(QCoreApplication::arguments());
}

#include "tavrin_notify.moc"
