// Byte files and file-system steps over POSIX calls.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/byte_file.h"
#include "platform/temporary_name.h"

namespace tavrin::platform {
namespace {

// A path under a regular file names no file, as one that isn't there does:
// there is nothing in it to lose.
bool IsMissing(int code) { return code == ENOENT || code == ENOTDIR; }

std::string Cause(int error) { return std::generic_category().message(error); }

std::string LastCause() { return Cause(errno); }

constexpr char kInUse[] = "the file is in use by another program";

// The permissions of a file made anew: the user's alone.
constexpr mode_t kPrivate = 0600;

// Whether the link may be followed as the kernel follows links with
// protected_symlinks: one of another user's that sits in a sticky folder
// anyone may write to is followed only when that folder is the link owner's,
// so that nobody can plant a link in a shared folder (/tmp) for the user to
// write through.
bool MayFollow(const std::filesystem::path& link, const struct stat& status, std::string& error) {
    if (status.st_uid == ::geteuid()) return true;
    const std::filesystem::path parent = link.parent_path();
    struct stat folder {};
    if (::stat(parent.empty() ? "." : parent.c_str(), &folder) != 0) {
        error = LastCause();
        return false;
    }
    const bool anyoneMayWrite = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    if (!anyoneMayWrite || status.st_uid == folder.st_uid) return true;
    error = "the symbolic link " + link.string() +
            " belongs to another user and sits in a folder anyone may write to, so it is "
            "not followed";
    return false;
}

// Follows the links of `path` to the name at their end, which need not
// exist (relative links from their own folder); 0, or the error number with
// `error` in words.
int FollowLinks(const std::string& path, std::string& target, std::string& error) {
    // The kernel gives up after 40 links in a row; so does this.
    constexpr int kMostLinks = 40;
    std::filesystem::path current = path;
    for (int links = 0; links <= kMostLinks; ++links) {
        struct stat status {};
        if (::lstat(current.c_str(), &status) != 0 && errno != ENOENT) {
            const int code = errno;
            error = Cause(code);
            return code;
        }
        // A name that leads nowhere is the file a save will make.
        if (!S_ISLNK(status.st_mode)) {
            target = current.string();
            return 0;
        }
        if (!MayFollow(current, status, error)) return EACCES;
        std::error_code failure;
        const std::filesystem::path next = std::filesystem::read_symlink(current, failure);
        if (failure) {
            error = failure.message();
            return failure.value();
        }
        // An absolute link replaces the whole path.
        current = current.parent_path() / next;
    }
    error = Cause(ELOOP);
    return ELOOP;
}

// Opens the file at the end of the links of `path`, never through a link
// that appeared there since they were followed; -1 with `code` and `error`.
int OpenThroughLinks(const std::string& path, int flags, int& code, std::string& error) {
    std::string target;
    code = FollowLinks(path, target, error);
    if (code != 0) return -1;
    const int fd = ::open(target.c_str(), flags | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        code = errno;
        error = Cause(code);
    }
    return fd;
}

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

FileIdentity IdentityFrom(const struct stat& status) {
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
            static_cast<std::uint64_t>(status.st_size),
            static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
}

class PosixFile final : public ByteFile {
public:
    // A file opened for reading reads ahead in blocks, so that the many small
    // reads of a memo file (a record, a page header) cost no call each.
    explicit PosixFile(int fd, bool readAhead = false) : fd_(fd) {
        if (readAhead) ahead_.resize(kReadAhead);
    }
    ~PosixFile() override {
        if (fd_ >= 0) ::close(fd_);
    }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    bool Read(void* buffer, std::size_t length) override {
        auto* next = static_cast<char*>(buffer);
        const std::size_t buffered = std::min(length, aheadEnd_ - aheadNext_);
        std::copy_n(ahead_.data() + aheadNext_, buffered, next);
        aheadNext_ += buffered;
        next += buffered;
        length -= buffered;
        // Whatever is left is as large as a block: read straight into place.
        if (length >= ahead_.size()) return ReadWhole(next, length);
        if (length == 0) return true;
        aheadNext_ = 0;
        aheadEnd_ = 0;
        while (aheadEnd_ < length) {
            const ssize_t count = ReadSome(fd_, ahead_.data() + aheadEnd_, ahead_.size() - aheadEnd_);
            if (count <= 0) {
                aheadEnd_ = 0;
                error_ = count == 0 ? "unexpected end of file" : LastCause();
                return false;
            }
            aheadEnd_ += static_cast<std::size_t>(count);
            Advanced(count);
        }
        std::copy_n(ahead_.data(), length, next);
        aheadNext_ = length;
        return true;
    }

    // Bytes read ahead are passed over in place; beyond them the file seeks,
    // so that skipped data is never read.
    bool Skip(std::uint64_t length) override {
        // A seek past the end succeeds; a skip past it must not.
        if (length > Remaining()) {
            error_ = "unexpected end of file";
            return false;
        }
        const std::size_t buffered =
            static_cast<std::size_t>(std::min<std::uint64_t>(length, aheadEnd_ - aheadNext_));
        aheadNext_ += buffered;
        length -= buffered;
        if (length == 0) return true;
        const off_t position = ::lseek(fd_, static_cast<off_t>(length), SEEK_CUR);
        if (position < 0) {
            error_ = LastCause();
            return false;
        }
        if (knownPosition_) knownPosition_ = static_cast<std::uint64_t>(position);
        return true;
    }

    bool Write(const void* data, std::size_t length) override {
        return WriteAll(fd_, data, length, error_);
    }

    // A load asks this before every page. While the file is read ahead its
    // position is counted here and its size kept, and both are asked of the
    // system again only when the reading reaches the end last seen, so that
    // bytes appended meanwhile still count.
    std::uint64_t Remaining() const override {
        if (!ahead_.empty() && knownPosition_) {
            const std::uint64_t logical = *knownPosition_ - (aheadEnd_ - aheadNext_);
            if (knownSize_ > logical) return knownSize_ - logical;
        }
        struct stat status {};
        const off_t position = ::lseek(fd_, 0, SEEK_CUR);
        // Without a size or position nothing can be counted on; a read then
        // reports the cause. Bytes read ahead are still to come.
        if (position < 0 || ::fstat(fd_, &status) != 0) return 0;
        knownPosition_ = static_cast<std::uint64_t>(position);
        knownSize_ = static_cast<std::uint64_t>(status.st_size);
        const std::uint64_t logical = *knownPosition_ - (aheadEnd_ - aheadNext_);
        return knownSize_ <= logical ? 0 : knownSize_ - logical;
    }

    bool Sync() override { return Succeeded(::fsync(fd_)); }

    bool Close() override {
        const int fd = std::exchange(fd_, -1);
        return Succeeded(::close(fd));
    }

    const std::string& LastError() const override { return error_; }

    std::optional<FileIdentity> Identity() const override {
        struct stat status {};
        if (::fstat(fd_, &status) != 0) return std::nullopt;
        return IdentityFrom(status);
    }

private:
    bool Succeeded(int result) {
        if (result == 0) return true;
        error_ = LastCause();
        return false;
    }

    bool ReadWhole(char* next, std::size_t length) {
        while (length > 0) {
            const ssize_t count = ReadSome(fd_, next, length);
            if (count <= 0) {
                error_ = count == 0 ? "unexpected end of file" : LastCause();
                return false;
            }
            next += count;
            length -= static_cast<std::size_t>(count);
            Advanced(count);
        }
        return true;
    }

    void Advanced(ssize_t count) {
        if (knownPosition_) *knownPosition_ += static_cast<std::uint64_t>(count);
    }

    // Large enough that walking a file's chain of pages (a thumbnail of its
    // last memo) refills and seeks about once every thirty pages: each call
    // costs a couple of microseconds, as much as copying several KB.
    static constexpr std::size_t kReadAhead = 256 * 1024;

    int fd_;
    std::string error_;
    std::vector<char> ahead_;
    std::size_t aheadNext_ = 0;
    std::size_t aheadEnd_ = 0;
    mutable std::optional<std::uint64_t> knownPosition_;
    mutable std::uint64_t knownSize_ = 0;
};

class PosixFileSystem final : public FileSystem {
public:
    std::unique_ptr<ByteFile> OpenForReading(const std::string& path, OpenFailure& failure,
                                             std::string& error) override {
        // O_NONBLOCK keeps a FIFO from holding up the open; it changes nothing
        // for the regular files that are read.
        int code = 0;
        const int fd = OpenThroughLinks(path, O_RDONLY | O_NONBLOCK, code, error);
        if (fd < 0) {
            failure = IsMissing(code) ? OpenFailure::Missing : OpenFailure::Unreadable;
            return nullptr;
        }
        auto file = std::make_unique<PosixFile>(fd, true);
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
        // A shared lock: other readers are welcome, a program that writes
        // the file in place under an exclusive lock is waited for.
        if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK) failure = OpenFailure::Busy;
            error = errno == EWOULDBLOCK ? kInUse : LastCause();
            return nullptr;
        }
        return file;
    }

    bool ResolveLinks(const std::string& path, std::string& target, std::string& error) override {
        return FollowLinks(path, target, error) == 0;
    }

    std::optional<std::uint32_t> ForeignLinkOwner(const std::string& path) override {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode) ||
            status.st_uid == ::geteuid()) {
            return std::nullopt;
        }
        return status.st_uid;
    }

    std::unique_ptr<ByteFile> CreateTemporaryFor(const std::string& target, std::string& temporary,
                                                 std::string& error) override {
        // The target is where the links ended: a link there now was put in
        // meanwhile and is not a file whose permissions the new one may take.
        struct stat existing {};
        const bool exists = ::lstat(target.c_str(), &existing) == 0;
        if (!exists && errno != ENOENT) {
            error = LastCause();
            return nullptr;
        }
        if (exists && !S_ISREG(existing.st_mode)) {
            error = "not a regular file";
            return nullptr;
        }
        // Created with no more permissions than the old file has, so that
        // nobody can open it in the moment before it has the old file's
        // owner; a new file is the user's alone, memos being private.
        const mode_t permissions = exists ? existing.st_mode & 0777 : kPrivate;
        // Each try draws a new name; only a folder full of planted names
        // would fail them all.
        constexpr int kTries = 100;
        for (int tries = 0; tries < kTries; ++tries) {
            const std::string name = TemporaryNameFor(target);
            const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                  permissions);
            if (fd < 0 && errno == EEXIST) continue;
            if (fd < 0) {
                error = LastCause();
                return nullptr;
            }
            auto file = std::make_unique<PosixFile>(fd);
            if (exists && !TakeOver(fd, existing, error)) {
                file.reset();
                ::unlink(name.c_str());
                return nullptr;
            }
            temporary = name;
            return file;
        }
        error = Cause(EEXIST);
        return nullptr;
    }

    bool Replace(const std::string& from, const std::string& to, std::string& error,
                 ReplaceNotes&) override {
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
        int code = 0;
        const int source = OpenThroughLinks(from, O_RDONLY, code, error);
        if (source < 0) return false;
        PosixFile input(source);
        const int target = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kPrivate);
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
        if (::lstat(path.c_str(), &status) == 0) return true;
        // Only a path that is known to lead nowhere counts as free.
        return errno != ENOENT && errno != ENOTDIR;
    }

    bool Remove(const std::string& path, std::string& error) override {
        return Succeeded(::unlink(path.c_str()), error);
    }

    bool ListFiles(const std::string& folder, std::vector<std::string>& names, std::string& error) override {
        std::error_code failure;
        for (const auto& entry : std::filesystem::directory_iterator(folder, failure)) {
            if (entry.is_regular_file(failure)) names.push_back(entry.path().filename().string());
        }
        if (!failure) return true;
        error = failure.message();
        return false;
    }

    bool MakeFolders(const std::string& folder, std::string& error) override {
        std::filesystem::path made;
        for (const std::filesystem::path& part : std::filesystem::path(folder)) {
            made /= part;
            if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) {
                error = LastCause();
                return false;
            }
        }
        struct stat status {};
        if (::stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return true;
        error = "not a folder";
        return false;
    }

    std::optional<FileIdentity> IdentityOf(const std::string& path, OpenFailure& failure,
                                           std::string& error) override {
        struct stat status {};
        if (::stat(path.c_str(), &status) != 0) {
            failure = IsMissing(errno) ? OpenFailure::Missing : OpenFailure::Unreadable;
            error = LastCause();
            return std::nullopt;
        }
        return IdentityFrom(status);
    }

private:
    // Gives the new file the old one's owner, group and permissions. Only a
    // privileged program may give a file to another owner; without that
    // right the file stays the saving user's. The group is kept or the save
    // fails: under another group the same permissions could open the memos
    // to other people.
    static bool TakeOver(int fd, const struct stat& old, std::string& error) {
        struct stat now {};
        if (::fstat(fd, &now) != 0) return Succeeded(-1, error);
        if (now.st_uid != old.st_uid && ::fchown(fd, old.st_uid, static_cast<gid_t>(-1)) != 0 &&
            errno != EPERM) {
            return Succeeded(-1, error);
        }
        if (now.st_gid != old.st_gid && ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
            error = "could not give the new file the group of the old one: " + LastCause();
            return false;
        }
        return Succeeded(::fchmod(fd, old.st_mode & 07777), error);
    }

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
