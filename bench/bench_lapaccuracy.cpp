// How exactly the race loop times a lap on the real clock while the machine
// is busy: four simulated cars on laps of 25..28 ms (the simulator knows each
// crossing to the microsecond), a race of 400 laps, while two more threads
// spin, so there is more work than cores. Run with the timing thread under
// real-time scheduling (if the system grants it), then the same with the loop
// giving its core away for a moment every millisecond, and then under normal
// scheduling. The first two differ by the kernel's real-time limit: by default
// real-time threads get 950 ms of each second, so a loop that never sleeps is
// stopped for some 50 ms once a second. Prints the largest, the
// 99.9th-percentile and the mean difference between the lap the engine stored
// and the car's true lap. Laps are stored in whole milliseconds, so rounding
// alone accounts for up to 1 ms.
#include "BenchMain.h"
#include "RaceRig.h"

#include "common/LapValue.h"
#include "timing/RealTimeScheduling.h"

#include <QFile>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
constexpr int RaceLaps = 400;
constexpr int BusyThreads = 2;
constexpr int Cars = TSimulatedTrack::CarCount;
constexpr int64_t PulseUs = 8'000;

struct TAccuracy {
    TTimingScheduling scheduling;
    double maxError = 0;
    double p999 = 0;
    double meanError = 0;
    int64_t laps = 0;
    int64_t overOneMs = 0;
    int64_t missed = 0;
    double longestPollGapMs = 0;
    int64_t pollGapsOverPulse = 0;
};

enum class TLoad { RealTime, RealTimeWithBreather, Normal };

const char* Describe(TLoad load)
{
    switch (load) {
    case TLoad::RealTime: return "real-time asked for, busy loop";
    case TLoad::RealTimeWithBreather: return "real-time asked for, loop pauses 0.1 ms each ms";
    case TLoad::Normal: break;
    }
    return "real-time not asked for";
}

// The longest time between two port reads, and how often the loop stood
// still long enough to miss a car's pulse.
struct TPollGaps {
    using TClock = std::chrono::steady_clock;
    TClock::time_point last{};
    double longestMs = 0;
    int64_t overPulse = 0;

    void Note(double pulseMs)
    {
        const TClock::time_point now = TClock::now();
        const double gapMs =
            last == TClock::time_point{} ? 0.0 : std::chrono::duration<double, std::milli>(now - last).count();
        last = now;
        longestMs = std::max(longestMs, gapMs);
        overPulse += gapMs > pulseMs;
    }
};

TAccuracy RunBusyRace(TLoad load)
{
    TRaceRig rig(ShortLapConfig({25'000, 26'000, 27'000, 28'000}, PulseUs), Cars);
    rig.settings.BounceDelayMs = 15;

    std::vector<TCrossingLog> watches(Cars, TCrossingLog(RaceLaps));
    TSimulatedTrack& sim = *rig.track;
    TTimingBreather breather(load == TLoad::RealTimeWithBreather);
    TPollGaps gaps;
    rig.port->Watcher = [&] {
        // From car 1's first lap on: before, the start lights keep the loop
        // waiting on purpose.
        if (LapsOf((*rig.tracks)[0].Laps) >= 1)
            gaps.Note(PulseUs / 1000.0);
        for (int car = 1; car <= Cars; ++car)
            watches[size_t(car - 1)].Watch((*rig.tracks)[size_t(car - 1)], sim, car);
        breather.Breathe();
    };

    std::atomic<bool> spinning{true};
    std::vector<std::thread> spinners;
    for (int n = 0; n < BusyThreads; ++n)
        spinners.emplace_back([&spinning] {
            volatile uint64_t work = 0;
            while (spinning.load(std::memory_order_relaxed))
                work = work + 1;
        });

    TAccuracy result;
    // On a thread of its own, as in the program, so the benchmark's own
    // thread keeps its scheduling between the runs.
    std::thread race([&] {
        EnableRealTimeTiming(load != TLoad::Normal);
        result.scheduling = UseTimingScheduling();
        rig.Run(TRaceKind::Lap, RaceLaps);
    });
    race.join();
    EnableRealTimeTiming(false);
    spinning.store(false);
    for (std::thread& spinner : spinners)
        spinner.join();

    std::vector<double> errors;
    for (int car = 1; car <= Cars; ++car)
        watches[size_t(car - 1)].AppendLapErrors((*rig.tracks)[size_t(car - 1)], errors, result.missed);
    result.longestPollGapMs = gaps.longestMs;
    result.pollGapsOverPulse = gaps.overPulse;
    if (errors.empty())
        return result;
    std::sort(errors.begin(), errors.end());
    result.laps = int64_t(errors.size());
    result.maxError = errors.back();
    result.p999 = errors[size_t(std::ceil(0.999 * double(errors.size()))) - 1];
    double sum = 0;
    for (double error : errors) {
        sum += error;
        result.overOneMs += error > 1.0;
    }
    result.meanError = sum / double(errors.size());
    return result;
}

// Time the machine's hypervisor gave to others (the "steal" column of
// /proc/stat), in ms; -1 where it cannot be read. No scheduling inside a
// virtual machine helps against a CPU that is taken away, so each run says
// how much of that happened meanwhile.
int64_t StolenMs()
{
    QFile stat(QStringLiteral("/proc/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = stat.readLine().simplified().split(' ');
    if (fields.size() < 9 || fields[0] != "cpu")
        return -1;
    return fields[8].toLongLong() * 1000 / sysconf(_SC_CLK_TCK);
}

void BM_LapAccuracyUnderLoad(benchmark::State& state)
{
    const TLoad load = TLoad(state.range(0));
    TAccuracy result;
    const int64_t stolenBefore = StolenMs();
    for (auto _ : state)
        result = RunBusyRace(load);
    const int64_t stolen = stolenBefore < 0 ? -1 : StolenMs() - stolenBefore;
    if (result.laps == 0) {
        state.SkipWithError("no lap to compare");
        return;
    }
    state.counters["realtime_granted"] = result.scheduling.kind == TTimingScheduling::RealTime;
    state.counters["laps"] = double(result.laps);
    state.counters["max_ms"] = result.maxError;
    state.counters["p99.9_ms"] = result.p999;
    state.counters["mean_ms"] = result.meanError;
    state.counters["laps_over_1ms"] = double(result.overOneMs);
    state.counters["missed_passes"] = double(result.missed);
    state.counters["longest_poll_gap_ms"] = result.longestPollGapMs;
    std::printf(
        "%s, %d busy threads, %u cores\n  %s\n"
        "  lap accuracy over %lld laps: max %.3f ms, 99.9th percentile %.3f ms, mean %.3f ms, "
        "%lld over 1 ms, %lld passes missed\n"
        "  longest time between two reads %.1f ms, %lld times longer than a pulse\n"
        "  CPU time taken by the hypervisor meanwhile (steal): %lld ms\n",
        Describe(load), BusyThreads, std::thread::hardware_concurrency(),
        qPrintable(TimingSchedulingText(result.scheduling)), (long long)result.laps, result.maxError, result.p999,
        result.meanError, (long long)result.overOneMs, (long long)result.missed, result.longestPollGapMs,
        (long long)result.pollGapsOverPulse, (long long)stolen);
    std::fflush(stdout);
}
}  // namespace

BENCHMARK(BM_LapAccuracyUnderLoad)
    ->ArgName("load")
    ->Arg(int(TLoad::RealTime))
    ->Arg(int(TLoad::RealTimeWithBreather))
    ->Arg(int(TLoad::Normal))
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

KOBALAP_BENCHMARK_MAIN()
