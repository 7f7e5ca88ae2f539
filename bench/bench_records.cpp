// The club records over ten years of laps: 100 drivers, 10 championships
// (nine of 18 races, the last of 38), 25 heats a race on 4 tracks, 50 laps a
// track: 1,000,000 stored laps. Timed: the record book read (what the
// Records window opens on), and the lane report of the largest championship.
#include "BenchMain.h"
#include "BigCup.h"

#include "data/StoreTransaction.h"
#include "results/LaneFairness.h"
#include "results/LapRecords.h"
#include "results/RecordsChoice.h"

#include <QTemporaryDir>

namespace {

constexpr int Championships = 10;
constexpr int Heats = 25;
constexpr int Tracks = 4;
constexpr int LapsPerTrack = 50;
constexpr int LargestChampionship = Championships;
int RacesOf(int csnr) { return csnr == LargestChampionship ? 38 : 18; }

void PrepareClub(const QString& folder)
{
    TKWLStore store;
    OpenBigCup(folder, store);
    QSqlDatabase db = store.Database();
    TStoreTransaction rows(db);
    uint32_t seed = 4711;
    int rcnr = 0;
    int64_t stored = 1'500'000'000'000;  // July 2017
    for (int csnr = 1; csnr <= Championships; ++csnr) {
        if (csnr > 1)
            rows.Exec(QStringLiteral(R"(INSERT INTO "KWL_Championship.db" VALUES (?, ?, 20, 40, 0))"),
                      {csnr, QStringLiteral("Season %1").arg(2016 + csnr)});
        for (int race = 1; race <= RacesOf(csnr); ++race) {
            rows.Exec(QStringLiteral(R"(INSERT INTO "KWL_Race.DB" (CSnr, RCnr, RCnaam) VALUES (?, ?, ?))"),
                      {csnr, ++rcnr, QStringLiteral("Race %1").arg(race)});
            for (int heat = 1; heat <= Heats; ++heat) {
                stored += 15 * 60 * 1000;
                rows.Exec(QStringLiteral(R"(INSERT INTO "KWL_Heat.DB" VALUES (?, ?, ?, 1))"), {csnr, rcnr, heat});
                rows.Exec(QStringLiteral(R"(INSERT INTO "Kobalap_HeatStored" VALUES (?, ?, ?, ?))"),
                          {csnr, rcnr, heat, qint64(stored)});
                for (int track = 1; track <= Tracks; ++track) {
                    // The rotation: every driver over every track in a race.
                    const int driver = ((heat - 1) * Tracks + track + race) % 100 + 1;
                    rows.Exec(
                        QStringLiteral(R"(INSERT INTO "KWL_HeatDetail.DB" VALUES (?, ?, ?, ?, ?, 50, 400000, 5800))"),
                        {csnr, rcnr, heat, track, driver});
                    for (int lap = 1; lap <= LapsPerTrack; ++lap) {
                        seed = seed * 1103515245u + 12345u;
                        const uint32_t roll = (seed >> 8) % 1000;
                        // A driver's pace, the outside track a little slower, now and
                        // then a bounce, a lap without a time or a crash.
                        const uint32_t ms = roll == 0   ? 0
                                            : roll == 1 ? 250
                                            : roll == 2 ? 65000
                                                        : 6000 + driver * 10 + (track == 4 ? 80 : 0) + roll;
                        rows.Exec(QStringLiteral(R"(INSERT INTO "KWL_HeatDetailLaps.DB" VALUES (?, ?, ?, ?, ?, ?, 0))"),
                                  {csnr, rcnr, heat, track, lap, ms});
                    }
                }
            }
        }
    }
    rows.Commit();
}

struct TClub {
    QTemporaryDir dir;
    TKWLStore store;
    TClub()
    {
        PrepareClub(dir.path());
        store.Open(dir.path());
    }
};

TClub& Club()
{
    static TClub club;
    return club;
}

void BM_RecordBook(benchmark::State& state)
{
    QSqlDatabase db = Club().store.Database();
    qsizetype bests = 0;
    for (auto _ : state) {
        QString error;
        const auto book = ReadRecordBook(db, DefaultMinimumLapMs, error);
        bests = book ? book->PersonalBests.size() : -1;
    }
    state.counters["personal_bests"] = double(bests);
}

void BM_LaneReportOfLargestChampionship(benchmark::State& state)
{
    QSqlDatabase db = Club().store.Database();
    size_t laps = 0;
    for (auto _ : state) {
        std::vector<TLaneLap> read;
        QString error;
        ReadLaneLaps(db, LargestChampionship, DefaultMinimumLapMs, read, error);
        const TLaneReport report = ComputeLaneReport(read, DefaultMinimumLapMs);
        benchmark::DoNotOptimize(report);
        laps = read.size();
    }
    state.counters["laps"] = double(laps);
}

}  // namespace

BENCHMARK(BM_RecordBook)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_LaneReportOfLargestChampionship)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

KOBALAP_BENCHMARK_MAIN()
