// TavrinView's start: from the start of its process to its first paint, with
// a file of 4 memos and with files of 1,000 and 4,000 memos (each page
// different), side by side in one run, with the process's peak memory. Goal:
// 4,000 memos start within 1.3 times the start with 4. Each start is a new
// process running what the viewer's main runs (this program again, told to
// show one file), which tells the moment of its first paint on a pipe and
// ends; the time is from before the process is made to that moment. The
// window's creation to its first paint, in a process whose Qt application is
// already made, is measured too.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

#include "handwriting.h"
#include "store/memo_file.h"
#include "viewer/qt/viewer_window.h"
#include "qt_benchmarks.h"

extern char** environ;

namespace tavrin {
namespace {

constexpr std::string_view kShowOnce = "--show-once";

// A memo file of `count` handwritten memos, written once into the folder.
const std::string& MemoFileOf(int count) {
    static std::map<int, std::string> paths;
    std::string& path = paths[count];
    if (path.empty()) {
        path = (BenchFolder() / ("memo-" + std::to_string(count) + ".dat")).string();
        MemoFile(platform::LocalFileSystem()).Save(*bench::MakeHandwritingList(count), path);
    }
    return path;
}

class FirstPaint : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return false;
    }
};

void ShowUntilFirstPaint(viewer::ViewerWindow& window) {
    FirstPaint watcher;
    window.Client().installEventFilter(&watcher);
    window.show();
    while (!watcher.painted) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The viewer's start, as its main does it, until the first paint, whose
// moment goes to standard output.
int ShowOnce(int argc, char** argv) {
    const auto load = viewer::StartReading(argc - 1, argv + 1);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    viewer::ViewerWindow window(std::move(*load));
    ShowUntilFirstPaint(window);
    const std::int64_t painted = NowNs();
    const bool told = ::write(STDOUT_FILENO, &painted, sizeof painted) == sizeof painted;
    std::_Exit(told ? 0 : 1);
}

void ProcessStartToFirstPaint(benchmark::State& state) {
    const std::string& path = MemoFileOf(static_cast<int>(state.range(0)));
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string flag(kShowOnce);
    char* arguments[] = {self.data(), flag.data(), const_cast<char*>(path.c_str()), nullptr};
    long peakKilobytes = 0;
    for (auto _ : state) {
        int channel[2];
        posix_spawn_file_actions_t actions;
        if (::pipe(channel) != 0 || posix_spawn_file_actions_init(&actions) != 0) {
            state.SkipWithError("no pipe for the viewer");
            break;
        }
        posix_spawn_file_actions_adddup2(&actions, channel[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, channel[0]);
        const std::int64_t started = NowNs();
        pid_t child = 0;
        const int spawned = ::posix_spawn(&child, self.c_str(), &actions, nullptr, arguments, environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(channel[1]);
        std::int64_t painted = 0;
        const bool told = spawned == 0 && ::read(channel[0], &painted, sizeof painted) == sizeof painted;
        ::close(channel[0]);
        int status = 0;
        rusage usage{};
        if (spawned == 0) ::wait4(child, &status, 0, &usage);
        if (!told || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the viewer did not start and paint");
            break;
        }
        state.SetIterationTime(static_cast<double>(painted - started) / 1e9);
        peakKilobytes = std::max(peakKilobytes, usage.ru_maxrss);
    }
    state.counters["peakMemoryMB"] = static_cast<double>(peakKilobytes) / 1024.0;
}
BENCHMARK(ProcessStartToFirstPaint)
    ->Arg(4)
    ->Arg(1000)
    ->Arg(4000)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

void WindowToFirstPaint(benchmark::State& state) {
    const std::string& path = MemoFileOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        viewer::ViewerWindow window(path);
        ShowUntilFirstPaint(window);
    }
}
BENCHMARK(WindowToFirstPaint)->Arg(4)->Arg(4000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavrin

int main(int argc, char** argv) {
    if (argc == 3 && argv[1] == tavrin::kShowOnce) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return tavrin::ShowOnce(argc, argv);
    }
    return tavrin::RunQtBenchmarks(argc, argv);
}
