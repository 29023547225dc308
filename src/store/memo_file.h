// The file steps of loading and saving the memo data file: open or create,
// the magic "Tavrin04", the list, close.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "platform/byte_file.h"
#include "platform/host_window.h"
#include "store/memo_list.h"

namespace tavrin {

constexpr std::string_view kMemoFileMagic = "Tavrin04";
// The notepad's warning for a file with the wrong magic, and the viewer's.
constexpr std::string_view kCorruptedWarning =
    "Tavrin data file is corrupted, it will be cleaned up.";
constexpr std::string_view kViewerCorruptedWarning = "Tavrin data file is corrupted.";

struct FileLoadResult {
    int result = 0;          // nonzero when the list was read whole, or after the magic warning
    bool opened = false;     // false: the file couldn't be opened and nothing changed
    bool readWhole = false;  // the magic matched and every memo was read
};

class MemoFile {
public:
    MemoFile(platform::FileSystem& files, std::string corruptedWarning);

    // Opens, checks the magic (warning through `owner` when it is wrong; the
    // list is then untouched) and reads the list. A file another program
    // holds is waited for, up to kBusyWait. A file that exists but did not
    // read whole is remembered, so that the next Save keeps a copy of it; one
    // that exists but could not be opened at all, so that Save keeps it.
    // After a failure LastError() says what went wrong.
    FileLoadResult Load(MemoList& list, const std::string& path,
                        platform::HostWindow* owner, ListLoadNotes* notes = nullptr);
    // The reading steps on a file already open: the magic, then the list.
    FileLoadResult Read(platform::ByteFile& file, MemoList& list, platform::HostWindow* owner,
                        ListLoadNotes* notes = nullptr) const;
    // Replaces the file atomically with the list; when `path` is a symbolic
    // link, the file it leads to. 1 on success; 0 with the previous file
    // whole and LastError() saying why. A file that could not be opened at
    // the last Load is never replaced: its memos are not in the list.
    int Save(const MemoList& list, const std::string& path);
    // Whether Save refuses `path`: it exists but could not be opened at the
    // last Load (held by another program past the wait, no access, ...).
    bool KeepsUnopened(const std::string& path) const { return unopened_.contains(path); }
    // Saves the list to a new file `<path>.saved-N` (the first free N) beside
    // a data file that Save keeps, for when the user agrees to save there.
    // The new file's path, or none with LastError() saying why.
    std::optional<std::string> SaveBeside(const MemoList& list, const std::string& path);
    const std::string& LastError() const { return lastError_; }

    // How long a load waits for a file another program holds.
    static constexpr std::chrono::milliseconds kBusyWait{2000};

private:
    std::unique_ptr<platform::ByteFile> OpenWaitingWhileBusy(const std::string& path,
                                                             platform::OpenFailure& failure,
                                                             std::string& error);
    bool MayReplace(const std::string& path, std::string& cause);
    bool KeepUnreadableCopy(const std::string& path, std::string& cause);
    std::optional<std::string> FreeName(const std::string& prefix, std::string& cause);
    bool WriteReplacing(const MemoList& list, const std::string& path, std::string& cause);
    void RemoveTemporary(const std::string& temporary, std::string& cause);

    platform::FileSystem& files_;
    std::string corruptedWarning_;
    std::string lastError_;
    // Files that did not read whole: each is copied aside before the first
    // save replaces it.
    std::set<std::string> unreadable_;
    // Files that exist but could not be opened, with the cause: never replaced.
    std::map<std::string, std::string> unopened_;
};

}  // namespace tavrin
