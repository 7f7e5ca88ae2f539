#include "results/LaneFairness.h"
#include "support/StoreRig.h"

#include <QtTest>

using TLaps = std::vector<TLaneLap>;
Q_DECLARE_METATYPE(TLaps)

namespace {

// A driver's laps on one track.
void Drive(TLaps& laps, int driver, int track, std::initializer_list<uint32_t> times)
{
    for (const uint32_t time : times)
        laps.push_back({driver, track, time});
}

// "track:offset[low,high]xdrivers ..., drivers, all/partial"
QString Summary(const TLaneReport& report)
{
    QStringList parts;
    for (const TLaneOffset& t : report.Tracks)
        parts
            << QStringLiteral("%1:%2[%3,%4]x%5").arg(t.Track).arg(t.OffsetMs).arg(t.LowMs).arg(t.HighMs).arg(t.Drivers);
    parts << QString::number(report.Drivers) << (report.EveryDriverEveryTrack ? "all" : "partial");
    return parts.join(QLatin1Char(' '));
}

}  // namespace

class TestLaneFairness : public QObject {
    Q_OBJECT

private slots:
    void report_data()
    {
        QTest::addColumn<TLaps>("laps");
        QTest::addColumn<uint32_t>("minimumMs");
        QTest::addColumn<QString>("expected");

        // Track 3 is 100 ms slower for all three: the interval collapses.
        TLaps biased;
        for (const uint32_t base : {1000u, 1200u, 1500u})
            for (int track = 1; track <= 4; ++track) {
                const uint32_t lap = base + (track == 3 ? 100 : 0);
                Drive(biased, int(base), track, {lap - 10, lap, lap + 10});
            }
        Drive(biased, 1000, 2, {0});
        QTest::newRow("biased lane") << biased << 0u << "1:-5[-5,-5]x3 2:-5[-5,-5]x3 3:95[95,95]x3 4:-5[-5,-5]x3 3 all";

        TLaps even;
        for (const int driver : {1, 2})
            for (int track = 1; track <= 4; ++track)
                Drive(even, driver, track, {uint32_t(1000 * driver), uint32_t(1000 * driver + 40)});
        QTest::newRow("no bias") << even << 0u << "1:0[0,0]x2 2:0[0,0]x2 3:0[0,0]x2 4:0[0,0]x2 2 all";

        // Driver 3 drove one track only and does not count; driver 1 missed track 4.
        TLaps missing;
        Drive(missing, 1, 1, {1000}), Drive(missing, 1, 2, {1000}), Drive(missing, 1, 3, {1100});
        for (int track = 1; track <= 4; ++track)
            Drive(missing, 2, track, {track == 3 ? 2100u : 2000u});
        Drive(missing, 3, 2, {500});
        QTest::newRow("missing track") << missing << 0u
                                       << "1:0[0,0]x2 2:0[0,0]x2 3:100[100,100]x2 4:0[0,0]x1 2 partial";

        TLaps single;
        Drive(single, 7, 1, {1000, 1010}), Drive(single, 7, 2, {1100});
        QTest::newRow("single driver") << single << 0u << "1:-5[-5,-5]x1 2:90[90,90]x1 1 all";

        // Two drivers who disagree: a draw of both gives the mean, of one
        // alone his own difference; the 5 % and 95 % ends are the two drivers.
        TLaps disagree;
        Drive(disagree, 1, 1, {1000}), Drive(disagree, 1, 2, {1200});
        Drive(disagree, 2, 1, {1000}), Drive(disagree, 2, 2, {1600});
        QTest::newRow("drivers disagree") << disagree << 0u << "1:-200[-300,-100]x2 2:200[100,300]x2 2 all";

        TLaps bouncing;
        Drive(bouncing, 1, 1, {1000, 999, 0, 200}), Drive(bouncing, 1, 2, {1100});
        Drive(bouncing, 2, 1, {1200, 0}), Drive(bouncing, 2, 2, {1300, 400});
        Drive(bouncing, 3, 1, {1200}), Drive(bouncing, 3, 2, {500});
        QTest::newRow("short laps ignored") << bouncing << 1000u << "1:-50[-50,-50]x2 2:50[50,50]x2 2 all";

        QTest::newRow("no laps") << TLaps{} << 1000u << "0 all";
    }
    void report()
    {
        QFETCH(TLaps, laps);
        QFETCH(uint32_t, minimumMs);
        QFETCH(QString, expected);
        QCOMPARE(Summary(ComputeLaneReport(laps, minimumMs)), expected);
    }

    void offsetText_data()
    {
        QTest::addColumn<double>("offset");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<int>("drivers");
        QTest::addColumn<QString>("expected");
        QTest::newRow("slower") << 118.0 << 71.0 << 160.4 << 24 << "Track 3: +0.118 s (+0.071 .. +0.160), 24 drivers";
        QTest::newRow("faster, one driver")
            << -1234.5 << -1300.0 << 0.0 << 1 << "Track 3: -1.235 s (-1.300 .. +0.000), 1 driver";
    }
    void offsetText()
    {
        QFETCH(double, offset);
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(int, drivers);
        QFETCH(QString, expected);
        QCOMPARE(LaneOffsetText({3, offset, low, high, drivers}), expected);
    }

    // The laps come with the driver of their heat row, of one championship or all.
    void readsStoredLaps()
    {
        TStoreRig rig;
        for (const int cs : {1, 2}) {
            rig.Exec(QStringLiteral(R"(INSERT INTO "KWL_HeatDetail.DB" VALUES (?, 5, 1, 2, ?, 3000, 2000, 900))"),
                     {cs, 10 + cs});
            for (const int lap : {1, 2, 3})
                rig.Exec(QStringLiteral(R"(INSERT INTO "KWL_HeatDetailLaps.DB" VALUES (?, 5, 1, 2, ?, ?, 0))"),
                         {cs, lap, lap * 450});
        }
        const auto read = [&](int csnr) {
            TLaps laps;
            QString error;
            [&] { QVERIFY2(ReadLaneLaps(rig.Db(), csnr, 800, laps, error), qPrintable(error)); }();
            QStringList texts;
            for (const TLaneLap& lap : laps)
                texts << QStringLiteral("%1/%2/%3").arg(lap.DRVnr).arg(lap.Track).arg(lap.TimeMs);
            texts.sort();
            return texts.join(QLatin1Char(' '));
        };
        QCOMPARE(read(2), QStringLiteral("12/2/1350 12/2/900"));
        QCOMPARE(read(0), QStringLiteral("11/2/1350 11/2/900 12/2/1350 12/2/900"));
    }
};

QTEST_GUILESS_MAIN(TestLaneFairness)
#include "tst_lanefairness.moc"
