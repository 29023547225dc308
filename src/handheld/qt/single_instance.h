// One Tavrin per user. The first start holds a lock file and listens on a
// local socket beside it, both in the user's runtime folder; a later start
// finds the lock held, tells the running one over the socket what it was
// started for (one line: HandOverLine), waits for its answer and ends. A
// lock left by a program that died is taken over (QLockFile knows its holder
// is gone) and the socket it left is replaced.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include "handheld/notepad.h"

namespace tavrin::handheld {

class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Start {
        First,       // this is the one instance, holding the lock: go on
        HandedOver,  // the running instance took over: end with code 0
        Failed,      // neither: Error() says why
    };

    // `folder` holds the lock and the socket: the user's runtime folder.
    explicit SingleInstance(const QString& folder);

    Start ClaimOrHandOver(const StartRequest& request);
    // The first instance that makes a window listens for later starts. One
    // that only snoozes never does: later starts wait for its lock.
    bool Listen();
    const QString& Error() const { return error_; }

    // The user's runtime folder ($XDG_RUNTIME_DIR), made when missing.
    static QString UserFolder();

signals:
    // A later start handed over what it was started for.
    void handedOver(const tavrin::handheld::StartRequest& request);

private:
    bool SendToRunning(const QByteArray& line);
    void Answer();

    QString socketPath_;
    QLockFile lock_;
    QLocalServer server_;
    QString error_;
};

}  // namespace tavrin::handheld
