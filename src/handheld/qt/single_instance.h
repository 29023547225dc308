// One Tavrin per user and memo data file. The first start holds a lock file
// and listens on a local socket beside it, both in the user's runtime folder
// and both named after the data file; a later start on the same file finds
// the lock held, tells the running one over the socket what it was started
// for (one line: HandOverLine), waits for its answer and ends. A start on
// another file is an instance of its own. A lock left by a program that died
// is taken over (QLockFile knows its holder is gone) and the socket it left
// is replaced.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <string>

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

    // `folder` holds the lock and the socket (UserFolder()), named
    // "tavrin-<digest of the data file's canonical path>.lock" and ".socket":
    // the same file by any of its names or links is the same instance.
    SingleInstance(const QString& folder, const std::string& dataPath);

    Start ClaimOrHandOver(const StartRequest& request);
    // The first instance that makes a window listens for later starts. One
    // that only snoozes never does: later starts wait for its lock.
    bool Listen();
    const QString& Error() const { return error_; }

    // The user's runtime folder ($XDG_RUNTIME_DIR, which Qt takes only when
    // it is the user's own and closed to others). Without one, a folder of
    // the user's own, $XDG_STATE_HOME/tavrin/run, made for the user alone.
    // Empty, with `error` saying why, when neither can be had.
    static QString UserFolder(QString& error);
    // The lock's and socket's name, without extension, for a data file.
    static QString NameFor(const std::string& dataPath);

signals:
    // A later start handed over what it was started for.
    void handedOver(const tavrin::handheld::StartRequest& request);

private:
    explicit SingleInstance(const QString& pathWithoutExtension);
    bool SendToRunning(const QByteArray& line);
    void Answer();

    QString socketPath_;
    QLockFile lock_;
    QLocalServer server_;
    QString error_;
};

}  // namespace tavrin::handheld
