// The main of a benchmark program that needs a Qt application: widgets and
// texts on the offscreen platform, so that no display is needed.
#pragma once

#include <QApplication>

#include "run_benchmarks.h"

namespace tavrin {

inline int RunQtBenchmarks(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RunBenchmarks(argc, argv);
}

}  // namespace tavrin
