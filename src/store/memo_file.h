// The file steps of loading and saving the memo data file: open or create,
// the magic "Tavrin04", the list, close.
#pragma once

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
    bool magicMatched = false;
    // The magic matched, every memo was read, and the count and current
    // position agree with them as the programs write them.
    bool readWhole = false;
};

class MemoFile {
public:
    MemoFile(platform::FileSystem& files, std::string corruptedWarning);

    // Opens, checks the magic (warning through `owner` when it is wrong; the
    // list is then untouched) and reads the list. A file that exists but did
    // not read whole is remembered, so that the next Save keeps a copy of it.
    // After a failure LastError() says what went wrong.
    FileLoadResult Load(MemoList& list, const std::string& path,
                        platform::HostWindow* owner, ListLoadNotes* notes = nullptr);
    // The reading steps on a file already open: the magic, then the list.
    FileLoadResult Read(platform::ByteFile& file, MemoList& list, platform::HostWindow* owner,
                        ListLoadNotes* notes = nullptr) const;
    // Replaces the file atomically with the list. 1 on success; 0 with the
    // previous file whole and LastError() saying why.
    int Save(const MemoList& list, const std::string& path);
    const std::string& LastError() const { return lastError_; }

private:
    bool KeepUnreadableCopy(const std::string& path, std::string& cause);
    bool WriteReplacing(const MemoList& list, const std::string& path, std::string& cause);
    void RemoveTemporary(const std::string& temporary, std::string& cause);

    platform::FileSystem& files_;
    std::string corruptedWarning_;
    std::string lastError_;
    // Files that did not read whole: each is copied aside before the first
    // save replaces it.
    std::set<std::string> unreadable_;
};

}  // namespace tavrin
