// How exactly and how soon a race on a DIY lap counter is timed: our counter
// emulator, sending at a real counter's 19200 baud pace on a serial line (or
// over TCP), drives four scripted cars; the program times a Lap race through
// the race window. Prints the lap error against the emulator's crossings and
// the delay from the counter's lap message (as the emulator logged sending
// it) to the race screen showing the lap.
#include "BenchMain.h"
#include "SampleStats.h"

#include "common/MaskFile.h"
#include "common/MessageBoxes.h"
#include "common/RaceClock.h"
#include "common/Settings.h"
#include "common/TrackIo.h"
#include "hardware/SerialWire.h"
#include "hardware/lapcounter/LapCounterPort.h"
#include "hardware/lapcounter/LapCounterTcpWire.h"
#include "support/LapCounterEmulator.h"
#include "timing/KWLPauseRace.h"
#include "timing/KWLStopLicht.h"
#include "timing/KWLTimer.h"

#include <QPushButton>
#include <QRegularExpression>
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

// Car n's scripted laps: 350..700 ms, no two cars alike, after a first lap
// long enough for the script to reach the emulator after the green.
QString CarScript(int car)
{
    QString script = QStringLiteral("car %1 %2").arg(car).arg(1500 + car * 37);
    for (int lap = 1; lap < Laps; ++lap)
        script += QStringLiteral(" %1").arg(350 + (lap * 7919 + car * 104'729) % 351);
    return script;
}

struct TLogged {
    int64_t CounterMs = 0;
    int64_t StampUs = 0;
};

void BM_LapCounterRace(benchmark::State& state)
{
    const bool tcp = state.range(0) != 0;
    std::vector<double> lapErrors, firstLapErrors, delaysMs;
    for (auto _ : state) {
        QStringList arguments{QStringLiteral("--stamp")};
        if (tcp)
            arguments << QStringLiteral("--tcp") << QStringLiteral("0");
        else
            arguments << QStringLiteral("--baud") << QStringLiteral("19200") << QStringLiteral("--link")
                      << QDir::current().filePath(QStringLiteral("counter"));
        TLapCounterEmulator counter(arguments);
        const QString where = tcp ? counter.Device() : arguments.last();
        TSettings settings;
        settings.Sounds.fill(false);
        settings.BounceDelayMs = 200;
        TSensorMasks masks;
        TSteadyPerfCounter perfCounter;
        TSystemClock clock{perfCounter};
        TLapCounterPort port(
            [where, tcp]() -> std::unique_ptr<TByteWire> {
                QString host;
                uint16_t number = 0;
                if (tcp && SplitHostAndPort(where, host, number))
                    return std::make_unique<TLapCounterTcpWire>(host, number);
                return std::make_unique<TSerialWire>(where, QStringLiteral("%1: %2"));
            },
            where, !tcp, masks, nullptr);
        if (counter.Device().isEmpty() || !port.Open()) {
            state.SkipWithError("the emulated lap counter did not answer");
            return;
        }
        TTrackIo io(port, settings, masks);
        // The notice that nothing switches the track is answered at once.
        Messages::BeginScript();
        Messages::QueueAnswer(TMessageAnswer::Ok);
        TFKWLStopLicht lights;
        TFKWLPauseRace pause(settings);
        TKWL_Timer timer(clock, io, settings, QDir::currentPath());
        timer.SetRaceWindows(lights, pause);

        // When the window showed each lap: the display's own record of what
        // it shows, looked at every millisecond on the window's thread. The
        // cars are set going once the green's clock reset (the second) is in.
        std::vector<std::vector<int64_t>> shownUs(Cars);
        bool driving = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (!driving && counter.Log().filter(QRegularExpression(QStringLiteral("^start "))).size() >= 2) {
                driving = true;
                for (int car = 1; car <= Cars; ++car)
                    counter.Send(CarScript(car));
            }
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
        Messages::EndScript();
        port.Close();

        // The counter's clock went to zero at every start; the laps count
        // from the second, the green's.
        int starts = 0;
        std::vector<std::vector<TLogged>> crossings(Cars);
        for (const QString& line : counter.Log()) {
            const QStringList words = line.split(QLatin1Char(' '));
            if (words.value(0) == QLatin1String("start"))
                ++starts;
            else if (starts == 2 && words.value(0) == QLatin1String("crossing") && words.value(1).toInt() <= Cars)
                crossings[size_t(words.value(1).toInt() - 1)].push_back(
                    {words.value(2).toLongLong(), words.last().mid(1).toLongLong()});
        }
        for (int n = 0; n < Cars; ++n) {
            const std::vector<TLogged>& crossed = crossings[size_t(n)];
            for (int lap = 1; lap <= Laps && lap <= int(crossed.size()); ++lap) {
                const int64_t from = lap == 1 ? 0 : crossed[size_t(lap - 2)].CounterMs;
                const double error = std::abs(double(timer.Tracks()[size_t(n)].LapTimes[size_t(lap)]) -
                                              double(crossed[size_t(lap - 1)].CounterMs - from));
                (lap == 1 ? firstLapErrors : lapErrors).push_back(error);
                if (lap <= int(shownUs[size_t(n)].size()))
                    delaysMs.push_back(double(shownUs[size_t(n)][size_t(lap - 1)] - crossed[size_t(lap - 1)].StampUs) /
                                       1000.0);
            }
        }
    }
    std::printf(
        "Lap counter (emulated, %s): %zu laps from a crossing to a crossing, %zu first laps\n"
        "  lap error against the counter's crossings: max %.0f ms (first lap from the green: max %.0f ms)\n"
        "  lap message to the race screen showing the lap: median %.1f ms, max %.1f ms (%zu laps)\n",
        tcp ? "TCP on this machine" : "serial line at 19200 baud pace", lapErrors.size(), firstLapErrors.size(),
        Max(lapErrors), Max(firstLapErrors), Median(delaysMs), Max(delaysMs), delaysMs.size());
    state.counters["max_lap_error_ms"] = Max(lapErrors);
    state.counters["max_first_lap_error_ms"] = Max(firstLapErrors);
    state.counters["median_delay_ms"] = Median(delaysMs);
    state.counters["max_delay_ms"] = Max(delaysMs);
}

}  // namespace

BENCHMARK(BM_LapCounterRace)->ArgName("tcp")->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

KOBALAP_BENCHMARK_MAIN();
