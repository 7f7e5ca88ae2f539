// The race loop on the simulated track and the real clock, four cars racing:
// how many polls a second it makes beside a bare loop of sensor reads over
// the same port, and how many allocations a poll costs (none, we hope). The
// display computation runs in place at each refresh; in the program it runs
// on the UI thread while the loop waits for it.
#include "BenchMain.h"
#include "RaceRig.h"

#include "common/LapValue.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {
std::atomic<int64_t> g_allocations{0};

void* Allocate(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size == 0 ? 1 : size))
        return memory;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }

namespace {
constexpr int RaceSeconds = 3;

// Sensor reads as fast as they go, cars driving, for as long as the race ran.
double BareReadsPerSecond(double seconds)
{
    TRaceRig rig;
    rig.io->SetOutputLine(8, true);  // green first: the cars go as the power comes
    for (int line = 1; line <= 4; ++line)
        rig.io->SetOutputLine(line, true);
    const auto start = std::chrono::steady_clock::now();
    const auto end =
        start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(seconds));
    int64_t reads = 0;
    auto now = start;
    while (now < end) {
        for (int i = 0; i < 1000; ++i)
            benchmark::DoNotOptimize(rig.io->ReadSensors());
        reads += 1000;
        now = std::chrono::steady_clock::now();
    }
    return double(reads) / std::chrono::duration<double>(now - start).count();
}

void BM_PollRate(benchmark::State& state)
{
    double loopRate = 0;
    double bareRate = 0;
    for (auto _ : state) {
        TRaceRig rig;
        rig.Run(TRaceKind::Timed, RaceSeconds);
        loopRate = rig.host->PollsPerSecond();
        bareRate = BareReadsPerSecond(std::chrono::duration<double>(rig.host->EndTime - rig.host->GreenTime).count());
    }
    // Cost per poll against cost per bare read: 1.10 is the loop costing 10% more.
    const double costRatio = loopRate > 0 ? bareRate / loopRate : 0;
    state.counters["loop_polls/s"] = loopRate;
    state.counters["bare_reads/s"] = bareRate;
    state.counters["loop_cost/bare_cost"] = costRatio;
    std::printf("poll rate: race loop %.0f polls/s, bare ReadSensors %.0f reads/s, loop costs %.1f%% more per poll\n",
                loopRate, bareRate, (costRatio - 1.0) * 100.0);
}

// Laps of 50 ms with a 20 ms bounce delay, so that the lap-counting path runs
// many times during the count, not only the plain reads.
void BM_AllocationsPerPoll(benchmark::State& state)
{
    double perPoll = 0;
    int64_t polls = 0;
    int64_t allocations = 0;
    int64_t laps = 0;
    for (auto _ : state) {
        TRaceRig rig(ShortLapConfig({50'000, 55'000, 60'000, 65'000}, 5'000));
        rig.settings.BounceDelayMs = 20;
        rig.settings.Sounds.fill(true);
        // The display formats its texts on the UI thread; that is not the
        // loop's allocation.
        rig.host->Display = false;
        rig.host->AllocationCounter = &g_allocations;
        rig.Run(TRaceKind::Timed, RaceSeconds);
        polls = rig.host->EndReads - rig.host->GreenReads;
        allocations = rig.host->EndAllocations - rig.host->GreenAllocations;
        laps = 0;
        for (const TTrackState& track : *rig.tracks)
            laps += LapsOf(track.Laps);
        perPoll = polls > 0 ? double(allocations) / double(polls) : 0;
    }
    state.counters["polls"] = double(polls);
    state.counters["laps_counted"] = double(laps);
    state.counters["allocations"] = double(allocations);
    state.counters["allocations/poll"] = perPoll;
    std::printf("allocations: %lld in %lld polls (%lld laps counted), %.6f per poll\n", (long long)allocations,
                (long long)polls, (long long)laps, perPoll);
}
}  // namespace

BENCHMARK(BM_PollRate)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_AllocationsPerPoll)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

KOBALAP_BENCHMARK_MAIN()
