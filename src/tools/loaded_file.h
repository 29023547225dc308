// A memo data file as the programs read it, with what the reading saw, and
// the problems found in it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "store/memo_file.h"
#include "store/memo_list.h"

namespace tavrin::file_tool {

struct LoadedFile {
    explicit LoadedFile(const std::string& file) : path(file) {}

    std::string path;
    MemoList list;
    FileLoadReport report;
};

// Loads the file; false (after saying why) when it can't be opened or its
// first bytes can't be read.
bool Load(LoadedFile& loaded);

// A page block's header in words.
std::string PageText(const PageLoadNotes& page);

// Every problem the programs show a message for, then every problem the
// notes show.
std::vector<std::string> FindProblems(const LoadedFile& loaded);

// Whether the memo's page is damaged: it could not be read, or its data
// gives fewer pixel bytes than its size holds. Drawn, it would be mostly the
// white that fills what the data doesn't reach, at whatever size its header
// claims.
bool PageIsDamaged(const RecordLoadNotes& record);

// Reports problems on standard error; true when there were none.
bool ReportProblems(const LoadedFile& loaded);

// The memos that the file gave, each with what reading its record saw.
template <typename Visit>
void ForEachMemoRead(const LoadedFile& loaded, Visit visit) {
    const MemoEntry* entry = loaded.list.First();
    for (std::size_t i = 0; i < loaded.report.notes.records.size() && entry != nullptr;
         ++i, entry = loaded.list.NextOf(entry)) {
        if (loaded.report.notes.records[i].recordRead) {
            visit(i, *entry, loaded.report.notes.records[i]);
        }
    }
}

}  // namespace tavrin::file_tool
