// The main of a benchmark program: its command line read, the benchmarks it
// asks for run, and the files they wrote removed.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace tavrin {

// A folder of this run's own for the files the benchmarks write, made on
// first use.
inline const std::filesystem::path& BenchFolder() {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() / ("tavrin-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

inline int RunBenchmarks(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(BenchFolder());
    return 0;
}

}  // namespace tavrin
