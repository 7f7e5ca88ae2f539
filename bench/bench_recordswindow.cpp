// The Records window over a million stored laps, from "Records" to the
// painted record book; then its lane report, worked out when its tab is
// first shown. 100 drivers, 100 races of 25 heats, every heat with four
// tracks of 100 laps: 1,000,000 laps.
#include "BenchProgram.h"
#include "BigCup.h"

#include "common/MessageBoxes.h"
#include "data/StoreTransaction.h"
#include "results/RecordsWindow.h"

#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

namespace {

constexpr int Races = 100;
constexpr int HeatsPerRace = 25;
constexpr int LapsPerTrack = 100;

void PrepareLaps(const QString& folder)
{
    TKWLStore store;
    OpenBigCup(folder, store);
    QSqlDatabase db = store.Database();
    TStoreTransaction rows(db);
    for (int race = 1; race <= Races; ++race) {
        rows.Exec(QStringLiteral(R"(INSERT INTO "KWL_Race.DB" (CSnr, RCnr, RCnaam) VALUES (1, ?, ?))"),
                  {race, QStringLiteral("Race %1").arg(race)});
        for (int heat = 1; heat <= HeatsPerRace; ++heat) {
            rows.Exec(QStringLiteral(R"(INSERT INTO "KWL_Heat.DB" VALUES (1, ?, ?, 1))"), {race, heat});
            rows.Exec(QStringLiteral(R"(INSERT INTO "Kobalap_HeatStored" VALUES (1, ?, ?, ?))"),
                      {race, heat, qint64(1790000000000) + race * 86400000LL + heat * 600000});
            for (int track = 1; track <= 4; ++track) {
                // Every driver over every track in the course of the races.
                const int driver = ((heat - 1) * 4 + (track - 1 + race) % 4) % 100 + 1;
                rows.Exec(QStringLiteral(R"(INSERT INTO "KWL_HeatDetail.DB" VALUES (1, ?, ?, ?, ?, 25, 0, 0))"),
                          {race, heat, track, driver});
                for (int lap = 1; lap <= LapsPerTrack; ++lap)
                    rows.Exec(QStringLiteral(R"(INSERT INTO "KWL_HeatDetailLaps.DB" VALUES (1, ?, ?, ?, ?, ?, 0))"),
                              {race, heat, track, lap, 5000 + (driver * 7919 + lap * 104729 + race * 31) % 1500});
            }
        }
    }
    if (!rows.Commit())
        qFatal("the laps were not stored");
}

struct TBigStore {
    QTemporaryDir dir;
    TBigStore() { PrepareLaps(dir.path()); }
};

TBigStore& BigStore()
{
    static TBigStore store;
    return store;
}

void BM_OpenRecords1MLaps(benchmark::State& state)
{
    Messages::BeginScript();
    TBenchProgram program(BigStore().dir.path());
    TRecordsWindow* records = program.windows.Records;
    for (auto _ : state) {
        // Closed as soon as it is up, filled and painted once.
        QTimer::singleShot(0, records, [&] {
            records->repaint();
            records->accept();
        });
        records->OpenRecords(program.Placement(), 1);
    }
    state.counters["laps"] = double(Races * HeatsPerRace * 4 * LapsPerTrack);
    Messages::EndScript();
}

void BM_LaneReport1MLaps(benchmark::State& state)
{
    Messages::BeginScript();
    TBenchProgram program(BigStore().dir.path());
    TRecordsWindow* records = program.windows.Records;
    for (auto _ : state) {
        QTimer::singleShot(0, records, [&] {
            state.ResumeTiming();
            records->Tabs()->setCurrentIndex(3);
            records->repaint();
            state.PauseTiming();
            records->accept();
        });
        state.PauseTiming();
        records->OpenRecords(program.Placement(), 0);
        state.ResumeTiming();
    }
    Messages::EndScript();
}

}  // namespace

BENCHMARK(BM_OpenRecords1MLaps)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_LaneReport1MLaps)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

KOBALAP_BENCHMARK_MAIN()
