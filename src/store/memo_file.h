// The file steps of loading and saving the memo data file: open or create,
// the magic "Tavrin04", the list, close.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/byte_file.h"
#include "store/memo_backups.h"
#include "store/memo_list.h"
#include "store/memo_merge.h"
#include "store/planted_links.h"

namespace tavrin {

constexpr std::string_view kMemoFileMagic = "Tavrin04";

// How loading a memo data file ended.
enum class LoadOutcome {
    NotOpened,    // missing, or present but not openable: nothing changed
    ReadWhole,    // the magic matched and every memo was read
    WrongMagic,   // not a memo data file (or damaged at its start): the list is untouched
    ReadFailed,   // a read failed or fell short, or a page is not one the programs write
    OutOfMemory,  // memory for a memo or for its page's data could not be had
    // Every memo was read, but the file is not as the programs write it: no
    // memos, a current position past the last memo, or bytes after it. A
    // damaged count leaves such a file; it may hold memos that did not load.
    NotAsWritten,
};

// What a load did, for the program to show and for tools to report.
struct FileLoadReport {
    LoadOutcome outcome = LoadOutcome::NotOpened;
    // ReadFailed and OutOfMemory: the memo (1-based) at which reading ended;
    // 0 when it ended before the first memo (the magic or the list header).
    std::uint32_t memo = 0;
    ListLoadNotes notes;

    // The load's result as the canvas passes it on: nonzero when every memo
    // was read, and for a wrong magic (the list stays as it was).
    int Result() const {
        return outcome == LoadOutcome::ReadWhole || outcome == LoadOutcome::NotAsWritten ||
                       outcome == LoadOutcome::WrongMagic
                   ? 1
                   : 0;
    }
};

// Whether a save may merge a file another program changed into the list.
enum class SaveMode {
    Merge,
    // The file is left as it is and the save fails (StoppedForMerge): the
    // list saved is a snapshot, and the memos merged into it would not reach
    // the list the program goes on with.
    StopIfChanged,
};

class MemoFile {
public:
    explicit MemoFile(platform::FileSystem& files);

    // Opens, checks the magic and reads the list; a wrong magic leaves the
    // list untouched. A file another program holds is waited for, up to
    // kBusyWait. A file that exists but did not read whole is remembered, so
    // that the next Save keeps a copy of it; one that exists but could not be
    // opened at all, so that Save keeps it. After a failure LastError() says
    // what went wrong.
    FileLoadReport Load(MemoList& list, const std::string& path);
    // The reading steps on a file already open: the magic, then the list.
    FileLoadReport Read(platform::ByteFile& file, MemoList& list) const;
    // Replaces the file atomically with the list; when `path` is a symbolic
    // link, the file it leads to. 1 on success; 0 with the previous file
    // whole and LastError() saying why. A file that could not be opened at
    // the last Load is never replaced: its memos are not in the list.
    // A file that another program changed since this one last read or wrote
    // it is read first and merged into `list` memo by memo, against the
    // memos as they were then (LastMerge() tells); `alarms` hears of the
    // alarms the merge brings and drops. One that can't be read as a memo
    // file is kept beside as an unreadable copy and replaced.
    int Save(MemoList& list, const std::string& path, MergedAlarms* alarms = nullptr,
             SaveMode mode = SaveMode::Merge);
    // Whether the last Save failed because the file changed and it was not to merge.
    bool StoppedForMerge() const { return stoppedForMerge_; }
    // What the last Save merged.
    const MergeReport& LastMerge() const { return lastMerge_; }
    // Keeps a daily copy of each file saved in `folder` (see MemoBackups),
    // and takes merged conflict copies there.
    void KeepBackupsIn(std::string folder, const platform::Clock& clock);
    // Merges into `list` the conflict copies a sync tool left beside `path`,
    // each without a base: every memo of both is kept. Once the next Save of
    // `path` has the merged list in place, they are moved into the backup
    // folder; never deleted. Only where backups are kept. A copy that does
    // not read whole is left where it is, and said in Warning().
    MergeReport MergeConflictCopies(MemoList& list, const std::string& path, MergedAlarms* alarms);
    // Whether Save refuses `path`: it exists but could not be opened at the
    // last Load (held by another program past the wait, no access, ...).
    bool KeepsUnopened(const std::string& path) const { return unopened_.contains(path); }
    // Why `path` was not read at the last Load, in a sentence for the user;
    // none when it was read or is not there.
    std::optional<std::string> UnreadReason(const std::string& path) const;
    // Saves the list to a new file `<path>.saved-N` (the first free N) beside
    // a data file that Save keeps, for when the user agrees to save there.
    // The new file's path, or none with LastError() saying why.
    std::optional<std::string> SaveBeside(const MemoList& list, const std::string& path);
    // Saves the list to `path`, a file of the user's choosing, as a new file
    // replaces the data file; 1, or 0 with LastError() saying why.
    int SaveCopy(const MemoList& list, const std::string& path);
    // Saves the list into `folder` (made for the user alone when missing) as
    // `<name of the data file>.rescued-N`, for an end that could save it
    // nowhere else; its path, or none with LastError() saying why.
    std::optional<std::string> SaveRescueCopy(const MemoList& list, const std::string& folder,
                                              const std::string& dataPath);
    const std::string& LastError() const { return lastError_; }
    // What the last save that put its file in place, or the last merge of
    // conflict copies, left for the user to know, in words; empty when
    // nothing. A folder that refuses to sync after the rename is such a
    // warning: the file is in place, whole, but may not survive a power
    // failure; so is a daily backup that could not be made.
    const std::string& Warning() const { return warning_; }
    // Takes over what `other` learned of its files (and its last error).
    void TakeStateOf(MemoFile& other);

    // How long a load waits for a file another program holds.
    static constexpr std::chrono::milliseconds kBusyWait{2000};

private:
    bool MergeChangesOnDisk(MemoList& list, const std::string& path, const std::string& target,
                            MergedAlarms* alarms, SaveMode mode, std::string& cause);
    void Remember(const std::string& path, std::optional<platform::FileIdentity> identity,
                  const MemoList* memos);
    void KeepMergedCopies(const std::string& path);
    void AddWarning(const std::string& warning);
    std::unique_ptr<platform::ByteFile> OpenWaitingWhileBusy(const std::string& path,
                                                             platform::OpenFailure& failure,
                                                             std::string& error);
    bool MayReplace(const std::string& path, std::string& cause);
    bool KeepUnreadableCopy(const std::string& path, std::string& cause);
    std::optional<std::string> FreeName(const std::string& prefix, std::string& cause);
    bool WriteReplacing(const MemoList& list, const std::string& path, std::string& cause);
    void RemoveTemporary(const std::string& temporary, std::string& cause);
    void WarnOfWhatIsLeft(const std::string& target, std::string left);

    platform::FileSystem& files_;
    std::string lastError_;
    std::string warning_;
    PlantedLinks links_{files_};
    // Files that did not read whole: each is copied aside before the first
    // save replaces it.
    std::set<std::string> unreadable_;
    // Files that exist but could not be opened, with the cause: never replaced.
    struct Unopened {
        std::string cause;
        bool busy = false;  // held by another program past the wait
    };
    std::map<std::string, Unopened> unopened_;
    // What this program last read from or wrote to each file: the file's
    // identity (none: there was no file, or it could not be told) and its
    // memos (none: it did not read as a memo file), the base of a merge.
    struct KnownFile {
        std::optional<platform::FileIdentity> identity;
        std::unique_ptr<MemoList> memos;
    };
    std::map<std::string, KnownFile> known_;
    MergeReport lastMerge_;
    bool stoppedForMerge_ = false;
    std::unique_ptr<MemoBackups> backups_;
    // Conflict copies merged into the list, moved to the backups after the save.
    std::map<std::string, std::vector<std::string>> mergedCopies_;
};

// How reading a file's current memo alone ended.
enum class CurrentMemoOutcome {
    Read,         // the memo is in the entry
    WrongMagic,   // not a memo data file, or damaged at its start
    Damaged,      // cut short, no current memo, or a page no program writes
    OutOfMemory,  // memory for the memo's page data could not be had
};

// Reads a memo data file only as far as its current memo, for a picture of
// it without loading the file: the magic and the list header, each earlier
// memo's record and page header with its page data skipped unread, then the
// current memo whole into `entry`, its page data in room of exactly its size.
// The pages passed over are checked as far as their headers frame their data;
// their items are never walked. Memory thus stays at one page whatever the
// file's length. `cause` says why reading failed.
CurrentMemoOutcome ReadCurrentMemo(platform::ByteFile& file, MemoEntry& entry,
                                   std::string& cause);

// A memo file read on a thread of its own from the moment this is made, so
// that a program can start its toolkit and window meanwhile: a big file then
// costs the start little more than a small one.
class BackgroundLoad {
public:
    BackgroundLoad(platform::FileSystem& files, const platform::Clock& clock, std::string path);
    explicit BackgroundLoad(std::string path);  // the machine's files and clock
    ~BackgroundLoad();
    BackgroundLoad(const BackgroundLoad&) = delete;
    BackgroundLoad& operator=(const BackgroundLoad&) = delete;

    // Waits for the reading, then gives `list` the memos read (or a new
    // memo, when the file gave none) and `file` what was learned of the
    // file, as `file.Load(list, Path())` would have; once only.
    FileLoadReport TakeInto(MemoFile& file, MemoList& list);
    const std::string& Path() const { return path_; }

private:
    void Read() { report_ = file_.Load(list_, path_); }

    std::string path_;
    MemoFile file_;
    MemoList list_;
    FileLoadReport report_;
    std::thread reader_;
};

}  // namespace tavrin
