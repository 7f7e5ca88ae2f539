// The club records over ten years of laps: 100 drivers, 10 championships
// (nine of 18 races, the last of 38), 25 heats a race on 4 tracks, 50 laps a
// track: 1,000,000 stored laps. Timed: the record book read, the Records
// window from "Records" to painted, and its lane report when the tab is
// shown, for the largest championship (190,000 laps) and for every lap.
#include "BenchProgram.h"
#include "BigCup.h"

#include "common/MessageBoxes.h"
#include "data/StoreTransaction.h"
#include "results/LaneFairness.h"
#include "results/LapRecords.h"
#include "results/RecordsChoice.h"
#include "results/RecordsWindow.h"

#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

namespace {

constexpr int Championships = 10;
constexpr int Heats = 25;
constexpr int Tracks = 4;
constexpr int LapsPerTrack = 50;
constexpr int LargestChampionship = Championships;
constexpr int LaneTab = 3;
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
    if (!rows.Commit())
        qFatal("the laps were not stored");
}

struct TClub {
    QTemporaryDir dir;
    TClub() { PrepareClub(dir.path()); }
};

TClub& Club()
{
    static TClub club;
    return club;
}

void BM_RecordBook(benchmark::State& state)
{
    TKWLStore store;
    store.Open(Club().dir.path());
    qsizetype bests = 0;
    for (auto _ : state) {
        QString error;
        const auto book = ReadRecordBook(store.Database(), DefaultMinimumLapMs, error);
        bests = book ? book->PersonalBests.size() : -1;
    }
    state.counters["personal_bests"] = double(bests);
}

// From "Records" to the window up, filled with the record book and painted.
void BM_RecordsWindowOpened(benchmark::State& state)
{
    Messages::BeginScript();
    TBenchProgram program(Club().dir.path());
    TRecordsWindow* records = program.windows.Records;
    for (auto _ : state) {
        QTimer::singleShot(0, records, [&] {
            records->repaint();
            records->accept();
        });
        records->OpenRecords(program.Placement(), LargestChampionship);
    }
    Messages::EndScript();
}

// The lane tab shown: the laps read, the report worked out, table and chart
// painted. csnr 0 is "All championships".
void BM_LaneTabShown(benchmark::State& state)
{
    const int csnr = int(state.range(0));
    Messages::BeginScript();
    TBenchProgram program(Club().dir.path());
    TRecordsWindow* records = program.windows.Records;
    for (auto _ : state) {
        QTimer::singleShot(0, records, [&] {
            state.ResumeTiming();
            records->Tabs()->setCurrentIndex(LaneTab);
            records->repaint();
            state.PauseTiming();
            records->accept();
        });
        state.PauseTiming();
        records->OpenRecords(program.Placement(), csnr);
        state.ResumeTiming();
    }
    std::vector<TLaneLap> laps;
    QString error;
    ReadLaneLaps(program.context.store.Database(), csnr, DefaultMinimumLapMs, laps, error);
    state.counters["laps"] = double(laps.size());
    Messages::EndScript();
}

}  // namespace

BENCHMARK(BM_RecordBook)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_RecordsWindowOpened)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_LaneTabShown)
    ->Arg(LargestChampionship)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

KOBALAP_BENCHMARK_MAIN()
