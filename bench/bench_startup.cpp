// Start-up to the main window shown: settings read, output lines switched
// off, race database opened (created on a fresh installation), the sixteen
// windows created and the main window shown. The clock check sleeps 100 ms by
// design; it is measured apart so the program's own work stands out.
#include "BenchMain.h"

#include "app/AppContext.h"
#include "app/AppWindows.h"
#include "app/KWLMainForm.h"
#include "common/MessageBoxes.h"
#include "data/RecordActions.h"
#include "hardware/SimulatedTrack.h"

#include <QTemporaryDir>

namespace {

void PrepareWorkingDirectory(const QString& folder, int drivers)
{
    TSettings settings;
    TSensorMasks masks;
    WriteSettings(settings, masks, folder);
    if (drivers > 0) {
        TKWLStore store;
        store.Open(folder);
        QStringList names;
        for (int i = 0; i < drivers; ++i)
            names << QStringLiteral("Driver %1").arg(i);
        TRecordActions(store.Database()).AddDrivers(names);
    }
}

void StartOnce(const QString& folder, bool realClockCheck)
{
    TInstantCounter instant;
    TAppContext context;
    context.workingDirectory = folder;
    context.simulated = true;
    if (!realClockCheck)
        context.clock.SetCounter(instant);
    context.port = std::make_unique<TSimulatedTrack>(context.clock, context.settings, context.masks, 1u);
    context.port->Open();
    TAppWindows windows;
    if (CreateWindowsAndShow(context, windows) != -1)
        qFatal("start-up failed");
    QApplication::processEvents();
    benchmark::DoNotOptimize(windows.MainForm->isVisible());
}

void BM_StartupFreshInstallation(benchmark::State& state)
{
    Messages::BeginScript();
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        PrepareWorkingDirectory(dir.path(), 0);
        state.ResumeTiming();
        StartOnce(dir.path(), false);
    }
    Messages::EndScript();
}

void BM_StartupWith1000Drivers(benchmark::State& state)
{
    Messages::BeginScript();
    QTemporaryDir dir;
    PrepareWorkingDirectory(dir.path(), 1000);
    for (auto _ : state)
        StartOnce(dir.path(), state.range(0) != 0);
    Messages::EndScript();
}

}  // namespace

BENCHMARK(BM_StartupFreshInstallation)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_StartupWith1000Drivers)
    ->ArgName("realClockCheck")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

KOBALAP_BENCHMARK_MAIN()
