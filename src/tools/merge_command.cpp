// tavrin-file merge: two copies of one memo file merged memo by memo, as the
// notepad merges a file changed elsewhere, written with the store's atomic save.
#include <iostream>

#include "platform/byte_file.h"
#include "store/memo_file.h"
#include "store/memo_merge.h"
#include "tools/commands.h"
#include "tools/loaded_file.h"

namespace tavrin::file_tool {
namespace {

// A file to merge must read whole: a damaged one could have lost memos the
// merge would then take for deleted.
bool LoadWhole(LoadedFile& loaded) {
    if (!Load(loaded)) return false;
    if (loaded.report.outcome == LoadOutcome::ReadWhole) return true;
    for (const std::string& problem : FindProblems(loaded)) PrintError(loaded.path + ": " + problem);
    PrintError(loaded.path + " is not a whole memo file; nothing was merged");
    return false;
}

}  // namespace

int Merge(const std::string* basePath, const std::string& ours, const std::string& theirs,
          const std::string& output) {
    LoadedFile base(basePath != nullptr ? *basePath : std::string());
    LoadedFile a(ours);
    LoadedFile b(theirs);
    if ((basePath != nullptr && !LoadWhole(base)) || !LoadWhole(a) || !LoadWhole(b)) return kExitFailure;
    const std::uint16_t countA = a.list.Count();
    std::string cause;
    const MergeReport report =
        MergeMemoLists(basePath != nullptr ? &base.list : nullptr, a.list, b.list, nullptr, cause);
    if (!report.merged) {
        PrintError("Could not merge " + ours + " and " + theirs + ": " + cause);
        return kExitFailure;
    }
    MemoFile file(platform::LocalFileSystem());
    if (file.Save(a.list, output) == 0) {
        PrintError(file.LastError());
        return kExitFailure;
    }
    std::cout << "Merged " << ours << " (" << countA << " memos) and " << theirs << " ("
              << b.list.Count() << " memos)";
    if (basePath != nullptr) std::cout << " against " << *basePath << " (" << base.list.Count() << " memos)";
    std::cout << ": " << report.changedElsewhere << " memos taken from " << theirs << ", "
              << a.list.Count() << " memos written to " << output << '\n';
    return kExitSuccess;
}

}  // namespace tavrin::file_tool
