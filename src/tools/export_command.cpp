// tavrin-file export: every memo's page as a PNG file, written on all cores,
// or all of them in one PDF, a memo a page, for printing.
#include <algorithm>
#include <atomic>
#include <cctype>
#include <filesystem>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "alarms/alarm_time.h"
#include "platform/image_file.h"
#include "platform/pdf_file.h"
#include "store/page_image.h"
#include "tools/commands.h"
#include "tools/loaded_file.h"

namespace tavrin::file_tool {
namespace {

struct PageExport {
    std::size_t position = 0;
    const MemoEntry* entry = nullptr;
    std::string target;
    bool noPicture = false;
    bool written = false;
    std::string error;
};

void Write(PageExport& job) {
    const std::unique_ptr<platform::PageBitmap> page = ShownPage(job.entry->page, job.noPicture);
    if (page == nullptr) {
        job.error = "Cannot write " + job.target + ": not enough memory";
        return;
    }
    job.written = platform::WritePng(job.target, *page, PenPalette, job.error);
}

// Every page's encoder takes and frees the same few hundred kilobytes; glibc
// would give them back to the system after each page and fault them in again
// for the next, which cost more than the encoding itself.
void KeepFreedMemoryForTheNextPage() {
#if defined(__GLIBC__)
    mallopt(M_TRIM_THRESHOLD, 32 << 20);
    mallopt(M_TOP_PAD, 1 << 20);
#endif
}

// The pages are independent: a pool as large as the machine's hardware
// threads takes them in turn.
void WriteAll(std::vector<PageExport>& jobs) {
    KeepFreedMemoryForTheNextPage();
    const std::size_t threads =
        std::min<std::size_t>(std::max(1U, std::thread::hardware_concurrency()), jobs.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < jobs.size(); i = next++) {
            Write(jobs[i]);
        }
    };
    std::vector<std::jthread> pool;
    for (std::size_t t = 1; t < threads; ++t) {
        pool.emplace_back(work);
    }
    work();
}

// The memos whose pages can be drawn, in list order. A damaged page is
// never drawn: a picture of it would show little but white, and a file of
// damaged headers asking for the largest pages would make thousands of
// them. It is named (`leftOut` says what becomes of it) and skipped; the
// problems reported later say why.
template <typename LeftOut>
std::vector<PageExport> PagesToDraw(const LoadedFile& loaded, LeftOut leftOut) {
    std::vector<PageExport> pages;
    ForEachMemoRead(loaded, [&](std::size_t position, const MemoEntry& entry,
                                const RecordLoadNotes& record) {
        if (PageIsDamaged(record)) {
            PrintError(loaded.path + ": memo " + std::to_string(position + 1) +
                       ": its page is damaged; " + leftOut(position));
            return;
        }
        PageExport& page = pages.emplace_back();
        page.position = position;
        page.entry = &entry;
    });
    return pages;
}

// A white page stands for a memo without a picture, as the programs show it.
void SayNoPicture(const LoadedFile& loaded, const PageExport& page, const std::string& shown) {
    PrintError(loaded.path + ": memo " + std::to_string(page.position + 1) +
               " has no picture; " + shown + " is a white page");
}

int ExportPngs(LoadedFile& loaded, const std::string& folder) {
    std::error_code made;
    std::filesystem::create_directories(folder, made);
    if (made) {
        PrintError("Could not make " + folder + ": " + made.message());
        return kExitFailure;
    }
    const auto name = [](std::size_t position) { return Format("memo-%04zu.png", position + 1); };
    std::vector<PageExport> jobs = PagesToDraw(
        loaded, [&](std::size_t position) { return name(position) + " is not written"; });
    for (PageExport& job : jobs) {
        job.target = (std::filesystem::path(folder) / name(job.position)).string();
    }
    WriteAll(jobs);
    bool written = true;
    for (const PageExport& job : jobs) {
        if (job.noPicture) SayNoPicture(loaded, job, job.target);
        if (!job.error.empty()) {
            PrintError(job.error);
        }
        written = written && job.written;
    }
    if (!written) {
        return kExitFailure;
    }
    return ReportProblems(loaded) ? kExitSuccess : kExitProblems;
}

// The creation time and, when the memo has one, the alarm time, as the
// programs show times.
std::vector<std::string> Caption(const MemoEntry& entry) {
    std::vector<std::string> lines(1);
    if (FormatTimeText(entry.created, "Created: %s", &lines.back()) == 0) {
        lines.back() = "Created: unknown";
    }
    std::string alarm;
    if (entry.alarmHandle != 0 && FormatTimeText(entry.alarmTime, "Alarm: %s", &alarm) != 0) {
        lines.push_back(alarm);
    }
    return lines;
}

int ExportPdf(LoadedFile& loaded, const std::string& target) {
    const std::vector<PageExport> pages = PagesToDraw(
        loaded, [&](std::size_t) { return "it is left out of " + target; });
    if (pages.empty()) {
        PrintError(loaded.path + ": no memo's page can be drawn; " + target + " is not written");
        ReportProblems(loaded);
        return kExitProblems;
    }
    std::string error;
    const std::unique_ptr<platform::PdfDocument> document = platform::StartPdf(target, error);
    if (document == nullptr) {
        PrintError(error);
        return kExitFailure;
    }
    for (const PageExport& page : pages) {
        bool noPicture = false;
        const std::unique_ptr<platform::PageBitmap> picture = ShownPage(page.entry->page, noPicture);
        if (picture == nullptr) {
            PrintError("Cannot write " + target + ": not enough memory");
            return kExitFailure;
        }
        if (noPicture) SayNoPicture(loaded, page, "its page in " + target);
        if (!document->AddPage(*picture, Caption(*page.entry))) {
            PrintError(document->LastError());
            return kExitFailure;
        }
    }
    if (!document->Finish()) {
        PrintError(document->LastError());
        return kExitFailure;
    }
    return ReportProblems(loaded) ? kExitSuccess : kExitProblems;
}

// "OUT.pdf", in any case, asks for the PDF.
bool NamesAPdf(const std::string& target) {
    constexpr std::string_view kSuffix = ".pdf";
    return target.size() >= kSuffix.size() &&
           std::equal(kSuffix.rbegin(), kSuffix.rend(), target.rbegin(), [](char a, char b) {
               return a == std::tolower(static_cast<unsigned char>(b));
           });
}

}  // namespace

int Export(const std::string& path, const std::string& target) {
    LoadedFile loaded(path);
    if (!Load(loaded)) {
        return kExitFailure;
    }
    return NamesAPdf(target) ? ExportPdf(loaded, target) : ExportPngs(loaded, target);
}

}  // namespace tavrin::file_tool
