#include "common/IntegerText.h"
#include "common/Settings.h"
#include "support/TestSupport.h"
#include "timing/PauseEdits.h"

#include <QtTest>

#include <memory>

// The pause dialog's working state without its window: whole-lap steps, the
// preview and the write-back of "OK" and "Finish Race".
namespace {

// A race of four drivers as the timer window leaves it: the live records,
// the race state and the settings the dialog reads.
struct TRig {
    TSettings Settings;
    TRaceState State;
    std::unique_ptr<TTrackStates> Live = std::make_unique<TTrackStates>();

    TRig(TRaceKind kind, int32_t length, bool ended, int32_t sectionsPerLap = 100)
    {
        Settings.SectionsPerLap = sectionsPerLap;
        State.RaceKind = kind;
        State.RaceLength = length;
        State.TargetLaps = kind == TRaceKind::Lap ? length : TimedTargetLaps;
        State.RaceEnded = ended;
        for (size_t i = 0; i < Live->size(); ++i) {
            (*Live)[i].Active = true;
            (*Live)[i].DriverName = QStringLiteral("Driver %1").arg(i + 1);
        }
    }
    TTrackState& Track(int n) { return (*Live)[size_t(n - 1)]; }
};

std::array<QString, 4> Texts(const QString& one, const QString& two = QStringLiteral("0"),
                             const QString& three = QStringLiteral("0"), const QString& four = QStringLiteral("0"))
{
    return {one, two, three, four};
}

}  // namespace

class TstPauseEdits : public QObject {
    Q_OBJECT

private slots:
    void init() { m_workDir = std::make_unique<TTestWorkDir>(); }
    void cleanup() { m_workDir.reset(); }

    void modes_data();
    void modes();
    void sectionsAdded_data();
    void sectionsAdded();
    void plusAndMinus_data();
    void plusAndMinus();
    void nothingWrittenWithoutCommit();
    void secondEditDoesNotAddAgain();
    void pausePreviewAppliesEndRulesToCopyOnly();
    void timedPausePreviewShowsFalseStartPenalty();
    void editPreviewShowsLiveResult();
    void refusedTextWritesNothing_data();
    void refusedTextWritesNothing();
    void emptyTextBecomesZero();
    void tracksAboveSettingUntouched();
    void commitReplacesAllFourRecords();
    void texts();

private:
    std::unique_ptr<TTestWorkDir> m_workDir;
};

void TstPauseEdits::modes_data()
{
    QTest::addColumn<bool>("ended");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("sectionsPerLap");
    QTest::addColumn<bool>("editMode");
    QTest::addColumn<bool>("sectionsShown");
    QTest::newRow("pause, Timed") << false << int(TRaceKind::Timed) << 100 << false << false;
    QTest::newRow("pause, Lap") << false << int(TRaceKind::Lap) << 100 << false << false;
    QTest::newRow("edit, Timed") << true << int(TRaceKind::Timed) << 100 << true << true;
    QTest::newRow("edit, Timed, S=1") << true << int(TRaceKind::Timed) << 1 << true << true;
    QTest::newRow("edit, Timed, S=0") << true << int(TRaceKind::Timed) << 0 << true << false;
    QTest::newRow("edit, Lap") << true << int(TRaceKind::Lap) << 100 << true << false;
}

void TstPauseEdits::modes()
{
    QFETCH(bool, ended);
    QFETCH(int, kind);
    QFETCH(int, sectionsPerLap);
    QFETCH(bool, editMode);
    QFETCH(bool, sectionsShown);
    TRig rig(TRaceKind(kind), 20, ended, sectionsPerLap);
    TPauseEdits edits(rig.Settings);
    edits.Begin(rig.State, *rig.Live);
    QCOMPARE(edits.EditMode(), editMode);
    QCOMPARE(edits.SectionsShown(), sectionsShown);
}

void TstPauseEdits::sectionsAdded_data()
{
    QTest::addColumn<int>("sectionsPerLap");
    QTest::addColumn<int>("laps");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("expectedLaps");
    QTest::addColumn<int>("expectedSections");
    QTest::addColumn<QString>("expectedText");
    QTest::newRow("23 + 45") << 100 << 23000 << "45" << 23045 << 45 << "Laps: 23.45";
    QTest::newRow("150 lowered to 99") << 100 << 23000 << "150" << 23099 << 99 << "Laps: 23.99";
    QTest::newRow("exactly S lowered") << 100 << 23000 << "100" << 23099 << 99 << "Laps: 23.99";
    QTest::newRow("S - 1 kept") << 100 << 23000 << "99" << 23099 << 99 << "Laps: 23.99";
    QTest::newRow("zero") << 100 << 23000 << "0" << 23000 << 0 << "Laps: 23.00";
    QTest::newRow("blanks around") << 100 << 23000 << " 7" << 23007 << 7 << "Laps: 23.07";
    QTest::newRow("S=10") << 10 << 5000 << "7" << 5007 << 7 << "Laps: 5.7";
    QTest::newRow("S=10, 45 lowered to 9") << 10 << 5000 << "45" << 5009 << 9 << "Laps: 5.9";
    QTest::newRow("S=1000") << 1000 << 5000 << "999" << 5999 << 999 << "Laps: 5.999";
    QTest::newRow("S=1 takes no sections") << 1 << 5000 << "5" << 5000 << 0 << "Laps: 5.0";
    QTest::newRow("S=0 adds nothing") << 0 << 23000 << "45" << 23000 << 0 << "Laps: 23";
    QTest::newRow("zero laps") << 100 << 0 << "45" << 45 << 45 << "Laps: 0.45";
    // A negative count takes sections back from the last counted lap.
    QTest::newRow("negative borrows a lap") << 100 << 23000 << "-45" << 22055 << -45 << "Laps: 22.55";
    QTest::newRow("negative, -99") << 100 << 23000 << "-99" << 22001 << -99 << "Laps: 22.01";
    QTest::newRow("negative beyond a lap raised") << 10 << 23000 << "-99" << 22001 << -9 << "Laps: 22.1";
    QTest::newRow("negative never under zero") << 100 << 0 << "-45" << 0 << -45 << "Laps: 0.00";
    QTest::newRow("negative just to zero") << 100 << 1000 << "-99" << 1 << -99 << "Laps: 0.01";
    QTest::newRow("negative on a result under zero") << 100 << -1000 << "-45" << -1045 << -45 << "Laps: -1.45";
    QTest::newRow("positive on a result under zero") << 100 << -1000 << "45" << -55 << 45 << "Laps: -0.55";
    QTest::newRow("negative with S=0") << 0 << 23000 << "-5" << 23000 << 0 << "Laps: 23";
}

void TstPauseEdits::sectionsAdded()
{
    QFETCH(int, sectionsPerLap);
    QFETCH(int, laps);
    QFETCH(QString, typed);
    QFETCH(int, expectedLaps);
    QFETCH(int, expectedSections);
    QFETCH(QString, expectedText);
    TRig rig(TRaceKind::Timed, 300, true, sectionsPerLap);
    rig.Track(2).Laps = laps;
    TPauseEdits edits(rig.Settings);
    edits.Begin(rig.State, *rig.Live);
    auto texts = Texts(QStringLiteral("0"), typed);
    const TPauseEdits::TCommit commit = edits.Commit(texts);
    QVERIFY(commit.written);
    QCOMPARE(rig.Track(2).Laps, expectedLaps);
    QCOMPARE(rig.State.SectionsToAdd[1], expectedSections);
    QCOMPARE(rig.Track(1).Laps, 0);
    // The next session shows the result as it now stands.
    edits.Begin(rig.State, *rig.Live);
    QCOMPARE(edits.LapsText(2), expectedText);
}

void TstPauseEdits::plusAndMinus_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("plus");
    QTest::addColumn<int>("laps");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<int>("expected");
    const int lap = int(TRaceKind::Lap);
    const int timed = int(TRaceKind::Timed);
    // Raised at most to one lap short of the finish: 19 of 20.
    QTest::newRow("+ at 19 of 20") << lap << 20 << true << 19000 << false << 19000;
    QTest::newRow("+ at 18 of 20") << lap << 20 << true << 18000 << true << 19000;
    QTest::newRow("+ at 17 of 20") << lap << 20 << true << 17000 << true << 18000;
    QTest::newRow("+ at 0 of 20") << lap << 20 << true << 0 << true << 1000;
    QTest::newRow("+ on a finished car") << lap << 20 << true << 20000 << false << 20000;
    QTest::newRow("+ in a race of 1 lap") << lap << 1 << true << 0 << false << 0;
    QTest::newRow("- at 0") << lap << 20 << false << 0 << false << 0;
    QTest::newRow("- at 1") << lap << 20 << false << 1000 << true << 0;
    QTest::newRow("- on a finished car") << lap << 20 << false << 20000 << true << 19000;
    QTest::newRow("+ Timed") << timed << 300 << true << 500000 << true << 501000;
    QTest::newRow("+ Timed keeps sections") << timed << 300 << true << 23045 << true << 24045;
    QTest::newRow("- Timed keeps sections") << timed << 300 << false << 23045 << true << 22045;
    QTest::newRow("- below one lap") << timed << 300 << false << 45 << false << 45;
    QTest::newRow("- under zero") << timed << 300 << false << -1000 << false << -1000;
    QTest::newRow("+ from a whole lap under zero") << timed << 300 << true << -1000 << true << 0;
    QTest::newRow("+ from -1.20") << timed << 300 << true << -1020 << true << -20;
    // -0.50 plus a lap is 0.50; adding 1000 to the encoding would give 0.950.
    QTest::newRow("+ from -0.50") << timed << 300 << true << -50 << true << 50;
    QTest::newRow("+ Timed near its target") << timed << 300 << true << 999998000 << false << 999998000;
}

void TstPauseEdits::plusAndMinus()
{
    QFETCH(int, kind);
    QFETCH(int, length);
    QFETCH(bool, plus);
    QFETCH(int, laps);
    QFETCH(bool, changed);
    QFETCH(int, expected);
    // Both modes step the same way; the pause mode is the one with a preview
    // that differs from the working copy.
    for (const bool ended : {false, true}) {
        TRig rig(TRaceKind(kind), length, ended);
        rig.Track(3).Laps = laps;
        TPauseEdits edits(rig.Settings);
        edits.Begin(rig.State, *rig.Live);
        QCOMPARE(plus ? edits.AddLap(3) : edits.RemoveLap(3), changed);
        QCOMPARE(edits.Working()[2].Laps, expected);
        QCOMPARE(rig.Track(3).Laps, laps);
    }
}

void TstPauseEdits::nothingWrittenWithoutCommit()
{
    // "Cancel " is a session that ends without Commit.
    TRig rig(TRaceKind::Timed, 300, false);
    rig.Track(1).Laps = 12000;
    rig.Track(2).Laps = 3000;
    TPauseEdits edits(rig.Settings);
    edits.Begin(rig.State, *rig.Live);
    for (int i = 0; i < 3; ++i)
        edits.AddLap(1);
    edits.RemoveLap(2);
    QCOMPARE(edits.LapsText(1), QStringLiteral("Laps: 15.00"));
    QCOMPARE(rig.Track(1).Laps, 12000);
    QCOMPARE(rig.Track(2).Laps, 3000);

    // The next session starts from the live records again.
    edits.Begin(rig.State, *rig.Live);
    QCOMPARE(edits.LapsText(1), QStringLiteral("Laps: 12.00"));
    QCOMPARE(edits.Working()[1].Laps, 3000);
}

void TstPauseEdits::secondEditDoesNotAddAgain()
{
    TRig rig(TRaceKind::Timed, 300, true);
    rig.Track(1).Laps = 23000;
    rig.Track(1).TotalTime = 301234;
    TPauseEdits edits(rig.Settings);
    edits.Begin(rig.State, *rig.Live);
    auto texts = Texts(QStringLiteral("45"));
    QVERIFY(edits.Commit(texts).written);
    QCOMPARE(rig.Track(1).Laps, 23045);
    QCOMPARE(rig.State.SectionsToAdd[0], 45);

    edits.Begin(rig.State, *rig.Live);
    QCOMPARE(edits.SectionsText(1), QStringLiteral("0"));
    QCOMPARE(rig.State.SectionsToAdd[0], 0);
    QCOMPARE(edits.LapsText(1), QStringLiteral("Laps: 23.45"));
    QCOMPARE(edits.PreviewText(1), QStringLiteral("23.45/5:01.234"));
    auto again = Texts(QStringLiteral("0"));
    QVERIFY(edits.Commit(again).written);
    QCOMPARE(rig.Track(1).Laps, 23045);
}

void TstPauseEdits::pausePreviewAppliesEndRulesToCopyOnly()
{
    TRig rig(TRaceKind::Lap, 20, false);
    rig.Track(1).Laps = 20000;
    rig.Track(1).TotalTime = 120000;
    rig.Track(2).Laps = 18000;
    rig.Track(2).TotalTime = 110000;
    rig.Track(3).Laps = 19000;
    rig.Track(3).TotalTime = 115000;
    rig.Track(3).FalseStart = true;
    rig.Track(4).Active = false;
    rig.Track(4).Laps = 2000;
    rig.Track(4).TotalTime = 9000;
    TPauseEdits edits(rig.Settings);
    edits.Begin(rig.State, *rig.Live);

    // Default penalties: 12 s per missing lap, 8 s for a false start.
    QCOMPARE(edits.PreviewText(1), QStringLiteral("20.00/2:00.000"));
    QCOMPARE(edits.PreviewText(2), QStringLiteral("20.00/2:24.000"));
    QCOMPARE(edits.PreviewText(3), QStringLiteral("20.00/2:20.000"));
    QCOMPARE(edits.PreviewText(4), QStringLiteral("2.00/0:09.000"));
    // The laps labels show the working copy, which has no fill-ins.
    QCOMPARE(edits.LapsText(2), QStringLiteral("Laps: 18.00"));
    QCOMPARE(edits.Working()[1].Laps, 18000);
    QCOMPARE(edits.Working()[1].TotalTime, 110000u);
    QCOMPARE(rig.Track(2).Laps, 18000);
    QCOMPARE(rig.Track(2).TotalTime, 110000u);
    QCOMPARE(rig.Track(3).TotalTime, 115000u);

    // Taking the finisher back a lap leaves nobody finished: times as driven.
    QVERIFY(edits.RemoveLap(1));
    QCOMPARE(edits.PreviewText(1), QStringLiteral("19.00/2:00.000"));
    QCOMPARE(edits.PreviewText(2), QStringLiteral("18.00/1:50.000"));
    QCOMPARE(edits.PreviewText(3), QStringLiteral("19.00/2:03.000"));
    QCOMPARE(rig.Track(1).Laps, 20000);
}

void TstPauseEdits::timedPausePreviewShowsFalseStartPenalty()
{
    TRig rig(TRaceKind::Timed, 300, false);
    rig.Track(1).Laps = 12000;
    rig.Track(1).FalseStart = true;
    rig.Track(1).TotalTime = 65432;
    TPauseEdits edits(rig.Settings);
    edits.Begin(rig.State, *rig.Live);
    QCOMPARE(edits.PreviewText(1), QStringLiteral("11.00/1:05.432"));
    QCOMPARE(edits.LapsText(1), QStringLiteral("Laps: 12.00"));
    auto texts = Texts(QStringLiteral("0"));
    QVERIFY(edits.Commit(texts).written);
    // The penalty is the race end's to apply, not the dialog's.
    QCOMPARE(rig.Track(1).Laps, 12000);
}

void TstPauseEdits::editPreviewShowsLiveResult()
{
    // After the race the records already carry the penalties; the preview
    // must not apply them a second time.
    TRig rig(TRaceKind::Timed, 300, true);
    rig.Track(1).Laps = 11000;
    rig.Track(1).FalseStart = true;
    TPauseEdits edits(rig.Settings);
    edits.Begin(rig.State, *rig.Live);
    QCOMPARE(edits.PreviewText(1), QStringLiteral("11.00/0:00.000"));
    QVERIFY(edits.AddLap(1));
    QCOMPARE(edits.PreviewText(1), QStringLiteral("12.00/0:00.000"));
}

void TstPauseEdits::refusedTextWritesNothing_data()
{
    QTest::addColumn<int>("track");
    QTest::addColumn<QString>("text");
    QTest::newRow("letters") << 2 << "abc";
    QTest::newRow("sign only") << 1 << "-";
    QTest::newRow("blanks only") << 3 << "  ";
    QTest::newRow("decimal point") << 4 << "4.5";
}

void TstPauseEdits::refusedTextWritesNothing()
{
    QFETCH(int, track);
    QFETCH(QString, text);
    TRig rig(TRaceKind::Timed, 300, true);
    for (int n = 1; n <= 4; ++n)
        rig.Track(n).Laps = n * 1000;
    TPauseEdits edits(rig.Settings);
    edits.Begin(rig.State, *rig.Live);
    edits.AddLap(1);
    std::array<QString, 4> texts{QStringLiteral("45"), QStringLiteral("46"), QStringLiteral("47"),
                                 QStringLiteral("48")};
    texts[size_t(track - 1)] = text;
    const TPauseEdits::TCommit commit = edits.Commit(texts);
    QVERIFY(!commit.written);
    QCOMPARE(commit.error, ConversionErrorText(text));
    QCOMPARE(commit.failedTrack, track);
    for (int n = 1; n <= 4; ++n) {
        QCOMPARE(rig.Track(n).Laps, n * 1000);
        QCOMPARE(rig.State.SectionsToAdd[size_t(n - 1)], 0);
    }
    // The session goes on: the text corrected, OK writes the "+" too.
    QCOMPARE(edits.Working()[0].Laps, 2000);
    texts[size_t(track - 1)] = QStringLiteral("1");
    QVERIFY(edits.Commit(texts).written);
    QCOMPARE(rig.Track(1).Laps, track == 1 ? 2001 : 2045);
}

void TstPauseEdits::emptyTextBecomesZero()
{
    TRig rig(TRaceKind::Timed, 300, true);
    rig.Track(1).Laps = 23000;
    TPauseEdits edits(rig.Settings);
    edits.Begin(rig.State, *rig.Live);
    std::array<QString, 4> texts{QString(), QStringLiteral("abc"), QString(), QStringLiteral("2")};
    QVERIFY(!edits.Commit(texts).written);
    QCOMPARE(texts[0], QStringLiteral("0"));
    QCOMPARE(texts[1], QStringLiteral("abc"));
    QCOMPARE(texts[2], QStringLiteral("0"));
    texts[1].clear();
    QVERIFY(edits.Commit(texts).written);
    QCOMPARE(texts[1], QStringLiteral("0"));
    QCOMPARE(rig.Track(1).Laps, 23000);
    QCOMPARE(rig.Track(4).Laps, 2);
}

void TstPauseEdits::tracksAboveSettingUntouched()
{
    TRig rig(TRaceKind::Timed, 300, true);
    rig.Settings.Tracks = 2;
    for (int n = 1; n <= 4; ++n)
        rig.Track(n).Laps = 10000;
    TPauseEdits edits(rig.Settings);
    edits.Begin(rig.State, *rig.Live);
    QCOMPARE(edits.TrackCount(), 2);
    auto texts = Texts(QStringLiteral("10"), QStringLiteral("20"), QStringLiteral("30"), QStringLiteral("40"));
    QVERIFY(edits.Commit(texts).written);
    QCOMPARE(rig.Track(1).Laps, 10010);
    QCOMPARE(rig.Track(2).Laps, 10020);
    QCOMPARE(rig.Track(3).Laps, 10000);
    QCOMPARE(rig.Track(4).Laps, 10000);
}

void TstPauseEdits::commitReplacesAllFourRecords()
{
    TRig rig(TRaceKind::Lap, 20, false);
    rig.Settings.Tracks = 3;
    rig.Track(4).Laps = 5000;
    rig.Track(4).LapTimes[5] = 4321;
    TPauseEdits edits(rig.Settings);
    edits.Begin(rig.State, *rig.Live);
    QVERIFY(edits.AddLap(4));  // a hidden group's buttons still work on the copy
    QVERIFY(edits.AddLap(2));
    auto texts = Texts(QStringLiteral("0"));
    QVERIFY(edits.Commit(texts).written);
    QCOMPARE(rig.Track(2).Laps, 1000);
    QCOMPARE(rig.Track(4).Laps, 6000);
    QCOMPARE(rig.Track(4).LapTimes[5], 4321u);
    QCOMPARE(rig.Track(4).DriverName, QStringLiteral("Driver 4"));
}

void TstPauseEdits::texts()
{
    TRig rig(TRaceKind::Lap, 20, false, 0);
    rig.Track(1).Laps = 7000;
    rig.Track(1).TotalTime = 83456;
    TPauseEdits edits(rig.Settings);
    edits.Begin(rig.State, *rig.Live);
    QCOMPARE(edits.LapsText(1), QStringLiteral("Laps: 7"));
    QCOMPARE(edits.PreviewText(1), QStringLiteral("7/1:23.456"));
    QCOMPARE(edits.SectionsText(1), QStringLiteral("0"));
    QVERIFY(!edits.AddLap(0));
    QVERIFY(!edits.AddLap(5));
    QVERIFY(!edits.RemoveLap(0));
}

QTEST_GUILESS_MAIN(TstPauseEdits)
#include "tst_pauseedits.moc"
