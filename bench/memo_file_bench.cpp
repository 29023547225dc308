// Reading and writing a memo data file of 1,000 memos of typical handwriting,
// each page different: the whole file through MemoFile on disk (the save syncs
// the file and its folder), and the list part alone in memory, which shows the
// store's own cost. The notepad saves before every page move, so a save must
// stay well below the time a user notices.
//
// A save after a load with one page changed is measured beside the save as it
// was, which unpacked and packed every page again with the earlier codec
// (reference::): goal, at most a quarter of its time.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/drawing.h"
#include "store/memo_file.h"
#include "store/memo_list.h"
#include "store/little_endian.h"
#include "support/memory_file.h"
#include "support/reference_run_length.h"
#include "handwriting.h"

namespace tavrin {
namespace {

constexpr int kMemoCount = 1000;

const MemoList& HandwritingList() { return bench::HandwritingList(kMemoCount); }

std::vector<std::uint8_t> ListBytes() {
    testing::MemoryFile file;
    HandwritingList().Save(file);
    return file.Bytes();
}

class DiskFile {
public:
    DiskFile()
        : folder_(std::filesystem::temp_directory_path() /
                  ("tavrin-memo-file-bench-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(folder_);
    }
    ~DiskFile() { std::filesystem::remove_all(folder_); }
    std::string Path() const { return (folder_ / "memo.dat").string(); }

private:
    std::filesystem::path folder_;
};

void SetCounters(benchmark::State& state, std::size_t bytes) {
    state.SetItemsProcessed(state.iterations() * kMemoCount);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
    state.counters["fileBytes"] = static_cast<double>(bytes);
}

// A file that only counts what is written, so that the save's figure is the
// store's own work (packing and encoding), not a growing buffer's.
class CountingFile final : public platform::ByteFile {
public:
    bool Read(void*, std::size_t) override { return false; }
    bool Write(const void* data, std::size_t length) override {
        benchmark::DoNotOptimize(data);
        written_ += length;
        return true;
    }
    std::uint64_t Remaining() const override { return 0; }
    bool Sync() override { return true; }
    bool Close() override { return true; }
    const std::string& LastError() const override { return error_; }
    std::size_t Written() const { return written_; }

private:
    std::size_t written_ = 0;
    std::string error_;
};

void BM_SaveListToMemory(benchmark::State& state) {
    const MemoList& list = HandwritingList();
    std::size_t bytes = 0;
    for (auto _ : state) {
        CountingFile file;
        benchmark::DoNotOptimize(list.Save(file));
        bytes = file.Written();
    }
    SetCounters(state, bytes);
}

// The notepad's save after a page move on a list read from its file: the
// page shown is stored (drawn anew, so packed), then the whole list written.
// The first save after the load checks once that each page read is as the
// packer writes it; later saves don't. Both are measured (the load, outside
// the timing, is made again for each first save).
void SaveLoadedListOneChanged(benchmark::State& state, bool firstSave) {
    const std::vector<std::uint8_t> bytes = ListBytes();
    auto list = std::make_unique<MemoList>();
    const auto load = [&] {
        list = std::make_unique<MemoList>();
        testing::MemoryFile stored(bytes);
        list->Load(stored);
    };
    load();
    const auto drawn = bench::HandwritingList(kMemoCount + 1).Last()->page.MakeSurface();
    const auto context = platform::GetScreenContext()->CreateCompatibleContext();
    const auto bitmap = context->CreateCompatibleBitmap(kPageWidth, kPageHeight);
    platform::Bitmap* previous = context->SelectBitmap(bitmap.get());
    context->DrawPage({0, 0, kPageWidth, kPageHeight}, *drawn);
    std::size_t written = 0;
    for (auto _ : state) {
        if (firstSave) {
            state.PauseTiming();
            load();
            state.ResumeTiming();
        }
        list->Current()->page.Capture(*context, 0, 0, kPageWidth, kPageHeight);
        CountingFile file;
        benchmark::DoNotOptimize(list->Save(file));
        written = file.Written();
    }
    context->SelectBitmap(previous);
    SetCounters(state, written);
}

// The earlier save of the same loaded list: every memo's record, then its page
// unpacked and packed again by the reference codec, then the header and data.
void BM_SaveLoadedListPackingEveryPage_Before(benchmark::State& state) {
    const std::vector<std::uint8_t> stored = ListBytes();
    std::size_t bytes = 0;
    for (auto _ : state) {
        CountingFile file;
        file.Write(stored.data(), 4);
        for (std::size_t at = 4; at < stored.size();) {
            const std::uint8_t* record = stored.data() + at;
            const std::uint8_t* header = record + MemoEntry::kRecordSize;
            const std::uint32_t length = GetU32(header + 8);
            const auto pageBytes = static_cast<std::size_t>(
                RowStride(GetU16(header + 4), 4) * GetU16(header + 6));
            ByteBuffer pixels;
            ByteBuffer packed;
            pixels.Allocate(pageBytes);
            reference::UnpackRunsInto({header + 12, length}, {pixels.Data(), pageBytes});
            const std::size_t packedLength =
                reference::PackRuns({pixels.Data(), pageBytes}, packed).value_or(0);
            std::uint8_t newHeader[12];
            std::memcpy(newHeader, header, 8);
            PutU32(newHeader + 8, static_cast<std::uint32_t>(packedLength));
            file.Write(record, MemoEntry::kRecordSize);
            file.Write(newHeader, sizeof newHeader);
            file.Write(packed.Data(), packedLength);
            at += MemoEntry::kRecordSize + 12 + length;
        }
        bytes = file.Written();
    }
    SetCounters(state, bytes);
}

void BM_LoadListFromMemory(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = ListBytes();
    for (auto _ : state) {
        testing::MemoryFile file(bytes);
        MemoList list;
        benchmark::DoNotOptimize(list.Load(file));
    }
    SetCounters(state, bytes.size());
}

void BM_SaveFileToDisk(benchmark::State& state) {
    MemoList list;
    list.CopyOf(HandwritingList());
    DiskFile disk;
    MemoFile file(platform::LocalFileSystem());
    for (auto _ : state) {
        if (file.Save(list, disk.Path()) == 0) {
            state.SkipWithError(file.LastError().c_str());
            break;
        }
    }
    SetCounters(state, std::filesystem::file_size(disk.Path()));
}

void BM_LoadFileFromDisk(benchmark::State& state) {
    DiskFile disk;
    MemoFile file(platform::LocalFileSystem());
    MemoList list;
    list.CopyOf(HandwritingList());
    if (file.Save(list, disk.Path()) == 0) {
        state.SkipWithError(file.LastError().c_str());
        return;
    }
    for (auto _ : state) {
        MemoList loaded;
        if (file.Load(loaded, disk.Path()).outcome != LoadOutcome::ReadWhole) {
            state.SkipWithError(file.LastError().c_str());
            break;
        }
    }
    SetCounters(state, std::filesystem::file_size(disk.Path()));
}

BENCHMARK(BM_SaveListToMemory)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SaveLoadedListOneChanged, FirstSave, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SaveLoadedListOneChanged, LaterSave, false)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveLoadedListPackingEveryPage_Before)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadListFromMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveFileToDisk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadFileFromDisk)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavrin

BENCHMARK_MAIN();
