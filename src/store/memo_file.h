// The file steps of loading and saving the memo data file: open or create,
// the magic "Tavrin04", the list, close.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "platform/byte_file.h"
#include "store/memo_list.h"

namespace tavrin {

constexpr std::string_view kMemoFileMagic = "Tavrin04";

// How loading a memo data file ended.
enum class LoadOutcome {
    NotOpened,    // missing, or present but not openable: nothing changed
    ReadWhole,    // the magic matched and every memo was read
    WrongMagic,   // not a memo data file (or damaged at its start): the list is untouched
    ReadFailed,   // a read failed or fell short, or a page is not one the programs write
    OutOfMemory,  // memory for a memo or for its page's data could not be had
};

// What a load did, for the program to show and for tools to report.
struct FileLoadReport {
    LoadOutcome outcome = LoadOutcome::NotOpened;
    // ReadFailed and OutOfMemory: the memo (1-based) at which reading ended;
    // 0 when it ended before the first memo (the magic or the list header).
    std::uint32_t memo = 0;
    ListLoadNotes notes;

    // The load's result as the canvas passes it on: nonzero when the list
    // was read whole, and for a wrong magic (the list stays as it was).
    int Result() const {
        return outcome == LoadOutcome::ReadWhole || outcome == LoadOutcome::WrongMagic ? 1 : 0;
    }
};

class MemoFile {
public:
    explicit MemoFile(platform::FileSystem& files);

    // Opens, checks the magic and reads the list; a wrong magic leaves the
    // list untouched. A file that exists but did not read whole is
    // remembered, so that the next Save keeps a copy of it. After a failure
    // LastError() says what went wrong.
    FileLoadReport Load(MemoList& list, const std::string& path);
    // The reading steps on a file already open: the magic, then the list.
    FileLoadReport Read(platform::ByteFile& file, MemoList& list) const;
    // Replaces the file atomically with the list. 1 on success; 0 with the
    // previous file whole and LastError() saying why.
    int Save(const MemoList& list, const std::string& path);
    const std::string& LastError() const { return lastError_; }

private:
    bool KeepUnreadableCopy(const std::string& path, std::string& cause);
    bool WriteReplacing(const MemoList& list, const std::string& path, std::string& cause);
    void RemoveTemporary(const std::string& temporary, std::string& cause);

    platform::FileSystem& files_;
    std::string lastError_;
    // Files that did not read whole: each is copied aside before the first
    // save replaces it.
    std::set<std::string> unreadable_;
};

}  // namespace tavrin
