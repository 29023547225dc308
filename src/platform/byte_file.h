// Byte files and the few file-system steps the memo data file needs.
// Paths are UTF-8. Every failure comes with a one-line cause in words
// ("No such file or directory"), never a bare code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavrin::platform {

// What tells one version of a file from another without reading it: the
// file itself (its volume or device and its number there), its size and
// the time of its last change, to the finest unit the system keeps. A save
// by rename gives the name another file; a write in place changes the size
// or the time.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// An open file read or written at its current position.
class ByteFile {
public:
    virtual ~ByteFile() = default;

    // Reads exactly `length` bytes; fewer (the end of the file) is a failure.
    virtual bool Read(void* buffer, std::size_t length) = 0;
    // Moves past exactly `length` bytes without handing them over. Fewer (the
    // end of the file) is a failure, which files that can seek report before
    // moving; they override this one, which reads the bytes in small pieces.
    virtual bool Skip(std::uint64_t length) {
        char piece[4096];
        while (length > 0) {
            const std::size_t step = length < sizeof piece ? static_cast<std::size_t>(length) : sizeof piece;
            if (!Read(piece, step)) return false;
            length -= step;
        }
        return true;
    }
    // Writes exactly `length` bytes.
    virtual bool Write(const void* data, std::size_t length) = 0;
    // Bytes between the current position and the end of the file.
    virtual std::uint64_t Remaining() const = 0;
    // Pushes written bytes to stable storage.
    virtual bool Sync() = 0;
    // Closes the file, reporting a failure of the close itself; the destructor
    // closes silently.
    virtual bool Close() = 0;
    // The cause of the last failed operation.
    virtual const std::string& LastError() const = 0;
    // The identity of the open file; none where the system can't tell.
    virtual std::optional<FileIdentity> Identity() const { return std::nullopt; }
};

enum class OpenFailure {
    Missing,     // there is no file at that path
    Busy,        // another program holds it for itself; it may be free in a moment
    Unreadable,  // it exists but can't be opened (no access, not a file, ...)
};

// What a Replace that went another way than the plain one leaves to know.
struct ReplaceNotes {
    // It failed, but `from` holds the only copy of the new content: the
    // caller must not remove it (the error says where every copy is).
    bool keepFrom = false;
    // It succeeded, but the user should know of something it left, in words.
    std::string warning;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Opens an existing file for reading. Readers share the file with other
    // readers: a save never writes the data file in place but renames a new
    // one over it, so a reader sees the old file or the new one, whole. A
    // program that takes the file for itself (on Linux an exclusive advisory
    // lock, on Windows an open without sharing) makes it Busy. Links are
    // followed as ResolveLinks follows them.
    // On failure returns null and sets `failure` and `error`.
    virtual std::unique_ptr<ByteFile> OpenForReading(const std::string& path,
                                                     OpenFailure& failure,
                                                     std::string& error) = 0;
    // The file that a save of `path` replaces: `path` itself or, when it is a
    // symbolic link, the file at the end of its links, which need not exist.
    // A link is followed only where the system's protected links would be:
    // never one of another user's in a sticky folder that anyone may write
    // to (unless that folder is the link owner's), which fails with the cause.
    virtual bool ResolveLinks(const std::string& path, std::string& target,
                              std::string& error) = 0;
    // The owner of `path` when it is a symbolic link that another user made;
    // none for a file, a missing name or a link of the user's own. A save
    // compares it with what the load found there, so that a link planted in
    // the file's place after the load is not followed.
    virtual std::optional<std::uint32_t> ForeignLinkOwner(const std::string& path) = 0;
    // Creates a new file for the next content of `target` in the same folder,
    // under a name no file had (set in `temporary`), exclusively and never
    // through a link. It has the permissions of the existing `target`, and
    // its owner where the program may give the file away; for a `target`
    // that does not exist, it is the user's alone (0600 on Linux). Nothing is
    // left behind when it fails.
    virtual std::unique_ptr<ByteFile> CreateTemporaryFor(const std::string& target,
                                                         std::string& temporary,
                                                         std::string& error) = 0;
    // Renames `from` over `to` in one step: `to` is always either the old or
    // the new file, and keeps the attributes that belong to it rather than to
    // its content (on Windows; on Linux CreateTemporaryFor gave them). On
    // failure the caller removes `from`, unless `notes` says to keep it.
    virtual bool Replace(const std::string& from, const std::string& to, std::string& error,
                         ReplaceNotes& notes) = 0;
    // Makes a rename inside the folder that holds `path` durable.
    virtual bool SyncFolderOf(const std::string& path, std::string& error) = 0;
    // Copies a file to a new name, the user's alone; fails when `to` exists
    // already. Links of `from` are followed as ResolveLinks follows them.
    virtual bool CopyToNew(const std::string& from, const std::string& to,
                           std::string& error) = 0;
    // Whether anything has the name, a link that leads nowhere included.
    virtual bool Exists(const std::string& path) = 0;
    // The identity of the file at `path`, after its links; none with
    // `failure` and `error` set when there is none (Missing) or it can't be
    // looked at.
    virtual std::optional<FileIdentity> IdentityOf(const std::string& path, OpenFailure& failure,
                                                   std::string& error) = 0;
    // The names of the files in `folder` (not its folders), in no order.
    virtual bool ListFiles(const std::string& folder, std::vector<std::string>& names,
                           std::string& error) = 0;
    // Makes `folder` and the folders missing on its way, each new one for the
    // user alone; true when it is there.
    virtual bool MakeFolders(const std::string& folder, std::string& error) = 0;
    virtual bool Remove(const std::string& path, std::string& error) = 0;
};

// The machine's own file system.
FileSystem& LocalFileSystem();

}  // namespace tavrin::platform
