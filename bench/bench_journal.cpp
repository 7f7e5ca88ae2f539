// The race journal beside a race on the simulated track and the real clock:
// how long a lap waits from its crossing until it is durable on disk, with a
// store committing heats (and syncing) at the same time; and whether the
// journal costs the poll loop anything (reads a second and lap error, with
// the journal off and on, side by side).
#include "BenchMain.h"
#include "RaceRig.h"
#include "SampleStats.h"

#include "data/KWLStore.h"
#include "data/StoreTransaction.h"
#include "timing/RaceJournalWriter.h"

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>
#include <numeric>
#include <thread>

namespace {

constexpr int Cars = 4;
constexpr int64_t PulseUs = 3'000;

int RaceSeconds()
{
    const int seconds = qEnvironmentVariableIntValue("KOBALAP_BENCH_RACE_SECONDS");
    return seconds > 0 ? seconds : 60;
}

// Heats of 4 x 500 laps committed one after another, each durably, until
// told to stop: the store's syncs compete with the journal's for the disk.
void StoreHeats(const QString& folder, const std::atomic<bool>& running, int64_t& commits)
{
    TKWLStore store;
    if (store.Open(folder) != TKWLStore::Status::Open)
        return;
    QSqlDatabase db = store.Database();
    QSqlQuery(db).exec(QStringLiteral("CREATE TABLE IF NOT EXISTS BenchLaps (Heat, Track, Lap, Time)"));
    for (int heat = 1; running.load(); ++heat) {
        TStoreTransaction action(db);
        for (int track = 1; track <= 4; ++track)
            for (int lap = 1; lap <= 500; ++lap)
                action.Exec(QStringLiteral("INSERT INTO BenchLaps VALUES (?, ?, ?, ?)"),
                            {heat, track, lap, 3000 + lap});
        commits += action.Commit();
    }
}

struct TJournalRun {
    double pollsPerSecond = 0;
    std::vector<double> lapErrors;  // ms
    std::vector<double> delays;     // ms, crossing to durable
    int64_t storeCommits = 0;
    QString failure;
};

enum class TJournal { Off, On, OnTimed };

// A Timed race of `seconds` on laps of about lapMs; with OnTimed a thread
// notes when each lap became durable, with storeLoad heats are committed
// beside it.
TJournalRun RunRace(TJournal journal, bool storeLoad, int seconds, int64_t lapMs)
{
    TJournalRun run;
    QTemporaryDir folder;
    const int64_t lapUs = lapMs * 1000;
    TRaceRig rig(ShortLapConfig({lapUs, lapUs + lapUs / 75, lapUs + lapUs / 37, lapUs + lapUs / 25}, PulseUs), Cars);
    rig.settings.BounceDelayMs = int32_t(lapMs / 3);
    const int maxLaps = int(int64_t(seconds) * 1000 / lapMs) + 8;
    std::vector<TCrossingLog> watches(Cars, TCrossingLog(maxLaps));
    rig.port->Watcher = [&] {
        for (int car = 1; car <= Cars; ++car)
            watches[size_t(car - 1)].Watch((*rig.tracks)[size_t(car - 1)], *rig.track, car);
    };

    TRaceJournalWriter writer(folder.filePath(QStringLiteral("race.journal")));
    std::vector<int64_t> durableUs;
    durableUs.reserve(size_t(maxLaps) * Cars);
    std::atomic<bool> running{true};
    std::thread watcher;
    if (journal != TJournal::Off) {
        QString error;
        if (!writer.Begin("bench", error))
            run.failure = error;
        rig.engine->SetJournal(&writer.Laps());
    }
    if (journal == TJournal::OnTimed) {
        // Notes when each lap became durable, on the race's own clock.
        watcher = std::thread([&] {
            int64_t seen = 0;
            while (running.load()) {
                const int64_t durable = writer.DurableLaps();
                const int64_t now = rig.clock.NowUs();
                for (; seen < durable; ++seen)
                    durableUs.push_back(now);
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
    }
    std::thread load;
    if (storeLoad)
        load = std::thread([&] { StoreHeats(folder.path(), running, run.storeCommits); });

    std::thread race([&] { rig.Run(TRaceKind::Timed, seconds); });
    race.join();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the last batch
    running.store(false);
    if (watcher.joinable())
        watcher.join();
    if (load.joinable())
        load.join();
    writer.Finish(false);
    if (run.failure.isEmpty())
        run.failure = writer.Failure();

    run.pollsPerSecond = rig.host->PollsPerSecond();
    int64_t missed = 0;
    for (int car = 1; car <= Cars; ++car)
        watches[size_t(car - 1)].AppendLapErrors((*rig.tracks)[size_t(car - 1)], run.lapErrors, missed);
    if (journal == TJournal::OnTimed) {
        QFile file(writer.Path());
        if (file.open(QIODevice::ReadOnly)) {
            const RaceJournalFormat::TReadOutcome read = RaceJournalFormat::Read(file.readAll());
            size_t k = 0;
            for (const RaceJournalFormat::TRecord& record : read.Records) {
                RaceJournalFormat::TLap lap;
                if (record.Kind != RaceJournalFormat::TKind::Lap || !RaceJournalFormat::DecodeLap(record.Payload, lap))
                    continue;
                const int64_t crossingUs = watches[size_t(lap.Track - 1)].LapEndUs(int(lap.Lap));
                if (k < durableUs.size() && crossingUs != TSimulatedTrack::NoCrossing)
                    run.delays.push_back(double(durableUs[k] - crossingUs) / 1000.0);
                ++k;
            }
        }
    }
    return run;
}

void BM_JournalDelay(benchmark::State& state)
{
    TJournalRun run;
    for (auto _ : state)
        run = RunRace(TJournal::OnTimed, true, RaceSeconds(), 3000);
    state.counters["laps"] = double(run.delays.size());
    state.counters["median_delay_ms"] = Median(run.delays);
    state.counters["max_delay_ms"] = Max(run.delays);
    state.counters["store_commits"] = double(run.storeCommits);
    std::printf(
        "Journal: %zu laps of 4 cars on 3-s laps, %d s on the real clock, %lld heat commits beside it: "
        "crossing to durable median %.1f ms, max %.1f ms%s%s\n",
        run.delays.size(), RaceSeconds(), static_cast<long long>(run.storeCommits), Median(run.delays), Max(run.delays),
        run.failure.isEmpty() ? "" : "; failed: ", qPrintable(run.failure));
}
BENCHMARK(BM_JournalDelay)->Iterations(1)->Unit(benchmark::kSecond);

double Mean(const std::vector<double>& values)
{
    return values.empty() ? 0 : std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
}

// Off and on twice, alternately, so that a change in the machine's load
// during the run shows as a difference between the two pairs rather than
// as a cost of the journal.
void BM_PollLoopJournalOffOn(benchmark::State& state)
{
    const int seconds = std::min(RaceSeconds(), 15);
    std::vector<TJournalRun> runs;
    for (auto _ : state)
        for (int pair = 0; pair < 2; ++pair)
            for (TJournal journal : {TJournal::Off, TJournal::On})
                runs.push_back(RunRace(journal, false, seconds, 400));
    for (size_t i = 0; i < runs.size(); ++i) {
        const TJournalRun& run = runs[i];
        std::printf("Poll loop, journal %s: %.0f reads a second; lap error mean %.3f ms, max %.3f ms (%zu laps)\n",
                    i % 2 ? "on " : "off", run.pollsPerSecond, Mean(run.lapErrors), Max(run.lapErrors),
                    run.lapErrors.size());
        state.counters[QStringLiteral("reads_per_s_%1_%2").arg(i % 2 ? "on" : "off").arg(i / 2 + 1).toStdString()] =
            run.pollsPerSecond;
    }
}
BENCHMARK(BM_PollLoopJournalOffOn)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

KOBALAP_BENCHMARK_MAIN();
