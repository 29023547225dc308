// The main of a benchmark program that needs a Qt application: widgets and
// texts on the offscreen platform, so that no display is needed.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QObject>

#include "run_benchmarks.h"

namespace tavrin {

// Counts the paints of the widgets it filters the events of.
class PaintCounter : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
};

inline int RunQtBenchmarks(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RunBenchmarks(argc, argv);
}

}  // namespace tavrin
