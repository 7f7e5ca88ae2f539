#pragma once

// Kills the race runner (tests/app/race_crash_runner.cpp) during a heat and
// looks at what the next start made of it: every lap the race screen had
// shown well before the kill must be in the store once, with its own time.
// Shared by the recovery test and its benchmark; needs no test framework.
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <signal.h>

struct TShownLap {
    int Track = 0;
    int Lap = 0;
    uint32_t Ms = 0;
    int64_t AtMs = 0;  // when its line came in
};

struct TKilledRun {
    QList<TShownLap> Laps;
    QString KilledIn;       // the last phase the runner said
    int64_t KillAtMs = -1;  // on the clock of AtMs; -1: not killed
    QString Failure;
};

// Starts "runner run dir seed" and kills it delayMs after it says "phase
// <phase>" (after its start when phase is empty).
inline TKilledRun RunAndKill(const QString& runner, const QString& dir, uint32_t seed, const QString& phase,
                             int delayMs, int timeoutMs = 30000)
{
    TKilledRun run;
    QProcess process;
    process.start(runner, {QStringLiteral("run"), dir, QString::number(seed)});
    if (!process.waitForStarted()) {
        run.Failure = QStringLiteral("the runner did not start");
        return run;
    }
    QElapsedTimer clock;
    clock.start();
    int64_t killAt = phase.isEmpty() ? delayMs : -1;
    QByteArray pending;
    const auto take = [&] {
        pending += process.readAllStandardOutput();
        const int64_t now = clock.elapsed();
        for (int end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            const QList<QByteArray> words = pending.left(end).split(' ');
            pending.remove(0, end + 1);
            if (words[0] == "lap" && words.size() == 4) {
                run.Laps << TShownLap{words[1].toInt(), words[2].toInt(), words[3].toUInt(), now};
            } else if (words[0] == "phase" && words.size() == 2) {
                run.KilledIn = QString::fromLatin1(words[1]);
                if (killAt < 0 && run.KilledIn == phase)
                    killAt = now + delayMs;
            }
        }
    };
    while (process.state() == QProcess::Running && clock.elapsed() < timeoutMs) {
        if (killAt >= 0 && clock.elapsed() >= killAt) {
            // Only the runner this call started, by its own process id.
            if (process.processId() > 0 && ::kill(pid_t(process.processId()), SIGKILL) == 0)
                run.KillAtMs = clock.elapsed();
            break;
        }
        const int64_t wait = killAt < 0 ? 20 : std::clamp<int64_t>(killAt - clock.elapsed(), 0, 20);
        if (process.waitForReadyRead(int(wait)))
            take();
    }
    if (run.KillAtMs < 0 && process.state() == QProcess::Running) {
        process.kill();
        run.Failure = QStringLiteral("timed out after phase %1").arg(run.KilledIn);
    }
    process.waitForFinished(10000);
    take();
    if (run.KillAtMs < 0 && run.Failure.isEmpty())
        run.Failure = QStringLiteral("the runner ended by itself after phase %1: %2")
                          .arg(run.KilledIn, QString::fromLocal8Bit(process.readAllStandardError()));
    return run;
}

struct TRecovery {
    int ExitCode = -1;   // -1: it crashed or hung
    bool Asked = false;  // the recovery question was put
    QString Output;
};

// The next start: "runner recover dir answer".
inline TRecovery RecoverRun(const QString& runner, const QString& dir, const QString& answer, int timeoutMs = 30000)
{
    TRecovery recovery;
    QProcess process;
    process.start(runner, {QStringLiteral("recover"), dir, answer});
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(10000);
    } else if (process.exitStatus() == QProcess::NormalExit) {
        recovery.ExitCode = process.exitCode();
    }
    recovery.Output = QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
    recovery.Asked = recovery.Output.contains(QLatin1String("message A race did not end normally"));
    return recovery;
}

struct TLapCheck {
    int Due = 0;   // laps shown more than the margin before the kill
    int Back = 0;  // of those, stored with their time
    int Lost = 0;
    int WrongTime = 0;
    int Duplicated = 0;  // (track, lap) stored more than once
    int Stored = 0;      // lap rows in the store
    QStringList Faults;
};

// Reads the store of dir read-only (nothing else may have it open) and holds
// the laps of run against it.
inline TLapCheck CheckStoredLaps(const QString& dir, const TKilledRun& run, int marginMs = 250)
{
    TLapCheck check;
    QHash<QPair<int, int>, uint32_t> stored;
    const QString connection = QStringLiteral("race-kill-check");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(QDir(dir).filePath(QStringLiteral("data/KWLManager.sqlite")));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        QSqlQuery query(db);
        if (!db.open() || !query.exec(QStringLiteral(R"(SELECT Tracknr, RNDnr, count(*), min("Time")
                FROM "KWL_HeatDetailLaps.DB" GROUP BY Tracknr, RNDnr)"))) {
            check.Faults << QStringLiteral("store unreadable");
        }
        while (query.next()) {
            const QPair<int, int> key{query.value(0).toInt(), query.value(1).toInt()};
            const int count = query.value(2).toInt();
            check.Stored += count;
            stored[key] = query.value(3).toUInt();
            if (count > 1) {
                ++check.Duplicated;
                check.Faults
                    << QStringLiteral("track %1 lap %2 stored %3 times").arg(key.first).arg(key.second).arg(count);
            }
        }
    }
    QSqlDatabase::removeDatabase(connection);
    for (const TShownLap& lap : run.Laps) {
        if (run.KillAtMs >= 0 && lap.AtMs > run.KillAtMs - marginMs)
            continue;
        ++check.Due;
        const auto found = stored.constFind({lap.Track, lap.Lap});
        if (found == stored.cend()) {
            ++check.Lost;
            check.Faults << QStringLiteral("track %1 lap %2 lost").arg(lap.Track).arg(lap.Lap);
        } else if (*found != lap.Ms) {
            ++check.WrongTime;
            check.Faults << QStringLiteral("track %1 lap %2 stored as %3 ms, shown as %4 ms")
                                .arg(lap.Track)
                                .arg(lap.Lap)
                                .arg(*found)
                                .arg(lap.Ms);
        } else {
            ++check.Back;
        }
    }
    return check;
}

// The journals a discard set aside.
inline QStringList DiscardedJournals(const QString& dir)
{
    return QDir(QDir(dir).filePath(QStringLiteral("journal"))).entryList({QStringLiteral("discarded-*.kjr")});
}
