#include "common/Settings.h"
#include "data/RecordActions.h"
#include "results/LapGrid.h"
#include "results/StoredLaps.h"
#include "support/StoreRig.h"
#include "timing/RaceRules.h"

#include <QtTest>
#include <memory>

namespace {

// The grid as one text per row, cells joined by "|".
QStringList RowTexts(const TLapGrid& grid)
{
    QStringList rows;
    for (int r = 0; r < grid.RowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < grid.Columns(); ++c)
            cells << grid.Cell(c, r);
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

// Laps written as "track.round=ms", separated by spaces.
struct TSeedLap {
    int track;
    int round;
    int time;
};
QList<TSeedLap> ParseLaps(const QString& text)
{
    QList<TSeedLap> laps;
    for (const QString& item : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList keyAndTime = item.split(QLatin1Char('='));
        const QStringList trackAndRound = keyAndTime.at(0).split(QLatin1Char('.'));
        laps.append({trackAndRound.at(0).toInt(), trackAndRound.at(1).toInt(), keyAndTime.at(1).toInt()});
    }
    return laps;
}

}  // namespace

class TestLapView : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TStoreRig> m_rig;
    QHash<QString, int> m_drivers;

    QSqlDatabase Db() const { return m_rig->Db(); }
    void Exec(const QString& sql, const QVariantList& values) { m_rig->Exec(sql, values); }
    int Championship(const QString& name) { return TRecordActions(Db()).AddChampionship(name, 10, 3, false).value(); }
    int Race(int csnr, const QString& name) { return TRecordActions(Db()).AddRace(csnr, name).value(); }
    void HeatRow(int cs, int rc, int ht, int track, const QString& driver)
    {
        Exec(R"(INSERT OR IGNORE INTO "KWL_Heat.DB" VALUES (?, ?, ?, 1))", {cs, rc, ht});
        Exec(R"(INSERT INTO "KWL_HeatDetail.DB" VALUES (?, ?, ?, ?, ?, 0, 0, 0))",
             {cs, rc, ht, track, m_drivers.value(driver)});
    }
    void Lap(int cs, int rc, int ht, int track, int round, int time)
    {
        Exec(R"(INSERT INTO "KWL_HeatDetailLaps.DB" VALUES (?, ?, ?, ?, ?, ?, 0))", {cs, rc, ht, track, round, time});
    }

    // Two championships. "Winter" has the races Spa (two heats) and Zolder;
    // "Summer" has Monza, whose laps are faster than any of Winter's and
    // must never show in Winter's scopes. Rows go in backwards so that only
    // reading in key order finds the first of equal laps.
    struct TSeed {
        int winter = 0, summer = 0, spa = 0, zolder = 0, monza = 0;
    };
    TSeed SeedChampionships()
    {
        TSeed s;
        s.winter = Championship("Winter");
        s.summer = Championship("Summer");
        s.spa = Race(s.winter, "Spa");
        s.zolder = Race(s.winter, "Zolder");
        s.monza = Race(s.summer, "Monza");

        HeatRow(s.summer, s.monza, 1, 1, "Dirk");
        Lap(s.summer, s.monza, 1, 3, 1, 500);
        Lap(s.summer, s.monza, 1, 1, 1, 1000);

        HeatRow(s.winter, s.zolder, 1, 2, "Dirk");
        HeatRow(s.winter, s.zolder, 1, 1, "Cees");
        Lap(s.winter, s.zolder, 1, 2, 4, 6500);
        Lap(s.winter, s.zolder, 1, 1, 2, 61200);
        Lap(s.winter, s.zolder, 1, 1, 1, 7000);

        HeatRow(s.winter, s.spa, 2, 2, "Anna");
        HeatRow(s.winter, s.spa, 2, 1, "Bram");
        Lap(s.winter, s.spa, 2, 2, 1, 0);
        Lap(s.winter, s.spa, 2, 1, 2, 12000);
        Lap(s.winter, s.spa, 2, 1, 1, 7000);

        // Track 3 of heat 1 has laps but no heat row: its driver stays empty.
        Lap(s.winter, s.spa, 1, 3, 1, 8800);
        HeatRow(s.winter, s.spa, 1, 2, "Bram");
        HeatRow(s.winter, s.spa, 1, 1, "Anna");
        Lap(s.winter, s.spa, 1, 2, 1, 9500);
        Lap(s.winter, s.spa, 1, 1, 4, 7000);
        Lap(s.winter, s.spa, 1, 1, 3, 0);
        Lap(s.winter, s.spa, 1, 1, 2, 8000);
        Lap(s.winter, s.spa, 1, 1, 1, 9000);
        return s;
    }

private slots:
    void init()
    {
        m_rig = std::make_unique<TStoreRig>();
        if (QTest::currentTestFailed())
            return;
        m_drivers.clear();
        for (const char* name : {"Anna", "Bram", "Cees", "Dirk"})
            m_drivers.insert(QLatin1String(name), TRecordActions(Db()).AddDriver(QLatin1String(name)).value());
    }
    void cleanup() { m_rig.reset(); }

    void lapCellText_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("no time") << qint64(0) << "-";
        QTest::newRow("damaged, below zero") << qint64(-5) << "-";
        QTest::newRow("8.5 s") << qint64(8500) << "08.500";
        QTest::newRow("just under a minute") << qint64(59999) << "59.999";
        QTest::newRow("a minute") << qint64(60000) << "99.999";
        QTest::newRow("61.2 s") << qint64(61200) << "99.999";
    }
    void lapCellText()
    {
        QFETCH(qint64, ms);
        QFETCH(QString, text);
        QCOMPARE(LapCellText(ms), text);
    }

    void heatGrid_data()
    {
        QTest::addColumn<int>("tracks");
        QTest::addColumn<QString>("laps");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("round by round") << 4 << "1.1=8500 1.2=0 1.3=61200 2.1=9000 2.2=7000 3.1=0"
                                        << QStringList{"|Track: 1|Track: 2|Track: 3|Track: 4",
                                                       "|Anna|Bram|Cees|",
                                                       "1|08.500|09.000|-|",
                                                       "2|-|07.000||",
                                                       "3|99.999|||",
                                                       "Fastest time|08.500|07.000||",
                                                       "Slowest time|99.999|09.000||"};
        QTest::newRow("a round missing on one track")
            << 2 << "1.1=8000 1.3=9000 2.2=7500" << QStringList{"|Track: 1|Track: 2",
                                                                "|Anna|Bram",
                                                                "1|08.000|",
                                                                "2||07.500",
                                                                "3|09.000|",
                                                                "Fastest time|08.000|07.500",
                                                                "Slowest time|09.000|07.500"};
        QTest::newRow("no laps") << 4 << ""
                                 << QStringList{"|Track: 1|Track: 2|Track: 3|Track: 4", "|Anna|Bram|Cees|", "||||"};
        QTest::newRow("tracks 3 and 4 hidden") << 2 << "1.1=8000 3.1=7000 4.5=6000"
                                               << QStringList{"|Track: 1|Track: 2", "|Anna|Bram", "1|08.000|",
                                                              "Fastest time|08.000|", "Slowest time|08.000|"};
        QTest::newRow("only hidden tracks") << 2 << "3.1=7000" << QStringList{"|Track: 1|Track: 2", "|Anna|Bram", "||"};
    }
    void heatGrid()
    {
        QFETCH(int, tracks);
        QFETCH(QString, laps);
        QFETCH(QStringList, rows);
        const int cs = Championship("Winter");
        const int rc = Race(cs, "Spa");
        HeatRow(cs, rc, 2, 1, "Anna");
        HeatRow(cs, rc, 2, 2, "Bram");
        HeatRow(cs, rc, 2, 3, "Cees");
        for (const TSeedLap& lap : ParseLaps(laps))
            Lap(cs, rc, 2, lap.track, lap.round, lap.time);
        // Another heat of the race, with faster and more laps, is not shown.
        HeatRow(cs, rc, 1, 1, "Dirk");
        for (int round = 1; round <= 6; ++round)
            Lap(cs, rc, 1, 1, round, 1000);

        const TStoredLaps stored = ReadStoredLaps(Db(), TLapScope::Heat, cs, rc, 2, tracks);
        QCOMPARE(stored.ReadError, QString());
        QCOMPARE(LapViewTitle(stored), QStringLiteral("Winter - Spa / Heat:2"));
        const TLapGrid grid = BuildHeatGrid(stored, tracks);
        QCOMPARE(grid.Columns(), tracks + 1);
        QCOMPARE(grid.FixedRows(), 1);
        QCOMPARE(RowTexts(grid), rows);
    }

    void summaryGrid_data()
    {
        QTest::addColumn<int>("scope");
        QTest::addColumn<int>("tracks");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("rows");
        // Track 1 of Spa: 7.000 in heat 1 round 4 comes before the equal lap
        // of heat 2 round 1. The 0 lap of heat 1 round 3 is no fastest lap.
        QTest::newRow("race") << int(TLapScope::Race) << 4 << "Winter - Spa"
                              << QStringList{"|Track: 1|Track: 2|Track: 3|Track: 4",
                                             "Driver|Anna|Bram||",
                                             "Heat:|1|1|1|",
                                             "Round:|4|1|1|",
                                             "Fastest time|07.000|09.500|08.800|",
                                             "||||",
                                             "Driver|Bram|Bram||",
                                             "Heat:|2|1|1|",
                                             "Round:|2|1|1|",
                                             "Slowest time|12.000|09.500|08.800|"};
        QTest::newRow("race, two tracks") << int(TLapScope::Race) << 2 << "Winter - Spa"
                                          << QStringList{"|Track: 1|Track: 2",
                                                         "Driver|Anna|Bram",
                                                         "Heat:|1|1",
                                                         "Round:|4|1",
                                                         "Fastest time|07.000|09.500",
                                                         "||",
                                                         "Driver|Bram|Bram",
                                                         "Heat:|2|1",
                                                         "Round:|2|1",
                                                         "Slowest time|12.000|09.500"};
        // Zolder's 7.000 ties Spa's but comes later; its 61.2 s lap is the
        // slowest, driven by Cees, who had track 1 in Zolder's heat 1 (Anna
        // had it in Spa's).
        QTest::newRow("championship") << int(TLapScope::Championship) << 4 << "Winter"
                                      << QStringList{"|Track: 1|Track: 2|Track: 3|Track: 4",
                                                     "Driver|Anna|Dirk||",
                                                     "Race:|Spa|Zolder|Spa|",
                                                     "Heat:|1|1|1|",
                                                     "Round:|4|4|1|",
                                                     "Fastest time|07.000|06.500|08.800|",
                                                     "||||",
                                                     "Driver|Cees|Bram||",
                                                     "Race:|Zolder|Spa|Spa|",
                                                     "Heat:|1|1|1|",
                                                     "Round:|2|1|1|",
                                                     "Slowest time|99.999|09.500|08.800|"};
    }
    void summaryGrid()
    {
        QFETCH(int, scope);
        QFETCH(int, tracks);
        QFETCH(QString, title);
        QFETCH(QStringList, rows);
        const TSeed seed = SeedChampionships();
        const auto lapScope = static_cast<TLapScope>(scope);
        const int rcnr = lapScope == TLapScope::Race ? seed.spa : 0;
        const TStoredLaps stored = ReadStoredLaps(Db(), lapScope, seed.winter, rcnr, 0, tracks);
        QCOMPARE(stored.ReadError, QString());
        QCOMPARE(LapViewTitle(stored), title);
        const TLapGrid grid = BuildSummaryGrid(stored, tracks);
        QCOMPARE(grid.Columns(), tracks + 1);
        QCOMPARE(grid.FixedRows(), 1);
        QCOMPARE(RowTexts(grid), rows);
    }

    // The lap rows come in key order whatever order they were written in.
    void lapsInKeyOrder()
    {
        const TSeed seed = SeedChampionships();
        const TStoredLaps stored = ReadStoredLaps(Db(), TLapScope::Championship, seed.winter, 0, 0, 4);
        QStringList keys;
        for (const TStoredLap& lap : stored.Laps)
            keys << QStringLiteral("%1.%2.%3.%4")
                        .arg(QLatin1String(lap.RCnr == seed.spa ? "Spa" : "Zolder"))
                        .arg(lap.HTnr)
                        .arg(lap.Tracknr)
                        .arg(lap.RNDnr);
        QCOMPARE(keys,
                 (QStringList{"Spa.1.1.1", "Spa.1.1.2", "Spa.1.1.3", "Spa.1.1.4", "Spa.1.2.1", "Spa.1.3.1", "Spa.2.1.1",
                              "Spa.2.1.2", "Spa.2.2.1", "Zolder.1.1.1", "Zolder.1.1.2", "Zolder.1.2.4"}));
    }

    // Equal fastest laps: the first in order keeps its place, with its own
    // heat and round; equal slowest laps likewise.
    void equalLapsKeepTheFirst()
    {
        const QList<TStoredLap> laps{{5, 1, 2, 3, 7000}, {5, 1, 2, 4, 9000}, {5, 2, 2, 1, 7000}, {5, 2, 2, 2, 9000}};
        const QList<THeatTrackRow> heats{{5, 1, 2, 11}, {5, 2, 2, 12}};
        const TLapExtremes extremes = FindLapExtremes(laps, heats);
        const TLapExtreme& fastest = extremes[1].Fastest;
        const TLapExtreme& slowest = extremes[1].Slowest;
        QCOMPARE((QList<int>{int(fastest.Time), fastest.RCnr, fastest.HTnr, fastest.RNDnr, fastest.DRVnr}),
                 (QList<int>{7000, 5, 1, 3, 11}));
        QCOMPARE((QList<int>{int(slowest.Time), slowest.RCnr, slowest.HTnr, slowest.RNDnr, slowest.DRVnr}),
                 (QList<int>{9000, 5, 1, 4, 11}));
        // The other tracks took nothing.
        QCOMPARE(extremes[0].Fastest.Time, TTrackExtremes::NoFastest);
        QCOMPARE(extremes[0].Slowest.Time, 0u);
    }

    // A lap of 99.999 s or more is never the fastest; it can be the slowest.
    void slowLapIsNeverFastest()
    {
        const TLapExtremes extremes = FindLapExtremes({{1, 1, 1, 1, 99999}, {1, 1, 1, 2, 120000}}, {});
        QCOMPARE(extremes[0].Fastest.Time, TTrackExtremes::NoFastest);
        QCOMPARE(FastestText(extremes[0].Fastest.Time), QString());
        QCOMPARE(extremes[0].Slowest.Time, 120000u);
        QCOMPARE(SlowestText(extremes[0].Slowest.Time), QStringLiteral("99.999"));
    }

    void lastRaceGrid_data()
    {
        QTest::addColumn<int>("tracks");
        QTest::addColumn<QStringList>("rows");
        // Bram has 0 whole laps (half a lap in sections) and an old time left
        // in his record: no rows and empty extremes. Dirk's only lap has no time.
        QTest::newRow("four tracks") << 4
                                     << QStringList{"|Track: 1|Track: 2|Track: 3|Track: 4",
                                                    "|Anna|Bram|Cees|Dirk",
                                                    "1|08.500||09.000|-",
                                                    "2|-||09.100|",
                                                    "3|99.999||09.200|",
                                                    "4|||09.300|",
                                                    "5|||09.400|",
                                                    "Fastest time|08.500||09.000|",
                                                    "Slowest time|99.999||09.400|"};
        QTest::newRow("two tracks") << 2 << QStringList{"|Track: 1|Track: 2",  "|Anna|Bram",
                                                        "1|08.500|",           "2|-|",
                                                        "3|99.999|",           "Fastest time|08.500|",
                                                        "Slowest time|99.999|"};
        QTest::newRow("one track") << 1 << QStringList{"|Track: 1",          "|Anna",
                                                       "1|08.500",           "2|-",
                                                       "3|99.999",           "Fastest time|08.500",
                                                       "Slowest time|99.999"};
    }
    void lastRaceGrid()
    {
        QFETCH(int, tracks);
        QFETCH(QStringList, rows);
        auto states = std::make_unique<TTrackStates>();
        const auto set = [&](int track, const char* name, int lapValue, QList<uint32_t> times) {
            TTrackState& state = (*states)[track - 1];
            state.DriverName = QLatin1String(name);
            state.Laps = lapValue;
            for (int k = 0; k < times.size(); ++k)
                state.LapTimes[k + 1] = times.at(k);
        };
        set(1, "Anna", 3000, {8500, 0, 61200});
        set(2, "Bram", 50, {5000});
        set(3, "Cees", 5050, {9000, 9100, 9200, 9300, 9400});
        set(4, "Dirk", 1000, {0});
        const TLapGrid grid = BuildLastRaceGrid(*states, tracks, 100);
        QCOMPARE(grid.Columns(), tracks + 1);
        QCOMPARE(grid.FixedRows(), 2);
        QCOMPARE(RowTexts(grid), rows);
    }

    void lastRaceWithoutLaps()
    {
        auto states = std::make_unique<TTrackStates>();
        QCOMPARE(RowTexts(BuildLastRaceGrid(*states, 2, 100)),
                 (QStringList{"|Track: 1|Track: 2", "||", "||", "Fastest time||", "Slowest time||"}));
    }

    // A Timed false start takes laps off the result, not off what was driven:
    // every driven lap is listed and counts towards the extremes. The fastest
    // lap is the last one driven, the slowest the one before it.
    void lastRaceAfterFalseStart_data()
    {
        QTest::addColumn<int>("lapValue");
        QTest::addColumn<int>("penalty");
        QTest::addColumn<int>("sectionsPerLap");
        QTest::addColumn<int>("listed");
        QTest::addColumn<QString>("slowest");
        QTest::newRow("19 laps, 1 lap off") << 19000 << 1000 << 100 << 19 << "09.018";
        QTest::newRow("19 laps, 2 laps off") << 19000 << 2000 << 100 << 19 << "09.018";
        QTest::newRow("19.30 laps, 0.50 off") << 19030 << 50 << 100 << 19 << "09.018";
        QTest::newRow("19.300 laps, 0.500 off") << 19300 << 500 << 1000 << 19 << "09.018";
        QTest::newRow("1 lap, 2 laps off (below zero)") << 1000 << 2000 << 100 << 1 << "07.000";
    }
    void lastRaceAfterFalseStart()
    {
        QFETCH(int, lapValue);
        QFETCH(int, penalty);
        QFETCH(int, sectionsPerLap);
        QFETCH(int, listed);
        QFETCH(QString, slowest);
        TSettings settings;
        settings.Tracks = 1;
        settings.SectionsPerLap = sectionsPerLap;
        settings.TimedFalseStart = penalty;
        TRaceState race;
        race.RaceKind = TRaceKind::Timed;
        auto states = std::make_unique<TTrackStates>();
        TTrackState& track = (*states)[0];
        track.Active = true;
        track.FalseStart = true;
        track.Laps = lapValue;
        for (int k = 1; k < listed; ++k)
            track.LapTimes[k] = uint32_t(9000 + k);
        track.LapTimes[listed] = 7000;
        ApplyRaceEndRules(*states, settings, race);
        QVERIFY(track.Laps < lapValue);

        const TLapGrid grid = BuildLastRaceGrid(*states, 1, sectionsPerLap);
        QCOMPARE(grid.RowCount(), listed + 4);
        QCOMPARE(grid.Cell(0, listed + 1), QString::number(listed));
        QCOMPARE(grid.Cell(1, listed + 1), QStringLiteral("07.000"));
        QCOMPARE(grid.Cell(1, listed + 2), QStringLiteral("07.000"));
        QCOMPARE(grid.Cell(1, listed + 3), slowest);
    }

    // Laps beyond the recorded ones are counted but have no time; the grid
    // stops at the last recorded lap instead of reading past the record.
    void lastRaceBeyondTheRecordedLaps()
    {
        auto states = std::make_unique<TTrackStates>();
        (*states)[0].Laps = (MaxLapEntries + 5) * 1000;
        (*states)[0].LapTimes[MaxLapEntries] = 7000;
        const TLapGrid grid = BuildLastRaceGrid(*states, 1, 100);
        QCOMPARE(grid.RowCount(), MaxLapEntries + 4);
        QCOMPARE(grid.Cell(1, MaxLapEntries + 1), QStringLiteral("07.000"));
        QCOMPARE(grid.Cell(1, MaxLapEntries + 2), QStringLiteral("07.000"));
    }

    // A damaged round number neither overwrites the heading rows nor grows
    // the grid without end; the good laps still show.
    void damagedRoundsAreLeftOut()
    {
        TStoredLaps stored;
        stored.Laps = {{1, 1, 1, 0, 5000}, {1, 1, 1, 1, 8000}, {1, 1, 1, 2000000000, 6000}};
        stored.Extremes = FindLapExtremes(stored.Laps, {});
        const TLapGrid grid = BuildHeatGrid(stored, 1);
        QCOMPARE(RowTexts(grid).mid(0, 3), (QStringList{"|Track: 1", "|", "1|08.000"}));
        QCOMPARE(grid.RowCount(), 5);
    }

    // Names that are not found stay empty; nothing else is disturbed.
    void unknownKeysGiveEmptyNames()
    {
        const TStoredLaps stored = ReadStoredLaps(Db(), TLapScope::Heat, 77, 88, 3, 4);
        QCOMPARE(stored.ReadError, QString());
        QCOMPARE(LapViewTitle(stored), QStringLiteral(" -  / Heat:3"));
        QCOMPARE(RowTexts(BuildHeatGrid(stored, 4)).size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestLapView)
#include "tst_lapview.moc"
