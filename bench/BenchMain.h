#pragma once

// The main() of the benchmark programs: they run on the heap the programs themselves run on.
#include "platform/HugePageHeap.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

inline int runBenchmarks(int argc, char** argv) {
    restartWithHugePageHeap(argv);
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::AddCustomContext("heap_on_huge_pages", heapOnHugePages() ? "yes" : "no");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

#define QP_BENCHMARK_MAIN()                                                                                  \
    int main(int argc, char** argv) {                                                                        \
        return runBenchmarks(argc, argv);                                                                    \
    }
