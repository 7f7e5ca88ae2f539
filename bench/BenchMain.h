#pragma once

#include "common/RaceClock.h"

#include <QApplication>
#include <benchmark/benchmark.h>

// A performance counter that answers at once: the start-up clock check's
// 100 ms sleep is not waited for.
class TInstantCounter final : public TPerfCounter {
public:
    int64_t Frequency() const override { return 1'000'000; }
    int64_t Counter() const override { return ++m_count; }
    uint32_t TickCountMs() const override { return 0; }
    void SleepMs(int64_t) const override {}

private:
    mutable int64_t m_count = 0;
};

// Google Benchmark's main with a (headless) application around it, since the
// windows and the database connection need one.
#define KOBALAP_BENCHMARK_MAIN()                            \
    int main(int argc, char** argv)                         \
    {                                                       \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) \
            qputenv("QT_QPA_PLATFORM", "offscreen");        \
        QApplication application(argc, argv);               \
        benchmark::Initialize(&argc, argv);                 \
        benchmark::RunSpecifiedBenchmarks();                \
        benchmark::Shutdown();                              \
        return 0;                                           \
    }
