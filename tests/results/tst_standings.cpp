#include "common/Settings.h"
#include "results/Standings.h"
#include "support/StoreRig.h"

#include <QtTest>
#include <memory>

// Standings from stored heats: race totals, places and points, the best
// races, and what the working tables hold afterwards.
class TestStandings : public QObject {
    Q_OBJECT

    std::unique_ptr<TStoreRig> m_rig;

    // "R1 H1 A F 20000 61000": race R1, heat 1, driver A, finished (F) or
    // not (U), laps, time. Drivers A..Z, races R1..R3 of championship 1.
    void Seed(bool timed, int racesThatCount, const QString& heats)
    {
        m_rig->Exec(R"(INSERT INTO "KWL_Championship.db" VALUES (1, 'Club', 20, ?, ?))", {racesThatCount, timed});
        for (int r = 1; r <= 3; ++r)
            m_rig->Exec(R"(INSERT INTO "KWL_Race.DB" VALUES (1, ?, ?))", {r, QStringLiteral("R%1").arg(r)});
        for (char d = 'A'; d <= 'Z'; ++d)
            m_rig->Exec(R"(INSERT INTO "KWL_Drivers.DB" VALUES (?, ?))", {d - 'A' + 1, QString(QChar(d))});
        QHash<QString, int> tracksUsed;  // per race and heat
        for (const QString& row : heats.split(QStringLiteral("; "), Qt::SkipEmptyParts)) {
            const QStringList f = row.split(QLatin1Char(' '));
            const int race = f[0].mid(1).toInt();
            const int heat = f[1].mid(1).toInt();
            m_rig->Exec(R"(INSERT OR IGNORE INTO "KWL_Heat.DB" VALUES (1, ?, ?, ?))",
                        {race, heat, f[3] == QLatin1String("F")});
            m_rig->Exec(
                R"(INSERT INTO "KWL_HeatDetail.DB" VALUES (1, ?, ?, ?, ?, ?, ?, 0))",
                {race, heat, ++tracksUsed[f[0] + f[1]], f[2].at(0).unicode() - 'A' + 1, f[4].toInt(), f[5].toInt()});
        }
    }

private slots:
    void init() { m_rig = std::make_unique<TStoreRig>(); }
    void cleanup() { m_rig.reset(); }

    void standings_data()
    {
        QTest::addColumn<bool>("timed");
        QTest::addColumn<int>("racesThatCount");
        QTest::addColumn<QString>("heats");
        QTest::addColumn<QString>("races");   // the race rows as listed: race driver total points
        QTest::addColumn<QString>("totals");  // the standings in order: Nr driver points
        QTest::newRow("two share second")
            << false << 3
            << "R1 H1 A F 10000 60000; R1 H1 B F 10000 61000; R1 H1 C F 10000 61000; R1 H1 D F 10000 62000"
            << "R1 A 1:00.000 20|R1 B 1:01.000 18.5|R1 C 1:01.000 18.5|R1 D 1:02.000 17"
            << "1 A 20|2 B 18.5|3 C 18.5|4 D 17";
        QTest::newRow("three share first")
            << false << 3
            << "R1 H1 A F 10000 60000; R1 H1 B F 10000 60000; R1 H1 C F 10000 60000; R1 H1 D F 10000 62000"
            << "R1 A 1:00.000 19|R1 B 1:00.000 19|R1 C 1:00.000 19|R1 D 1:02.000 17"
            << "1 A 19|2 B 19|3 C 19|4 D 17";
        // A: 20, 19, 18 over three races; the best two count.
        QTest::newRow("best two of three")
            << false << 2
            << "R1 H1 A F 0 60000; R2 H1 B F 0 60000; R2 H1 A F 0 61000; R3 H1 B F 0 60000; R3 H1 C F 0 61000; R3 H1 A F 0 62000"
            << "R1 A 1:00.000 20|R2 B 1:00.000 20|R2 A 1:01.000 19|R3 B 1:00.000 20|R3 C 1:01.000 19|R3 A 1:02.000 18"
            << "1 B 40|2 A 39|3 C 19";
        QTest::newRow("none count") << false << 0 << "R1 H1 B F 0 60000; R1 H1 A F 0 61000; R2 H1 C F 0 60000"
                                    << "R1 B 1:00.000 20|R1 A 1:01.000 19|R2 C 1:00.000 20"
                                    << "1 A 0|2 B 0|3 C 0";
        // A's unfinished heat does not count; C has only an unfinished one.
        QTest::newRow("unfinished heats ignored")
            << false << 3 << "R1 H1 A F 0 60000; R1 H1 B F 0 59000; R1 H2 A U 0 5; R1 H2 C U 0 1000"
            << "R1 B 0:59.000 20|R1 A 1:00.000 19"
            << "1 B 20|2 A 19";
        QTest::newRow("timed, sections carried")
            << true << 3 << "R1 H1 A F 12060 0; R1 H1 B F 15000 0; R1 H2 A F 3055 0; R1 H2 C F 0 0"
            << "R1 A 16.15 20|R1 B 15.00 19"
            << "1 A 20|2 B 19";
        // Three no-finish heats pass 32 bits; A stays behind B, who did not
        // finish once.
        QTest::newRow("no-finishes behind finishers")
            << false << 3
            << "R1 H1 A F 0 999999999; R1 H1 B F 0 999999999; R1 H2 A F 0 999999999; R1 H2 B F 0 60000; R1 H3 A F 0 999999999"
            << "R1 B 999:99.999 20|R1 A 999:99.999 19"
            << "1 B 20|2 A 19";
        // Places 21 on all get 0 points; among them the better total first.
        QString field = "R1 H6 V F 0 999999999; R1 H6 W F 0 125000";
        QString listed;
        QString standing;
        for (int n = 0; n < 20; ++n) {
            const QChar driver('A' + n);
            field += QStringLiteral("; R1 H%1 %2 F 0 %3").arg(n / 4 + 1).arg(driver).arg(60000 + n);
            listed += QStringLiteral("R1 %1 1:00.%2 %3|").arg(driver).arg(n, 3, 10, QChar('0')).arg(20 - n);
            standing += QStringLiteral("%1 %2 %3|").arg(n + 1).arg(driver).arg(20 - n);
        }
        QTest::newRow("equal points by total")
            << false << 3 << field << listed + "R1 W 2:05.000 0|R1 V 999:99.999 0" << standing + "21 V 0|22 W 0";
    }
    void standings()
    {
        QFETCH(bool, timed);
        QFETCH(int, racesThatCount);
        QFETCH(QString, heats);
        QFETCH(QString, races);
        QFETCH(QString, totals);
        Seed(timed, racesThatCount, heats);

        TSettings settings;  // points 20, 19, 18, ...; 100 sections a lap
        TStandingsStore store(m_rig->Db(), 1);
        QVERIFY2(store.Compute(settings), qPrintable(store.LastError()));
        QVERIFY(store.Compute(settings));  // computed again, nothing counted twice
        const std::optional<TStandings> standings = store.Read(settings.SectionsPerLap);
        QVERIFY(standings);
        QStringList raceRows;
        for (const TRacePointsRow& row : standings->RacePoints)
            raceRows
                << QStringLiteral("%1 %2 %3 %4").arg(row.Race, row.Driver, row.TimeStr).arg(row.Points, 0, 'g', 15);
        QCOMPARE(raceRows.join(QLatin1Char('|')), races);
        QStringList totalRows;
        for (const TTotalsRow& row : standings->Totals)
            totalRows << QStringLiteral("%1 %2 %3").arg(row.Nr).arg(row.Driver).arg(row.TotalPoints, 0, 'g', 15);
        QCOMPARE(totalRows.join(QLatin1Char('|')), totals);

        QVERIFY(store.Clear());
        QCOMPARE(
            ReadRows(m_rig->Db(),
                     R"(SELECT (SELECT count(*) FROM "KWL_Result.db") + (SELECT count(*) FROM "KWL_ResultDetail.db"))"),
            (QList<QVariantList>{{0}}));
    }

    // Places and points: ties share the average, places beyond 20 add nothing.
    void racePoints_data()
    {
        QTest::addColumn<QList<qint64>>("totals");  // a Lap race: smaller is better
        QTest::addColumn<QList<double>>("points");  // in ranking order
        QList<qint64> many;
        QList<double> manyPoints;
        for (int n = 1; n <= 22; ++n) {
            many << 60000 + n;
            manyPoints << std::max(0, 21 - n);
        }
        QTest::newRow("places 21 and 22 get nothing") << many << manyPoints;
        QList<qint64> tiedAt20 = many;
        tiedAt20[20] = tiedAt20[19];
        QList<double> tiedPoints = manyPoints;
        tiedPoints[19] = tiedPoints[20] = 0.5;
        QTest::newRow("a tie over places 20 and 21") << tiedAt20 << tiedPoints;
        QTest::newRow("three tied over 20 19 18") << QList<qint64>{5, 5, 5, 7} << QList<double>{19, 19, 19, 17};
    }
    void racePoints()
    {
        QFETCH(QList<qint64>, totals);
        QFETCH(QList<double>, points);
        std::vector<TRaceTotal> race;
        for (int i = totals.size() - 1; i >= 0; --i)
            race.push_back({i + 1, totals[i], 0});
        TSettings settings;
        std::array<int32_t, 20> placePoints{};
        std::copy(settings.PlacePoints.begin(), settings.PlacePoints.end(), placePoints.begin());
        AwardRacePoints(race, false, placePoints);
        QList<double> awarded;
        for (const TRaceTotal& row : race)
            awarded << row.Points;
        QCOMPARE(awarded, points);
    }
};

QTEST_GUILESS_MAIN(TestStandings)
#include "tst_standings.moc"
