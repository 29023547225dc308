// The main of a benchmark program: its command line read, the benchmarks it
// asks for run.
#pragma once

#include <benchmark/benchmark.h>

namespace tavrin {

inline int RunBenchmarks(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace tavrin
