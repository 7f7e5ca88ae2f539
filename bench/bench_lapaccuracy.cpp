// How exactly the race loop times a lap on the real clock: one simulated car
// on 50 ms laps (the simulator knows each crossing to the microsecond),
// 1000 timed laps, while a second thread keeps the other core busy. Prints the
// largest and the 99.9th-percentile difference between the lap the engine
// stored and the car's true lap. Laps are stored in whole milliseconds, so
// rounding alone accounts for up to 1 ms.
#include "BenchMain.h"
#include "RaceRig.h"

#include "common/LapValue.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

namespace {
constexpr int MeasuredLaps = 1000;

void BM_LapAccuracy(benchmark::State& state)
{
    double maxError = 0;
    double p999 = 0;
    double meanError = 0;
    int64_t missed = 0;
    int64_t overOneMs = 0;
    for (auto _ : state) {
        TRaceRig rig(ShortLapConfig({50'000, 50'000, 50'000, 50'000}, 10'000), 1);
        rig.settings.BounceDelayMs = 30;

        // Lap 1 runs from green, so a race of 1002 laps has laps 2..1001 to
        // compare; the last lap's crossing is seen at the read after it.
        const int raceLaps = MeasuredLaps + 2;
        std::vector<int64_t> crossingUs(size_t(raceLaps) * 2 + 16, TSimulatedTrack::NoCrossing);
        std::vector<int64_t> crossingOfLap(size_t(raceLaps) + 2, 0);
        int64_t seenCrossings = 0;
        int32_t seenLaps = 0;
        const TTrackState& trackOne = (*rig.tracks)[0];
        TSimulatedTrack& sim = *rig.track;
        rig.port->Watcher = [&] {
            // A lap counted since the last read belongs to the crossings seen
            // up to that read.
            const int32_t laps = LapsOf(trackOne.Laps);
            for (int32_t lap = seenLaps + 1; lap <= laps && lap < int32_t(crossingOfLap.size()); ++lap)
                crossingOfLap[size_t(lap)] = seenCrossings;
            seenLaps = std::max(seenLaps, laps);
            const int64_t crossings = sim.Crossings(1);
            if (crossings != seenCrossings && crossings < int64_t(crossingUs.size()))
                crossingUs[size_t(crossings)] = sim.LastCrossingUs(1);
            seenCrossings = crossings;
        };

        std::atomic<bool> spinning{true};
        std::thread spinner([&spinning] {
            volatile uint64_t work = 0;
            while (spinning.load(std::memory_order_relaxed))
                work = work + 1;
        });
        rig.Run(TRaceKind::Lap, raceLaps);
        spinning.store(false);
        spinner.join();

        std::vector<double> errors;
        missed = 0;
        for (int lap = 2; lap <= MeasuredLaps + 1; ++lap) {
            const int64_t from = crossingOfLap[size_t(lap - 1)];
            const int64_t to = crossingOfLap[size_t(lap)];
            missed += std::max<int64_t>(to - from - 1, 0);
            const int64_t fromUs = crossingUs[size_t(from)];
            const int64_t toUs = crossingUs[size_t(to)];
            if (fromUs == TSimulatedTrack::NoCrossing || toUs == TSimulatedTrack::NoCrossing)
                continue;
            const double trueMs = double(toUs - fromUs) / 1000.0;
            errors.push_back(std::fabs(double(trackOne.LapTimes[size_t(lap)]) - trueMs));
        }
        std::sort(errors.begin(), errors.end());
        if (errors.empty()) {
            state.SkipWithError("no lap to compare");
            return;
        }
        maxError = errors.back();
        p999 = errors[size_t(std::ceil(0.999 * double(errors.size()))) - 1];
        double sum = 0;
        overOneMs = 0;
        for (double error : errors) {
            sum += error;
            overOneMs += error > 1.0;
        }
        meanError = sum / double(errors.size());
        state.counters["laps"] = double(errors.size());
    }
    state.counters["max_ms"] = maxError;
    state.counters["p99.9_ms"] = p999;
    state.counters["mean_ms"] = meanError;
    state.counters["laps_over_1ms"] = double(overOneMs);
    state.counters["missed_passes"] = double(missed);
    std::printf("lap accuracy over %d laps: max %.3f ms, 99.9th percentile %.3f ms, mean %.3f ms, %lld over 1 ms, "
                "%lld passes missed\n",
                MeasuredLaps, maxError, p999, meanError, (long long)overOneMs, (long long)missed);
}
}  // namespace

BENCHMARK(BM_LapAccuracy)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

KOBALAP_BENCHMARK_MAIN()
