// Feeds the input as a whole memo data file to the reading steps the programs
// use (the magic, then the list) and checks that the list holds together
// afterwards, that a wrong magic leaves it untouched, and that a list read
// whole saves to a file that reads back whole. The thumbnail's reading of the
// current memo alone goes over the same bytes: on a file read whole it gives
// the memo the list made current, and its page reduces.
//
// Seeds: the build writes the demo file of tavrin-file into
// <build>/fuzz-corpus/memo_file_fuzz/ (target memo_file_fuzz_corpus); run
//   memo_file_fuzz <build>/fuzz-corpus/memo_file_fuzz
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "store/memo_file.h"
#include "store/page_reduction.h"
#include "support/memo_lists.h"
#include "support/memory_file.h"

namespace {

using tavrin::FileLoadReport;
using tavrin::LoadOutcome;
using tavrin::MemoFile;
using tavrin::MemoList;
using tavrin::testing::MemoryFile;

void Require(bool holds, const std::string& what) {
    if (!holds) {
        std::fprintf(stderr, "memo_file_fuzz: %s\n", what.c_str());
        std::abort();
    }
}

constexpr std::uint32_t kStartTag = 0x5EED;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemoFile reader(tavrin::platform::LocalFileSystem());
    MemoryFile file(std::vector<std::uint8_t>(data, data + size));
    MemoList list;
    list.First()->alarmHandle = kStartTag;
    const FileLoadReport report = reader.Read(file, list);

    MemoryFile again(std::vector<std::uint8_t>(data, data + size));
    tavrin::MemoEntry current(tavrin::SYSTEMTIME{});
    std::string cause;
    const bool currentRead =
        tavrin::ReadCurrentMemo(again, current, cause) == tavrin::CurrentMemoOutcome::Read;
    if (currentRead && current.page.HasPicture()) {
        const auto page = current.page.MakeSurface();
        Require(page != nullptr && tavrin::ReducePage(*page, 128).has_value(),
                "the current memo's page did not reduce");
    }

    const std::string problem = tavrin::testing::DescribeListProblem(list);
    Require(problem.empty(), "broken list: " + problem);
    if (!report.notes.magicMatched) {
        Require(report.outcome == LoadOutcome::WrongMagic && report.Result() != 0,
                "a wrong magic not reported as such");
        Require(list.Count() == 1 && list.First()->alarmHandle == kStartTag,
                "a wrong magic changed the list");
        return 0;
    }
    if (report.outcome != LoadOutcome::ReadWhole) {
        return 0;
    }
    if (report.notes.storedCurrentPosition < report.notes.storedCount) {
        const tavrin::MemoEntry& shown = *list.Current();
        Require(currentRead && current.alarmHandle == shown.alarmHandle &&
                    current.created == shown.created &&
                    current.page.HasPicture() == shown.page.HasPicture(),
                "the current memo alone differs from the list's: " + cause);
    }
    // A count of 0 leaves the list's own blank memo.
    Require(list.Count() == std::max<std::uint16_t>(report.notes.storedCount, 1),
            "a whole read gave another number of memos than stored");
    MemoryFile saved;
    Require(saved.Write(tavrin::kMemoFileMagic.data(), tavrin::kMemoFileMagic.size()) &&
                list.Save(saved) != 0,
            "a list read whole could not be saved");
    saved.Rewind();
    MemoList reloaded;
    Require(reader.Read(saved, reloaded).outcome == LoadOutcome::ReadWhole,
            "a saved list did not read back");
    Require(reloaded.Count() == list.Count() && reloaded.CurrentIndex() == list.CurrentIndex(),
            "a saved list read back differently");
    return 0;
}
