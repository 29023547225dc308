// TavrinView's start on a 1,000-memo file: from the window's creation (which
// loads and decodes every memo) to its first paint, and the process's peak
// memory. Goal: under 150 ms and under 100 MB. The Qt application itself is
// made once before the benchmark and timed on its own.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>

#include <filesystem>
#include <fstream>
#include <string>

#include "handwriting.h"
#include "store/memo_file.h"
#include "viewer/qt/viewer_window.h"

namespace tavrin {
namespace {

double applicationStartMs = 0;

// The memo file, written once into a folder of its own.
const std::string& ThousandMemoFile() {
    static const std::string path = [] {
        const auto folder = std::filesystem::temp_directory_path() /
                            ("tavrin-viewer-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        const std::string file = (folder / "memo.dat").string();
        MemoFile(platform::LocalFileSystem())
            .Save(*bench::MakeHandwritingList(1000), file);
        return file;
    }();
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

// The process's peak resident memory so far, in MB.
double PeakMemoryMB() {
    std::ifstream status("/proc/self/status");
    std::string field;
    double kilobytes = 0;
    while (status >> field) {
        if (field == "VmHWM:") status >> kilobytes;
    }
    return kilobytes / 1024.0;
}

void OpenToFirstPaint(benchmark::State& state) {
    const std::string& path = ThousandMemoFile();
    // Writing the file is not the viewer's work: its peak is forgotten.
    std::ofstream("/proc/self/clear_refs") << "5";
    for (auto _ : state) {
        viewer::ViewerWindow window(path);
        FirstPaint watcher;
        window.Page().installEventFilter(&watcher);
        window.show();
        while (!watcher.painted) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    state.counters["peakMemoryMB"] = PeakMemoryMB();
    state.counters["applicationStartMs"] = applicationStartMs;
}
BENCHMARK(OpenToFirstPaint)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavrin

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    tavrin::applicationStartMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(std::filesystem::path(tavrin::ThousandMemoFile()).parent_path());
    return 0;
}
