#include "results/LapAnalysis.h"
#include "support/TestSupport.h"

#include <QLocale>
#include <QtTest>
#include <clocale>
#include <cmath>

namespace {

QList<TDriverLap> Laps(const QList<uint32_t>& times)
{
    QList<TDriverLap> laps;
    for (const uint32_t time : times)
        laps.append({int(laps.size()) + 1, time, 0, 0, 1, int(laps.size()) + 1});
    return laps;
}

// "DRVnr name @track: number=race/heat/track/round:time ..." per driver.
QStringList Describe(const QList<TDriverLaps>& drivers)
{
    QStringList lines;
    for (const TDriverLaps& driver : drivers) {
        QString line = QStringLiteral("%1 %2 @%3:").arg(driver.DRVnr).arg(driver.Driver).arg(driver.Track);
        for (const TDriverLap& lap : driver.Laps)
            line += QStringLiteral(" %1=%2/%3/%4/%5:%6")
                        .arg(lap.Number)
                        .arg(lap.RCnr)
                        .arg(lap.HTnr)
                        .arg(lap.Tracknr)
                        .arg(lap.RNDnr)
                        .arg(lap.TimeMs);
        lines << line;
    }
    return lines;
}

}  // namespace

class TestLapAnalysis : public QObject {
    Q_OBJECT

private slots:
    // The figures' text must read the same where numbers use a decimal comma.
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    }
    void cleanupTestCase()
    {
        QLocale::setDefault(QLocale::c());
        std::setlocale(LC_NUMERIC, "C");
    }

    void figures_data()
    {
        QTest::addColumn<QList<uint32_t>>("times");
        QTest::addColumn<int>("laps");
        QTest::addColumn<double>("median");
        QTest::addColumn<double>("stdDev");
        QTest::addColumn<double>("within");
        QTest::addColumn<QString>("text");

        // Unsorted, with a lap without a time that must not count.
        QTest::newRow("odd count") << QList<uint32_t>{8500, 0, 8000, 8100} << 3 << 8100.0 << std::sqrt(140000.0 / 3)
                                   << 2.0 / 3
                                   << QStringLiteral("Anna: median 08.100  std dev 0.216 s  within 2 %: 67 % (3 laps)");
        // 8160 is exactly 2 % over the best; the median 8180.5 shows rounded up.
        QTest::newRow("even count") << QList<uint32_t>{9000, 8201, 8000, 8160} << 4 << 8180.5 << 388.23986 << 0.5
                                    << QStringLiteral(
                                           "Anna: median 08.181  std dev 0.388 s  within 2 %: 50 % (4 laps)");
        QTest::newRow("single lap") << QList<uint32_t>{7321} << 1 << 7321.0 << 0.0 << 1.0
                                    << QStringLiteral(
                                           "Anna: median 07.321  std dev 0.000 s  within 2 %: 100 % (1 lap)");
        QTest::newRow("all laps 0") << QList<uint32_t>{0, 0} << 0 << 0.0 << 0.0 << 0.0
                                    << QStringLiteral("Anna: no timed laps");
        QTest::newRow("no laps") << QList<uint32_t>{} << 0 << 0.0 << 0.0 << 0.0
                                 << QStringLiteral("Anna: no timed laps");
        QTest::newRow("over a minute") << QList<uint32_t>{61000, 59000, 65000} << 3 << 61000.0 << 2494.43826 << 1.0 / 3
                                       << QStringLiteral(
                                              "Anna: median 99.999  std dev 2.494 s  within 2 %: 33 % (3 laps)");
        // 8163 is just over 2 % of 8000.
        QTest::newRow("ties at the best")
            << QList<uint32_t>{8000, 8163, 8000, 8000} << 4 << 8000.0 << 70.58107 << 0.75
            << QStringLiteral("Anna: median 08.000  std dev 0.071 s  within 2 %: 75 % (4 laps)");
        QTest::newRow("half a percent rounds up")
            << QList<uint32_t>{8000, 9000, 9000, 9000, 9000, 9000, 9000, 9000} << 8 << 9000.0
            << std::sqrt(7.0) * 1000 / 8 << 0.125
            << QStringLiteral("Anna: median 09.000  std dev 0.331 s  within 2 %: 13 % (8 laps)");
    }
    void figures()
    {
        QFETCH(QList<uint32_t>, times);
        const TLapFigures figures = ComputeLapFigures(Laps(times));
        QTEST(figures.Laps, "laps");
        QFETCH(double, median);
        QFETCH(double, stdDev);
        QFETCH(double, within);
        QVERIFY2(std::abs(figures.MedianMs - median) < 1e-6, qPrintable(QString::number(figures.MedianMs)));
        QVERIFY2(std::abs(figures.StdDevMs - stdDev) < 1e-4, qPrintable(QString::number(figures.StdDevMs)));
        QVERIFY2(std::abs(figures.WithinTwoPercent - within) < 1e-9,
                 qPrintable(QString::number(figures.WithinTwoPercent)));
        QTEST(LapFiguresText(QStringLiteral("Anna"), figures), "text");
    }

    // Two heats of one race: driver 9 on track 1 then 2, driver 7 the other
    // way round, a lap on track 3 without a driver row, driver 5 on track 4
    // only, which the three-track view does not show.
    void driverLapsOfScope()
    {
        TStoredLaps stored;
        stored.Scope = TLapScope::Race;
        stored.HeatRows = {{3, 1, 1, 9}, {3, 1, 2, 7}, {3, 2, 1, 7}, {3, 2, 2, 9}, {3, 2, 4, 5}};
        stored.Laps = {{3, 1, 1, 1, 8000}, {3, 1, 1, 2, 0},    {3, 1, 2, 1, 8200}, {3, 1, 3, 1, 8300},
                       {3, 2, 1, 1, 7900}, {3, 2, 2, 1, 8100}, {3, 2, 2, 2, 8050}, {3, 2, 4, 1, 7000}};
        QCOMPARE(Describe(DriverLapsOfScope(stored, 3)),
                 (QStringList{QStringLiteral("9  @1: 1=3/1/1/1:8000 2=3/1/1/2:0 3=3/2/2/1:8100 4=3/2/2/2:8050"),
                              QStringLiteral("7  @2: 1=3/1/2/1:8200 2=3/2/1/1:7900")}));

        // The heat scope names its drivers from the heat's own rows.
        stored.Scope = TLapScope::Heat;
        stored.TrackDrivers = {QStringLiteral("Bert"), QStringLiteral("Anna"), QString(), QStringLiteral("Carl")};
        stored.HeatRows = {{3, 2, 1, 7}, {3, 2, 2, 9}, {3, 2, 4, 5}};
        stored.Laps = {{3, 2, 1, 1, 7900}, {3, 2, 2, 1, 8100}, {3, 2, 4, 1, 7000}};
        QCOMPARE(Describe(DriverLapsOfScope(stored, 4)),
                 (QStringList{QStringLiteral("7 Bert @1: 1=3/2/1/1:7900"), QStringLiteral("9 Anna @2: 1=3/2/2/1:8100"),
                              QStringLiteral("5 Carl @4: 1=3/2/4/1:7000")}));
    }
};

QTEST_GUILESS_MAIN(TestLapAnalysis)
#include "tst_lapanalysis.moc"
