#include "tools/loaded_file.h"

#include <algorithm>
#include <cinttypes>

#include "platform/byte_file.h"
#include "tools/commands.h"

namespace tavrin::file_tool {

bool Load(LoadedFile& loaded) {
    MemoFile file(platform::LocalFileSystem());
    loaded.report = file.Load(loaded.list, loaded.path);
    // A failure before the magic was even compared is a read error, not damage.
    const LoadOutcome outcome = loaded.report.outcome;
    if (outcome == LoadOutcome::NotOpened ||
        (outcome == LoadOutcome::ReadFailed && !loaded.report.notes.magicMatched)) {
        PrintError(file.LastError());
        return false;
    }
    return true;
}

bool PageIsDamaged(const RecordLoadNotes& record) {
    return !record.pageRead || record.page.pixelBytesDelivered != record.page.pixelBytesExpected;
}

std::string PageText(const PageLoadNotes& page) {
    return Format("format 0x%04X, %u x %u, dataLength %" PRIu32, page.header.format,
                  page.header.width, page.header.height, page.header.dataLength);
}

namespace {

// The problems the programs show a message for: a wrong magic, and memory
// that ran out.
std::vector<std::string> ProgramMessages(const FileLoadReport& report) {
    if (report.outcome == LoadOutcome::WrongMagic) {
        return {"Warning: it does not begin with \"" + std::string(kMemoFileMagic) +
                "\": not a Tavrin memo data file, or damaged at its start"};
    }
    if (report.outcome == LoadOutcome::OutOfMemory) {
        return {"Error: Not enough memory"};
    }
    return {};
}

// What a page that did read shows that the programs never write.
void AddPageShapeProblems(const PageLoadNotes& page, const std::string& memo,
                          std::vector<std::string>& problems) {
    if (page.pixelBytesDelivered != page.pixelBytesExpected) {
        problems.push_back(memo + Format("its page data gives %zu pixel bytes, but a %u x %u "
                                         "page holds %zu",
                                         page.pixelBytesDelivered, page.header.width,
                                         page.header.height, page.pixelBytesExpected));
    }
    const unsigned unknownFormatBits = page.header.format & ~unsigned{kSavedFormat | 0xFF};
    if (unknownFormatBits != 0) {
        problems.push_back(memo + Format("its page format 0x%04X has bits the programs don't "
                                         "know (0x%04X); they are ignored",
                                         page.header.format, unknownFormatBits));
    }
    if (page.danglingCount) {
        problems.push_back(memo + "its packed data ends with a count byte without its value; "
                                  "the count is ignored");
    }
}

}  // namespace

std::vector<std::string> FindProblems(const LoadedFile& loaded) {
    const ListLoadNotes& notes = loaded.report.notes;
    std::vector<std::string> problems = ProgramMessages(loaded.report);
    if (!notes.magicMatched) {
        return problems;
    }
    if (!notes.headerRead) {
        problems.push_back("the memo count and current position are cut short");
        return problems;
    }
    const unsigned count = notes.storedCount;
    if (count == 0) {
        problems.push_back("the memo count is 0; the programs never write an empty list");
    } else if (notes.storedCurrentPosition >= count) {
        problems.push_back(Format("the current position %u is not below the memo count %u",
                                  notes.storedCurrentPosition, count));
    }
    for (std::size_t i = 0; i < notes.records.size(); ++i) {
        const RecordLoadNotes& record = notes.records[i];
        const std::string memo = Format("memo %zu of %u: ", i + 1, count);
        if (!record.recordRead) {
            problems.push_back(memo + "its 36-byte record is cut short");
        } else if (!record.page.headerRead) {
            problems.push_back(memo + "its page block's header is cut short");
        } else if (!record.pageRead) {
            problems.push_back(memo + "its page can't be read (" + PageText(record.page) +
                               "): its data is cut short or not a page the programs write");
        } else {
            AddPageShapeProblems(record.page, memo, problems);
        }
    }
    const std::size_t firstUnread = notes.records.size() + 1;
    if (firstUnread == count) {
        problems.push_back(Format("memo %u was not read: reading ended early", count));
    } else if (firstUnread < count) {
        problems.push_back(Format("memos %zu to %u were not read: reading ended early",
                                  firstUnread, count));
    }
    if (notes.trailingBytes > 0) {
        problems.push_back(Format("%" PRIu64 " bytes follow the last memo", notes.trailingBytes));
    }
    return problems;
}

bool ReportProblems(const LoadedFile& loaded) {
    const std::vector<std::string> problems = FindProblems(loaded);
    for (const std::string& problem : problems) {
        PrintError(loaded.path + ": " + problem);
    }
    return problems.empty();
}

}  // namespace tavrin::file_tool
