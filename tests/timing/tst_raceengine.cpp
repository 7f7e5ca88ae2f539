#include "RaceTestRig.h"
#include "spectator/LiveRanking.h"
#include "spectator/RaceSnapshot.h"

#include "common/LapValue.h"
#include "hardware/SimulatedTrack.h"
#include "support/TestSupport.h"
#include "timing/RaceRules.h"

#include <QtTest>

Q_DECLARE_METATYPE(QList<uint32_t>)
Q_DECLARE_METATYPE(QList<TRaceSound>)

class TstRaceEngine : public QObject {
    Q_OBJECT

private slots:
    void init() { m_workDir = std::make_unique<TTestWorkDir>(); }
    void cleanup() { m_workDir.reset(); }

    void heldSensorCountsOncePerBounceDelay_data();
    void heldSensorCountsOncePerBounceDelay();
    void carOnSensorAtGreenCountsFromNextPass();
    void falseStartAroundGreen_data();
    void falseStartAroundGreen();
    void lapRaceEndRules_data();
    void lapRaceEndRules();
    void timedFalseStartPenalty_data();
    void timedFalseStartPenalty();
    void fasterLapOrLapSound_data();
    void fasterLapOrLapSound();
    void timedRaceClockCountsDown();
    void displayLabelsChangeOnlyWhenValuesDo();
    void slowPollingStillRefreshes();
    void sustainReadAfterTimeOut_data();
    void sustainReadAfterTimeOut();
    void pauseExcludesPauseAndRestartLights();
    void finishRaceFromPause_data();
    void finishRaceFromPause();
    void pauseRightAfterGreenSwitchesTheLightsOff();
    void restartLeavesFinishedCarsUnpowered();
    void trackWithoutDriverIsIgnored();
    void lapListEndsAtTwentyThousand();
    void powerLines_data();
    void powerLines();
    void startLightsOrderAndTiming();
    void wholeRaceOnSimulatedTrack();

private:
    std::unique_ptr<TTestWorkDir> m_workDir;
};

void TstRaceEngine::heldSensorCountsOncePerBounceDelay_data()
{
    QTest::addColumn<int64_t>("holdFrom");  // race time
    QTest::addColumn<QList<uint32_t>>("lapTimes");
    // Held from green: the first lap counts once a bounce delay has passed.
    QTest::newRow("from green") << int64_t(0) << QList<uint32_t>{5000, 5000, 5000};
    // Held from later: counted at once, then once per bounce delay.
    QTest::newRow("from 7 s") << int64_t(7000) << QList<uint32_t>{7001, 5000, 5000};
}

void TstRaceEngine::heldSensorCountsOncePerBounceDelay()
{
    QFETCH(int64_t, holdFrom);
    QFETCH(QList<uint32_t>, lapTimes);
    TRaceRig rig;
    rig.LapRace(3);
    rig.Drive(1);
    rig.Hold(1, TRaceRig::Green + holdFrom);
    rig.Engine.Run();

    QCOMPARE(rig.Track(1).Laps, 3000);
    uint32_t total = 0;
    for (int lap = 1; lap <= 3; ++lap) {
        QCOMPARE(rig.Track(1).LapTimes[size_t(lap)], lapTimes[lap - 1]);
        total += lapTimes[lap - 1];
    }
    QCOMPARE(rig.Track(1).TotalTime, total);
    QCOMPARE(rig.Track(1).FalseStart, false);
    QVERIFY(rig.State.RaceEnded.load());
}

void TstRaceEngine::carOnSensorAtGreenCountsFromNextPass()
{
    TRaceRig rig;
    rig.LapRace(1);
    rig.Drive(1);
    rig.Pass(1, 0, 40);  // standing on the line as the lights go green
    rig.Pass(1, 6200);   // its next crossing
    rig.Engine.Run();
    QCOMPARE(rig.Track(1).Laps, 1000);
    QCOMPARE(rig.Track(1).LapTimes[1], 6201u);
    QCOMPARE(rig.Track(1).FalseStart, false);
}

void TstRaceEngine::falseStartAroundGreen_data()
{
    QTest::addColumn<int64_t>("passAt");  // race time of a 1 ms pass
    QTest::addColumn<bool>("flagged");
    QTest::newRow("1 ms before green") << int64_t(-1) << true;
    QTest::newRow("at green") << int64_t(0) << false;
    QTest::newRow("first read") << int64_t(-TRaceRig::Green) << true;
    QTest::newRow("after green") << int64_t(1) << false;
}

void TstRaceEngine::falseStartAroundGreen()
{
    QFETCH(int64_t, passAt);
    QFETCH(bool, flagged);
    TRaceRig rig;
    rig.LapRace(1);
    rig.Drive(1);
    rig.Pass(1, passAt, 1);
    rig.Pass(1, 10000);
    rig.Engine.Run();
    QCOMPARE(rig.Track(1).FalseStart, flagged);
    // The penalty is added to the total; the lap time stays as driven.
    QCOMPARE(rig.Track(1).TotalTime, 10001u + (flagged ? 8000u : 0u));
    QCOMPARE(rig.Track(1).LapTimes[1], 10001u);
    QVERIFY(rig.Log.contains(QStringLiteral("falsestartlamps")));
}

void TstRaceEngine::lapRaceEndRules_data()
{
    QTest::addColumn<int32_t>("laps1");
    QTest::addColumn<uint32_t>("time1");
    QTest::addColumn<int32_t>("laps2");
    QTest::addColumn<uint32_t>("time2");
    QTest::addColumn<int32_t>("expectedLaps2");
    QTest::addColumn<uint32_t>("expectedTime2");
    QTest::newRow("track 1 finished") << 10000 << 120000u << 8000 << 118000u << 10000 << 144000u;
    QTest::newRow("nobody finished") << 9000 << 120000u << 8000 << 118000u << 8000 << 118000u;
}

void TstRaceEngine::lapRaceEndRules()
{
    QFETCH(int32_t, laps1);
    QFETCH(uint32_t, time1);
    QFETCH(int32_t, laps2);
    QFETCH(uint32_t, time2);
    QFETCH(int32_t, expectedLaps2);
    QFETCH(uint32_t, expectedTime2);
    TSettings settings;
    TRaceState state;
    state.RaceKind = TRaceKind::Lap;
    state.TargetLaps = 10;
    auto tracks = std::make_unique<TTrackStates>();
    (*tracks)[0].Active = (*tracks)[1].Active = true;
    (*tracks)[0].Laps = laps1;
    (*tracks)[0].TotalTime = time1;
    (*tracks)[1].Laps = laps2;
    (*tracks)[1].TotalTime = time2;
    (*tracks)[1].LapTimes[3] = 14000;
    ApplyRaceEndRules(*tracks, settings, state);
    QCOMPARE((*tracks)[0].Laps, laps1);
    QCOMPARE((*tracks)[0].TotalTime, time1);
    QCOMPARE((*tracks)[1].Laps, expectedLaps2);
    QCOMPARE((*tracks)[1].TotalTime, expectedTime2);
    QCOMPARE((*tracks)[1].LapTimes[3], 14000u);
}

void TstRaceEngine::timedFalseStartPenalty_data()
{
    QTest::addColumn<int32_t>("laps");
    QTest::addColumn<int32_t>("penalty");
    QTest::addColumn<bool>("falseStart");
    QTest::addColumn<QString>("shown");
    QTest::newRow("default penalty") << 12040 << 1000 << true << QStringLiteral("11.40");
    QTest::newRow("half a lap") << 12030 << 50 << true << QStringLiteral("11.80");
    QTest::newRow("below zero") << 0 << 1000 << true << QStringLiteral("-1.00");
    QTest::newRow("no false start") << 12040 << 1000 << false << QStringLiteral("12.40");
}

void TstRaceEngine::timedFalseStartPenalty()
{
    QFETCH(int32_t, laps);
    QFETCH(int32_t, penalty);
    QFETCH(bool, falseStart);
    QFETCH(QString, shown);
    TSettings settings;
    settings.SectionsPerLap = 100;
    settings.TimedFalseStart = penalty;
    TRaceState state;
    state.RaceKind = TRaceKind::Timed;
    state.TargetLaps = TimedTargetLaps;
    auto tracks = std::make_unique<TTrackStates>();
    (*tracks)[0].Active = true;
    (*tracks)[0].Laps = laps;
    (*tracks)[0].FalseStart = falseStart;
    (*tracks)[0].TotalTime = 299000;
    // A flagged track without a driver is left alone.
    (*tracks)[1].Laps = laps;
    (*tracks)[1].FalseStart = true;
    ApplyRaceEndRules(*tracks, settings, state);
    QCOMPARE(FormatLapValue((*tracks)[0].Laps, 100), shown);
    QCOMPARE((*tracks)[0].TotalTime, 299000u);
    QCOMPARE((*tracks)[1].Laps, laps);
}

void TstRaceEngine::fasterLapOrLapSound_data()
{
    QTest::addColumn<bool>("lapSwitch");
    QTest::addColumn<bool>("bestSwitch");
    QTest::addColumn<QList<TRaceSound>>("sounds");
    using S = TRaceSound;
    // Laps of 6.001, 6.500 and 5.000 s: the first is always a fastest lap.
    QTest::newRow("both on") << true << true << QList<S>{S::FasterLap, S::Lap, S::FasterLap, S::Finish};
    QTest::newRow("best off") << true << false << QList<S>{S::Lap, S::Finish};
    QTest::newRow("lap off") << false << true << QList<S>{S::FasterLap, S::FasterLap, S::Finish};
}

void TstRaceEngine::fasterLapOrLapSound()
{
    QFETCH(bool, lapSwitch);
    QFETCH(bool, bestSwitch);
    QFETCH(QList<TRaceSound>, sounds);
    TRaceRig rig;
    rig.Settings.Sounds[TSettings::SoundLap] = lapSwitch;
    rig.Settings.Sounds[TSettings::SoundBestLap] = bestSwitch;
    rig.Settings.Sounds[TSettings::SoundFinish] = true;
    rig.LapRace(3);
    rig.Drive(1);
    rig.Pass(1, 6000);
    rig.Pass(1, 12500);
    rig.Pass(1, 17500);
    rig.Engine.Run();
    QCOMPARE(rig.Host.Sounds, sounds);
    QCOMPARE(rig.Track(1).FastestLap, 5000u);
}

void TstRaceEngine::timedRaceClockCountsDown()
{
    TSettings settings;
    TRaceState state;
    state.RaceKind = TRaceKind::Timed;
    state.RaceLength = 5 * 60;
    auto tracks = std::make_unique<TTrackStates>();
    QStringList texts;
    for (int64_t elapsed = 0; elapsed <= 310000; elapsed += 250) {
        state.Elapsed = elapsed;
        state.PollCount = 100;
        const TRaceDisplay display = RefreshDisplay(state, *tracks, settings);
        if (display.ClockChanged)
            texts << display.ClockText;
    }
    QCOMPARE(texts.size(), 310);
    QCOMPARE(texts.first(), QStringLiteral("4:59"));
    QCOMPARE(texts[59], QStringLiteral("4:00"));
    QCOMPARE(texts[298], QStringLiteral("0:01"));
    for (int i = 299; i < texts.size(); ++i)
        QCOMPARE(texts[i], QStringLiteral("0:00"));
    QCOMPARE(RaceClockText(state, 0), QStringLiteral("5:00"));
}

void TstRaceEngine::displayLabelsChangeOnlyWhenValuesDo()
{
    TSettings settings;
    settings.Tracks = 2;
    TRaceState state;
    state.RaceKind = TRaceKind::Lap;
    state.RaceLength = 20;
    state.CarriedTotals = {100000, 0, 0, 0};
    auto tracks = std::make_unique<TTrackStates>();
    TTrackState& track = (*tracks)[0];
    track.Active = true;
    (*tracks)[2].Active = true;  // above N: never shown
    track.Laps = 12000;
    track.TotalTime = 121207;
    track.LastLap = 65432;
    track.AverageLap = 10100;
    track.FastestLap = 9876;
    state.Elapsed = 1500;
    state.PollCount = 51;

    TRaceDisplay display = RefreshDisplay(state, *tracks, settings);
    QVERIFY(display.ClockChanged);
    QCOMPARE(display.ClockText, QStringLiteral("0:01"));
    QCOMPARE(display.Caption, QStringLiteral(" K.O.B.A. v2.2- Timer     Sensor reads/sec: 51"));
    QCOMPARE(state.RefreshDivider, int64_t(2));
    QCOMPARE(state.PollCount, int64_t(0));
    const TTrackDisplay& shown = display.Tracks[0];
    QVERIFY(shown.GaugeChanged);
    QCOMPARE(shown.GaugePercent, 60);
    QCOMPARE(shown.LastLapText, QStringLiteral("99.999"));  // a minute or more
    QCOMPARE(shown.AverageText, QStringLiteral("Av: 10.100"));
    QCOMPARE(shown.FastestText, QStringLiteral("Fa: 09.876"));
    QCOMPARE(shown.LapsText, QStringLiteral("12.00/3:41.207"));
    QVERIFY(!display.Tracks[2].LapsChanged);
    QCOMPARE((*tracks)[2].GaugePercent, 0);

    // Nothing changed, same second: nothing to write.
    state.Elapsed = 1900;
    display = RefreshDisplay(state, *tracks, settings);
    QVERIFY(!display.ClockChanged);
    QVERIFY(!display.Tracks[0].GaugeChanged);
    QVERIFY(!display.Tracks[0].LastLapChanged && !display.Tracks[0].AverageChanged);
    QVERIFY(!display.Tracks[0].FastestChanged && !display.Tracks[0].LapsChanged);

    // Timed race: laps are shown with the carried laps added.
    state.RaceKind = TRaceKind::Timed;
    state.CarriedTotals = {3055, 0, 0, 0};
    track.Laps = 12060;
    display = RefreshDisplay(state, *tracks, settings);
    // The carried laps and this race's laps are added as lap values, with
    // the sections carried into laps (12.60 + 3.55 = 16.15).
    QCOMPARE(display.Tracks[0].LapsText, QStringLiteral("16.15/2:01.207"));
}

void TstRaceEngine::slowPollingStillRefreshes()
{
    TRaceRig rig;
    rig.Port.ReadUs = 50'000;  // 20 reads a second: the divider becomes 0
    rig.TimedRace(10);
    rig.Drive(1);
    rig.Engine.Run();
    // The first refresh comes at poll 100 (5 s) and sets the divider to 4;
    // the next whole second sets it to 0, and from then on (6 s) every poll
    // refreshes.
    QCOMPARE(rig.State.RefreshDivider, int64_t(0));
    QVERIFY2(rig.Host.Refreshes >= 4 * 20, qPrintable(QString::number(rig.Host.Refreshes)));
    QCOMPARE(rig.Host.ClockTexts.last(), QStringLiteral("0:00"));
}

void TstRaceEngine::sustainReadAfterTimeOut_data()
{
    QTest::addColumn<int64_t>("after");
    QTest::addColumn<int32_t>("laps");
    QTest::newRow("within the sustain time") << int64_t(300) << 1000;
    QTest::newRow("after it") << int64_t(700) << 0;
}

void TstRaceEngine::sustainReadAfterTimeOut()
{
    QFETCH(int64_t, after);
    QFETCH(int32_t, laps);
    TRaceRig rig;
    rig.TimedRace(60);
    rig.Drive(1);
    rig.Pass(1, 60000 + after);
    rig.Engine.Run();
    QCOMPARE(rig.Track(1).Laps, laps);
    // Power went off before the sustain read: cars coast over the line.
    QCOMPARE(rig.Io.OutputImage(), uint8_t(0));
    QVERIFY(rig.Log.indexOf(QStringLiteral("disablepause")) >= 0);
}

void TstRaceEngine::pauseExcludesPauseAndRestartLights()
{
    TRaceRig rig;
    rig.Settings.BounceDelayMs = 1000;
    rig.LapRace(6);
    rig.Drive(1);
    rig.Drive(2);
    const int64_t firstPass = TRaceRig::Green + 3000;
    const int64_t pauseAt = TRaceRig::Green + 10000;
    rig.Hold(1, firstPass, firstPass + 30);
    rig.Port.OnRead = [&](int64_t now) {
        if (now == pauseAt)
            RequestPause(rig.State);
        if (rig.Track(1).Laps == 6000)
            rig.State.RaceEnded.store(true);  // track 2 never drives: end by hand
    };
    int64_t pauseMark = 0;
    int64_t elapsedAtPause = 0;
    bool powerOffAtRestartGreen = false;
    rig.Host.OnHalt = [&] {
        pauseMark = rig.State.PauseMark;
        elapsedAtPause = rig.State.Elapsed;
        QCOMPARE(rig.Io.OutputImage() & 0x0F, 0);  // power off at the pause
        rig.Track(1).Laps = 5000;                  // the marshal's correction
        rig.State.PauseRequested.store(false);
        rig.Clock.AdvanceMs(60000);  // the dialog stays open a minute
        // The car on track 1 is moved during the restart lights.
        const int64_t now = rig.Clock.NowMs();
        rig.Hold(1, now + 3000, now + 3100);
        rig.Hold(2, now + 4000, now + 4100);
        // And it crosses 2 s after the restart green.
        rig.Hold(1, now + 6600 + 2000, now + 6600 + 2030);
    };
    rig.Host.OnLamp = [&](int lamp) {
        if (lamp == 5 && pauseMark != 0)
            powerOffAtRestartGreen = (rig.Io.OutputImage() & 0x0F) == 0;
    };
    rig.Engine.Run();

    QVERIFY(pauseMark != 0);
    QVERIFY(powerOffAtRestartGreen);
    QCOMPARE(rig.Log.count(QStringLiteral("halt")), 1);
    QCOMPARE(rig.State.PausedTotal, rig.State.GreenMark - pauseMark);
    QCOMPARE(rig.State.PausedTotal, int64_t(500 + 60000 + 6600));
    // The race clock went on from where it stopped at the pause request...
    QCOMPARE(elapsedAtPause, pauseMark + 500 - TRaceRig::Green);  // after the sustain read
    // ...so the lap across the pause is the driving before and after it.
    const uint32_t before = uint32_t(pauseAt - firstPass);
    QCOMPARE(rig.Track(1).Laps, 6000);
    QCOMPARE(rig.Track(1).LapTimes[6], before + 2001);
    QCOMPARE(rig.Track(1).FalseStart, false);
    QCOMPARE(rig.Track(2).FalseStart, false);
    QCOMPARE(rig.Track(2).LapTimes[1], 0u);  // its moves in the restart lights were not laps
}

void TstRaceEngine::finishRaceFromPause_data()
{
    QTest::addColumn<bool>("timed");
    QTest::newRow("Lap race") << false;
    // The car stops on its sensor during the pause: ending the race must not
    // count it as one more lap timed across the whole pause.
    QTest::newRow("Timed race, car on its sensor") << true;
}

void TstRaceEngine::finishRaceFromPause()
{
    QFETCH(bool, timed);
    TRaceRig rig;
    if (timed)
        rig.TimedRace(600);
    else
        rig.LapRace(10);
    rig.Drive(1);
    rig.Pass(1, 6000);
    rig.Hold(1, TRaceRig::Green + 8600);  // coasts to a stop on the sensor
    rig.Port.OnRead = [&](int64_t now) {
        if (now == TRaceRig::Green + 8000)
            RequestPause(rig.State);
    };
    rig.Host.OnHalt = [&] {
        rig.Clock.AdvanceMs(60000);
        rig.State.RaceEnded.store(true);
    };
    rig.Engine.Run();
    // No restart lights, and the pause is not added.
    QCOMPARE(rig.Log.count(QStringLiteral("show")), 1);
    QCOMPARE(rig.State.PausedTotal, int64_t(0));
    QCOMPARE(rig.Track(1).Laps, 1000);
    QCOMPARE(rig.Track(1).LapTimes[2], 0u);
    QCOMPARE(rig.Io.OutputImage(), uint8_t(0));
}

void TstRaceEngine::pauseRightAfterGreenSwitchesTheLightsOff()
{
    TRaceRig rig;
    rig.LapRace(10);
    rig.Drive(1);
    rig.Port.OnRead = [&](int64_t now) {
        if (now == TRaceRig::Green + 100)
            RequestPause(rig.State);
    };
    uint8_t linesAtHalt = 0xFF;
    rig.Host.OnHalt = [&] {
        linesAtHalt = rig.Io.OutputImage();
        rig.State.RaceEnded.store(true);
    };
    rig.Engine.Run();
    QCOMPARE(linesAtHalt, uint8_t(0));
    QVERIFY(rig.Log.indexOf(QStringLiteral("hide")) < rig.Log.indexOf(QStringLiteral("halt")));
}

void TstRaceEngine::restartLeavesFinishedCarsUnpowered()
{
    TRaceRig rig;
    rig.LapRace(1);
    rig.Drive(1);
    rig.Drive(2);
    rig.Track(1).Laps = 1000;  // left from the last race: no finisher in this one
    rig.Pass(1, 6000);
    const int64_t pauseAt = TRaceRig::Green + 8000;
    int64_t restarted = 0;
    rig.Port.OnRead = [&](int64_t now) {
        if (now == pauseAt)
            RequestPause(rig.State);
        if (restarted == 0 && rig.Log.count(QStringLiteral("show")) == 2 && rig.State.GreenMark > pauseAt)
            restarted = now;
        if (restarted != 0 && now >= restarted + 1000)
            rig.State.RaceEnded.store(true);
    };
    qsizetype writesAtHalt = 0;
    rig.Host.OnHalt = [&] { writesAtHalt = rig.Port.Writes.size(); };
    rig.Engine.Run();
    QCOMPARE(rig.Port.Writes.first(), uint8_t(0x01));
    QCOMPARE(rig.Port.Writes[1], uint8_t(0x03));
    QVERIFY(restarted != 0);
    bool track2Powered = false;
    for (qsizetype i = writesAtHalt; i < rig.Port.Writes.size(); ++i) {
        QVERIFY2(!(rig.Port.Writes[i] & 0x01), qPrintable(QString::number(i)));
        track2Powered = track2Powered || (rig.Port.Writes[i] & 0x02);
    }
    QVERIFY(track2Powered);
}

void TstRaceEngine::trackWithoutDriverIsIgnored()
{
    TRaceRig rig;
    rig.Settings.Tracks = 3;
    rig.LapRace(2);
    rig.Drive(1);
    rig.Drive(4);    // above N: not timed
    rig.Hold(2, 0);  // no driver, sensor always set
    rig.Hold(3, 0);
    rig.Hold(4, 0);
    rig.Pass(1, 6000);
    rig.Pass(1, 12000);
    rig.Engine.Run();
    QCOMPARE(rig.Track(1).Laps, 2000);
    for (int n = 2; n <= 4; ++n) {
        QCOMPARE(rig.Track(n).FalseStart, false);
        QCOMPARE(rig.Track(n).Laps, 0);
        QCOMPARE(rig.Track(n).TotalTime, 0u);
        QCOMPARE(rig.Track(n).LapTimes[1], 0u);
    }
}

void TstRaceEngine::lapListEndsAtTwentyThousand()
{
    TRaceRig rig;
    rig.Settings.BounceDelayMs = 0;  // a held sensor counts at every poll
    rig.LapRace(MaxLapEntries + 1);
    rig.Drive(1);
    rig.Hold(1, TRaceRig::Green);
    rig.Engine.Run();
    QCOMPARE(rig.Track(1).Laps, (MaxLapEntries + 1) * 1000);
    QCOMPARE(rig.Track(1).LapTimes[MaxLapEntries], 1u);
    QCOMPARE(rig.Track(1).SpeedTrapTimes[0], 0u);
    QCOMPARE(rig.Track(1).LapTimes[0], 0u);
}

void TstRaceEngine::powerLines_data()
{
    QTest::addColumn<bool>("multiple");
    QTest::addColumn<QList<uint8_t>>("writes");
    // Tracks 1 and 3 driven of four: power on, lights 5..8 off, lamps 2..5
    // with lines 5..8, lights off 600 ms after green, a finisher's line off,
    // then all power lines off.
    QTest::newRow("multiple power") << true
                                    << QList<uint8_t>{0x01, 0x05, 0x05, 0x05, 0x05, 0x05, 0x15, 0x35, 0x75, 0xF5,
                                                      0xE5, 0xC5, 0x85, 0x05, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00};
    QTest::newRow("line 1 for all") << false << QList<uint8_t>{0x01, 0x01, 0x01, 0x01, 0x01, 0x11, 0x31,
                                                               0x71, 0xF1, 0xE1, 0xC1, 0x81, 0x01, 0x00};
}

void TstRaceEngine::powerLines()
{
    QFETCH(bool, multiple);
    QFETCH(QList<uint8_t>, writes);
    TRaceRig rig;
    rig.Settings.MultiplePowerSignals = multiple;
    rig.LapRace(1);
    rig.Drive(1);
    rig.Drive(3);
    rig.Pass(1, 6000);
    rig.Pass(3, 7000);
    rig.Engine.Run();
    QCOMPARE(rig.Port.Writes, writes);
}

void TstRaceEngine::startLightsOrderAndTiming()
{
    TRaceRig rig;
    rig.Settings.Sounds.fill(true);
    rig.LapRace(1);
    rig.Drive(1);
    rig.Pass(1, 6000);
    rig.Engine.Run();
    const QStringList expected{
        QStringLiteral("show"),     QStringLiteral("lamp 1 1"),        QStringLiteral("lamp 2 1"),
        QStringLiteral("out 11"),   QStringLiteral("lamp 3 1"),        QStringLiteral("out 31"),
        QStringLiteral("lamp 4 1"), QStringLiteral("out 71"),          QStringLiteral("lamp 5 1"),
        QStringLiteral("out f1"),   QStringLiteral("falsestartlamps"), QStringLiteral("hide")};
    const int from = int(rig.Log.indexOf(QStringLiteral("show")));
    const int to = int(rig.Log.indexOf(QStringLiteral("hide")));
    QVERIFY(from >= 0 && to > from);
    const QStringList seen = rig.Log.mid(from, to - from + 1);
    QList<int64_t> lampTimes;
    for (int i = 0; i < rig.Host.Times.size(); ++i)
        lampTimes << rig.Host.Times[i];
    lampTimes.remove(6);  // the false-start lamps come between green and hide
    lampTimes = lampTimes.mid(0, 7);
    QCOMPARE(seen, expected);
    // Shown at 0, lamps every two steps, green after three, hidden 600 ms later.
    QCOMPARE(lampTimes, (QList<int64_t>{0, 1200, 2400, 3600, 4800, 6600, 7200}));
    QCOMPARE(rig.State.GreenMark, TRaceRig::Green);
    using S = TRaceSound;
    QCOMPARE(rig.Host.Sounds.mid(0, 5), (QList<S>{S::Light1, S::Light2, S::Light3, S::Light4, S::Start}));
}

void TstRaceEngine::wholeRaceOnSimulatedTrack()
{
    TSimulatedClock clock;
    clock.SetStepPerReadUs(50);
    TSettings settings;
    settings.Sounds.fill(false);
    TSensorMasks masks;
    TSimulatedTrackConfig config;
    config.JumpStartProbability = 0;
    TSimulatedTrack track(clock, settings, masks, 7, config);
    track.Open();
    TTrackIo io(track, settings, masks);
    TRaceState state;
    state.RaceKind = TRaceKind::Lap;
    state.RaceLength = 20;
    auto tracks = std::make_unique<TTrackStates>();
    for (TTrackState& t : *tracks)
        t.Active = true;
    QStringList log;
    TRecordingHost host(clock, log, state, *tracks, settings);
    TRaceEngine engine(clock, io, settings, state, *tracks, host);
    // The spectators see the race as it ended, ranked as its records are.
    TSnapshotPublisher feed;
    engine.SetSpectatorFeed(&feed, MakeRaceSnapshot(*tracks, state, 4, settings.SectionsPerLap));
    engine.Run();
    TRaceSnapshot seen;
    QVERIFY(feed.Read(seen));
    QCOMPARE(int(seen.Phase), int(TRacePhase::Finished));
    QCOMPARE(RankLive(seen), RankLive(*tracks, 4, settings.SectionsPerLap));

    for (int n = 1; n <= 4; ++n) {
        const TTrackState& t = (*tracks)[size_t(n - 1)];
        QCOMPARE(t.Laps, 20000);
        QCOMPARE(track.LapsCompleted(n) >= 19, true);
        QVERIFY(!t.FalseStart);
        const int64_t base = config.BaseLapUs[size_t(n - 1)] / 1000;
        uint64_t sum = 0;
        for (int lap = 1; lap <= 20; ++lap) {
            sum += t.LapTimes[size_t(lap)];
            if (lap > 1) {
                QVERIFY2(
                    t.LapTimes[size_t(lap)] >= base * 97 / 100 - 1 && t.LapTimes[size_t(lap)] <= base * 103 / 100 + 1,
                    qPrintable(QStringLiteral("track %1 lap %2: %3").arg(n).arg(lap).arg(t.LapTimes[size_t(lap)])));
            }
        }
        QCOMPARE(sum, uint64_t(t.TotalTime));
        QCOMPARE(t.FastestLap, *std::min_element(t.LapTimes.begin() + 1, t.LapTimes.begin() + 21));
    }
    QCOMPARE(io.OutputImage(), uint8_t(0));
}

QTEST_GUILESS_MAIN(TstRaceEngine)
#include "tst_raceengine.moc"
