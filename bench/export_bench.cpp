// tavrin-file export of 1,000 memos (each page different), side by side in
// one run: the command as it is now (its own process: 4-bit indexed PNGs
// written on all cores) and the export as it was before, in this process
// (every page as 32-bit pixels, written one after another by Qt's PNG
// writer). Goal: at most a fifth of the earlier time. And the same file as
// one PDF (the command, its own process), against the PNG export: goal at
// most twice its time. Wall-clock times.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QImageWriter>
#include <QSaveFile>

#include <filesystem>
#include <string>
#include <vector>

#include "child_process.h"
#include "handwriting.h"
#include "run_benchmarks.h"
#include "store/memo_file.h"

namespace tavrin {
namespace {

constexpr int kMemoCount = 1000;

const std::string& MemoFilePath() {
    static const std::string path = [] {
        const std::string file = (BenchFolder() / "memo.dat").string();
        MemoFile(platform::LocalFileSystem()).Save(*bench::MakeHandwritingList(kMemoCount), file);
        return file;
    }();
    return path;
}

void RunExport(benchmark::State& state, const std::string& out) {
    // Made before the clock runs: the first benchmark would time it too.
    const std::string& file = MemoFilePath();
    for (auto _ : state) {
        if (!bench::RunsCleanly({TAVRIN_FILE_PROGRAM, "export", file, out})) {
            state.SkipWithError("tavrin-file export failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kMemoCount);
}

void ExportCommand(benchmark::State& state) { RunExport(state, (BenchFolder() / "now").string()); }
BENCHMARK(ExportCommand)->Unit(benchmark::kMillisecond)->UseRealTime();

void ExportCommand_Pdf(benchmark::State& state) {
    RunExport(state, (BenchFolder() / "memos.pdf").string());
}
BENCHMARK(ExportCommand_Pdf)->Unit(benchmark::kMillisecond)->UseRealTime();

// The export as it was: the file loaded, then each page looked up pixel by
// pixel into 32-bit colors and written by Qt, one page after another.
void ExportCommand_Before(benchmark::State& state) {
    const std::filesystem::path out = BenchFolder() / "before";
    std::filesystem::create_directories(out);
    for (auto _ : state) {
        MemoList list;
        MemoFile(platform::LocalFileSystem()).Load(list, MemoFilePath());
        int position = 0;
        for (const MemoEntry* entry = list.First(); entry != nullptr; entry = list.NextOf(entry)) {
            const auto page = entry->page.MakeSurface();
            std::vector<std::uint32_t> pixels;
            pixels.reserve(static_cast<std::size_t>(kPageWidth) * kPageHeight);
            for (std::int32_t y = 0; y < page->Height(); ++y) {
                for (std::int32_t x = 0; x < page->Width(); ++x) {
                    const platform::RgbQuad& color = PenPalette[IndexAt(*page, x, y)];
                    pixels.push_back(static_cast<std::uint32_t>(color.red) << 16 |
                                     static_cast<std::uint32_t>(color.green) << 8 | color.blue);
                }
            }
            const QImage image(reinterpret_cast<const uchar*>(pixels.data()), page->Width(),
                               page->Height(), static_cast<qsizetype>(page->Width()) * 4,
                               QImage::Format_RGB32);
            QSaveFile file(QString::fromStdString(
                (out / ("memo-" + std::to_string(++position) + ".png")).string()));
            if (!file.open(QIODevice::WriteOnly) || !QImageWriter(&file, "png").write(image) ||
                !file.commit()) {
                state.SkipWithError("could not write a page");
                return;
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * kMemoCount);
}
BENCHMARK(ExportCommand_Before)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tavrin

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return tavrin::RunBenchmarks(argc, argv);
}
