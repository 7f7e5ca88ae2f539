#include "support/RaceKill.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

// The whole program runs a heat and is killed in each phase of the race; the
// next start takes the race back as the director answers. Every lap the race
// screen showed well before the kill must then be stored once with its time;
// a discarded race stores nothing and leaves its journal aside.
class TestRaceRecovery : public QObject {
    Q_OBJECT
private slots:
    void killedRaceComesBack_data()
    {
        QTest::addColumn<QString>("phase");
        // The kill comes between half of this and this long after the phase began:
        // within the phase, and late enough for laps to be shown before it.
        QTest::addColumn<int>("maxDelayMs");
        QTest::addColumn<QString>("answer");
        QTest::newRow("countdown, resume") << "countdown" << 200 << "resume";
        QTest::newRow("racing, finish") << "racing" << 700 << "finish";
        QTest::newRow("racing, resume") << "racing" << 700 << "resume";
        QTest::newRow("racing, discard") << "racing" << 700 << "discard";
        QTest::newRow("paused, resume") << "paused" << 80 << "resume";
        QTest::newRow("paused, finish") << "paused" << 80 << "finish";
        QTest::newRow("restart countdown, finish") << "restart-countdown" << 200 << "finish";
        QTest::newRow("sustain, resume") << "sustain" << 100 << "resume";
        QTest::newRow("storing, finish") << "storing" << 5 << "finish";
    }

    void killedRaceComesBack()
    {
        QFETCH(QString, phase);
        QFETCH(int, maxDelayMs);
        QFETCH(QString, answer);
        QTemporaryDir dir;
        const uint32_t seed = qHash(QString::fromLatin1(QTest::currentDataTag()));
        const int delay = int(QRandomGenerator(seed).bounded(maxDelayMs / 2, maxDelayMs + 1));
        const TKilledRun run = RunAndKill(QStringLiteral(KOBALAP_RACE_RUNNER), dir.path(), seed, phase, delay);
        QVERIFY2(run.Failure.isEmpty(), qPrintable(run.Failure));
        if (run.KilledIn != phase)
            qInfo() << "killed in" << run.KilledIn << "after" << delay << "ms";

        const TRecovery recovery = RecoverRun(QStringLiteral(KOBALAP_RACE_RUNNER), dir.path(), answer);
        QVERIFY2(recovery.ExitCode == 0, qPrintable(recovery.Output));
        // Only a heat already stored leaves nothing to ask about.
        const bool stored = run.KilledIn == QLatin1String("storing") || run.KilledIn == QLatin1String("done");
        QVERIFY2(recovery.Asked || stored, qPrintable(recovery.Output));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("journal/race.kjr"))));

        const TLapCheck check = CheckStoredLaps(dir.path(), run);
        if (answer == QLatin1String("discard")) {
            QCOMPARE(check.Stored, 0);
            QCOMPARE(DiscardedJournals(dir.path()).size(), 1);
            return;
        }
        QVERIFY2(check.Faults.isEmpty(), qPrintable(check.Faults.join(QStringLiteral("; "))));
        QVERIFY2(check.Due > 0 || phase == QLatin1String("countdown"), "no lap was shown before the kill");
    }
};

QTEST_GUILESS_MAIN(TestRaceRecovery)
#include "tst_racerecovery.moc"
