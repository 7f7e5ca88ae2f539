#include "data/KWLStore.h"
#include "heats/HeatStore.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QSqlQuery>
#include <QThread>
#include <QtTest>
#include <signal.h>

// A writer process is killed at random moments while it commits actions. The
// database must come back whole every time: it passes SQLite's integrity check,
// every action it reported as committed is there, and no action is there in
// part.
class TestStoreCrash : public QObject {
    Q_OBJECT
private slots:
    void killedWriterLeavesWholeActions()
    {
        TTestWorkDir dir;
        QSet<int> reportedHeats;
        QSet<int> reportedDrivers;
        QRandomGenerator random(20261207);
        const int rounds = 12;
        for (int round = 0; round < rounds; ++round) {
            QProcess writer;
            writer.start(QStringLiteral(KOBALAP_CRASH_WRITER), {dir.Path()});
            QVERIFY(writer.waitForStarted());
            QVERIFY(writer.waitForReadyRead(20000));  // "ready": the store is open
            QTest::qWait(int(random.bounded(20, 300)));
            QVERIFY(KillWriter(writer));
            QVERIFY(writer.waitForFinished(20000));
            const QStringList lines =
                QString::fromLatin1(writer.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            QVERIFY2(writer.exitStatus() == QProcess::CrashExit,
                     qPrintable(QString::fromLocal8Bit(writer.readAllStandardError())));
            for (const QString& line : lines) {
                if (line.startsWith(QLatin1String("heat ")))
                    reportedHeats << line.mid(5).toInt();
                else if (line.startsWith(QLatin1String("drivers ")))
                    reportedDrivers << line.mid(8).toInt();
            }
            CheckStore(dir.Path(), reportedHeats, reportedDrivers);
        }
        QVERIFY2(reportedHeats.size() > rounds, "the writer committed too little to test anything");
    }

    // The heats window's writes: a generation run is all its heats or none,
    // and a stored heat holds one run's result whole (the newest reported,
    // or one committed just before the kill), never parts of two.
    void killedHeatWriterLeavesWholeHeats()
    {
        TTestWorkDir dir;
        QHash<int, int> reportedRuns;
        int reportedLastHeat = 0;
        QRandomGenerator random(20261208);
        for (int round = 0; round < 6; ++round) {
            QProcess writer;
            writer.start(QStringLiteral(KOBALAP_CRASH_WRITER), {dir.Path(), QStringLiteral("heats")});
            QVERIFY(writer.waitForStarted());
            QVERIFY(writer.waitForReadyRead(20000));
            QTest::qWait(int(random.bounded(20, 150)));
            QVERIFY(KillWriter(writer));
            QVERIFY(writer.waitForFinished(20000));
            QVERIFY2(writer.exitStatus() == QProcess::CrashExit,
                     qPrintable(QString::fromLocal8Bit(writer.readAllStandardError())));
            for (const QString& line :
                 QString::fromLatin1(writer.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
                const QStringList words = line.split(QLatin1Char(' '));
                if (words.at(0) == QLatin1String("generated"))
                    reportedLastHeat = words.at(1).toInt();
                else if (words.at(0) == QLatin1String("stored"))
                    reportedRuns[words.at(1).toInt()] = words.at(2).toInt();
            }
            CheckHeats(dir.Path(), reportedLastHeat, reportedRuns);
        }
        QVERIFY2(reportedRuns.size() > 6, "the writer stored too little to test anything");
    }

    // A first start killed while it creates the database leaves no file or
    // a whole one: the next start opens it, with every table.
    void killedFirstStartLeavesAWholeFileOrNone()
    {
        QRandomGenerator random(20261209);
        for (int round = 0; round < 20; ++round) {
            TTestWorkDir dir;
            QProcess writer;
            writer.start(QStringLiteral(KOBALAP_CRASH_WRITER), {dir.Path()});
            QVERIFY(writer.waitForStarted());
            // The data folder is made just before the database.
            QElapsedTimer waited;
            waited.start();
            while (!QFileInfo::exists(dir.File(QStringLiteral("data"))) && waited.elapsed() < 20000)
                QThread::usleep(200);
            QThread::usleep(random.bounded(40000));  // the start opens the database within this time
            QVERIFY(KillWriter(writer));
            QVERIFY(writer.waitForFinished(20000));
            TKWLStore store;
            QVERIFY2(store.Open(dir.Path()) == TKWLStore::Status::Open,
                     qPrintable(store.ErrorText() + QLatin1Char(' ') + store.DetailText()));
            QSqlQuery query(store.Database());
            QVERIFY(query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table'")) &&
                    query.next());
            QCOMPARE(query.value(0).toInt(), 12);  // the ten, the heat dates and SQLite's sequence table
            query.finish();
            QCOMPARE(QDir(dir.File(QStringLiteral("data"))).entryList({QStringLiteral("*.new*")}), QStringList());
        }
    }

private:
    // A writer that has ended on its own has no process id any more, and
    // kill(0) would take this test's whole process group with it.
    static bool KillWriter(QProcess& writer)
    {
        if (writer.state() != QProcess::Running || writer.processId() <= 0) {
            qWarning() << "the writer ended on its own:" << writer.readAllStandardError();
            return false;
        }
        return ::kill(pid_t(writer.processId()), SIGKILL) == 0;
    }

    void CheckHeats(const QString& folder, int reportedLastHeat, const QHash<int, int>& reportedRuns)
    {
        TKWLStore store;
        QCOMPARE(store.Open(folder), TKWLStore::Status::Open);
        QSqlQuery query(store.Database());
        QVERIFY(query.exec(QStringLiteral(R"(SELECT count(*), coalesce(max(HTnr), 0) FROM "KWL_Heat.DB")")) &&
                query.next());
        QCOMPARE(query.value(0).toInt() % 8, 0);  // whole generation runs
        QVERIFY(query.value(1).toInt() >= reportedLastHeat);
        // Per heat and track: finished, laps, time, best lap, lap rows and the runs their times come from.
        QVERIFY(query.exec(QStringLiteral(R"(SELECT h.HTnr, h.Finished, d.Laps, d."Time", d.TopLapTime,
              count(l.RNDnr), min(l."Time" / 100), max(l."Time" / 100)
            FROM "KWL_Heat.DB" h JOIN "KWL_HeatDetail.DB" d ON d.HTnr = h.HTnr
            LEFT JOIN "KWL_HeatDetailLaps.DB" l ON l.HTnr = d.HTnr AND l.Tracknr = d.Tracknr
            GROUP BY h.HTnr, d.Tracknr ORDER BY h.HTnr)")));
        QHash<int, int> runOfHeat;
        QHash<int, int> tracksOfHeat;
        while (query.next()) {
            const int heat = query.value(0).toInt();
            ++tracksOfHeat[heat];
            const QString where = QStringLiteral("heat %1").arg(heat);
            if (!query.value(1).toBool()) {
                QVERIFY2(query.value(2).toInt() == 0 && query.value(5).toInt() == 0,
                         qPrintable(where + QStringLiteral(": results without the finished mark")));
                continue;
            }
            const int run = query.value(6).toInt();
            QVERIFY2(query.value(7).toInt() == run, qPrintable(where + QStringLiteral(": laps of two runs")));
            QVERIFY2(!runOfHeat.contains(heat) || runOfHeat[heat] == run,
                     qPrintable(where + QStringLiteral(": tracks of two runs")));
            runOfHeat[heat] = run;
            const bool noFinish = run % 3 == 0;
            QCOMPARE(query.value(5).toInt(), noFinish ? 9 : 10);
            QCOMPARE(query.value(4).toInt(), noFinish ? int(DidNotFinishTime) : run);
            QCOMPARE(query.value(2).toInt(), noFinish ? 0 : 10000);
        }
        for (auto it = tracksOfHeat.cbegin(); it != tracksOfHeat.cend(); ++it)
            QCOMPARE(it.value(), 4);
        for (auto it = reportedRuns.cbegin(); it != reportedRuns.cend(); ++it)
            QVERIFY2(runOfHeat.value(it.key()) >= it.value(),
                     qPrintable(QStringLiteral("heat %1 lost its stored run %2").arg(it.key()).arg(it.value())));
        query.finish();
    }

    void CheckStore(const QString& folder, const QSet<int>& reportedHeats, const QSet<int>& reportedDrivers)
    {
        TKWLStore store;
        QCOMPARE(store.Open(folder), TKWLStore::Status::Open);
        QSqlQuery query(store.Database());
        QVERIFY(query.exec(QStringLiteral("PRAGMA integrity_check")) && query.next());
        QCOMPARE(query.value(0).toString(), QStringLiteral("ok"));

        QSet<int> heats;
        QVERIFY(query.exec(QStringLiteral(R"(SELECT h.HTnr,
              (SELECT count(*) FROM "KWL_HeatDetail.DB" d WHERE d.CSnr = 1 AND d.RCnr = 1 AND d.HTnr = h.HTnr),
              (SELECT count(*) FROM "KWL_HeatDetailLaps.DB" l WHERE l.CSnr = 1 AND l.RCnr = 1 AND l.HTnr = h.HTnr)
            FROM "KWL_Heat.DB" h)")));
        while (query.next()) {
            heats << query.value(0).toInt();
            QCOMPARE(query.value(1).toInt(), 4);
            QCOMPARE(query.value(2).toInt(), 100);
        }
        QVERIFY(
            query.exec(QStringLiteral(
                R"(SELECT count(*) FROM "KWL_HeatDetail.DB" WHERE HTnr NOT IN (SELECT HTnr FROM "KWL_Heat.DB"))")) &&
            query.next());
        QCOMPARE(query.value(0).toInt(), 0);
        QVERIFY(
            query.exec(QStringLiteral(
                R"(SELECT count(*) FROM "KWL_HeatDetailLaps.DB" WHERE HTnr NOT IN (SELECT HTnr FROM "KWL_Heat.DB"))")) &&
            query.next());
        QCOMPARE(query.value(0).toInt(), 0);
        for (int heat : reportedHeats)
            QVERIFY2(heats.contains(heat), qPrintable(QStringLiteral("committed heat %1 is lost").arg(heat)));

        QHash<QString, int> batches;
        QVERIFY(query.exec(QStringLiteral(R"(SELECT "Driver Name" FROM "KWL_Drivers.DB")")));
        while (query.next())
            ++batches[query.value(0).toString().section(QLatin1Char('-'), 0, 0)];
        for (auto it = batches.cbegin(); it != batches.cend(); ++it)
            QVERIFY2(it.value() == 5,
                     qPrintable(QStringLiteral("driver batch %1 has %2 of 5 rows").arg(it.key()).arg(it.value())));
        for (int batch : reportedDrivers)
            QVERIFY(batches.contains(QStringLiteral("h%1").arg(batch)));
        query.finish();
    }
};

QTEST_GUILESS_MAIN(TestStoreCrash)
#include "tst_storecrash.moc"
