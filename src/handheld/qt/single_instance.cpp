#include "handheld/qt/single_instance.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <sys/stat.h>
#include <unistd.h>

#include "handheld/qt/data_location.h"
#include "store/path_digest.h"

namespace tavrin::handheld {
namespace {

const QByteArray kTakenLine = "taken\n";
constexpr qint64 kLongestLine = 128;

// A running instance may still be making its window, or be just ending:
// a later start keeps trying for this long.
constexpr int kHandOverWaitMs = 5000;
constexpr int kRetryPauseMs = 100;
constexpr int kAnswerWaitMs = 2000;
// As many links as the kernel follows in one path.
constexpr int kMostLinks = 40;

QString SystemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// `path` as a folder for the user alone: made so, or found to be a folder
// (not a link) the user owns, closed to others. Empty, with the reason, when
// it is neither: another user could then take the lock or the socket.
QString PrivateFolder(const std::filesystem::path& path, QString& error) {
    const QString shown = QString::fromStdString(path.string());
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        error = QStringLiteral("Could not make the folder %1 for Tavrin's lock: %2").arg(shown, SystemError(errno));
        return {};
    }
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        error = QStringLiteral("Could not look at the folder %1 for Tavrin's lock: %2").arg(shown, SystemError(errno));
        return {};
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) {
        error = QStringLiteral("%1 is not a folder of this user's own, so Tavrin can't keep its lock there").arg(shown);
        return {};
    }
    if ((info.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0) {
        error = QStringLiteral("Could not close the folder %1 to other users: %2").arg(shown, SystemError(errno));
        return {};
    }
    return shown;
}

// Where a chain of links from `path` ends, even where it ends at no file
// yet: the data file is made only at the first save, and a start by a link
// to it must reach the instance that will make it.
std::filesystem::path LinksFollowed(std::filesystem::path path) {
    std::error_code error;
    for (int hop = 0; hop < kMostLinks && std::filesystem::is_symlink(path, error); ++hop) {
        const std::filesystem::path target = std::filesystem::read_symlink(path, error);
        if (error) break;
        path = path.parent_path() / target;  // an absolute target replaces the folder
    }
    return path;
}

}  // namespace

QString SingleInstance::NameFor(const std::string& dataPath) {
    // A file not made yet is named by its folder's canonical path and its name.
    std::error_code error;
    const std::filesystem::path followed = LinksFollowed(std::filesystem::absolute(dataPath, error));
    std::filesystem::path canonical = std::filesystem::weakly_canonical(followed, error);
    if (error) canonical = followed;
    return QStringLiteral("tavrin-") + QString::fromStdString(PathDigest(canonical.string()));
}

SingleInstance::SingleInstance(const QString& folder, const std::string& dataPath)
    : SingleInstance(folder + '/' + NameFor(dataPath)) {}

SingleInstance::SingleInstance(const QString& pathWithoutExtension)
    : socketPath_(pathWithoutExtension + QStringLiteral(".socket")),
      lock_(pathWithoutExtension + QStringLiteral(".lock")) {
    // Only a holder that has died makes the lock stale, never its age: a
    // notepad may run for weeks.
    lock_.setStaleLockTime(0);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::Answer);
}

QString SingleInstance::UserFolder(QString& error) {
    // Without $XDG_RUNTIME_DIR Qt would fall back to a folder in /tmp, which
    // another user may have taken first.
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (!runtime.isEmpty()) return runtime;
    }
    return PrivateFolder(std::filesystem::path(StateFolder()) / "run", error);
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
