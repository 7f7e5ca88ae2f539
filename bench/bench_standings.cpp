// Standings of a large championship, from "Show Results" to the filled grids:
// 100 drivers, 50 races, 25 heats of four drivers in each race, every heat
// finished.
#include "BenchProgram.h"
#include "BigCup.h"

#include "common/MessageBoxes.h"
#include "data/RecordActions.h"
#include "data/StoreTransaction.h"
#include "results/KWLResults.h"

#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

namespace {

void PrepareChampionship(const QString& folder)
{
    TKWLStore store;
    OpenBigCup(folder, store);
    QSqlDatabase db = store.Database();
    TStoreTransaction rows(db);
    for (int race = 1; race <= 50; ++race) {
        rows.Exec(QStringLiteral(R"(INSERT INTO "KWL_Race.DB" (CSnr, RCnr, RCnaam) VALUES (1, ?, ?))"),
                  {race, QStringLiteral("Race %1").arg(race)});
        for (int heat = 1; heat <= 25; ++heat) {
            rows.Exec(QStringLiteral(R"(INSERT INTO "KWL_Heat.DB" VALUES (1, ?, ?, 1))"), {race, heat});
            for (int track = 1; track <= 4; ++track) {
                const int driver = (heat - 1) * 4 + track;
                rows.Exec(QStringLiteral(R"(INSERT INTO "KWL_HeatDetail.DB" VALUES (1, ?, ?, ?, ?, 20000, ?, 5800))"),
                          {race, heat, track, driver, 120000 + (driver * 7919 + race * 104729) % 30000});
            }
        }
    }
    rows.Commit();
}

void BM_ShowResults100x50x25(benchmark::State& state)
{
    Messages::BeginScript();
    QTemporaryDir dir;
    PrepareChampionship(dir.path());
    TBenchProgram program(dir.path());
    TAppWindows& windows = program.windows;
    const TWindowPlacement placement = program.Placement();
    for (auto _ : state) {
        // Closed as soon as it is up, filled and painted once.
        QTimer::singleShot(0, windows.Results, [&] {
            windows.Results->repaint();
            windows.Results->accept();
        });
        windows.Results->OpenResults(placement, 1);
    }
    state.counters["race rows"] = 5000;
    Messages::EndScript();
}

}  // namespace

BENCHMARK(BM_ShowResults100x50x25)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

KOBALAP_BENCHMARK_MAIN()
