// Copies of a memo file kept in a folder of the user's own: the file as it
// was before the first save of each day, and the conflict copies a sync tool
// left beside it once their memos are merged.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/byte_file.h"
#include "platform/clock.h"

namespace tavrin {

// Whether `name` is a copy of the data file named `dataName` that a sync
// tool left when two machines changed it at once: Syncthing's
// "tavrin.sync-conflict-YYYYMMDD-HHMMSS-DEVICE.dat", Nextcloud's and
// ownCloud's "tavrin (conflicted copy YYYY-MM-DD HHMMSS).dat", Dropbox's
// "tavrin (... conflicted copy ...).dat".
bool IsConflictCopy(std::string_view name, std::string_view dataName);

// The conflict copies beside the data file `path`, as paths, in name order.
std::vector<std::string> ConflictCopiesOf(platform::FileSystem& files, const std::string& path);

class MemoBackups {
public:
    static constexpr std::size_t kKeptDays = 7;

    MemoBackups(platform::FileSystem& files, std::string folder, const platform::Clock& clock);

    // Before a save replaces the data file `target` (after its links): on
    // the first save of a local day that finds no copy of that day, the
    // file as it is goes into the folder as "<name>-<16 hex digits of its
    // path>-YYYY-MM-DD<extension>", so that copies of different data files
    // never mix, and only the last kKeptDays days' copies of it are kept.
    // False, with `cause`, when the copy can't be made or an old one removed.
    bool BeforeReplacing(const std::string& target, std::string& cause);
    // Moves the file at `path` into the folder under its own name (a number
    // added when the name is taken); it is copied, then removed.
    bool Keep(const std::string& path, std::string& cause);
    const std::string& Folder() const { return folder_; }

private:
    std::string PathIn(const std::string& name) const;
    bool DropOldCopies(const std::string& prefix, const std::string& extension, std::string& cause);

    platform::FileSystem& files_;
    std::string folder_;
    const platform::Clock& clock_;
    // The day ("YYYY-MM-DD") of each data file's last copy made or found.
    std::map<std::string, std::string> copiedOn_;
};

}  // namespace tavrin
