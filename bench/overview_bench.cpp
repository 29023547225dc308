// The overview of every memo on the offscreen platform. Opening it over a
// 4,000-memo file, to the first paint with every cell on screen showing its
// thumbnail (goal: at most 100 ms), beside the first paint of the notepad's
// own window over the same file. Scrolling it over 65,535 memos (goal: no
// frame over 16 ms) by the wheel, by pages and by jumps of the scroll bar,
// a frame being one paint of the grid (with the paints that follow at once
// to finish a screenful), beside the same frames with every thumbnail made
// already: the drawing alone. The pages are 64 handwritten ones in turn, each
// memo holding its own copy (from the file) or sharing one (in memory): each
// memo's thumbnail is unpacked and reduced on its own either way.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "handheld/qt/notepad_window.h"
#include "handwriting.h"
#include "overview/qt/overview_dialog.h"
#include "qt_benchmarks.h"
#include "store/memo_file.h"
#include "support/recording_notifications.h"

namespace tavrin {
namespace {

constexpr int kDistinctPages = 64;

// `count` memos, the 64 handwritten pages in turn, every tenth with an alarm.
std::unique_ptr<MemoList> ManyMemos(int count) {
    const MemoList& pages = bench::HandwritingList(kDistinctPages);
    std::vector<const MemoEntry*> distinct;
    for (const MemoEntry* memo = pages.First(); memo != nullptr; memo = pages.NextOf(memo)) distinct.push_back(memo);
    auto list = std::make_unique<MemoList>();
    for (int i = 0; i < count; ++i) {
        MemoEntry& memo = i == 0 ? *list->First() : *list->Append();
        memo.page.ShareFrom(distinct[static_cast<std::size_t>(i % kDistinctPages)]->page);
        memo.created = {2024, 3, 1, static_cast<std::uint16_t>(1 + i / 1440 % 28), static_cast<std::uint16_t>(i / 60 % 24),
                        static_cast<std::uint16_t>(i % 60), 0, 0};
        if (i % 10 == 0) memo.SetAlarm(static_cast<std::uint32_t>(i + 1), SYSTEMTIME{2030, 1, 2, 1, 8, 0, 0, 0});
    }
    list->Rewind();
    return list;
}

const std::string& FileOf4000Memos() {
    static const std::string path = [] {
        const std::string file = (BenchFolder() / "memo.dat").string();
        MemoFile(platform::LocalFileSystem()).Save(*ManyMemos(4000), file);
        return file;
    }();
    return path;
}

// Runs the event loop until `done` after a paint of `widget`.
void UntilPainted(QWidget& widget, const std::function<bool()>& done) {
    PaintCounter paints;
    widget.installEventFilter(&paints);
    while (paints.count == 0 || !done()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    widget.removeEventFilter(&paints);
}

// Argument 0: the notepad's window over the 4,000-memo file, from showing
// it to its first paint (its load is not timed). Argument 1: the overview
// over the same window's memos, from its making to the first paint whose
// cells all show their thumbnails.
void OverviewFirstPaint(benchmark::State& state) {
    const bool overview = state.range(0) != 0;
    testing::RecordingNotifications service;
    std::size_t cells = 0;
    for (auto _ : state) {
        state.PauseTiming();
        handheld::NotepadWindow window(
            {.programPath = "/opt/tavrin/bin/tavrin", .dataPath = FileOf4000Memos(), .notifications = service});
        if (overview) {
            window.show();
            if (!QTest::qWaitForWindowExposed(&window)) return state.SkipWithError("the window was not shown");
        }
        state.ResumeTiming();
        if (overview) {
            overview::OverviewDialog dialog(window.Core().Canvas().List(), &window);
            dialog.show();
            UntilPainted(*dialog.Grid().viewport(), [&] { return dialog.Grid().ThumbnailsToMake() == 0; });
            state.PauseTiming();
            cells = dialog.Grid().Thumbnails().Count();
            state.ResumeTiming();
        } else {
            window.show();
            UntilPainted(window.Page(), [] { return true; });
        }
    }
    state.counters["memos"] = 4000;
    state.counters["thumbnails"] = static_cast<double>(cells);
}
BENCHMARK(OverviewFirstPaint)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

enum Scroll { Wheel, Pages, Jumps, JumpsDrawnOnly };

// Where each frame scrolls to: a wheel's notch (a third of a row), a page,
// or a jump of the scroll bar anywhere.
int NextTop(Scroll scroll, int top, const QScrollBar& bar, std::mt19937& random) {
    switch (scroll) {
        case Wheel: return top + bar.singleStep() * 4 / 3 > bar.maximum() ? 0 : top + bar.singleStep() * 4 / 3;
        case Pages: return top + bar.pageStep() > bar.maximum() ? 0 : top + bar.pageStep();
        case Jumps:
        case JumpsDrawnOnly: return std::uniform_int_distribution<int>(0, bar.maximum())(random);
    }
    return 0;
}

double Percentile(std::vector<double> samples, int percent) {
    if (samples.empty()) return 0;
    const auto rank = samples.begin() + static_cast<std::ptrdiff_t>((samples.size() - 1) * static_cast<std::size_t>(percent) / 100);
    std::nth_element(samples.begin(), rank, samples.end());
    return *rank;
}

void OverviewScroll(benchmark::State& state) {
    const auto scroll = static_cast<Scroll>(state.range(0));
    static const std::unique_ptr<MemoList> memos = ManyMemos(MemoList::kMaxCount);
    overview::OverviewDialog dialog(*memos, nullptr);
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) return state.SkipWithError("the overview was not shown");
    overview::OverviewGrid& grid = dialog.Grid();
    QScrollBar& bar = *grid.verticalScrollBar();
    std::mt19937 random(7);
    std::vector<double> frames;
    int top = 0;
    const auto paint = [&] {
        const auto start = std::chrono::steady_clock::now();
        grid.viewport()->repaint();
        frames.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    };
    for (auto _ : state) {
        top = NextTop(scroll, top, bar, random);
        if (scroll == JumpsDrawnOnly) {
            state.PauseTiming();
            bar.setValue(top);
            do grid.viewport()->repaint();
            while (grid.ThumbnailsToMake() > 0);
            state.ResumeTiming();
            paint();
        } else {
            bar.setValue(top);
            do paint();
            while (grid.ThumbnailsToMake() > 0);
        }
        state.PauseTiming();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["frames"] = static_cast<double>(frames.size());
    state.counters["maxFrameMs"] = frames.empty() ? 0 : *std::max_element(frames.begin(), frames.end());
    state.counters["p99FrameMs"] = Percentile(frames, 99);
    state.counters["cacheMB"] = static_cast<double>(grid.Thumbnails().Bytes()) / (1 << 20);
}
BENCHMARK(OverviewScroll)->ArgName("wheel0_pages1_jumps2_drawnOnly3")->DenseRange(Wheel, JumpsDrawnOnly)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavrin

int main(int argc, char** argv) {
    return tavrin::RunQtBenchmarks(argc, argv);
}
