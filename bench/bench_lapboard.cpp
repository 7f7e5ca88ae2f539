// How exactly the lap-sensor board times a lap: its real firmware runs in
// simavr (lapboard_sim) with cars crossing the sensors at scripted times
// down to the microsecond, and the program's board backend collects the
// board's timestamps. Prints the error of every lap against the script,
// before any rounding to whole milliseconds, with the PC idle and with two
// threads keeping its cores busy (the board's clock should not care).
#include "BenchMain.h"

#include "common/MaskFile.h"
#include "hardware/lapboard/LapBoardPort.h"
#include "lapboard/SimulatedBoard.h"

#include <QThread>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr int Tracks = 4;
constexpr int CrossingsPerTrack = 50;

// Scripted crossing n of a track, in µs after green: laps of 260..330 ms
// with odd microseconds, the tracks a little apart.
int64_t ScriptedUs(int track, int n)
{
    int64_t at = 400'000 + track * 37'411;
    for (int k = 1; k <= n; ++k)
        at += 260'000 + ((k * 7919 + track * 104'729) % 70'000);
    return at + (n * 613 + track * 97) % 1000;
}

void BM_BoardLapAccuracy(benchmark::State& state)
{
    const bool busy = state.range(0) != 0;
    std::vector<double> errorsUs;
    int64_t missing = 0;
    for (auto _ : state) {
        QStringList script{QStringLiteral("pulse 15")};
        for (int track = 1; track <= Tracks; ++track)
            for (int n = 0; n < CrossingsPerTrack; ++n)
                script
                    << QStringLiteral("cross %1 %2").arg(track).arg(double(ScriptedUs(track, n)) / 1000.0, 0, 'f', 3);
        TSimulatedBoard board(QStringLiteral(KOBALAP_LAPBOARD_SIM), QStringLiteral(KOBALAP_LAPBOARD_ELF), script);
        TSensorMasks masks;
        TLapBoardPort port(board.Device(), masks);
        if (board.Device().isEmpty() || !port.Open()) {
            state.SkipWithError("the simulated board did not start");
            return;
        }

        std::atomic<bool> stop{false};
        std::vector<std::thread> load;
        for (int i = 0; busy && i < 2; ++i)
            load.emplace_back([&stop] {
                volatile uint64_t spin = 0;
                while (!stop.load(std::memory_order_relaxed))
                    spin = spin + 1;
            });

        port.WritePort(0, TPortSize::Byte, 0x80);  // green
        const uint32_t green = port.WriteCount();
        uint32_t epoch = 0;
        int64_t greenUs = 0;
        while (!port.AppliedAt(green, epoch, greenUs))
            QThread::msleep(1);

        std::vector<std::vector<int64_t>> arrivals(Tracks);
        const int64_t lastUs = ScriptedUs(Tracks, CrossingsPerTrack - 1);
        QDeadlineTimer deadline(lastUs / 1000 + 5000);
        int total = 0;
        while (total < Tracks * CrossingsPerTrack && !deadline.hasExpired()) {
            TBoardTimestamps::TArrival arrival;
            if (!port.TakeArrival(arrival)) {
                QThread::msleep(2);
                continue;
            }
            arrivals[size_t(arrival.Sensor - 1)].push_back(arrival.BoardUs - greenUs);
            ++total;
        }
        stop.store(true);
        for (std::thread& thread : load)
            thread.join();
        port.WritePort(0, TPortSize::Byte, 0);
        port.Close();

        for (int track = 1; track <= Tracks; ++track) {
            const std::vector<int64_t>& seen = arrivals[size_t(track - 1)];
            missing += CrossingsPerTrack - int64_t(seen.size());
            for (size_t n = 0; n < seen.size(); ++n) {
                const int64_t previousSeen = n == 0 ? 0 : seen[n - 1];
                const int64_t previousScripted = n == 0 ? 0 : ScriptedUs(track, int(n) - 1);
                const int64_t lapSeen = seen[n] - previousSeen;
                const int64_t lapScripted = ScriptedUs(track, int(n)) - previousScripted;
                errorsUs.push_back(std::abs(double(lapSeen - lapScripted)));
            }
        }
    }
    std::sort(errorsUs.begin(), errorsUs.end());
    const double maxUs = errorsUs.empty() ? 0 : errorsUs.back();
    const double p999 =
        errorsUs.empty() ? 0 : errorsUs[std::min(errorsUs.size() - 1, size_t(double(errorsUs.size()) * 0.999))];
    double sum = 0;
    for (double e : errorsUs)
        sum += e;
    std::printf(
        "%s: %zu laps (first lap from the green), %lld missing\n"
        "  lap error against the script before rounding: max %.3f ms, 99.9th percentile %.3f ms, mean %.4f ms\n",
        busy ? "simulated board, PC with two busy threads" : "simulated board, PC idle", errorsUs.size(),
        static_cast<long long>(missing), maxUs / 1000, p999 / 1000,
        errorsUs.empty() ? 0 : sum / double(errorsUs.size()) / 1000);
    state.counters["max_error_ms"] = maxUs / 1000;
    state.counters["p999_error_ms"] = p999 / 1000;
}

}  // namespace

BENCHMARK(BM_BoardLapAccuracy)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

KOBALAP_BENCHMARK_MAIN();
