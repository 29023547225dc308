// Byte files and file-system steps over the platform's file calls, in the
// build's form: paths go from UTF-8 to that form at this edge.
#include <algorithm>
#include <atomic>
#include <limits>
#include <optional>
#include <utility>

#include "platform/byte_file.h"
#include "platform/temporary_name.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_text.h"

namespace tavrin::platform {
namespace {

constexpr char kInUse[] = "the file is in use by another program";

std::string Cause(DWORD error) {
    return error == ERROR_SHARING_VIOLATION ? std::string(kInUse) : SystemErrorText(error);
}

std::string LastCause() { return Cause(::GetLastError()); }

// The path as the file calls take it. A path that their form can't spell,
// or with a zero byte in it, would name another file: it is refused.
std::optional<SystemText> SystemPath(const std::string& path, std::string& error) {
    std::optional<SystemText> name;
    if (path.find('\0') == std::string::npos) name = ToSystemText(path);
    if (!name) error = kNoSystemForm;
    return name;
}

std::atomic<ReplaceFileCall> replaceFileCall{nullptr};

BOOL CallReplaceFile(LPCTSTR replaced, LPCTSTR replacement, LPCTSTR backup) {
    const ReplaceFileCall call = replaceFileCall.load();
    return (call != nullptr ? call : &::ReplaceFile)(replaced, replacement, backup,
                                                      REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                                                      nullptr);
}

bool NameIsFree(const SystemText& name) {
    return ::GetFileAttributes(name.c_str()) == INVALID_FILE_ATTRIBUTES &&
           ::GetLastError() == ERROR_FILE_NOT_FOUND;
}

// One ReadFile or WriteFile call moves at most this many bytes.
constexpr std::size_t kLargestTransfer = std::numeric_limits<DWORD>::max() / 2;

DWORD Chunk(std::size_t length) {
    return static_cast<DWORD>(std::min(length, kLargestTransfer));
}

std::optional<FileIdentity> IdentityOfHandle(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(handle, &information)) return std::nullopt;
    const auto join = [](DWORD high, DWORD low) { return (std::uint64_t{high} << 32) | low; };
    return FileIdentity{information.dwVolumeSerialNumber,
                        join(information.nFileIndexHigh, information.nFileIndexLow),
                        join(information.nFileSizeHigh, information.nFileSizeLow),
                        static_cast<std::int64_t>(join(information.ftLastWriteTime.dwHighDateTime,
                                                       information.ftLastWriteTime.dwLowDateTime))};
}

class Win32File final : public ByteFile {
public:
    explicit Win32File(HANDLE handle) : handle_(handle) {}
    ~Win32File() override {
        if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
    }
    Win32File(const Win32File&) = delete;
    Win32File& operator=(const Win32File&) = delete;

    bool Read(void* buffer, std::size_t length) override {
        auto* next = static_cast<char*>(buffer);
        while (length > 0) {
            DWORD count = 0;
            if (!::ReadFile(handle_, next, Chunk(length), &count, nullptr)) return Failed();
            if (count == 0) {
                error_ = "unexpected end of file";
                return false;
            }
            next += count;
            length -= count;
        }
        return true;
    }

    bool Skip(std::uint64_t length) override {
        // A seek past the end succeeds; a skip past it must not.
        if (length > Remaining()) {
            error_ = "unexpected end of file";
            return false;
        }
        LARGE_INTEGER distance{};
        distance.QuadPart = static_cast<LONGLONG>(length);
        return ::SetFilePointerEx(handle_, distance, nullptr, FILE_CURRENT) || Failed();
    }

    bool Write(const void* data, std::size_t length) override {
        const auto* next = static_cast<const char*>(data);
        while (length > 0) {
            DWORD count = 0;
            if (!::WriteFile(handle_, next, Chunk(length), &count, nullptr)) return Failed();
            next += count;
            length -= count;
        }
        return true;
    }

    std::uint64_t Remaining() const override {
        LARGE_INTEGER size{};
        LARGE_INTEGER position{};
        // Without a size or position nothing can be counted on; a read then
        // reports the cause.
        if (!::GetFileSizeEx(handle_, &size) ||
            !::SetFilePointerEx(handle_, LARGE_INTEGER{}, &position, FILE_CURRENT) ||
            size.QuadPart <= position.QuadPart) {
            return 0;
        }
        return static_cast<std::uint64_t>(size.QuadPart - position.QuadPart);
    }

    bool Sync() override { return ::FlushFileBuffers(handle_) || Failed(); }

    bool Close() override {
        const HANDLE handle = std::exchange(handle_, INVALID_HANDLE_VALUE);
        return ::CloseHandle(handle) || Failed();
    }

    const std::string& LastError() const override { return error_; }

    std::optional<FileIdentity> Identity() const override { return IdentityOfHandle(handle_); }

private:
    bool Failed() {
        error_ = LastCause();
        return false;
    }

    HANDLE handle_;
    std::string error_;
};

class Win32FileSystem final : public FileSystem {
public:
    std::unique_ptr<ByteFile> OpenForReading(const std::string& path, OpenFailure& failure,
                                             std::string& error) override {
        failure = OpenFailure::Unreadable;
        const auto name = SystemPath(path, error);
        if (!name) return nullptr;
        // Shared with other readers and with a save that replaces the file
        // meanwhile, never with a writer: a file another program writes in
        // place is not read half-written.
        const HANDLE handle =
            ::CreateFile(name->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD code = ::GetLastError();
            if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
                failure = OpenFailure::Missing;
            }
            if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION) {
                failure = OpenFailure::Busy;
            }
            error = Cause(code);
            return nullptr;
        }
        auto file = std::make_unique<Win32File>(handle);
        // Devices and pipes open like files but are no memo data files.
        if (::GetFileType(handle) != FILE_TYPE_DISK) {
            error = "not a regular file";
            return nullptr;
        }
        return file;
    }

    bool ResolveLinks(const std::string& path, std::string& target, std::string&) override {
        // Links to files need an administrator on Windows; the data file is
        // replaced where it is named.
        target = path;
        return true;
    }

    std::unique_ptr<ByteFile> CreateTemporaryFor(const std::string& target, std::string& temporary,
                                                 std::string& error) override {
        // Each try draws a new name; CREATE_NEW never opens what is there,
        // a link included.
        constexpr int kTries = 100;
        for (int tries = 0; tries < kTries; ++tries) {
            const std::string candidate = TemporaryNameFor(target);
            const auto name = SystemPath(candidate, error);
            if (!name) return nullptr;
            const HANDLE handle = ::CreateFile(name->c_str(), GENERIC_WRITE, 0, nullptr,
                                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (handle != INVALID_HANDLE_VALUE) {
                temporary = candidate;
                return std::make_unique<Win32File>(handle);
            }
            const DWORD code = ::GetLastError();
            if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
                error = Cause(code);
                return nullptr;
            }
        }
        error = Cause(ERROR_FILE_EXISTS);
        return nullptr;
    }

    std::optional<std::uint32_t> ForeignLinkOwner(const std::string&) override {
        // The data file is replaced where it is named, never through a link
        // (ResolveLinks): there is no link to compare with the load's.
        return std::nullopt;
    }

    bool Replace(const std::string& from, const std::string& to, std::string& error,
                 ReplaceNotes& notes) override {
        const auto fromName = SystemPath(from, error);
        const auto toName = fromName ? SystemPath(to, error) : std::nullopt;
        if (!toName) return false;
        // ReplaceFile keeps the replaced file's security. Its attributes are
        // given to the new file first: not every ReplaceFile carries them
        // over (Wine's doesn't). Read-only stays out, or a failed save could
        // not remove the new file. A file that isn't there yet is simply
        // renamed, write-through: the call returns only when the rename is
        // on the disk.
        constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
        const DWORD attributes = ::GetFileAttributes(toName->c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            return Succeeded(
                ::MoveFileEx(fromName->c_str(), toName->c_str(), MOVEFILE_WRITE_THROUGH), error);
        }
        // A folder in the data file's place is never replaced by the file
        // (Wine's ReplaceFile would do it).
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            error = "a folder of that name is in the way";
            return false;
        }
        const DWORD kept = attributes & kKept;
        if (!::SetFileAttributes(fromName->c_str(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL)) {
            return Succeeded(FALSE, error);
        }
        // ReplaceFile is given a backup name, so that the old file always
        // has a known name: without one, a rename that fails halfway leaves
        // it under a name of the system's choosing, or none.
        SystemText backupName;
        const std::optional<std::string> backup = FreeBackupName(to, backupName, error);
        if (!backup) return false;
        if (CallReplaceFile(toName->c_str(), fromName->c_str(), backupName.c_str())) {
            RemoveBackup(*backup, backupName, notes);
            return true;
        }
        const DWORD code = ::GetLastError();
        if (code == ERROR_UNABLE_TO_MOVE_REPLACEMENT || code == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
            return MoveIntoPlace({from, *fromName}, {to, *toName}, {*backup, backupName}, code,
                                 error, notes);
        }
        error = Cause(code);
        return false;
    }

    bool SyncFolderOf(const std::string&, std::string&) override {
        // Nothing is left to do: the new file's bytes were flushed before
        // Replace, a first file is renamed with MOVEFILE_WRITE_THROUGH, and
        // the file system keeps folder entries in its own journal; Windows
        // offers no flush of a folder as such.
        return true;
    }

    bool CopyToNew(const std::string& from, const std::string& to, std::string& error) override {
        const auto fromName = SystemPath(from, error);
        const auto toName = fromName ? SystemPath(to, error) : std::nullopt;
        if (!toName) return false;
        if (!::CopyFile(fromName->c_str(), toName->c_str(), TRUE)) {
            const DWORD code = ::GetLastError();
            error = Cause(code);
            // Only a failure after the copy began can have left a part of it.
            if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
                ::DeleteFile(toName->c_str());
            }
            return false;
        }
        // The copy is kept because the original is about to be replaced: it
        // must be on the disk before that happens.
        if (Flush(*toName, error)) return true;
        ::DeleteFile(toName->c_str());
        return false;
    }

    bool Exists(const std::string& path) override {
        std::string error;
        const auto name = SystemPath(path, error);
        // A name that can't be spelled can't be created either: not free.
        if (!name) return true;
        if (::GetFileAttributes(name->c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        // Only a path that is known to lead nowhere counts as free.
        const DWORD code = ::GetLastError();
        return code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND;
    }

    bool Remove(const std::string& path, std::string& error) override {
        const auto name = SystemPath(path, error);
        return name && Succeeded(::DeleteFile(name->c_str()), error);
    }

    bool ListFiles(const std::string& folder, std::vector<std::string>& names, std::string& error) override {
        const auto pattern = SystemPath(folder + "\\*", error);
        if (!pattern) return false;
        WIN32_FIND_DATA found{};
        const HANDLE search = ::FindFirstFile(pattern->c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return Succeeded(::GetLastError() == ERROR_FILE_NOT_FOUND, error);
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                names.push_back(FromSystemText(found.cFileName));
            }
        } while (::FindNextFile(search, &found));
        const DWORD code = ::GetLastError();
        ::FindClose(search);
        if (code == ERROR_NO_MORE_FILES) return true;
        error = Cause(code);
        return false;
    }

    // A folder under the user's profile is the user's alone by its
    // inherited security.
    bool MakeFolders(const std::string& folder, std::string& error) override {
        std::string made;
        for (std::size_t end = 0; end != std::string::npos;) {
            end = folder.find_first_of("\\/", end + 1);
            made = folder.substr(0, end);
            const auto name = SystemPath(made, error);
            if (!name) return false;
            if (!::CreateDirectory(name->c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
                // A drive ("C:") can't be made, and needs not be.
                if (made.size() > 2) return Succeeded(FALSE, error);
            }
        }
        const auto name = SystemPath(folder, error);
        const DWORD attributes = name ? ::GetFileAttributes(name->c_str()) : INVALID_FILE_ATTRIBUTES;
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
        error = "not a folder";
        return false;
    }

    std::optional<FileIdentity> IdentityOf(const std::string& path, OpenFailure& failure,
                                           std::string& error) override {
        failure = OpenFailure::Unreadable;
        const auto name = SystemPath(path, error);
        if (!name) return std::nullopt;
        // Opened for no access at all: even a file another program holds
        // for itself can be looked at.
        const HANDLE handle =
            ::CreateFile(name->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD code = ::GetLastError();
            if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) failure = OpenFailure::Missing;
            error = Cause(code);
            return std::nullopt;
        }
        Win32File file(handle);
        std::optional<FileIdentity> identity = file.Identity();
        if (!identity) error = LastCause();
        return identity;
    }

private:
    // A path in UTF-8, for messages, and as the file calls take it.
    struct Name {
        const std::string& text;
        const SystemText& system;
    };

    // `<to>.replaced-` and eight random letters and digits, naming nothing:
    // ReplaceFile would overwrite a file of that name.
    static std::optional<std::string> FreeBackupName(const std::string& to, SystemText& name,
                                                     std::string& error) {
        constexpr int kTries = 100;
        for (int tries = 0; tries < kTries; ++tries) {
            std::string candidate = TemporaryNameFor(to, "replaced");
            const auto systemName = SystemPath(candidate, error);
            if (!systemName) return std::nullopt;
            if (NameIsFree(*systemName)) {
                name = *systemName;
                return candidate;
            }
        }
        error = Cause(ERROR_FILE_EXISTS);
        return std::nullopt;
    }

    // The old file at the backup name is no longer needed once the new one
    // is in place; one that can't be removed is left there, and said so.
    static void RemoveBackup(const std::string& backup, const SystemText& backupName,
                             ReplaceNotes& notes) {
        if (NameIsFree(backupName) || ::DeleteFile(backupName.c_str())) return;
        notes.warning = "a copy of the file as it was could not be removed (" + LastCause() +
                        "): it is left as " + backup;
    }

    // ReplaceFile stopped halfway: the new file is still under its own name,
    // the old one under the target's name (1176) or the backup name (1177).
    // The new file holds the only copy of the memos as they are now: it is
    // moved into place by itself, and never removed. When that fails too,
    // the old file goes back to its name where it can, and the error says
    // where each copy is.
    static bool MoveIntoPlace(const Name& from, const Name& to, const Name& backup, DWORD code,
                              std::string& error, ReplaceNotes& notes) {
        if (::MoveFileEx(from.system.c_str(), to.system.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            RemoveBackup(backup.text, backup.system, notes);
            return true;
        }
        const std::string moveCause = LastCause();
        notes.keepFrom = true;
        const bool oldAtBackup =
            !NameIsFree(backup.system) &&
            !(NameIsFree(to.system) && ::MoveFileEx(backup.system.c_str(), to.system.c_str(),
                                                    MOVEFILE_WRITE_THROUGH));
        error = Cause(code) + ", and moving the new file into place failed too (" + moveCause +
                "): the memos as saved now are in " + from.text + ", the file as it was is " +
                (oldAtBackup ? backup.text : to.text);
        return false;
    }

    static bool Succeeded(BOOL result, std::string& error) {
        if (result) return true;
        error = LastCause();
        return false;
    }

    static bool Flush(const SystemText& name, std::string& error) {
        const HANDLE handle = ::CreateFile(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return Succeeded(FALSE, error);
        Win32File file(handle);
        if (file.Sync() && file.Close()) return true;
        error = file.LastError();
        return false;
    }
};

}  // namespace

void SetReplaceFileForTesting(ReplaceFileCall call) { replaceFileCall.store(call); }

FileSystem& LocalFileSystem() {
    static Win32FileSystem fileSystem;
    return fileSystem;
}

}  // namespace tavrin::platform
