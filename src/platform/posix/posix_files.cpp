// Byte files and file-system steps over POSIX calls.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/byte_file.h"

namespace tavrin::platform {
namespace {

std::string Cause(int error) { return std::generic_category().message(error); }

std::string LastCause() { return Cause(errno); }

// Reads up to `length` bytes, riding out interruptions; 0 at the end of the file.
ssize_t ReadSome(int fd, void* buffer, std::size_t length) {
    ssize_t count = 0;
    do {
        count = ::read(fd, buffer, length);
    } while (count < 0 && errno == EINTR);
    return count;
}

bool WriteAll(int fd, const void* data, std::size_t length, std::string& error) {
    const auto* next = static_cast<const char*>(data);
    while (length > 0) {
        const ssize_t count = ::write(fd, next, length);
        if (count < 0) {
            if (errno == EINTR) continue;
            error = LastCause();
            return false;
        }
        next += count;
        length -= static_cast<std::size_t>(count);
    }
    return true;
}

class PosixFile final : public ByteFile {
public:
    explicit PosixFile(int fd) : fd_(fd) {}
    ~PosixFile() override {
        if (fd_ >= 0) ::close(fd_);
    }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    bool Read(void* buffer, std::size_t length) override {
        auto* next = static_cast<char*>(buffer);
        while (length > 0) {
            const ssize_t count = ReadSome(fd_, next, length);
            if (count <= 0) {
                error_ = count == 0 ? "unexpected end of file" : LastCause();
                return false;
            }
            next += count;
            length -= static_cast<std::size_t>(count);
        }
        return true;
    }

    bool Write(const void* data, std::size_t length) override {
        return WriteAll(fd_, data, length, error_);
    }

    std::uint64_t Remaining() const override {
        struct stat status {};
        const off_t position = ::lseek(fd_, 0, SEEK_CUR);
        // Without a size or position nothing can be counted on; a read then
        // reports the cause.
        if (position < 0 || ::fstat(fd_, &status) != 0 || status.st_size <= position) return 0;
        return static_cast<std::uint64_t>(status.st_size - position);
    }

    bool Sync() override { return Succeeded(::fsync(fd_)); }

    bool Close() override {
        const int fd = std::exchange(fd_, -1);
        return Succeeded(::close(fd));
    }

    const std::string& LastError() const override { return error_; }

private:
    bool Succeeded(int result) {
        if (result == 0) return true;
        error_ = LastCause();
        return false;
    }

    int fd_;
    std::string error_;
};

class PosixFileSystem final : public FileSystem {
public:
    std::unique_ptr<ByteFile> OpenForReading(const std::string& path, OpenFailure& failure,
                                             std::string& error) override {
        // O_NONBLOCK keeps a FIFO from holding up the open; it changes nothing
        // for the regular files that are read.
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            failure = errno == ENOENT ? OpenFailure::Missing : OpenFailure::Unreadable;
            error = LastCause();
            return nullptr;
        }
        auto file = std::make_unique<PosixFile>(fd);
        failure = OpenFailure::Unreadable;
        struct stat status {};
        if (::fstat(fd, &status) != 0) {
            error = LastCause();
            return nullptr;
        }
        if (S_ISDIR(status.st_mode)) {
            error = Cause(EISDIR);
            return nullptr;
        }
        if (!S_ISREG(status.st_mode)) {
            error = "not a regular file";
            return nullptr;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            error = errno == EWOULDBLOCK ? "the file is in use by another program" : LastCause();
            return nullptr;
        }
        return file;
    }

    std::unique_ptr<ByteFile> CreateForWriting(const std::string& path,
                                               std::string& error) override {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) {
            error = LastCause();
            return nullptr;
        }
        return std::make_unique<PosixFile>(fd);
    }

    bool Replace(const std::string& from, const std::string& to, std::string& error) override {
        return Succeeded(::rename(from.c_str(), to.c_str()), error);
    }

    bool SyncFolderOf(const std::string& path, std::string& error) override {
        const std::filesystem::path parent = std::filesystem::path(path).parent_path();
        const std::string folder = parent.empty() ? std::string(".") : parent.string();
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            error = LastCause();
            return false;
        }
        PosixFile handle(fd);
        if (handle.Sync() && handle.Close()) return true;
        error = handle.LastError();
        return false;
    }

    bool CopyToNew(const std::string& from, const std::string& to, std::string& error) override {
        const int source = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
        if (source < 0) {
            error = LastCause();
            return false;
        }
        PosixFile input(source);
        const int target = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (target < 0) {
            error = LastCause();
            return false;
        }
        PosixFile output(target);
        if (CopyAll(source, output, error)) return true;
        // A partial copy must not be taken for a good one.
        ::unlink(to.c_str());
        return false;
    }

    bool Exists(const std::string& path) override {
        struct stat status {};
        if (::stat(path.c_str(), &status) == 0) return true;
        // Only a path that is known to lead nowhere counts as free.
        return errno != ENOENT && errno != ENOTDIR;
    }

    bool Remove(const std::string& path, std::string& error) override {
        return Succeeded(::unlink(path.c_str()), error);
    }

private:
    static bool Succeeded(int result, std::string& error) {
        if (result == 0) return true;
        error = LastCause();
        return false;
    }

    static bool CopyAll(int source, PosixFile& output, std::string& error) {
        char buffer[64 * 1024];
        for (;;) {
            const ssize_t count = ReadSome(source, buffer, sizeof buffer);
            if (count < 0) {
                error = LastCause();
                return false;
            }
            if (count == 0) break;
            if (!output.Write(buffer, static_cast<std::size_t>(count))) {
                error = output.LastError();
                return false;
            }
        }
        if (output.Sync() && output.Close()) return true;
        error = output.LastError();
        return false;
    }
};

}  // namespace

FileSystem& LocalFileSystem() {
    static PosixFileSystem fileSystem;
    return fileSystem;
}

}  // namespace tavrin::platform
