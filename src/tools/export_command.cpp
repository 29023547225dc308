// tavrin-file export: every memo's page as a PNG file, written on all cores.
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "platform/image_file.h"
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

}  // namespace

int Export(const std::string& path, const std::string& folder) {
    LoadedFile loaded(path);
    if (!Load(loaded)) {
        return kExitFailure;
    }
    std::error_code made;
    std::filesystem::create_directories(folder, made);
    if (made) {
        PrintError("Could not make " + folder + ": " + made.message());
        return kExitFailure;
    }
    std::vector<PageExport> jobs;
    ForEachMemoRead(loaded, [&](std::size_t position, const MemoEntry& entry,
                                const RecordLoadNotes& record) {
        const std::string name = Format("memo-%04zu.png", position + 1);
        // A damaged page is never drawn: a picture of it would show little
        // but white, and a file of damaged headers asking for the largest
        // pages would make thousands of them. The problems below say why.
        if (PageIsDamaged(record)) {
            PrintError(path + ": memo " + std::to_string(position + 1) +
                       ": its page is damaged; " + name + " is not written");
            return;
        }
        PageExport& job = jobs.emplace_back();
        job.position = position;
        job.entry = &entry;
        job.target = (std::filesystem::path(folder) / name).string();
    });
    WriteAll(jobs);
    bool written = true;
    for (const PageExport& job : jobs) {
        if (job.noPicture) {
            // As the programs show it.
            PrintError(path + ": memo " + std::to_string(job.position + 1) + " has no picture; " +
                       job.target + " is a white page");
        }
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

}  // namespace tavrin::file_tool
