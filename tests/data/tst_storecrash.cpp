#include "data/KWLStore.h"
#include "support/TestSupport.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QSqlQuery>
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
            ::kill(pid_t(writer.processId()), SIGKILL);
            QVERIFY(writer.waitForFinished(20000));
            const QStringList lines = QString::fromLatin1(writer.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            QVERIFY2(writer.exitStatus() == QProcess::CrashExit, qPrintable(QString::fromLocal8Bit(writer.readAllStandardError())));
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

private:
    void CheckStore(const QString& folder, const QSet<int>& reportedHeats, const QSet<int>& reportedDrivers)
    {
        TKWLStore store;
        QCOMPARE(store.Open(folder), TKWLStore::Status::Open);
        QSqlQuery query(store.Database());
        QVERIFY(query.exec(QStringLiteral("PRAGMA integrity_check")) && query.next());
        QCOMPARE(query.value(0).toString(), QStringLiteral("ok"));

        QSet<int> heats;
        QVERIFY(query.exec(QStringLiteral(R"(SELECT h.HTnr,
              (SELECT count(*) FROM "KWL_HeatDetail.DB" d WHERE d.HTnr = h.HTnr),
              (SELECT count(*) FROM "KWL_HeatDetailLaps.DB" l WHERE l.HTnr = h.HTnr)
            FROM "KWL_Heat.DB" h)")));
        while (query.next()) {
            heats << query.value(0).toInt();
            QCOMPARE(query.value(1).toInt(), 4);
            QCOMPARE(query.value(2).toInt(), 100);
        }
        QVERIFY(query.exec(QStringLiteral(R"(SELECT count(*) FROM "KWL_HeatDetail.DB" WHERE HTnr NOT IN (SELECT HTnr FROM "KWL_Heat.DB"))")) && query.next());
        QCOMPARE(query.value(0).toInt(), 0);
        QVERIFY(query.exec(QStringLiteral(R"(SELECT count(*) FROM "KWL_HeatDetailLaps.DB" WHERE HTnr NOT IN (SELECT HTnr FROM "KWL_Heat.DB"))")) && query.next());
        QCOMPARE(query.value(0).toInt(), 0);
        for (int heat : reportedHeats)
            QVERIFY2(heats.contains(heat), qPrintable(QStringLiteral("committed heat %1 is lost").arg(heat)));

        QHash<QString, int> batches;
        QVERIFY(query.exec(QStringLiteral(R"(SELECT "Driver Name" FROM "KWL_Drivers.DB")")));
        while (query.next())
            ++batches[query.value(0).toString().section(QLatin1Char('-'), 0, 0)];
        for (auto it = batches.cbegin(); it != batches.cend(); ++it)
            QVERIFY2(it.value() == 5, qPrintable(QStringLiteral("driver batch %1 has %2 of 5 rows").arg(it.key()).arg(it.value())));
        for (int batch : reportedDrivers)
            QVERIFY(batches.contains(QStringLiteral("h%1").arg(batch)));
        query.finish();
    }
};

QTEST_GUILESS_MAIN(TestStoreCrash)
#include "tst_storecrash.moc"
