#include "heats/HeatStore.h"
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
