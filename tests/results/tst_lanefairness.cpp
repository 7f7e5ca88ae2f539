#include "results/LaneFairness.h"
#include "support/StoreRig.h"

#include <QtTest>

using TLaps = std::vector<TLaneLap>;
Q_DECLARE_METATYPE(TLaps)

// Laps written "driver/track:ms,ms driver/track:ms".
static TLaps Laps(const QString& text)
{
    TLaps laps;
    for (const QString& part : text.split(' ', Qt::SkipEmptyParts)) {
        const QStringList fields = part.split(QRegularExpression(QStringLiteral("[/:,]")));
        for (qsizetype i = 2; i < fields.size(); ++i)
            laps.push_back({fields[0].toInt(), fields[1].toInt(), fields[i].toUInt()});
    }
    return laps;
}

// "track:offset[low,high]xdrivers ... counting drivers, all/partial"
static QString Summary(const TLaneReport& report)
{
    QString text;
    for (const TLaneOffset& t : report.Tracks)
        text += QString::asprintf("%d:%g[%g,%g]x%d ", t.Track, t.OffsetMs, t.LowMs, t.HighMs, t.Drivers);
    return text + QString::number(report.Drivers) + (report.EveryDriverEveryTrack ? " all" : " partial");
}

class TestLaneFairness : public QObject {
    Q_OBJECT

private slots:
    void report_data()
    {
        QTest::addColumn<TLaps>("laps");
        QTest::addColumn<uint32_t>("minimumMs");
        QTest::addColumn<QString>("expected");
        // Track 3 is 100 ms slower for both: offsets exact, intervals collapsed.
        QTest::newRow("biased lane")
            << Laps("1/1:990,1010 1/2:1000 1/3:1100 1/4:1000 2/1:1500 2/2:1500 2/3:1600 2/4:1500,0") << 0u
            << "1:0[0,0]x2 2:0[0,0]x2 3:100[100,100]x2 4:0[0,0]x2 2 all";
        QTest::newRow("no bias") << Laps("1/1:1000,1040 1/2:1000,1040 2/1:2000,2040 2/2:2040,2000") << 0u
                                 << "1:0[0,0]x2 2:0[0,0]x2 2 all";
        // Driver 3 drove one track only and does not count; driver 1 missed track 4.
        QTest::newRow("missing track") << Laps("1/1:1000 1/2:1000 1/3:1100 2/1:2000 2/2:2000 2/3:2100 2/4:2000 3/2:500")
                                       << 0u << "1:0[0,0]x2 2:0[0,0]x2 3:100[100,100]x2 4:0[0,0]x1 2 partial";
        QTest::newRow("single driver") << Laps("7/1:1000,1010 7/2:1100") << 0u << "1:-5[-5,-5]x1 2:90[90,90]x1 1 all";
        // A draw of both gives the mean, of one alone his own difference.
        QTest::newRow("drivers disagree")
            << Laps("1/1:1000 1/2:1200 2/1:1000 2/2:1600") << 0u << "1:-200[-300,-100]x2 2:200[100,300]x2 2 all";
        QTest::newRow("short laps ignored")
            << Laps("1/1:1000,999,0,200 1/2:1100 2/1:1200,0 2/2:1300,400 3/1:1200 3/2:500") << 1000u
            << "1:-50[-50,-50]x2 2:50[50,50]x2 2 all";
        QTest::newRow("no laps") << TLaps{} << 1000u << "0 all";
    }
    void report()
    {
        QFETCH(TLaps, laps);
        QFETCH(uint32_t, minimumMs);
        QTEST(Summary(ComputeLaneReport(laps, minimumMs)), "expected");
    }

    void offsetText()
    {
        QCOMPARE(LaneOffsetText({3, 118, 71, 160.4, 24}), "Track 3: +0.118 s (+0.071 .. +0.160), 24 drivers");
        QCOMPARE(LaneOffsetText({1, -1234.5, -1300, 0, 1}), "Track 1: -1.235 s (-1.300 .. +0.000), 1 driver");
    }

    // The laps come with the driver of their heat row (a lap without one has
    // none), of one championship or of all, short ones left out.
    void readsStoredLaps()
    {
        TStoreRig rig;
        rig.Exec(R"(INSERT INTO "KWL_HeatDetail.DB" VALUES (1, 5, 1, 1, 12, 0, 0, 0), (2, 6, 1, 1, 12, 0, 0, 0),)"
                 R"( (2, 6, 1, 2, 12, 0, 0, 0))",
                 {});
        rig.Exec(R"(INSERT INTO "KWL_HeatDetailLaps.DB" VALUES (1, 5, 1, 1, 1, 5000, 0), (2, 6, 1, 1, 1, 1000, 0),)"
                 R"( (2, 6, 1, 1, 2, 700, 0), (2, 6, 1, 2, 1, 1200, 0), (2, 6, 1, 3, 1, 1100, 0))",
                 {});
        for (const int csnr : {2, 0}) {
            TLaps laps;
            QString error;
            QVERIFY2(ReadLaneLaps(rig.Db(), csnr, 800, laps, error), qPrintable(error));
            QCOMPARE(Summary(ComputeLaneReport(laps, 0)),
                     csnr ? "1:-100[-100,-100]x1 2:100[100,100]x1 1 all" : "1:1800[1800,1800]x1 2:0[0,0]x1 1 all");
        }
    }
};

QTEST_GUILESS_MAIN(TestLaneFairness)
#include "tst_lanefairness.moc"
