#include "support/TestSupport.h"
#include "timing/TimerLayout.h"

#include <QtTest>

#include <memory>

class TstTimerLayout : public QObject {
    Q_OBJECT

private slots:
    void init() { m_workDir = std::make_unique<TTestWorkDir>(); }
    void cleanup() { m_workDir.reset(); }

    void windowAndPanels_data();
    void windowAndPanels();
    void insideATrackPanel_data();
    void insideATrackPanel();
    void buttonsStayInTheBottomPanel_data();
    void buttonsStayInTheBottomPanel();
    void resetTexts_data();
    void resetTexts();
    void buttonStates_data();
    void buttonStates();

private:
    std::unique_ptr<TTestWorkDir> m_workDir;
};

void TstTimerLayout::windowAndPanels_data()
{
    QTest::addColumn<int>("windowWidth");
    QTest::addColumn<int>("tracks");
    QTest::addColumn<int>("W");
    QTest::addColumn<int>("H");
    QTest::addColumn<QList<int>>("panelTops");
    QTest::addColumn<int>("bottomTop");
    QTest::addColumn<int>("bottomHeight");

    // Narrower than 709 is laid out as 709: W = 700, H = 87, panels 89 apart.
    QTest::newRow("600, 2 tracks") << 600 << 2 << 700 << 87 << QList<int>{2, 91, 180, 269} << 180 << 133;
    QTest::newRow("600, 4 tracks") << 600 << 4 << 700 << 87 << QList<int>{2, 91, 180, 269} << 358 << 133;
    QTest::newRow("709, 2 tracks") << 709 << 2 << 700 << 87 << QList<int>{2, 91, 180, 269} << 180 << 133;
    QTest::newRow("709, 4 tracks") << 709 << 4 << 700 << 87 << QList<int>{2, 91, 180, 269} << 358 << 133;
    // One pixel more than the minimum is used, even though H stays.
    QTest::newRow("710, 4 tracks") << 710 << 4 << 701 << 87 << QList<int>{2, 91, 180, 269} << 358 << 133;
    QTest::newRow("1200, 2 tracks") << 1200 << 2 << 1191 << 148 << QList<int>{2, 152, 302, 452} << 302 << 227;
    QTest::newRow("1200, 4 tracks") << 1200 << 4 << 1191 << 148 << QList<int>{2, 152, 302, 452} << 602 << 227;
    QTest::newRow("1 track") << 1200 << 1 << 1191 << 148 << QList<int>{2, 152, 302, 452} << 152 << 227;
}

void TstTimerLayout::windowAndPanels()
{
    QFETCH(int, windowWidth);
    QFETCH(int, tracks);
    QFETCH(int, W);
    QFETCH(int, H);
    QFETCH(QList<int>, panelTops);
    QFETCH(int, bottomTop);
    QFETCH(int, bottomHeight);

    const TTimerLayout layout = TimerLayout(windowWidth, tracks);
    QCOMPARE(layout.W, W);
    QCOMPARE(layout.H, H);
    for (int n = 1; n <= 4; ++n) {
        QCOMPARE(layout.Panels[size_t(n - 1)], QRect(0, panelTops[n - 1], W, H));
        QCOMPARE(layout.Shown[size_t(n - 1)], n <= tracks);
    }
    QCOMPARE(layout.Bottom, QRect(0, bottomTop, W, bottomHeight));
    // The bottom panel sits right under the last shown track, two pixels
    // apart like the panels themselves.
    const QRect last = layout.Panels[size_t(tracks - 1)];
    QCOMPARE(layout.Bottom.top(), last.bottom() + 1 + 2);
    QCOMPARE(layout.ClockPoints, H);
    QCOMPARE(layout.Clock.left(), 60);
    QCOMPARE(layout.Start.left(), W - 230);
    QCOMPARE(layout.EditResult.left(), W - 230);
    QCOMPARE(layout.Pause.left(), W - 120);
    QCOMPARE(layout.OK.left(), W - 120);
    QCOMPARE(layout.Cancel.left(), W - 120);
}

void TstTimerLayout::insideATrackPanel_data()
{
    QTest::addColumn<int>("windowWidth");
    QTest::addColumn<QRect>("currentLap");
    QTest::addColumn<int>("currentLapPoints");
    QTest::addColumn<QRect>("average");
    QTest::addColumn<QRect>("fastest");
    QTest::addColumn<QRect>("name");
    QTest::addColumn<QRect>("laps");
    QTest::addColumn<int>("smallPoints");
    QTest::addColumn<QRect>("lamp");
    QTest::addColumn<int>("separator1");
    QTest::addColumn<int>("separator2");

    // W = 700, H = 87: lamp side 26 at top 46, right edge 8 from the panel's.
    QTest::newRow("600") << 600 << QRect(10, 0, 233, 87) << 58 << QRect(252, 0, 175, 43) << QRect(252, 43, 175, 43)
                         << QRect(434, 0, 280, 43) << QRect(434, 43, 280, 43) << 26 << QRect(666, 46, 26, 26) << 245
                         << 427;
    QTest::newRow("709") << 709 << QRect(10, 0, 233, 87) << 58 << QRect(252, 0, 175, 43) << QRect(252, 43, 175, 43)
                         << QRect(434, 0, 280, 43) << QRect(434, 43, 280, 43) << 26 << QRect(666, 46, 26, 26) << 245
                         << 427;
    // W = 1191, H = 148: every division rounds down.
    QTest::newRow("1200") << 1200 << QRect(10, 0, 397, 148) << 98 << QRect(428, 0, 297, 74) << QRect(428, 74, 297, 74)
                          << QRect(738, 0, 476, 74) << QRect(738, 74, 476, 74) << 44 << QRect(1139, 79, 44, 44) << 416
                          << 726;
}

void TstTimerLayout::insideATrackPanel()
{
    QFETCH(int, windowWidth);
    QFETCH(QRect, currentLap);
    QFETCH(int, currentLapPoints);
    QFETCH(QRect, average);
    QFETCH(QRect, fastest);
    QFETCH(QRect, name);
    QFETCH(QRect, laps);
    QFETCH(int, smallPoints);
    QFETCH(QRect, lamp);
    QFETCH(int, separator1);
    QFETCH(int, separator2);

    for (int tracks : {2, 4}) {
        const TTrackPanelLayout panel = TimerLayout(windowWidth, tracks).Panel;
        const int W = TimerLayout(windowWidth, tracks).W;
        const int H = TimerLayout(windowWidth, tracks).H;
        QCOMPARE(panel.Gauge, QRect(0, 0, W, H));
        QCOMPARE(panel.CurrentLap, currentLap);
        QCOMPARE(panel.CurrentLapPoints, currentLapPoints);
        QCOMPARE(panel.Average, average);
        QCOMPARE(panel.Fastest, fastest);
        QCOMPARE(panel.Name, name);
        QCOMPARE(panel.Laps, laps);
        QCOMPARE(panel.SmallPoints, smallPoints);
        QCOMPARE(panel.Lamp, lamp);
        QCOMPARE(panel.Lamp.right(), W - 8 - 1);
        QCOMPARE(panel.Separator1, QRect(separator1, 0, 2, H));
        QCOMPARE(panel.Separator2, QRect(separator2, 0, 2, H));
    }
}

void TstTimerLayout::buttonsStayInTheBottomPanel_data()
{
    QTest::addColumn<int>("windowWidth");
    QTest::newRow("600") << 600;
    QTest::newRow("709") << 709;
    QTest::newRow("1200") << 1200;
    QTest::newRow("3000") << 3000;
}

void TstTimerLayout::buttonsStayInTheBottomPanel()
{
    QFETCH(int, windowWidth);
    const TTimerLayout layout = TimerLayout(windowWidth, 4);
    const QRect inside(0, 0, layout.Bottom.width(), layout.Bottom.height());
    const QList<QRect> buttons{layout.Start, layout.Pause, layout.EditResult, layout.OK, layout.Cancel};
    for (int i = 0; i < buttons.size(); ++i) {
        QVERIFY2(inside.contains(buttons[i]), qPrintable(QString::number(i)));
        QVERIFY(!buttons[i].intersects(layout.Clock));
        for (int j = i + 1; j < buttons.size(); ++j)
            QVERIFY2(!buttons[i].intersects(buttons[j]), qPrintable(QStringLiteral("%1 %2").arg(i).arg(j)));
    }
    QVERIFY(inside.contains(layout.Clock));
}

void TstTimerLayout::resetTexts_data()
{
    QTest::addColumn<bool>("timed");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("carried");
    QTest::addColumn<int>("sections");
    QTest::addColumn<QString>("clock");
    QTest::addColumn<QString>("laps");
    QTest::addColumn<QString>("lapsWithoutTotal");

    QTest::newRow("lap race") << false << 20 << 0 << 100 << "0:00"
                              << "0/0:00.000"
                              << "0/0:00.000";
    QTest::newRow("lap race, carried time") << false << 20 << 221207 << 100 << "0:00"
                                            << "0/3:41.207"
                                            << "0/0:00.000";
    QTest::newRow("lap race, damaged carried time") << false << 20 << -5 << 100 << "0:00"
                                                    << "0/0:00.000"
                                                    << "0/0:00.000";
    QTest::newRow("timed race of 5 minutes") << true << 300 << 0 << 100 << "5:00"
                                             << "0.00/0:00.000"
                                             << "0.00/0:00.000";
    QTest::newRow("timed race, carried laps") << true << 300 << 23045 << 100 << "5:00"
                                              << "23.45/0:00.000"
                                              << "0.00/0:00.000";
    QTest::newRow("timed race, no sections") << true << 90 << 23000 << 0 << "1:30"
                                             << "23/0:00.000"
                                             << "0/0:00.000";
    QTest::newRow("timed race, 3-digit sections") << true << 60 << 2005 << 1000 << "1:00"
                                                  << "2.005/0:00.000"
                                                  << "0.000/0:00.000";
}

void TstTimerLayout::resetTexts()
{
    QFETCH(bool, timed);
    QFETCH(int, length);
    QFETCH(int, carried);
    QFETCH(int, sections);
    QFETCH(QString, clock);
    QFETCH(QString, laps);
    QFETCH(QString, lapsWithoutTotal);

    TRaceState state;
    state.RaceKind = timed ? TRaceKind::Timed : TRaceKind::Lap;
    state.RaceLength = length;
    state.CarriedTotals = {carried, 0, carried, 0};
    // Leftovers of an earlier race must not show through.
    state.Elapsed = 123456;

    const TResetTexts texts = ResetTexts(state, sections);
    QCOMPARE(texts.Clock, clock);
    for (size_t n = 0; n < 4; ++n) {
        const TTrackResetTexts& track = texts.Tracks[n];
        QCOMPARE(track.LastLap, QStringLiteral("00.000"));
        QCOMPARE(track.Average, QStringLiteral("Av: 00.000"));
        QCOMPARE(track.Fastest, QStringLiteral("Fa: 00.000"));
        QCOMPARE(track.Laps, n % 2 == 0 ? laps : lapsWithoutTotal);
    }
}

void TstTimerLayout::buttonStates_data()
{
    QTest::addColumn<int>("phase");
    QTest::addColumn<QString>("enabled");

    QTest::newRow("ready") << int(TTimerPhase::Ready) << "Start Cancel";
    QTest::newRow("racing") << int(TTimerPhase::Racing) << "Pause";
    QTest::newRow("paused") << int(TTimerPhase::Paused) << "";
    QTest::newRow("finished lap race") << int(TTimerPhase::FinishedLap) << "Start OK Cancel";
    QTest::newRow("finished timed race") << int(TTimerPhase::FinishedTimed) << "Start Cancel EditResult";
    QTest::newRow("edited") << int(TTimerPhase::Edited) << "Start OK Cancel EditResult";
}

void TstTimerLayout::buttonStates()
{
    QFETCH(int, phase);
    QFETCH(QString, enabled);
    const TTimerButtons buttons = TimerButtons(TTimerPhase(phase));
    QStringList names;
    if (buttons.Start)
        names << QStringLiteral("Start");
    if (buttons.Pause)
        names << QStringLiteral("Pause");
    if (buttons.OK)
        names << QStringLiteral("OK");
    if (buttons.Cancel)
        names << QStringLiteral("Cancel");
    if (buttons.EditResult)
        names << QStringLiteral("EditResult");
    QCOMPARE(names.join(QLatin1Char(' ')), enabled);
}

QTEST_GUILESS_MAIN(TstTimerLayout)
#include "tst_timerlayout.moc"
