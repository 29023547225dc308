#include "handheld/qt/single_instance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <iterator>

namespace tavrin::handheld {
namespace {

// The line each request is sent as, in the order of SingleInstance::Request.
const QByteArray kRequestLines[] = {"start\n", "AppRunAtTime\n", "new-memo\n"};
const QByteArray kTakenLine = "taken\n";
constexpr qint64 kLongestLine = 64;

// A running instance may still be making its window, or be just ending:
// a later start keeps trying for this long.
constexpr int kHandOverWaitMs = 5000;
constexpr int kRetryPauseMs = 100;
constexpr int kAnswerWaitMs = 2000;

}  // namespace

SingleInstance::SingleInstance(const QString& folder)
    : socketPath_(folder + QStringLiteral("/tavrin.socket")),
      lock_(folder + QStringLiteral("/tavrin.lock")) {
    // Only a holder that has died makes the lock stale, never its age: a
    // notepad may run for weeks.
    lock_.setStaleLockTime(0);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::Answer);
}

QString SingleInstance::UserFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    QDir().mkpath(folder);
    return folder;
}

SingleInstance::Start SingleInstance::ClaimOrHandOver(Request request) {
    const QDeadlineTimer deadline(kHandOverWaitMs);
    do {
        if (lock_.tryLock(0)) return Listen() ? Start::First : Start::Failed;
        if (lock_.error() != QLockFile::LockFailedError) {
            error_ = QStringLiteral("Could not make the lock file %1 (%2).")
                         .arg(lock_.fileName(), lock_.error() == QLockFile::PermissionError
                                                    ? QStringLiteral("no permission")
                                                    : QStringLiteral("unknown error"));
            return Start::Failed;
        }
        if (SendToRunning(request)) return Start::HandedOver;
        QThread::msleep(kRetryPauseMs);
    } while (!deadline.hasExpired());
    qint64 pid = 0;
    QString host;
    QString program;
    lock_.getLockInfo(&pid, &host, &program);
    error_ = QStringLiteral("Tavrin is already running (process %1) but does not answer at %2.")
                 .arg(pid)
                 .arg(socketPath_);
    return Start::Failed;
}

// A socket left by an instance that died would stop the listening.
bool SingleInstance::Listen() {
    QLocalServer::removeServer(socketPath_);
    if (server_.listen(socketPath_)) return true;
    error_ = QStringLiteral("Could not listen at %1: %2").arg(socketPath_, server_.errorString());
    lock_.unlock();
    return false;
}

bool SingleInstance::SendToRunning(Request request) {
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(kRetryPauseMs)) return false;
    socket.write(kRequestLines[static_cast<int>(request)]);
    if (!socket.waitForBytesWritten(kAnswerWaitMs)) return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(kAnswerWaitMs)) return false;
    }
    return socket.readLine(kLongestLine) == kTakenLine;
}

// Each later start sends one line; anything else is closed unanswered.
void SingleInstance::Answer() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kLongestLine) socket->abort();
                return;
            }
            const QByteArray line = socket->readLine(kLongestLine);
            const auto known = std::find(std::begin(kRequestLines), std::end(kRequestLines), line);
            if (known == std::end(kRequestLines)) {
                socket->abort();
                return;
            }
            socket->write(kTakenLine);
            socket->flush();
            socket->disconnectFromServer();
            emit handedOver(static_cast<Request>(known - std::begin(kRequestLines)));
        });
    }
}

}  // namespace tavrin::handheld
