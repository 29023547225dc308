// The main of a benchmark program that needs a Qt application: widgets and
// texts on the offscreen platform, so that no display is needed.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>

namespace tavrin {

inline int RunQtBenchmarks(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace tavrin
