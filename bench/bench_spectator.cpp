// What the spectator feed costs the race, and how soon it carries a lap. A
// Timed race of one minute on the simulated track and the real clock (four
// cars on club laps of 4.4..6.8 s), run by the race screen with the spectator
// server on the UI thread as in the program: once with no feed client, once
// with 200 WebSocket clients connected over loopback, each reading every
// document, and once more with 50 hostile clients beside the 200 (floods of
// pings never read, trickled heads, bad handshakes, unmasked frames; see
// HostileCrowd.h). For each run: the race screen's refreshes per second, how
// long an event posted to the UI thread waits, how exactly laps were timed
// (the simulator knows each crossing to the microsecond), and the program's
// resident memory before and after the race. For the runs with clients also
// the time from a car's true crossing to the first and to the last client
// holding a document that shows the new lap. At the end the runs' lap
// accuracy and refresh rate are printed side by side.
// KOBALAP_BENCH_RACE_SECONDS shortens or lengthens the race.
#include "BenchMain.h"
#include "FeedCrowd.h"
#include "HostileCrowd.h"
#include "RaceRig.h"
#include "RaceScreenRun.h"

#include "common/LapValue.h"
#include "spectator/RaceSnapshot.h"
#include "spectator/SpectatorBoard.h"
#include "spectator/SpectatorJson.h"
#include "spectator/SpectatorServer.h"
#include "timing/KWLPauseRace.h"
#include "timing/KWLStopLicht.h"
#include "timing/KWLTimer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

namespace {
constexpr int Cars = TSimulatedTrack::CarCount;
// Far more than a minute of 4 s laps; sized before the race, as the
// crossings are noted on the timing thread's hot path.
constexpr int MaxLaps = 200;
// The feed is asked to carry a lap within this.
constexpr double FeedTargetMs = 200;

struct TSpread {
    int64_t count = 0;
    double median = 0;
    double p999 = 0;
    double mean = 0;
    double max = 0;
};

TSpread SpreadOf(std::vector<double> values)
{
    TSpread spread;
    if (values.empty())
        return spread;
    std::sort(values.begin(), values.end());
    spread.count = int64_t(values.size());
    spread.median = values[values.size() / 2];
    spread.p999 = values[size_t(std::ceil(0.999 * double(values.size()))) - 1];
    double sum = 0;
    for (double value : values)
        sum += value;
    spread.mean = sum / double(values.size());
    spread.max = values.back();
    return spread;
}

// The program's resident memory in MB.
double ResidentMb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return double(statm.readAll().split(' ').value(1).toLongLong()) * double(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

struct TRunResult {
    int clients = 0;
    int hostile = 0;
    int64_t hostileConnections = 0;
    double hostileMb = 0;  // sent by the hostile clients
    double residentBeforeMb = 0;
    double residentAfterMb = 0;
    int connected = 0;
    int failed = 0;
    int dropped = 0;
    int serverClients = 0;  // as the server counted them once all had connected
    double raceSeconds = 0;
    int refreshes = 0;
    double refreshesPerSecond = 0;
    int firstSecondRefreshes = 0;   // in the first second of racing
    int secondSecondRefreshes = 0;  // in the second
    int fewestInSecond = 0;         // refreshes in a whole second from the third on
    int mostInSecond = 0;
    int busiestSecond = 0;   // of racing, 1 the first
    QString readRate;        // the engine's last reads per second, as the caption shows it
    qint64 fewestReads = 0;  // in one second from the second on
    int fewestReadsSecond = 0;
    TSpread uiLatencyMs;
    double uiCpuSeconds = 0;
    double clientCpuSeconds = 0;
    int64_t lapsCounted = 0;
    int64_t passesMissed = 0;
    TSpread lapErrorMs;
    int64_t minMessages = 0;
    int64_t maxMessages = 0;
    TSpread screenMs;  // crossing to the race screen showing the lap
    TSpread firstClientMs;
    TSpread lastClientMs;
    int64_t lapsLateAtLast = 0;    // over FeedTargetMs at the last client
    int64_t lapsNotSeenByAll = 0;  // some client still connected never saw it
    int64_t lapsNotSeenByAny = 0;
};

// Runs the race screen's race with the feed wired as the program wires it.
TRunResult RunRace(int clientCount, int hostileCount)
{
    TRunResult result;
    result.clients = clientCount;
    result.hostile = hostileCount;

    TSettings settings;
    // Laps from 4.4 s on: a club with such a track sets its shortest lap
    // (the bounce delay) below them.
    settings.BounceDelayMs = 3000;
    TSensorMasks masks;
    TSteadyPerfCounter counter;
    TSystemClock clock(counter);
    TSimulatedTrackConfig config;
    config.BaseLapUs = {4'400'000, 5'200'000, 6'000'000, 6'800'000};
    config.JumpStartProbability = 0;
    TSimulatedTrack track(clock, settings, masks, 1208, config);
    TWatchedPort port(track);
    port.Open();
    TTrackIo io(port, settings, masks);
    TFKWLStopLicht lights;
    TFKWLPauseRace pause(settings);
    TKWL_Timer timer(clock, io, settings, QDir::tempPath());
    timer.SetRaceWindows(lights, pause);

    // Wired as the program wires it: the race screen publishes to the board,
    // the server reads the board at its own pace.
    TSnapshotPublisher feed;
    TSpectatorBoard board(feed, settings);
    timer.SetSpectatorBoard(&board);
    TSpectatorServer server;
    server.SetFeedProvider([&board] { return SpectatorDocument(board); });
    QString error;
    if (!server.Listen(QHostAddress(QHostAddress::LocalHost), 0, error)) {
        std::printf("the spectator server could not listen on 127.0.0.1: %s\n", qPrintable(error));
        return result;
    }

    TFeedCrowd crowd(clientCount, MaxLaps);
    if (clientCount > 0) {
        crowd.Connect(QUrl(QStringLiteral("ws://127.0.0.1:%1/feed").arg(server.Port())), 30'000);
        // Let the server take in the last handshakes before counting.
        QEventLoop settle;
        QTimer::singleShot(200, &settle, &QEventLoop::quit);
        settle.exec();
        result.connected = crowd.ConnectedCount();
        result.failed = crowd.FailedCount();
        result.serverClients = server.FeedClientCount();
    }
    // The hostile clients come once the phones are in, and stay till the end.
    result.residentBeforeMb = ResidentMb();
    THostileCrowd hostile(hostileCount, server.Port());

    std::vector<TCrossingLog> logs(Cars, TCrossingLog(MaxLaps));
    port.Watcher = [&] {
        const TTrackStates& tracks = timer.Tracks();
        for (int car = 1; car <= Cars; ++car)
            logs[size_t(car - 1)].Watch(tracks[size_t(car - 1)], track, car);
    };

    // Refreshes as the race screen applies them. The engine sets its refresh
    // divider from the read rate at the end of each second of racing, which
    // the caption then shows; the first second refreshes at every hundredth
    // read and the second from a rate the first one's refreshes held down, so
    // the steady rate is counted from the third second on, also per second.
    // Each lap's first showing on the race screen is noted too (the race
    // waits meanwhile, so its records may be read): that parts the feed's
    // delay into the engine's share and the server's.
    struct TSecondMark {
        qint64 ms;
        int refreshesBefore;
        qint64 reads;  // in the second that just ended
    };
    std::vector<TSecondMark> seconds;
    seconds.reserve(size_t(RaceSeconds()) + 60);
    int64_t lastShownSecond = 0;
    qint64 lastRefreshMs = -1;
    QString readRate;
    std::array<std::vector<int64_t>, Cars> shownUs;
    for (std::vector<int64_t>& laps : shownUs)
        laps.assign(size_t(MaxLaps) + 1, 0);
    std::array<int32_t, Cars> lapsShown{};
    QElapsedTimer raceTime;
    QObject::connect(&timer, &TKWL_Timer::DisplayRefreshed, [&] {
        const int64_t nowUs = SteadyNowUs();
        ++result.refreshes;
        lastRefreshMs = raceTime.elapsed();
        // The refresh that turns a second records it as shown and puts that
        // second's read count in the caption (which may repeat the last one's
        // to the read: the loop is that regular).
        const int64_t shownSecond = timer.State().LastShownElapsed / 1000;
        const QString title = timer.windowTitle();
        if (shownSecond != lastShownSecond && title.contains(QLatin1String("reads/sec"))) {
            lastShownSecond = shownSecond;
            readRate = title.section(QLatin1Char(' '), -1);
            if (seconds.size() < seconds.capacity())
                seconds.push_back({lastRefreshMs, result.refreshes - 1, readRate.toLongLong()});
        }
        for (int car = 0; car < Cars; ++car) {
            const int32_t laps = std::min(LapsOf(timer.Tracks()[size_t(car)].Laps), MaxLaps);
            for (int32_t lap = std::max(lapsShown[size_t(car)] + 1, 1); lap <= laps; ++lap)
                shownUs[size_t(car)][size_t(lap)] = nowUs;
            lapsShown[size_t(car)] = std::max(lapsShown[size_t(car)], laps);
        }
    });

    // Every 20 ms an event is posted to the UI thread; its wait is the time
    // between posting and running.
    TUiLatencyProbe uiLatency(timer, size_t(RaceSeconds() + 30) * 50);
    double uiCpuAtStart = 0;
    double clientCpuAtStart = 0;
    RunTimedRaceOnScreen(
        timer, RaceSeconds(),
        [&] {
            uiCpuAtStart = ThreadCpuSeconds();
            clientCpuAtStart = crowd.CpuSeconds();
            raceTime.start();
            uiLatency.Start();
        },
        [&] {
            uiLatency.Stop();
            result.raceSeconds = double(raceTime.elapsed()) / 1000.0;
            result.uiCpuSeconds = ThreadCpuSeconds() - uiCpuAtStart;
            result.clientCpuSeconds = crowd.CpuSeconds() - clientCpuAtStart;
        });
    port.Watcher = nullptr;
    hostile.Stop();
    result.hostileConnections = hostile.Connections();
    result.hostileMb = double(hostile.BytesSent()) / 1048576.0;
    result.residentAfterMb = ResidentMb();

    // The finished race's document a moment to reach everyone, then the
    // clients leave before the server goes.
    if (clientCount > 0) {
        QEventLoop drain;
        QTimer::singleShot(1000, &drain, &QEventLoop::quit);
        drain.exec();
        result.dropped = crowd.DroppedCount();
        crowd.Close();
    }

    if (seconds.size() >= 2) {
        result.firstSecondRefreshes = seconds[0].refreshesBefore;
        result.secondSecondRefreshes = seconds[1].refreshesBefore - seconds[0].refreshesBefore;
        const double steadySpan = double(lastRefreshMs - seconds[1].ms) / 1000.0;
        result.refreshesPerSecond =
            steadySpan > 0 ? double(result.refreshes - seconds[1].refreshesBefore) / steadySpan : 0;
        result.fewestInSecond = -1;
        for (size_t second = 1; second + 1 < seconds.size(); ++second) {
            const int count = seconds[second + 1].refreshesBefore - seconds[second].refreshesBefore;
            result.fewestInSecond = result.fewestInSecond < 0 ? count : std::min(result.fewestInSecond, count);
            if (count > result.mostInSecond) {
                result.mostInSecond = count;
                result.busiestSecond = int(second) + 2;
            }
        }
        result.fewestInSecond = std::max(result.fewestInSecond, 0);
        // A second in which the timing thread read little (it had the core
        // less) sets a small divider for the next one.
        result.fewestReads = -1;
        for (size_t second = 1; second < seconds.size(); ++second)
            if (result.fewestReads < 0 || seconds[second].reads < result.fewestReads) {
                result.fewestReads = seconds[second].reads;
                result.fewestReadsSecond = int(second) + 1;
            }
    }
    result.uiLatencyMs = SpreadOf(uiLatency.LatenciesMs());
    result.readRate = readRate;

    // Lap accuracy: lap 1 runs from green, so laps from 2 on compare two
    // crossings.
    std::vector<double> lapErrors;
    for (int car = 1; car <= Cars; ++car) {
        const TCrossingLog& log = logs[size_t(car - 1)];
        const TTrackState& state = timer.Tracks()[size_t(car - 1)];
        const int laps = std::min(LapsOf(state.Laps), MaxLaps);
        result.lapsCounted += laps;
        for (int lap = 2; lap <= laps; ++lap) {
            const int64_t from = log.crossingOfLap[size_t(lap - 1)];
            const int64_t to = log.crossingOfLap[size_t(lap)];
            if (from < 0 || to < 0)
                continue;
            result.passesMissed += std::max<int64_t>(to - from - 1, 0);
            const int64_t fromUs = log.crossingUs[size_t(from)];
            const int64_t toUs = log.crossingUs[size_t(to)];
            if (fromUs == TSimulatedTrack::NoCrossing || toUs == TSimulatedTrack::NoCrossing)
                continue;
            lapErrors.push_back(std::fabs(double(state.LapTimes[size_t(lap)]) - double(toUs - fromUs) / 1000.0));
        }
    }
    result.lapErrorMs = SpreadOf(lapErrors);

    std::vector<double> screenMs;
    for (int car = 1; car <= Cars; ++car)
        for (int lap = 1; lap <= lapsShown[size_t(car - 1)]; ++lap) {
            const int64_t crossingUs = logs[size_t(car - 1)].LapEndUs(lap);
            const int64_t seenUs = shownUs[size_t(car - 1)][size_t(lap)];
            if (crossingUs != TSimulatedTrack::NoCrossing && seenUs != 0)
                screenMs.push_back(double(seenUs - crossingUs) / 1000.0);
        }
    result.screenMs = SpreadOf(screenMs);

    if (clientCount == 0)
        return result;

    // Feed latency: from each counted lap's true crossing to the first and
    // the last client (of those that stayed) holding a document that shows it.
    const std::vector<TFeedCrowd::TClient>& clients = crowd.Clients();
    result.minMessages = -1;
    for (const TFeedCrowd::TClient& client : clients) {
        if (!client.Connected)
            continue;
        result.minMessages = result.minMessages < 0 ? client.Messages : std::min(result.minMessages, client.Messages);
        result.maxMessages = std::max(result.maxMessages, client.Messages);
    }
    result.minMessages = std::max<int64_t>(result.minMessages, 0);
    std::vector<double> firstMs;
    std::vector<double> lastMs;
    for (int car = 1; car <= Cars; ++car) {
        const int laps = std::min(LapsOf(timer.Tracks()[size_t(car - 1)].Laps), MaxLaps);
        for (int lap = 1; lap <= laps; ++lap) {
            const int64_t crossingUs = logs[size_t(car - 1)].LapEndUs(lap);
            if (crossingUs == TSimulatedTrack::NoCrossing)
                continue;
            int64_t firstUs = 0;
            int64_t lastUs = 0;
            bool seenByAll = true;
            for (const TFeedCrowd::TClient& client : clients) {
                if (!client.Connected || client.Dropped)
                    continue;
                const int64_t seenUs = client.FirstSeenUs[size_t(car - 1)][size_t(lap)];
                if (seenUs == 0) {
                    seenByAll = false;
                    continue;
                }
                firstUs = firstUs == 0 ? seenUs : std::min(firstUs, seenUs);
                lastUs = std::max(lastUs, seenUs);
            }
            if (firstUs == 0) {
                ++result.lapsNotSeenByAny;
                continue;
            }
            firstMs.push_back(double(firstUs - crossingUs) / 1000.0);
            if (!seenByAll) {
                ++result.lapsNotSeenByAll;
                continue;
            }
            const double toLastMs = double(lastUs - crossingUs) / 1000.0;
            lastMs.push_back(toLastMs);
            result.lapsLateAtLast += toLastMs > FeedTargetMs;
        }
    }
    result.firstClientMs = SpreadOf(firstMs);
    result.lastClientMs = SpreadOf(lastMs);
    return result;
}

void Print(const TRunResult& result)
{
    const unsigned cores = std::thread::hardware_concurrency();
    if (result.clients == 0)
        std::printf("spectator server listening, no feed client (%u cores)\n", cores);
    else
        std::printf(
            "spectator server with %d feed clients over loopback: %d connected (%d gave up after %d tries, "
            "the server counted %d); the clients run on a thread of their own but share this machine's "
            "%u cores with the race, the race screen and the server\n",
            result.clients, result.connected, result.failed, TFeedCrowd::AttemptsPerClient, result.serverClients,
            cores);
    if (result.hostile > 0)
        std::printf("  beside them %d hostile clients from addresses of their own: %lld connections, %.1f MB sent\n",
                    result.hostile, (long long)result.hostileConnections, result.hostileMb);
    if (result.clients > 0 && result.connected < result.clients)
        std::printf("  NOT ALL CLIENTS CONNECTED: %d of %d\n", result.connected, result.clients);
    std::printf(
        "  race: %.1f s from Start to the end; race screen %.1f refreshes per second from the third second "
        "of racing on (%d..%d in one second, the most in second %d), %d in the first second, %d in the second, "
        "%d in all; last read rate %s/s\n",
        result.raceSeconds, result.refreshesPerSecond, result.fewestInSecond, result.mostInSecond, result.busiestSecond,
        result.firstSecondRefreshes, result.secondSecondRefreshes, result.refreshes, qPrintable(result.readRate));
    std::printf("  fewest sensor reads in one second of racing: %lld, in second %d\n", (long long)result.fewestReads,
                result.fewestReadsSecond);
    std::printf("  crossing to the race screen showing the lap, over %lld laps: median %.1f ms, max %.1f ms\n",
                (long long)result.screenMs.count, result.screenMs.median, result.screenMs.max);
    std::printf("  UI event latency over %lld events: median %.3f ms, 99.9th percentile %.3f ms, max %.3f ms\n",
                (long long)result.uiLatencyMs.count, result.uiLatencyMs.median, result.uiLatencyMs.p999,
                result.uiLatencyMs.max);
    std::printf("  resident memory: %.1f MB before the race, %.1f MB after it\n", result.residentBeforeMb,
                result.residentAfterMb);
    std::printf("  CPU time during the race: UI thread (race screen and server) %.2f s", result.uiCpuSeconds);
    if (result.clients > 0)
        std::printf(", clients' thread %.2f s", result.clientCpuSeconds);
    std::printf(
        "\n  lap accuracy over %lld laps (%lld counted): max %.3f ms, 99.9th percentile %.3f ms, "
        "mean %.3f ms; %lld passes missed\n",
        (long long)result.lapErrorMs.count, (long long)result.lapsCounted, result.lapErrorMs.max,
        result.lapErrorMs.p999, result.lapErrorMs.mean, (long long)result.passesMissed);
    if (result.clients > 0) {
        std::printf("  feed: %lld..%lld documents per client, %d clients dropped during the race\n",
                    (long long)result.minMessages, (long long)result.maxMessages, result.dropped);
        std::printf(
            "  feed latency from crossing to client over %lld laps: first client median %.1f ms, max %.1f ms; "
            "last client (over %lld laps) median %.1f ms, max %.1f ms\n",
            (long long)result.firstClientMs.count, result.firstClientMs.median, result.firstClientMs.max,
            (long long)result.lastClientMs.count, result.lastClientMs.median, result.lastClientMs.max);
        std::printf(
            "  laps later than %.0f ms at the last client: %lld; laps some client never saw: %lld; "
            "laps no client saw: %lld\n",
            FeedTargetMs, (long long)result.lapsLateAtLast, (long long)result.lapsNotSeenByAll,
            (long long)result.lapsNotSeenByAny);
    }
    std::fflush(stdout);
}

// The runs' lap accuracy and refresh rate side by side, printed once all ran.
struct TSideBySide {
    std::vector<TRunResult> runs;
    ~TSideBySide()
    {
        if (runs.empty())
            return;
        std::printf("\nside by side:\n%-9s %-8s %-14s %-13s %-13s %-14s %-16s %-12s\n", "phones", "hostile",
                    "refreshes/s", "lap max ms", "lap mean ms", "passes missed", "feed last p50 ms", "memory MB");
        for (const TRunResult& run : runs)
            std::printf("%-9d %-8d %-14.1f %-13.3f %-13.3f %-14lld %-16.1f %.0f -> %.0f\n", run.clients, run.hostile,
                        run.refreshesPerSecond, run.lapErrorMs.max, run.lapErrorMs.mean, (long long)run.passesMissed,
                        run.lastClientMs.median, run.residentBeforeMb, run.residentAfterMb);
        std::fflush(stdout);
    }
};
TSideBySide sideBySide;

void BM_SpectatorFeed(benchmark::State& state)
{
    TRunResult result;
    for (auto _ : state)
        result = RunRace(int(state.range(0)), int(state.range(1)));
    Print(result);
    sideBySide.runs.push_back(result);
    state.counters["refreshes_per_s"] = result.refreshesPerSecond;
    state.counters["lap_max_ms"] = result.lapErrorMs.max;
    state.counters["lap_mean_ms"] = result.lapErrorMs.mean;
    state.counters["passes_missed"] = double(result.passesMissed);
    if (result.clients > 0) {
        state.counters["connected"] = result.connected;
        state.counters["feed_first_median_ms"] = result.firstClientMs.median;
        state.counters["feed_last_max_ms"] = result.lastClientMs.max;
    }
}
}  // namespace

BENCHMARK(BM_SpectatorFeed)
    ->ArgNames({"clients", "hostile"})
    ->Args({0, 0})
    ->Args({200, 0})
    ->Args({200, 50})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

KOBALAP_BENCHMARK_MAIN()
