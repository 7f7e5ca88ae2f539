// How exactly and how soon a race on a Carrera track is timed: our Control
// Unit emulator, answering at a real unit's 19200 baud pace, drives four
// scripted cars; the program's CU backend times a Lap race through the race
// window. Prints the lap error against the emulator's crossings and the delay
// from a crossing (as the unit logged it) to the race screen showing the lap.
#include "BenchMain.h"
#include "SampleStats.h"

#include "common/MaskFile.h"
#include "common/RaceClock.h"
#include "common/Settings.h"
#include "common/TrackIo.h"
#include "hardware/carrera/CarreraPort.h"
#include "support/CarreraEmulator.h"
#include "timing/KWLPauseRace.h"
#include "timing/KWLStopLicht.h"
#include "timing/KWLTimer.h"

#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int Cars = 4;
constexpr int Laps = 25;

int64_t SteadyUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Car n's scripted laps: 350..700 ms, no two cars alike.
QString CarScript(int car)
{
    QString script = QStringLiteral("car %1").arg(car);
    for (int lap = 0; lap < 10; ++lap)
        script += QStringLiteral(" %1").arg(350 + (lap * 7919 + car * 104'729) % 351);
    return script;
}

struct TLogged {
    int64_t CuMs = 0;
    int64_t StampUs = 0;
};

void BM_CarreraRace(benchmark::State& state)
{
    std::vector<double> lapErrors, firstLapErrors, delaysMs;
    for (auto _ : state) {
        TCarreraEmulator cu({QStringLiteral("--step-ms"), QStringLiteral("300"), QStringLiteral("--stamp"),
                             QStringLiteral("--baud"), QStringLiteral("19200")});
        for (int car = 1; car <= Cars; ++car)
            cu.Send(CarScript(car));
        TSettings settings;
        settings.Sounds.fill(false);
        settings.BounceDelayMs = 200;
        TSensorMasks masks;
        TSteadyPerfCounter counter;
        TSystemClock clock{counter};
        TCarreraPort port(cu.Device());
        if (cu.Device().isEmpty() || !port.Open()) {
            state.SkipWithError("the emulated Control Unit did not answer");
            return;
        }
        TTrackIo io(port, settings, masks);
        TFKWLStopLicht lights;
        TFKWLPauseRace pause(settings);
        TKWL_Timer timer(clock, io, settings, QDir::currentPath());
        timer.SetRaceWindows(lights, pause);

        // When the window showed each lap: the display's own record of what
        // it shows, looked at every millisecond on the window's thread.
        std::vector<std::vector<int64_t>> shownUs(Cars);
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            for (int n = 0; n < Cars; ++n) {
                const int shown = timer.Tracks()[size_t(n)].ShownLaps / 1000;
                while (int(shownUs[size_t(n)].size()) < shown)
                    shownUs[size_t(n)].push_back(SteadyUs());
            }
        });
        QTimer::singleShot(0, &timer, [&] {
            watch.start(1);
            timer.findChild<QPushButton*>(QStringLiteral("ButtonStart"))->click();
        });
        QTimer finish;
        QObject::connect(&finish, &QTimer::timeout, [&] {
            auto* ok = timer.findChild<QPushButton*>(QStringLiteral("ButtonOK"));
            if (!timer.Racing() && ok->isEnabled())
                ok->click();
        });
        finish.start(50);
        const TWindowPlacement placement{0, 20, 30, 800, 600};
        timer.StartRace(QStringLiteral("Lap"), Laps,
                        {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")}, {},
                        placement);
        watch.stop();
        port.Close();

        TLogged green;
        std::vector<std::vector<TLogged>> crossings(Cars);
        for (const QString& line : cu.Log()) {
            const QStringList words = line.split(QLatin1Char(' '));
            const int64_t stamp = words.last().mid(1).toLongLong();
            if (words.value(0) == QLatin1String("green"))
                green = {words.value(1).toLongLong(), stamp};
            else if (words.value(0) == QLatin1String("crossing") && words.value(1).toInt() <= Cars)
                crossings[size_t(words.value(1).toInt() - 1)].push_back({words.value(2).toLongLong(), stamp});
        }
        for (int n = 0; n < Cars; ++n) {
            const std::vector<TLogged>& crossed = crossings[size_t(n)];
            for (int lap = 1; lap <= Laps && lap <= int(crossed.size()); ++lap) {
                const int64_t from = lap == 1 ? green.CuMs : crossed[size_t(lap - 2)].CuMs;
                const double error = std::abs(double(timer.Tracks()[size_t(n)].LapTimes[size_t(lap)]) -
                                              double(crossed[size_t(lap - 1)].CuMs - from));
                (lap == 1 ? firstLapErrors : lapErrors).push_back(error);
                if (lap <= int(shownUs[size_t(n)].size()))
                    delaysMs.push_back(double(shownUs[size_t(n)][size_t(lap - 1)] - crossed[size_t(lap - 1)].StampUs) /
                                       1000.0);
            }
        }
    }
    const double maxLap = Max(lapErrors);
    const double maxFirst = Max(firstLapErrors);
    const double maxDelay = Max(delaysMs);
    std::printf(
        "Carrera Control Unit (emulated, 19200 baud pace): %zu laps from a crossing to a crossing, %zu first "
        "laps\n"
        "  lap error against the unit's crossings: max %.0f ms (first lap from the green: max %.0f ms)\n"
        "  crossing to the race screen showing the lap: median %.1f ms, max %.1f ms (%zu laps)\n",
        lapErrors.size(), firstLapErrors.size(), maxLap, maxFirst, Median(delaysMs), maxDelay, delaysMs.size());
    state.counters["max_lap_error_ms"] = maxLap;
    state.counters["max_first_lap_error_ms"] = maxFirst;
    state.counters["median_delay_ms"] = Median(delaysMs);
    state.counters["max_delay_ms"] = maxDelay;
}

}  // namespace

BENCHMARK(BM_CarreraRace)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

KOBALAP_BENCHMARK_MAIN();
