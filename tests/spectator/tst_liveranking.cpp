#include "common/Settings.h"
#include "spectator/LiveRanking.h"
#include "support/TestSupport.h"
#include "timing/RaceRules.h"

#include <QtTest>

#include <memory>

// The live ranking of the spectator screen, from the live records and from a
// published snapshot, before and after the end-of-race penalties.
namespace {

// One track as the race left it; laps is a lap value (S = 100).
struct TSetup {
    bool Active = true;
    int32_t Laps = 0;
    uint32_t TotalTime = 0;
    bool FalseStart = false;
};

}  // namespace

Q_DECLARE_METATYPE(TSetup)

class TstLiveRanking : public QObject {
    Q_OBJECT

private slots:
    void init() { m_dir = std::make_unique<TTestWorkDir>(); }
    void cleanup() { m_dir.reset(); }

    void ranks_data();
    void ranks();

private:
    std::unique_ptr<TTestWorkDir> m_dir;
};

void TstLiveRanking::ranks_data()
{
    QTest::addColumn<TRaceKind>("kind");
    QTest::addColumn<int>("trackCount");
    QTest::addColumn<bool>("raceEnded");  // the engine has applied the end rules
    QTest::addColumn<QList<TSetup>>("setups");
    QTest::addColumn<QList<int>>("order");  // tracks, leader first
    QTest::addColumn<QList<int>>("gapLaps");
    QTest::addColumn<QList<int>>("gapMs");

    const TSetup off{false};
    QTest::newRow("lap race: most laps first, equal laps by time")
        << TRaceKind::Lap << 4 << false
        << QList<TSetup>{{true, 5000, 50000}, {true, 6000, 52000}, {true, 6000, 51000}, off} << QList<int>{3, 2, 1}
        << QList<int>{0, 0, 1000} << QList<int>{0, 1000, 0};
    QTest::newRow("timed race: a gap in sections borrows a lap")
        << TRaceKind::Timed << 4 << false
        << QList<TSetup>{{true, 10050, 61000}, off, {true, 12000, 60500}, {true, 12000, 60000}} << QList<int>{4, 3, 1}
        << QList<int>{0, 0, 1050} << QList<int>{0, 500, 0};
    QTest::newRow("exact tie keeps track order")
        << TRaceKind::Lap << 4 << false
        << QList<TSetup>{{true, 3000, 30000}, {true, 4000, 40000}, {true, 5000, 39000}, {true, 4000, 40000}}
        << QList<int>{3, 2, 4, 1} << QList<int>{0, 1000, 1000, 2000} << QList<int>{0, 0, 0, 0};
    QTest::newRow("a driver with no lap comes last")
        << TRaceKind::Timed << 2 << false << QList<TSetup>{{true, 0, 0}, {true, 1000, 7000}} << QList<int>{2, 1}
        << QList<int>{0, 1000} << QList<int>{0, 0};
    QTest::newRow("a track above the timed ones is not ranked")
        << TRaceKind::Lap << 2 << false
        << QList<TSetup>{{true, 1000, 9000}, {true, 1000, 8000}, {true, 9000, 1000}, off} << QList<int>{2, 1}
        << QList<int>{0, 0} << QList<int>{0, 1000};
    QTest::newRow("timed false start: flagged only while the race runs")
        << TRaceKind::Timed << 2 << false << QList<TSetup>{{true, 10000, 60000, true}, {true, 9000, 59000}}
        << QList<int>{1, 2} << QList<int>{0, 1000} << QList<int>{0, 0};
    QTest::newRow("timed false start: laps taken away at the end")
        << TRaceKind::Timed << 2 << true << QList<TSetup>{{true, 10000, 60000, true}, {true, 9000, 59000}}
        << QList<int>{2, 1} << QList<int>{0, 1000} << QList<int>{0, 0};
    QTest::newRow("timed false start: a driver who drove stays before one who did not")
        << TRaceKind::Timed << 2 << true << QList<TSetup>{{true, 0, 0}, {true, 2000, 15000, true}} << QList<int>{2, 1}
        << QList<int>{0, 0} << QList<int>{0, 0};
    QTest::newRow("lap race false start: penalty time at the end")
        << TRaceKind::Lap << 2 << true << QList<TSetup>{{true, 10000, 60000, true}, {true, 10000, 65000}}
        << QList<int>{2, 1} << QList<int>{0, 0} << QList<int>{0, 3000};
}

void TstLiveRanking::ranks()
{
    QFETCH(TRaceKind, kind);
    QFETCH(int, trackCount);
    QFETCH(bool, raceEnded);
    QFETCH(QList<TSetup>, setups);
    QFETCH(QList<int>, order);
    QFETCH(QList<int>, gapLaps);
    QFETCH(QList<int>, gapMs);

    TSettings settings;
    settings.Tracks = trackCount;
    settings.SectionsPerLap = 100;
    settings.TimedFalseStart = 2000;
    settings.LapFalseStartMs = 8000;
    TRaceState state;
    state.RaceKind = kind;
    state.TargetLaps = kind == TRaceKind::Lap ? 10 : TimedTargetLaps;
    auto tracks = std::make_unique<TTrackStates>();
    for (qsizetype i = 0; i < setups.size(); ++i) {
        TTrackState& track = (*tracks)[size_t(i)];
        track.Active = setups[i].Active;
        track.DriverName = QStringLiteral("Fahrer %1").arg(i + 1);
        track.Laps = setups[i].Laps;
        track.TotalTime = setups[i].TotalTime;
        // A driver with laps has lap times; one without still shows none.
        if (setups[i].TotalTime != 0)
            track.FastestLap = track.LastLap = 5000 + uint32_t(i);
        track.FalseStart = setups[i].FalseStart;
    }
    // The window names the drivers when the race starts, before any penalty.
    TRaceSnapshot snapshot = MakeRaceSnapshot(*tracks, state, trackCount, settings.SectionsPerLap);
    if (raceEnded) {
        ApplyRaceEndRules(*tracks, settings, state);
        UpdateRaceSnapshot(snapshot, *tracks, state);
    }

    // The live records and the snapshot read from them rank the same.
    for (const QList<TRankingRow>& rows :
         {RankLive(*tracks, trackCount, settings.SectionsPerLap), RankLive(snapshot)}) {
        QCOMPARE(rows.size(), order.size());
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const TRankingRow& row = rows[i];
            const TTrackState& track = (*tracks)[size_t(row.Track - 1)];
            QCOMPARE(row.Place, int(i + 1));
            QCOMPARE(row.Track, order[i]);
            QCOMPARE(row.DriverName, track.DriverName);
            QCOMPARE(row.Laps, track.Laps);
            QCOMPARE(row.BestLap, track.FastestLap);
            QCOMPARE(row.LastLap, track.LastLap);
            QCOMPARE(row.FalseStart, track.FalseStart);
            QCOMPARE(row.Gap, (TRankingGap{gapLaps[i], uint32_t(gapMs[i])}));
        }
    }
}

QTEST_GUILESS_MAIN(TstLiveRanking)
#include "tst_liveranking.moc"
