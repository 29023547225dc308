// One Tavrin per user. The first start holds a lock file and listens on a
// local socket beside it, both in the user's runtime folder; a later start
// finds the lock held, tells the running one over the socket what it was
// started for, waits for its answer and ends. A lock left by a program
// that died is taken over (QLockFile knows its holder is gone) and the
// socket it left is replaced.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

namespace tavrin::handheld {

class SingleInstance : public QObject {
    Q_OBJECT

public:
    // What a start asks of the running instance.
    enum class Request {
        Show,        // a plain start: come to the front (a new page when already there)
        AlarmStart,  // the service started the program: show the due memo
        NewMemo,     // the desktop's "New memo" action: a new page, always
    };

    enum class Start {
        First,       // this is the one instance: go on and make the window
        HandedOver,  // the running instance took over: end with code 0
        Failed,      // neither: Error() says why
    };

    // `folder` holds the lock and the socket: the user's runtime folder.
    explicit SingleInstance(const QString& folder);

    Start ClaimOrHandOver(Request request);
    const QString& Error() const { return error_; }

    // The user's runtime folder ($XDG_RUNTIME_DIR), made when missing.
    static QString UserFolder();

signals:
    // A later start handed over with its request.
    void handedOver(tavrin::handheld::SingleInstance::Request request);

private:
    bool Listen();
    bool SendToRunning(Request request);
    void Answer();

    QString socketPath_;
    QLockFile lock_;
    QLocalServer server_;
    QString error_;
};

}  // namespace tavrin::handheld
