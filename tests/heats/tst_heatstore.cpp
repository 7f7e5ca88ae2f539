#include "heats/HeatStore.h"
#include "heats/KeptHeatResults.h"
#include "support/StoreRig.h"

#include <QtTest>
#include <memory>

namespace {

// One heat of a race with the results the timer window gives, as a table row
// can describe it: laps per track (a lap value) and whether each lap is timed.
struct TRun {
    std::unique_ptr<TTrackStates> tracks = std::make_unique<TTrackStates>();
    TRun& Track(int track, int32_t laps, uint32_t total, uint32_t fastest, uint32_t lapTime = 5000)
    {
        TTrackState& state = (*tracks)[size_t(track - 1)];
        state.Laps = laps;
        state.TotalTime = total;
        state.FastestLap = fastest;
        for (int lap = 1; lap <= laps / 1000; ++lap)
            state.LapTimes[size_t(lap)] = lapTime + uint32_t(lap);
        return *this;
    }
};

}  // namespace

class TestHeatStore : public QObject {
    Q_OBJECT

    std::unique_ptr<TStoreRig> m_rig;

    // The values of every row of a read, one after another.
    QVariantList Values(const QString& sql)
    {
        QVariantList values;
        for (const QVariantList& row : ReadRows(m_rig->Db(), sql))
            values << row;
        return values;
    }
    void Championship(bool timed, int lapsMinutes)
    {
        m_rig->Exec(R"(INSERT INTO "KWL_Championship.db" VALUES (1, 'Winter', ?, 3, ?))", {lapsMinutes, timed});
        m_rig->Exec(R"(INSERT INTO "KWL_Race.DB" VALUES (1, 1, 'Spa'))", {});
        for (int d = 1; d <= 4; ++d)
            m_rig->Exec(R"(INSERT INTO "KWL_Drivers.DB" VALUES (?, ?))", {d, QStringLiteral("Driver %1").arg(d)});
    }
    THeatStore Store() { return THeatStore(m_rig->Db(), 1, 1); }

private slots:
    void init() { m_rig = std::make_unique<TStoreRig>(); }
    void cleanup() { m_rig.reset(); }

    // What a run of a heat leaves in the store, per track: laps, time, best
    // lap and the number of lap rows.
    void storedResult_data()
    {
        QTest::addColumn<bool>("timed");
        QTest::addColumn<QList<int>>("drivers");     // tracks 1..4, 0: no detail row
        QTest::addColumn<int>("laps");               // lap value on every track
        QTest::addColumn<QVariantList>("expected");  // per stored track: Laps, Time, TopLapTime, lap rows
        QTest::newRow("Lap, finished") << false << QList<int>{1, 2, 0, 0} << 20000
                                       << QVariantList{20000, 120000, 5001, 20, 20000, 120000, 5001, 20};
        // 19 of 20 laps: the did-not-finish values, the laps driven still listed.
        QTest::newRow("Lap, one lap short")
            << false << QList<int>{1, 0, 0, 0} << 19000 << QVariantList{0, DidNotFinishTime, DidNotFinishTime, 19};
        QTest::newRow("Timed, nothing is a no-finish")
            << true << QList<int>{1, 0, 0, 0} << 19500 << QVariantList{19500, 120000, 5001, 19};
        QTest::newRow("Timed, no lap driven")
            << true << QList<int>{1, 0, 0, 0} << 0 << QVariantList{0, 120000, int(NoFastestLap), 0};
        // Tracks 2 and 4 have no driver: nothing stored for them.
        QTest::newRow("tracks 1 and 3") << false << QList<int>{1, 0, 3, 0} << 20000
                                        << QVariantList{20000, 120000, 5001, 20, 20000, 120000, 5001, 20};
    }
    void storedResult()
    {
        QFETCH(bool, timed);
        QFETCH(QList<int>, drivers);
        QFETCH(int, laps);
        QFETCH(QVariantList, expected);
        Championship(timed, 20);
        TPlannedHeat heat{1, {drivers[0], drivers[1], drivers[2], drivers[3]}};
        THeatStore store = Store();
        QVERIFY2(store.AppendHeats({heat}), qPrintable(store.LastError()));

        TRun run;
        for (int t = 1; t <= 4; ++t)
            run.Track(t, laps, 120000, laps ? 5001 : NoFastestLap);
        QVERIFY2(store.StoreHeatResult(1, *run.tracks, 4, 100, *store.Championship()), qPrintable(store.LastError()));
        QCOMPARE(
            Values(
                R"(SELECT d.Laps, d."Time", d.TopLapTime, (SELECT count(*) FROM "KWL_HeatDetailLaps.DB" l WHERE l.Tracknr = d.Tracknr)
                           FROM "KWL_HeatDetail.DB" d ORDER BY d.Tracknr)"),
            expected);
        QCOMPARE(Values(R"(SELECT count(*) FROM "KWL_HeatDetailLaps.DB" WHERE Tracknr IN (2, 4) AND Tracknr NOT IN
                           (SELECT Tracknr FROM "KWL_HeatDetail.DB"))"),
                 QVariantList{0});
        QCOMPARE(Values(R"(SELECT Finished FROM "KWL_Heat.DB")"), QVariantList{1});
    }

    // A heat run again replaces its laps: a shorter run leaves no lap of the
    // longer one; a lap of time 0 gets no row.
    void runAgainReplacesTheLaps()
    {
        Championship(true, 5);
        THeatStore store = Store();
        QVERIFY(store.AppendHeats({{1, {1, 2, 0, 0}}}));
        TRun first;
        first.Track(1, 12000, 60000, 4000).Track(2, 12000, 60000, 4000);
        QVERIFY(store.StoreHeatResult(1, *first.tracks, 4, 0, *store.Championship()));
        TRun second;
        second.Track(1, 4000, 60000, 4000).Track(2, 4000, 60000, 4000);
        (*second.tracks)[0].LapTimes[2] = 0;
        QVERIFY(store.StoreHeatResult(1, *second.tracks, 4, 0, *store.Championship()));
        QCOMPARE(
            Values(
                R"(SELECT Tracknr, group_concat(RNDnr) FROM "KWL_HeatDetailLaps.DB" GROUP BY Tracknr ORDER BY Tracknr)"),
            (QVariantList{1, "1,3,4", 2, "1,2,3,4"}));
    }

    // A result the database refused, kept in a file: stored at the next
    // start exactly as it would have been; anything but a whole file of this
    // database is left alone, and a heat deleted meanwhile sets it aside.
    void keptResult_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<bool>("deleteHeat");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("whole") << QByteArray() << QByteArray() << false << "stored";
        QTest::newRow("cut short") << QByteArray("\"lapRows\"") << QByteArray() << false << "left";
        QTest::newRow("other database") << QByteArray("KWLManager") << QByteArray("Other") << false << "left";
        QTest::newRow("track 5") << QByteArray("\"track\": 1") << QByteArray("\"track\": 5") << false << "left";
        QTest::newRow("track twice") << QByteArray("\"track\": 2") << QByteArray("\"track\": 1") << false << "left";
        QTest::newRow("fraction") << QByteArray("\"laps\": 12000") << QByteArray("\"laps\": 12000.5") << false
                                  << "left";
        QTest::newRow("newer format") << QByteArray("\"version\": 1") << QByteArray("\"version\": 2") << false
                                      << "left";
        QTest::newRow("heat deleted") << QByteArray() << QByteArray() << true << "set aside";
    }
    void keptResult()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(bool, deleteHeat);
        QFETCH(QString, outcome);
        Championship(true, 5);
        THeatStore store = Store();
        QVERIFY(store.AppendHeats({{1, {1, 2, 0, 0}}, {2, {1, 2, 0, 0}}}));
        TRun run;
        run.Track(1, 12000, 60000, 4000).Track(2, 11500, 60000, 4100);
        const THeatResult result = MakeHeatResult(*run.tracks, 2, 100, *store.Championship());
        // Heat 2 stored directly is what heat 1 must become.
        QVERIFY(store.StoreHeatResult(2, result));

        const QString database = m_rig->DatabasePath();
        const QStringList folders = KeptHeatResults::Folders(database, m_rig->Dir());
        TKeptHeat kept{database, 1, 1, 1, QStringLiteral("Heat 1 of Winter - Spa"), result, {}};
        QString error;
        QVERIFY2(KeptHeatResults::Keep(kept, folders, error), qPrintable(error));
        QVERIFY(kept.File.startsWith(QDir(m_rig->Dir()).filePath(QStringLiteral("data/"))));
        QFile file(kept.File);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray content = file.readAll();
        if (!from.isEmpty())
            content = to.isEmpty() ? content.left(content.indexOf(from)) : content.replace(from, to);
        file.resize(0);
        file.write(content);
        file.close();
        if (deleteHeat)
            QVERIFY(store.DeleteHeat(1));

        const TKeptHeatsOutcome done = KeptHeatResults::StoreAll(m_rig->Db(), folders, database);
        const QString heat1 = R"(SELECT Tracknr, Laps, "Time", TopLapTime FROM "KWL_HeatDetail.DB" WHERE HTnr = %1
                                 ORDER BY Tracknr)";
        const QString laps1 = R"(SELECT Tracknr, RNDnr, "Time" FROM "KWL_HeatDetailLaps.DB" WHERE HTnr = %1
                                 ORDER BY Tracknr, RNDnr)";
        if (outcome == "stored") {
            QCOMPARE(done.Stored, QStringList{"Heat 1 of Winter - Spa"});
            QCOMPARE(Values(heat1.arg(1)), Values(heat1.arg(2)));
            QCOMPARE(Values(laps1.arg(1)), Values(laps1.arg(2)));
            QVERIFY(!file.exists());
        } else if (outcome == "left") {
            QVERIFY(done.Stored.isEmpty() && done.NotYet.isEmpty());
            QCOMPARE(Values(R"(SELECT Finished FROM "KWL_Heat.DB" WHERE HTnr = 1)"), QVariantList{0});
            QVERIFY(file.exists());
        } else {
            QCOMPARE(done.Orphaned, QStringList{QDir::toNativeSeparators(kept.File + ".orphaned")});
            QVERIFY(!file.exists());
        }
    }

    // Running totals: a plain sum of lap values in a Timed championship; in a
    // Lap one three no-finish heats stay the largest total, never a wrapped one.
    void runningTotal_data()
    {
        QTest::addColumn<bool>("timed");
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<int>("total");
        QTest::newRow("Timed, no carry") << true << QList<int>{5600, 6700} << 12300;
        QTest::newRow("Lap") << false << QList<int>{61000, DidNotFinishTime} << 61000 + DidNotFinishTime;
        QTest::newRow("Lap, three no-finishes")
            << false << QList<int>{DidNotFinishTime, DidNotFinishTime, DidNotFinishTime}
            << std::numeric_limits<int32_t>::max();
        QTest::newRow("no heat run") << false << QList<int>{} << 0;
    }
    void runningTotal()
    {
        QFETCH(bool, timed);
        QFETCH(QList<int>, values);
        QFETCH(int, total);
        Championship(timed, 10);
        for (int h = 1; h <= values.size(); ++h)
            m_rig->Exec(R"(INSERT INTO "KWL_HeatDetail.DB" VALUES (1, 1, ?, 1, 2, ?, ?, 0))",
                        {h, timed ? values[h - 1] : 10000, timed ? 1000 : values[h - 1]});
        m_rig->Exec(R"(INSERT INTO "KWL_HeatDetail.DB" VALUES (1, 1, 99, 2, 3, 1000, 1000, 0))", {});  // another driver
        QCOMPARE(Store().RunningTotal(2, timed), std::optional<int32_t>(total));
    }

    // Deleting heat 2 of 1..4 leaves 1, 3, 4 with their rows; the next heat is 5.
    void deleteKeepsTheOtherNumbers()
    {
        Championship(false, 10);
        THeatStore store = Store();
        QVERIFY(store.AppendHeats({{1, {1, 0, 0, 0}}, {2, {2, 0, 0, 0}}, {3, {3, 0, 0, 0}}, {4, {4, 0, 0, 0}}}));
        m_rig->Exec(R"(INSERT INTO "KWL_HeatDetailLaps.DB" VALUES (1, 1, ?, 1, 1, 5000, 0))", {2});
        m_rig->Exec(R"(INSERT INTO "KWL_HeatDetailLaps.DB" VALUES (1, 1, ?, 1, 1, 5000, 0))", {3});
        QVERIFY(store.DeleteHeat(2));
        QCOMPARE(Values(R"(SELECT HTnr FROM "KWL_Heat.DB" ORDER BY HTnr)"), (QVariantList{1, 3, 4}));
        QCOMPARE(Values(R"(SELECT HTnr FROM "KWL_HeatDetail.DB" ORDER BY HTnr)"), (QVariantList{1, 3, 4}));
        QCOMPARE(Values(R"(SELECT HTnr FROM "KWL_HeatDetailLaps.DB")"), QVariantList{3});
        QCOMPARE(store.LastHeatNumber(), std::optional<int32_t>(4));
        QVERIFY(store.DeleteAllHeats());
        QCOMPARE(Values(R"(SELECT (SELECT count(*) FROM "KWL_Heat.DB") + (SELECT count(*) FROM "KWL_HeatDetail.DB")
                           + (SELECT count(*) FROM "KWL_HeatDetailLaps.DB"))"),
                 QVariantList{0});
        QCOMPARE(store.LastHeatNumber(), std::optional<int32_t>(0));
    }
};

QTEST_GUILESS_MAIN(TestHeatStore)
#include "tst_heatstore.moc"
