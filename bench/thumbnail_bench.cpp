// tavrin-file thumbnail of a file of 65,535 memos (the most a file holds)
// whose current memo is the last, as a file manager runs it: its own process,
// 256 pixels. Goal: at most 100 ms. Beside it in the same run: the same
// command on the same memos with the first one current (what the process
// costs by itself), the thumbnail's reading and reduction in this process,
// and a full load of the file as the programs read it, which is what a
// thumbnail would cost without reading only up to the current memo.
// Wall-clock times; the files are in the page cache, as a folder a file
// manager shows soon is.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "handwriting.h"
#include "platform/byte_file.h"
#include "run_benchmarks.h"
#include "store/little_endian.h"
#include "store/memo_file.h"
#include "store/page_reduction.h"
#include "support/memory_file.h"

namespace tavrin {
namespace {

constexpr std::uint32_t kMemoCount = MemoList::kMaxCount;
// Distinct handwriting pages, taken in turn; the current memo has one of its own.
constexpr int kPages = 64;

// Each memo's bytes as saved: the 36-byte record, then the page block.
std::vector<std::vector<std::uint8_t>> MemoBytes() {
    testing::MemoryFile saved;
    bench::HandwritingList(kPages + 1).Save(saved);
    const std::vector<std::uint8_t>& bytes = saved.Bytes();
    std::vector<std::vector<std::uint8_t>> memos;
    for (std::size_t at = 4; at < bytes.size();) {
        const std::size_t length = MemoEntry::kRecordSize + 12 +
                                   GetU32(&bytes[at + MemoEntry::kRecordSize + 8]);
        memos.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                           bytes.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
    }
    return memos;
}

// 65,535 memos with memo `current` (0-based) current and its own page.
std::string WriteFile(const std::string& name, std::uint16_t current) {
    static const std::vector<std::vector<std::uint8_t>> memos = MemoBytes();
    const std::string path = (BenchFolder() / name).string();
    std::ofstream out(path, std::ios::binary);
    std::uint8_t header[4];
    PutU16(header, static_cast<std::uint16_t>(kMemoCount));
    PutU16(header + 2, current);
    out.write(kMemoFileMagic.data(), static_cast<std::streamsize>(kMemoFileMagic.size()));
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    for (std::uint32_t i = 0; i < kMemoCount; ++i) {
        const auto& memo = i == current ? memos.back() : memos[i % kPages];
        out.write(reinterpret_cast<const char*>(memo.data()),
                  static_cast<std::streamsize>(memo.size()));
    }
    return path;
}

const std::string& LastCurrentFile() {
    static const std::string path = WriteFile("last-current.dat", kMemoCount - 1);
    return path;
}

const std::string& FirstCurrentFile() {
    static const std::string path = WriteFile("first-current.dat", 0);
    return path;
}

void SetFileCounters(benchmark::State& state, const std::string& file) {
    state.counters["fileBytes"] = static_cast<double>(std::filesystem::file_size(file));
}

void RunThumbnailCommand(benchmark::State& state, const std::string& file) {
    const std::string png = (BenchFolder() / "thumbnail.png").string();
    for (auto _ : state) {
        if (!bench::RunsCleanly({TAVRIN_FILE_PROGRAM, "thumbnail", file, png, "256"})) {
            state.SkipWithError("tavrin-file thumbnail failed");
            break;
        }
    }
    SetFileCounters(state, file);
}

void ThumbnailCommand_LastOf65535(benchmark::State& state) {
    RunThumbnailCommand(state, LastCurrentFile());
}
BENCHMARK(ThumbnailCommand_LastOf65535)->Unit(benchmark::kMillisecond)->UseRealTime();

void ThumbnailCommand_FirstOf65535(benchmark::State& state) {
    RunThumbnailCommand(state, FirstCurrentFile());
}
BENCHMARK(ThumbnailCommand_FirstOf65535)->Unit(benchmark::kMillisecond)->UseRealTime();

// The command's own work without starting a process or writing the PNG.
void ThumbnailReading_LastOf65535(benchmark::State& state) {
    for (auto _ : state) {
        platform::OpenFailure failure{};
        std::string error;
        const auto file = platform::LocalFileSystem().OpenForReading(LastCurrentFile(), failure, error);
        MemoEntry memo(SYSTEMTIME{});
        if (file == nullptr || ReadCurrentMemo(*file, memo, error) != CurrentMemoOutcome::Read) {
            state.SkipWithError("could not read the current memo");
            break;
        }
        const auto page = memo.page.MakeSurface();
        benchmark::DoNotOptimize(ReducePage(*page, 256));
    }
    SetFileCounters(state, LastCurrentFile());
}
BENCHMARK(ThumbnailReading_LastOf65535)->Unit(benchmark::kMillisecond)->UseRealTime();

// What the programs do with the same file: every memo read and checked.
void FullLoad_Of65535(benchmark::State& state) {
    for (auto _ : state) {
        MemoList list;
        MemoFile file(platform::LocalFileSystem());
        if (file.Load(list, LastCurrentFile()).outcome != LoadOutcome::ReadWhole) {
            state.SkipWithError("the file did not load");
            break;
        }
    }
    SetFileCounters(state, LastCurrentFile());
}
BENCHMARK(FullLoad_Of65535)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tavrin

int main(int argc, char** argv) {
    return tavrin::RunBenchmarks(argc, argv);
}
