// Adding 1000 drivers to the race database: as 1000 actions (each committed
// durably on its own, as a user adding drivers one by one) and as one action.
#include "BenchMain.h"

#include "data/KWLStore.h"
#include "data/RecordActions.h"

#include <QTemporaryDir>

namespace {

QStringList Names(int count)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << QStringLiteral("Driver %1").arg(i, 4, 10, QLatin1Char('0'));
    return names;
}

// Each iteration starts from an empty database; its creation is not timed.
template <typename AddDrivers>
void AddToFreshStore(benchmark::State& state, AddDrivers add)
{
    const QStringList names = Names(1000);
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        TKWLStore store;
        store.Open(dir.path());
        TRecordActions actions(store.Database());
        state.ResumeTiming();
        if (!add(actions, names))
            state.SkipWithError("insert failed");
    }
    state.counters["drivers/s"] = benchmark::Counter(1000.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Add1000DriversOneActionEach(benchmark::State& state)
{
    AddToFreshStore(state, [](TRecordActions& actions, const QStringList& names) {
        for (const QString& name : names)
            if (!actions.AddDriver(name))
                return false;
        return true;
    });
}

void BM_Add1000DriversInOneAction(benchmark::State& state)
{
    AddToFreshStore(state, [](TRecordActions& actions, const QStringList& names) { return actions.AddDrivers(names); });
}

}  // namespace

BENCHMARK(BM_Add1000DriversOneActionEach)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_Add1000DriversInOneAction)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

KOBALAP_BENCHMARK_MAIN()
