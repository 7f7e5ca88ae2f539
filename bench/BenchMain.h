#pragma once

#include <QApplication>
#include <benchmark/benchmark.h>

// Google Benchmark's main with a (headless) application around it, since the
// windows and the database connection need one.
#define KOBALAP_BENCHMARK_MAIN()                                        \
    int main(int argc, char** argv)                                     \
    {                                                                   \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))             \
            qputenv("QT_QPA_PLATFORM", "offscreen");                    \
        QApplication application(argc, argv);                           \
        benchmark::Initialize(&argc, argv);                             \
        benchmark::RunSpecifiedBenchmarks();                            \
        benchmark::Shutdown();                                          \
        return 0;                                                       \
    }
