// The lap view of a large championship and its chart: 100 drivers, 50 races
// of 25 heats on 4 tracks, 50 laps a track (250,000 laps). Timed: "Show Laps"
// of the championship to the lap view painted with every driver's figures,
// and the click on "Chart" to the chart window painted.
#include "BenchProgram.h"
#include "BigCup.h"

#include "common/MessageBoxes.h"
#include "data/RecordActions.h"
#include "data/StoreTransaction.h"
#include "results/KWLRoundResult.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

namespace {

constexpr int Races = 50;
constexpr int Heats = 25;
constexpr int Tracks = 4;
constexpr int LapsPerTrack = 50;

void PrepareChampionship(const QString& folder)
{
    TKWLStore store;
    OpenBigCup(folder, store);
    QSqlDatabase db = store.Database();
    TStoreTransaction rows(db);
    uint32_t seed = 4711;
    for (int race = 1; race <= Races; ++race) {
        rows.Exec(QStringLiteral(R"(INSERT INTO "KWL_Race.DB" (CSnr, RCnr, RCnaam) VALUES (1, ?, ?))"),
                  {race, QStringLiteral("Race %1").arg(race)});
        for (int heat = 1; heat <= Heats; ++heat) {
            rows.Exec(QStringLiteral(R"(INSERT INTO "KWL_Heat.DB" VALUES (1, ?, ?, 1))"), {race, heat});
            for (int track = 1; track <= Tracks; ++track) {
                const int driver = (heat - 1) * Tracks + track;
                rows.Exec(QStringLiteral(R"(INSERT INTO "KWL_HeatDetail.DB" VALUES (1, ?, ?, ?, ?, 50, 400000, 5800))"),
                          {race, heat, track, driver});
                for (int lap = 1; lap <= LapsPerTrack; ++lap) {
                    seed = seed * 1103515245u + 12345u;
                    // Now and then a lap without a time or a crash over the minute.
                    const uint32_t roll = (seed >> 8) % 1000;
                    const uint32_t ms = roll == 0 ? 0 : roll == 1 ? 65000 : 7000 + roll * 2;
                    rows.Exec(QStringLiteral(R"(INSERT INTO "KWL_HeatDetailLaps.DB" VALUES (1, ?, ?, ?, ?, ?, 0))"),
                              {race, heat, track, lap, ms});
                }
            }
        }
    }
    rows.Commit();
}

struct TBigChampionship {
    QTemporaryDir dir;
    TBigChampionship() { PrepareChampionship(dir.path()); }
};

TBigChampionship& Championship()
{
    static TBigChampionship championship;
    return championship;
}

// From "Show Laps" of the championship to the lap view painted with its
// figures under the grid.
void BM_LapViewOfChampionship(benchmark::State& state)
{
    Messages::BeginScript();
    TBenchProgram program(Championship().dir.path());
    TKWL_RoundResults* view = program.windows.RoundResults;
    for (auto _ : state) {
        QTimer::singleShot(0, view, [view] {
            view->repaint();
            view->accept();
        });
        view->ShowStoredLaps(program.Placement(), 1, 0, TKWL_RoundResults::ChampionshipMode);
    }
    // What the view had, so a store that lost rows shows in the numbers.
    qsizetype laps = 0;
    for (const TDriverLaps& driver : view->DriverLaps())
        laps += driver.Laps.size();
    state.counters["drivers"] = double(view->DriverLaps().size());
    state.counters["laps"] = double(laps);
    Messages::EndScript();
}

// From the click on "Chart" to the chart window painted, in the lap view of
// the championship.
void BM_ChartOfChampionship(benchmark::State& state)
{
    Messages::BeginScript();
    TBenchProgram program(Championship().dir.path());
    TKWL_RoundResults* view = program.windows.RoundResults;
    QTimer::singleShot(0, view, [&] {
        auto* chart = view->findChild<QPushButton*>(QStringLiteral("ButtonChart"));
        for (auto _ : state) {
            QTimer::singleShot(0, view, [] {
                auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                window->repaint();
                window->accept();
            });
            chart->click();
        }
        view->accept();
    });
    view->ShowStoredLaps(program.Placement(), 1, 0, TKWL_RoundResults::ChampionshipMode);
    state.counters["laps"] = Races * Heats * Tracks * LapsPerTrack;
    Messages::EndScript();
}

}  // namespace

BENCHMARK(BM_LapViewOfChampionship)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ChartOfChampionship)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

KOBALAP_BENCHMARK_MAIN()
