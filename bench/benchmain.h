#pragma once
// The common tail of the Google Benchmark programs: the widgets draw offscreen,
// and the benchmarks run with the usual command-line flags.

#include <QApplication>
#include <benchmark/benchmark.h>

inline int runBenchmarks(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// A main() for benchmarks that need nothing else set up.
#define SONAVEO_BENCHMARK_MAIN()                                                                   \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        qputenv("QT_QPA_PLATFORM", "offscreen");                                                   \
        QApplication app(argc, argv);                                                              \
        return runBenchmarks(argc, argv);                                                          \
    }
