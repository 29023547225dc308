// Memos written out for other programs: each page as a PNG file, or every
// page on a sheet of a PDF document or a print job, with the memo's creation
// time and alarm under it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/pdf_file.h"
#include "store/memo_list.h"

namespace tavrin {

// The creation time and, when the memo has one, the alarm time, as the
// programs show times.
std::vector<std::string> MemoCaption(const MemoEntry& entry);

// One memo's page to be written as a PNG file.
struct PngExport {
    std::size_t position = 0;  // 0-based, in the memo list
    const MemoEntry* entry = nullptr;
    std::string target{};
    bool noPicture = false;  // written as a white page
    bool written = false;
    std::string error{};  // why not, naming the file
};

// The name of the picture of memo `position` (0-based) among those of every
// memo: "memo-0001.png".
std::string PngName(std::size_t position);

// The memos of `list` from `first` to `last` (1-based, as the counter shows
// them, within the list), with their positions; no target yet.
std::vector<PngExport> MemosToWrite(const MemoList& list, std::size_t first, std::size_t last);

// Writes every page to its target, on as many threads as the machine has.
void WritePngs(std::vector<PngExport>& pages);

// Puts every memo's page with its caption on a sheet of `document` (each
// memo's `noPicture` says whether a white page stood for it), then finishes
// the document. False with the cause in `error` at the first failure.
bool WriteSheets(platform::PagedDocument& document, std::vector<PngExport>& memos, std::string& error);

}  // namespace tavrin
