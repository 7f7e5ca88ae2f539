// The race screen during a race on the real clock with the simulated track:
// how often the display is refreshed, and how long an event posted to the UI
// thread waits before it runs (the window's responsiveness). A Timed race of
// one minute by default; KOBALAP_BENCH_RACE_SECONDS shortens or lengthens it.
#include "BenchMain.h"
#include "RaceScreenRun.h"

#include "common/MaskFile.h"
#include "common/RaceClock.h"
#include "common/Settings.h"
#include "common/TrackIo.h"
#include "hardware/SimulatedTrack.h"
#include "timing/KWLPauseRace.h"
#include "timing/KWLStopLicht.h"
#include "timing/KWLTimer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void BM_RaceScreen(benchmark::State& state)
{
    double refreshesPerSecond = 0;
    double medianMs = 0;
    double maxMs = 0;
    for (auto _ : state) {
        TSettings settings;
        TSensorMasks masks;
        TSteadyPerfCounter counter;
        TSystemClock clock(counter);
        TSimulatedTrack track(clock, settings, masks, 1208);
        track.Open();
        TTrackIo io(track, settings, masks);
        TFKWLStopLicht lights;
        TFKWLPauseRace pause(settings);
        TKWL_Timer timer(clock, io, settings, QDir::tempPath());
        timer.SetRaceWindows(lights, pause);

        // The race starts with a divider of 100 polls per refresh and sets it
        // from the poll rate at the end of each second of racing, so the first
        // second refreshes far more often. The steady rate is taken from the
        // first such adjustment (the first caption with the read rate) to the
        // last refresh.
        int refreshes = 0;
        int refreshesAtFirstSecond = -1;
        qint64 firstSecondMs = -1;
        qint64 lastRefreshMs = -1;
        QString readRate;
        QElapsedTimer raceTime;
        QObject::connect(&timer, &TKWL_Timer::DisplayRefreshed, [&] {
            ++refreshes;
            lastRefreshMs = raceTime.elapsed();
            const QString title = timer.windowTitle();
            if (title.contains(QLatin1String("reads/sec"))) {
                readRate = title.section(QLatin1Char(' '), -1);
                if (refreshesAtFirstSecond < 0) {
                    refreshesAtFirstSecond = refreshes;
                    firstSecondMs = lastRefreshMs;
                }
            }
        });

        TUiLatencyProbe uiLatency(timer);
        RunTimedRaceOnScreen(
            timer, RaceSeconds(),
            [&] {
                raceTime.start();
                uiLatency.Start();
            },
            [&] { uiLatency.Stop(); });
        const double seconds = double(raceTime.elapsed()) / 1000.0;

        std::vector<double>& latenciesMs = uiLatency.LatenciesMs();
        std::sort(latenciesMs.begin(), latenciesMs.end());
        const double steadySpan = double(lastRefreshMs - firstSecondMs) / 1000.0;
        refreshesPerSecond = steadySpan > 0 ? (refreshes - refreshesAtFirstSecond) / steadySpan : 0;
        medianMs = latenciesMs.empty() ? 0 : latenciesMs[latenciesMs.size() / 2];
        maxMs = latenciesMs.empty() ? 0 : latenciesMs.back();
        std::printf(
            "race screen: %.1f s from Start to the end; %d refreshes, %d of them in the first second of racing; "
            "after it %.1f refreshes per second (last read rate %s/s); UI event latency over %zu events: "
            "median %.3f ms, max %.3f ms\n",
            seconds, refreshes, refreshesAtFirstSecond, refreshesPerSecond, qPrintable(readRate), latenciesMs.size(),
            medianMs, maxMs);
    }
    state.counters["refreshes_per_s"] = refreshesPerSecond;
    state.counters["latency_median_ms"] = medianMs;
    state.counters["latency_max_ms"] = maxMs;
}
BENCHMARK(BM_RaceScreen)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

KOBALAP_BENCHMARK_MAIN();
