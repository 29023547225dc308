#include "canvas/memo_export.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>

#include "alarms/alarm_time.h"
#include "platform/image_file.h"
#include "platform/memory.h"
#include "store/page_image.h"

namespace tavrin {
namespace {

void Write(PngExport& page) {
    const std::unique_ptr<platform::PageBitmap> picture = ShownPage(page.entry->page, page.noPicture);
    if (picture == nullptr) {
        page.error = "Cannot write " + page.target + ": not enough memory";
        return;
    }
    page.written = platform::WritePng(page.target, *picture, PenPalette, page.error);
}

}  // namespace

std::vector<std::string> MemoCaption(const MemoEntry& entry) {
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

std::string PngName(std::size_t position) {
    char name[32];
    std::snprintf(name, sizeof name, "memo-%04zu.png", position + 1);
    return name;
}

std::vector<PngExport> MemosToWrite(const MemoList& list, std::size_t first, std::size_t last) {
    std::vector<PngExport> memos;
    std::size_t position = 0;
    for (const MemoEntry* memo = list.First(); memo != nullptr && position < last; memo = list.NextOf(memo)) {
        if (++position < first) continue;
        memos.push_back({.position = position - 1, .entry = memo});
    }
    return memos;
}

// The pages are independent: a pool as large as the machine's hardware
// threads takes them in turn.
void WritePngs(std::vector<PngExport>& pages) {
    platform::KeepFreedMemoryForReuse();
    const std::size_t threads =
        std::min<std::size_t>(std::max(1U, std::thread::hardware_concurrency()), pages.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < pages.size(); i = next++) {
            Write(pages[i]);
        }
    };
    std::vector<std::jthread> pool;
    for (std::size_t t = 1; t < threads; ++t) {
        pool.emplace_back(work);
    }
    work();
}

bool WriteSheets(platform::PagedDocument& document, std::vector<PngExport>& memos, std::string& error) {
    for (PngExport& memo : memos) {
        const std::unique_ptr<platform::PageBitmap> picture = ShownPage(memo.entry->page, memo.noPicture);
        if (picture == nullptr) {
            error = "Not enough memory to draw a memo's page";
            return false;
        }
        if (!document.AddPage(*picture, MemoCaption(*memo.entry))) {
            error = document.LastError();
            return false;
        }
    }
    if (!document.Finish()) {
        error = document.LastError();
        return false;
    }
    return true;
}

}  // namespace tavrin
