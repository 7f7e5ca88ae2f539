// The whole program killed at uniformly random moments of a heat (start-up to
// "Done"), each time in a fresh working directory, and started again with the
// answer "Resume" or "Finish" in turn: how often each phase was hit, how many
// laps shown more than 250 ms before the kill had to come back, and how many
// came back, were lost or were stored twice; and how many restarts failed.
// KOBALAP_BENCH_KILLS sets the number of kills (60).
#include "BenchMain.h"

#include "support/RaceKill.h"

#include <QElapsedTimer>
#include <QMap>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>

namespace {

int Kills()
{
    const int kills = qEnvironmentVariableIntValue("KOBALAP_BENCH_KILLS");
    return kills > 0 ? kills : 60;
}

void BM_KillAndRecover(benchmark::State& state)
{
    const QString runner = QStringLiteral(KOBALAP_RACE_RUNNER);
    for (auto _ : state) {
        // A heat left to end by itself gives the span the kills are spread over.
        int64_t spanMs = 0;
        {
            QTemporaryDir dir;
            QElapsedTimer whole;
            whole.start();
            RunAndKill(runner, dir.path(), 1, QStringLiteral("never"), 0);
            spanMs = whole.elapsed();
        }
        QRandomGenerator random(20261209);
        QMap<QString, int> perPhase;
        TLapCheck total;
        int restartFailures = 0;
        int endedFirst = 0;
        const int kills = Kills();
        // A heat shorter than the first (fewer pauses) may end before its
        // moment comes; another is run in its place.
        for (int kill = 0; kill < kills && endedFirst < kills;) {
            QTemporaryDir dir;
            const TKilledRun run =
                RunAndKill(runner, dir.path(), random.generate(), QString(), int(random.bounded(int(spanMs))));
            if (run.KillAtMs < 0) {
                ++endedFirst;
                continue;
            }
            ++kill;
            ++perPhase[run.KilledIn.isEmpty() ? QStringLiteral("start-up") : run.KilledIn];
            const QString answer = kill % 2 ? QStringLiteral("finish") : QStringLiteral("resume");
            const TRecovery recovery = RecoverRun(runner, dir.path(), answer);
            const bool journalLeft = !run.KilledIn.isEmpty() && run.KilledIn != QLatin1String("storing") &&
                                     run.KilledIn != QLatin1String("done");
            if (recovery.ExitCode != 0 || (journalLeft && !recovery.Asked)) {
                ++restartFailures;
                std::printf("restart failed after a kill in %s:\n%s\n", qPrintable(run.KilledIn),
                            qPrintable(recovery.Output));
            }
            const TLapCheck check = CheckStoredLaps(dir.path(), run);
            total.Due += check.Due;
            total.Back += check.Back;
            total.Lost += check.Lost;
            total.WrongTime += check.WrongTime;
            total.Duplicated += check.Duplicated;
            if (!check.Faults.isEmpty())
                std::printf("after a kill in %s: %lld faults, the first: %s\n", qPrintable(run.KilledIn),
                            static_cast<long long>(check.Faults.size()), qPrintable(check.Faults.first()));
        }
        std::printf("%d kills over a heat of %lld ms (%d runs ended before their kill)\n", kills,
                    static_cast<long long>(spanMs), endedFirst);
        for (auto it = perPhase.cbegin(); it != perPhase.cend(); ++it)
            std::printf("  killed in %-18s %d\n", qPrintable(it.key()), it.value());
        std::printf("laps that had to come back %d: back %d, lost %d, wrong time %d, stored twice %d\n", total.Due,
                    total.Back, total.Lost, total.WrongTime, total.Duplicated);
        std::printf("restart failures %d\n", restartFailures);
        state.counters["lost"] = total.Lost + total.WrongTime;
        state.counters["duplicated"] = total.Duplicated;
        state.counters["restart_failures"] = restartFailures;
    }
}

}  // namespace

BENCHMARK(BM_KillAndRecover)->Iterations(1)->Unit(benchmark::kSecond);

KOBALAP_BENCHMARK_MAIN();
