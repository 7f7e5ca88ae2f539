#include "results/StandingsRows.h"
#include "spectator/SpectatorBoard.h"
#include "spectator/SpectatorTexts.h"

#include <QtTest>

// What the wall and the phones read: standings places with ties, points,
// and the race clock as the race screen shows it.
class TestSpectatorTexts : public QObject {
    Q_OBJECT

private slots:
    void standings_data()
    {
        QTest::addColumn<QList<double>>("points");  // in the store's order
        QTest::addColumn<QList<int>>("places");
        QTest::addColumn<QString>("shown");
        QTest::newRow("all different") << QList<double>{45, 38.5, 20} << QList<int>{1, 2, 3} << "45 38.5 20";
        QTest::newRow("tie for second") << QList<double>{45, 30, 30, 10} << QList<int>{1, 2, 2, 4} << "45 30 30 10";
        QTest::newRow("tie for first") << QList<double>{20, 20, 19} << QList<int>{1, 1, 3} << "20 20 19";
        QTest::newRow("thirds rounded") << QList<double>{20.0 / 3, 6.0, 0.005} << QList<int>{1, 2, 3} << "6.67 6 0.01";
        QTest::newRow("store out of order") << QList<double>{10, 30} << QList<int>{1, 2} << "30 10";
        QTest::newRow("nobody") << QList<double>{} << QList<int>{} << "";
    }
    void standings()
    {
        QFETCH(QList<double>, points);
        QFETCH(QList<int>, places);
        QFETCH(QString, shown);
        TStandings standings;
        for (int i = 0; i < points.size(); ++i)
            standings.Totals.push_back({i + 1, QStringLiteral("D%1").arg(i), points[i]});
        const TStandingsView view = MakeStandingsView(standings);
        QList<int> gotPlaces;
        QStringList gotPoints;
        for (const TStandingsLine& line : view.Lines) {
            gotPlaces << line.Place;
            gotPoints << SpectatorPointsText(line.Points);
        }
        QCOMPARE(gotPlaces, places);
        QCOMPARE(gotPoints.join(QLatin1Char(' ')), shown);
    }

    void clock_data()
    {
        QTest::addColumn<bool>("timed");
        QTest::addColumn<int>("length");
        QTest::addColumn<qint64>("elapsed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("lap race counts up") << false << 30 << qint64(151'400) << "2:31";
        QTest::newRow("timed race counts down") << true << 120 << qint64(48'500) << "1:11";
        QTest::newRow("timed race over") << true << 60 << qint64(61'000) << "0:00";
        QTest::newRow("before the start") << true << 300 << qint64(-2'000) << "5:00";
    }
    void clock()
    {
        QFETCH(bool, timed);
        QFETCH(int, length);
        QFETCH(qint64, elapsed);
        TRaceSnapshot race;
        race.RaceKind = timed ? TRaceKind::Timed : TRaceKind::Lap;
        race.RaceLength = length;
        race.Elapsed = elapsed;
        QTEST(ClockText(race), "shown");
    }
};

QTEST_APPLESS_MAIN(TestSpectatorTexts)
#include "tst_spectatortexts.moc"
