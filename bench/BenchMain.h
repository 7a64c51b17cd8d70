#pragma once

// The main() of the benchmark programs: they run on the heap the programs themselves run on.
// Programs that paint take a GUI application (QGuiApplication or QApplication), offscreen unless
// a platform is chosen.
#include "platform/HugePageHeap.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <type_traits>

template <typename Application = QCoreApplication> int runBenchmarks(int argc, char** argv) {
    restartWithHugePageHeap(argv);
    if (!std::is_same_v<Application, QCoreApplication> && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv);
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
