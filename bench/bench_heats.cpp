// The heats of a championship race: storing the result of a long heat as one
// durable action, generating heats for a club of 1000 drivers, and opening
// the heats window of a race with 250 heats.
#include "BenchProgram.h"

#include "common/MessageBoxes.h"
#include "data/RecordActions.h"
#include "data/StoreTransaction.h"
#include "heats/HeatStore.h"
#include "heats/KWLHeats.h"

#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

namespace {

// A championship (Lap, 2000 laps) with one race and `drivers` linked drivers.
void PrepareChampionship(QSqlDatabase db, int drivers)
{
    TRecordActions actions(db);
    QStringList names;
    for (int i = 0; i < drivers; ++i)
        names << QStringLiteral("Driver %1").arg(i, 4, 10, QLatin1Char('0'));
    actions.AddDrivers(names);
    const int csnr = *actions.AddChampionship(QStringLiteral("Club"), 2000, 3, false);
    actions.AddRace(csnr, QStringLiteral("Spa"));
    TStoreTransaction links(db);
    links.Exec(QStringLiteral(R"(INSERT INTO "KWL_DIC.db" SELECT 1, DRVnr FROM "KWL_Drivers.DB")"));
    links.Commit();
}

// A fresh store in a folder of its own with that championship.
struct TBenchStore {
    QTemporaryDir dir;
    TKWLStore store;
    explicit TBenchStore(int drivers)
    {
        store.Open(dir.path());
        PrepareChampionship(store.Database(), drivers);
    }
    THeatStore Heats() const { return THeatStore(store.Database(), 1, 1); }
};

void BM_StoreHeatResult4x2000Laps(benchmark::State& state)
{
    TBenchStore bench(4);
    THeatStore heats = bench.Heats();
    heats.AppendHeats({{1, {1, 2, 3, 4}}});
    const THeatChampionship championship = *heats.Championship();
    auto tracks = std::make_unique<TTrackStates>();
    for (TTrackState& track : *tracks) {
        track.Laps = 2000 * 1000;
        track.TotalTime = 2000 * 6000;
        track.FastestLap = 5800;
        for (int lap = 1; lap <= 2000; ++lap)
            track.LapTimes[size_t(lap)] = uint32_t(5800 + lap % 400);
    }
    // Every iteration replaces the heat's 8000 lap rows, as a heat run again.
    for (auto _ : state) {
        if (!heats.StoreHeatResult(1, *tracks, 4, 100, championship))
            state.SkipWithError("store failed");
    }
    state.counters["lap rows/s"] = benchmark::Counter(8000.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}

// Generation and the one action that writes the heats; the store starts
// empty of heats each time.
void BM_Generate1000DriversOn4Tracks(benchmark::State& state)
{
    TBenchStore bench(1000);
    THeatStore heats = bench.Heats();
    const bool methodA = state.range(0) == 0;
    for (auto _ : state) {
        state.PauseTiming();
        heats.DeleteAllHeats();
        state.ResumeTiming();
        TDriverPool pool;
        pool.LoadDriverPool(*heats.ChampionshipDrivers(), 4711);
        const int32_t last = *heats.LastHeatNumber();
        const THeatPlan plan = methodA ? GenerateHeatsA(pool, 4, {2, 3, 4, 1}, last) : GenerateHeatsB(pool, 4, last);
        if (!heats.AppendHeats(plan))
            state.SkipWithError("append failed");
    }
}

// From "Goto Heats" to the window up with its three grids filled, for a race
// with 250 heats of four drivers, half of them run.
void BM_OpenHeatsWindow250Heats(benchmark::State& state)
{
    Messages::BeginScript();
    QTemporaryDir dir;
    {
        TSettings settings;
        TSensorMasks masks;
        WriteSettings(settings, masks, dir.path());
        TKWLStore store;
        store.Open(dir.path());
        PrepareChampionship(store.Database(), 250);
        THeatStore heats(store.Database(), 1, 1);
        TDriverPool pool;
        pool.LoadDriverPool(*heats.ChampionshipDrivers(), 4711);
        heats.AppendHeats(GenerateHeatsB(pool, 4, 0));
        TStoreTransaction results(store.Database());
        results.Exec(QStringLiteral(
            R"(UPDATE "KWL_HeatDetail.DB" SET Laps = 20000, "Time" = 123456, TopLapTime = 5800 WHERE HTnr <= 125)"));
        results.Exec(QStringLiteral(R"(UPDATE "KWL_Heat.DB" SET Finished = 1 WHERE HTnr <= 125)"));
        results.Commit();
    }
    TBenchProgram program(dir.path());
    TAppWindows& windows = program.windows;
    const TWindowPlacement placement = program.Placement();
    for (auto _ : state) {
        // The window closes as soon as its modal loop runs and it has been
        // painted once: it is up, filled and shown.
        QTimer::singleShot(0, windows.Heats, [&] {
            windows.Heats->repaint();
            windows.Heats->Button1Click();
        });
        windows.Heats->OpenHeats(placement, 1, 1);
    }
    state.counters["driver rows"] = double(windows.Heats->DriverInfoGrid()->rowCount());
    Messages::EndScript();
}

}  // namespace

BENCHMARK(BM_StoreHeatResult4x2000Laps)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();
BENCHMARK(BM_Generate1000DriversOn4Tracks)
    ->ArgName("methodB")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();
BENCHMARK(BM_OpenHeatsWindow250Heats)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

KOBALAP_BENCHMARK_MAIN()
