// tavrin-notify: shows one of Tavrin's notifications on the desktop. The
// systemd service of a notification runs it with the notification's record
// when the alarm comes; "tavrin-notify --test" shows a sample one now.
//
// The notification goes to the desktop's notification server over D-Bus.
// When the server does not play sounds, the notifier plays the alarm sound
// itself. Clicking the notification starts Tavrin with "AppRunAtTime",
// which brings the running Tavrin to the front.
#include <canberra.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTextStream>
#include <cstdio>
#include <memory>

#include "platform/linux/notification_record.h"
#include "platform/notification_service.h"

namespace tavrin::platform::linux_desktop {
namespace {

const QString kServer = QStringLiteral("org.freedesktop.Notifications");
const QString kServerPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kAppName = QStringLiteral("Tavrin");
const QString kDesktopEntry = QStringLiteral("tavrin");
constexpr unsigned char kUrgencyCritical = 2;

void Complain(const QString& text) { std::fprintf(stderr, "tavrin-notify: %s\n", qUtf8Printable(text)); }

// The sample shown by --test, written as the program writes a real one.
NotificationRecord TestRecord() {
    return {QCoreApplication::applicationDirPath() + QStringLiteral("/tavrin"), QStringLiteral("Tavrin"),
            QStringLiteral("Tavrin [test notification]\r\n"
                           "(Close the notification dialog to switch to the program)"),
            QStringLiteral("Alarm2.wav"),
            UserNotification::kFlashLight | UserNotification::kVibrate |
                UserNotification::kShowDialog | UserNotification::kPlaySound};
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
    Notifier(NotificationRecord record, QDBusConnection bus) : record_(std::move(record)), bus_(std::move(bus)) {}
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
        if (id != id_ || action != QStringLiteral("default")) return;
        if (!QProcess::startDetached(record_.program, {QStringLiteral("AppRunAtTime")})) {
            Complain(QStringLiteral("can't start %1").arg(record_.program));
        }
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
        QDBusMessage notify = QDBusMessage::createMethodCall(kServer, kServerPath, kServer, QStringLiteral("Notify"));
        notify << kAppName << 0u << QString() << record_.title
               << BodyText(record_.text, capabilities.contains(QStringLiteral("body-markup")))
               << QStringList{QStringLiteral("default"), QStringLiteral("Open Tavrin")} << hints
               << 0;  // the alarm stays until the user closes it
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
    QDBusConnection bus_;
    ca_context* sound_ = nullptr;
    uint id_ = 0;
    bool playing_ = false;
};

int Run(const QStringList& arguments) {
    if (arguments.size() != 2 || arguments[1] == QStringLiteral("--help")) {
        QTextStream(stderr) << "usage: tavrin-notify RECORD.json | --test\n";
        return 2;
    }
    QString error;
    const auto record =
        arguments[1] == QStringLiteral("--test") ? TestRecord() : ReadNotificationRecord(arguments[1], &error);
    if (!record) {
        Complain(error);
        return 1;
    }
    Notifier notifier(*record, QDBusConnection::sessionBus());
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
