#include "handheld/qt/single_instance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace tavrin::handheld {
namespace {

const QByteArray kTakenLine = "taken\n";
constexpr qint64 kLongestLine = 128;

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

SingleInstance::Start SingleInstance::ClaimOrHandOver(const StartRequest& request) {
    const QByteArray line = QByteArray::fromStdString(HandOverLine(request)) + '\n';
    const QDeadlineTimer deadline(kHandOverWaitMs);
    do {
        if (lock_.tryLock(0)) return Start::First;
        if (lock_.error() != QLockFile::LockFailedError) {
            error_ = QStringLiteral("Could not make the lock file %1 (%2).")
                         .arg(lock_.fileName(), lock_.error() == QLockFile::PermissionError
                                                    ? QStringLiteral("no permission")
                                                    : QStringLiteral("unknown error"));
            return Start::Failed;
        }
        if (SendToRunning(line)) return Start::HandedOver;
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

bool SingleInstance::SendToRunning(const QByteArray& line) {
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(kRetryPauseMs)) return false;
    socket.write(line);
    if (!socket.waitForBytesWritten(kAnswerWaitMs)) return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(kAnswerWaitMs)) return false;
    }
    return socket.readLine(kLongestLine) == kTakenLine;
}

// Each later start sends one line that ParseHandOverLine reads; anything
// else is closed unanswered.
void SingleInstance::Answer() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kLongestLine) socket->abort();
                return;
            }
            const QByteArray line = socket->readLine(kLongestLine);
            const auto request =
                line.endsWith('\n') ? ParseHandOverLine(line.chopped(1).toStdString()) : std::nullopt;
            if (!request) {
                socket->abort();
                return;
            }
            socket->write(kTakenLine);
            socket->flush();
            socket->disconnectFromServer();
            emit handedOver(*request);
        });
    }
}

}  // namespace tavrin::handheld
