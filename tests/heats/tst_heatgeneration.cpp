#include "heats/HeatGeneration.h"

#include <QTimeZone>
#include <QtTest>

#include <map>
#include <set>

namespace {

// "1 > 3 > 2" as the settings list a rotation: next(t) is the track listed after t.
TTrackRotation Rotation(const QString& text)
{
    TTrackRotation next{2, 3, 4, 1};
    const QStringList tracks = text.split(QStringLiteral(" > "));
    for (int i = 0; i < tracks.size(); ++i)
        next[size_t(tracks.at(i).toInt() - 1)] = tracks.at((i + 1) % tracks.size()).toInt();
    return next;
}

// "1:14,13,11,15 2:..." (0: no driver), the tracks 1..N of each heat.
QString Describe(const THeatPlan& plan, int tracks)
{
    QStringList heats;
    for (const TPlannedHeat& heat : plan) {
        QStringList drivers;
        for (int t = 0; t < tracks; ++t)
            drivers << QString::number(heat.Drivers[size_t(t)]);
        heats << QStringLiteral("%1:%2").arg(heat.HTnr).arg(drivers.join(QLatin1Char(',')));
    }
    return heats.join(QLatin1Char(' '));
}

std::vector<int32_t> Drivers(int count, int first = 1)
{
    std::vector<int32_t> drivers;
    for (int i = 0; i < count; ++i)
        drivers.push_back(first + i);
    return drivers;
}

}  // namespace

class TestHeatGeneration : public QObject {
    Q_OBJECT

private slots:
    // The worked example: five drivers on four tracks, drawn with a fixed
    // seed in the order 14, 13, 11, 15, 12 (d1..d5).
    void workedExample_data()
    {
        QTest::addColumn<QChar>("method");
        QTest::addColumn<QString>("expected");
        QTest::newRow("A")
            << QChar('A')
            << "1:14,13,11,15 2:15,14,13,11 3:11,15,14,13 4:13,11,15,14 5:12,0,0,0 6:0,12,0,0 7:0,0,12,0 8:0,0,0,12";
        QTest::newRow("B") << QChar('B') << "1:15,11,13,14 2:12,15,11,13 3:14,12,15,11 4:13,14,12,15 5:11,13,14,12";
    }
    void workedExample()
    {
        QFETCH(QChar, method);
        QFETCH(QString, expected);
        TDriverPool pool;
        pool.LoadDriverPool(Drivers(5, 11), 12345678);
        const THeatPlan plan = method == QLatin1Char('A') ? GenerateHeatsA(pool, 4, Rotation("1 > 2 > 3 > 4"), 0)
                                                          : GenerateHeatsB(pool, 4, 0);
        QCOMPARE(Describe(plan, 4), expected);
        QCOMPARE(pool.Drawn(), 5);
    }

    // Whatever the draw, every driver drives each track 1..N exactly once,
    // in consecutive heats numbered on from the last heat.
    void everyDriverOnEveryTrack_data()
    {
        QTest::addColumn<QChar>("method");
        QTest::addColumn<int>("tracks");
        QTest::addColumn<QString>("rotation");
        QTest::addColumn<int>("drivers");
        QTest::addColumn<int>("lastHeat");
        QTest::addColumn<int>("heats");
        QTest::newRow("A one track") << QChar('A') << 1 << "1" << 3 << 0 << 3;
        QTest::newRow("B one track") << QChar('B') << 1 << "1" << 3 << 0 << 3;
        QTest::newRow("A 8 on 4") << QChar('A') << 4 << "1 > 4 > 2 > 3" << 8 << 0 << 8;
        QTest::newRow("B 8 on 4") << QChar('B') << 4 << "1 > 2 > 3 > 4" << 8 << 0 << 8;
        QTest::newRow("A 3 on 4: one short group") << QChar('A') << 4 << "1 > 2 > 3 > 4" << 3 << 0 << 4;
        QTest::newRow("B 3 on 4: nothing") << QChar('B') << 4 << "1 > 2 > 3 > 4" << 3 << 0 << 0;
        QTest::newRow("A 5 on 3, 1 > 3 > 2") << QChar('A') << 3 << "1 > 3 > 2" << 5 << 0 << 6;
        QTest::newRow("A behind heats 1..6") << QChar('A') << 2 << "1 > 2" << 4 << 6 << 4;
        QTest::newRow("B behind heats 1..6") << QChar('B') << 2 << "1 > 2" << 4 << 6 << 4;
        QTest::newRow("A no drivers") << QChar('A') << 4 << "1 > 2 > 3 > 4" << 0 << 0 << 0;
        QTest::newRow("B no drivers") << QChar('B') << 4 << "1 > 2 > 3 > 4" << 0 << 0 << 0;
        // More drivers than a pool once held: nobody is left out.
        QTest::newRow("A 1500 drivers") << QChar('A') << 4 << "1 > 3 > 2 > 4" << 1500 << 0 << 1500;
        QTest::newRow("B 1500 drivers") << QChar('B') << 3 << "1 > 2 > 3" << 1500 << 0 << 1500;
    }
    void everyDriverOnEveryTrack()
    {
        QFETCH(QChar, method);
        QFETCH(int, tracks);
        QFETCH(QString, rotation);
        QFETCH(int, drivers);
        QFETCH(int, lastHeat);
        QFETCH(int, heats);

        TDriverPool pool;
        pool.LoadDriverPool(Drivers(drivers), 4711);
        const THeatPlan plan = method == QLatin1Char('A') ? GenerateHeatsA(pool, tracks, Rotation(rotation), lastHeat)
                                                          : GenerateHeatsB(pool, tracks, lastHeat);
        QCOMPARE(int(plan.size()), heats);
        std::map<int32_t, std::vector<std::pair<int32_t, int>>> driven;  // driver: (heat, track)
        for (size_t i = 0; i < plan.size(); ++i) {
            QCOMPARE(plan[i].HTnr, int32_t(lastHeat + 1 + int(i)));
            for (int t = 1; t <= 4; ++t) {
                const int32_t driver = plan[i].Drivers[size_t(t - 1)];
                QVERIFY2(t <= tracks || driver == 0, "a driver on a track above the number of tracks");
                if (driver != 0)
                    driven[driver].push_back({plan[i].HTnr, t});
            }
        }
        if (heats == 0)
            return;
        QCOMPARE(int(driven.size()), drivers);
        for (const auto& [driver, runs] : driven) {
            QCOMPARE(int(runs.size()), tracks);
            std::set<int> trackSet;
            for (const auto& run : runs)
                trackSet.insert(run.second);
            QCOMPARE(int(trackSet.size()), tracks);
            // The N heats follow each other (method B wraps from the run's
            // last heat to its first).
            std::set<int> positions;
            for (const auto& run : runs)
                positions.insert(run.first - lastHeat - 1);
            int start = *positions.begin();
            while (tracks < heats && positions.count((start + heats - 1) % heats))
                start = (start + heats - 1) % heats;
            for (int k = 0; k < tracks; ++k)
                QVERIFY2(positions.count((start + k) % heats), "a driver's heats do not follow each other");
        }
    }

    // The rotation steps with "1 > 3 > 2": track 1 to 3, 3 to 2, 2 to 1.
    void rotationMovesToTheSuccessor()
    {
        TPlannedHeat first;
        first.HTnr = 4;
        first.Drivers = {7, 8, 9, 0};
        QCOMPARE(RotateIntoHeat(first, 5, 3, Rotation("1 > 3 > 2")), (TPlannedHeat{5, {8, 9, 7, 0}}));
        first.Drivers = {7, 0, 9, 0};  // an empty track leaves its successor empty
        QCOMPARE(RotateIntoHeat(first, 5, 3, Rotation("1 > 3 > 2")), (TPlannedHeat{5, {0, 9, 7, 0}}));
    }

    // A stored rotation that is not one cycle over the tracks in use gives
    // way to 1 > 2 > ... > N.
    void usableRotation_data()
    {
        QTest::addColumn<int>("tracks");
        QTest::addColumn<QList<int>>("stored");
        QTest::addColumn<QList<int>>("used");  // next(1..tracks)
        QTest::newRow("default on 4") << 4 << QList<int>{2, 3, 4, 1} << QList<int>{2, 3, 4, 1};
        QTest::newRow("1 > 4 > 3 > 2") << 4 << QList<int>{4, 1, 2, 3} << QList<int>{4, 1, 2, 3};
        QTest::newRow("1 > 3 > 2 on 3") << 3 << QList<int>{3, 1, 2, 1} << QList<int>{3, 1, 2};
        QTest::newRow("4-track table on 3") << 3 << QList<int>{2, 3, 4, 1} << QList<int>{2, 3, 1};
        QTest::newRow("3-track table on 4") << 4 << QList<int>{3, 1, 2, 1} << QList<int>{2, 3, 4, 1};
        QTest::newRow("two cycles") << 4 << QList<int>{2, 1, 4, 3} << QList<int>{2, 3, 4, 1};
        QTest::newRow("default on 1") << 1 << QList<int>{2, 3, 4, 1} << QList<int>{1};
        QTest::newRow("one track") << 1 << QList<int>{1, 3, 4, 1} << QList<int>{1};
        QTest::newRow("out of range") << 2 << QList<int>{0, 9, 4, 1} << QList<int>{2, 1};
    }
    void usableRotation()
    {
        QFETCH(int, tracks);
        QFETCH(QList<int>, stored);
        QFETCH(QList<int>, used);
        const TTrackRotation next = UsableRotation({stored[0], stored[1], stored[2], stored[3]}, tracks);
        QCOMPARE(QList<int>(next.begin(), next.begin() + tracks), used);
    }

    void seedIsTheUtcTimeOfDay()
    {
        const QDateTime local(QDate(2026, 12, 8), QTime(1, 0, 0, 5), Qt::OffsetFromUTC, 2 * 3600);
        QCOMPARE(MillisecondsSinceUtcMidnight(local), uint32_t(23 * 3600 * 1000 + 5));
        QCOMPARE(MillisecondsSinceUtcMidnight(QDateTime(QDate(2026, 1, 1), QTime(23, 59, 59, 999), Qt::UTC)),
                 uint32_t(86399999));
    }
};

QTEST_GUILESS_MAIN(TestHeatGeneration)
#include "tst_heatgeneration.moc"
