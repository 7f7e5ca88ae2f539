#pragma once

#include "results/LiveRecords.h"
#include "results/StandingsRows.h"
#include "spectator/RaceSnapshot.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <array>
#include <vector>

struct TSettings;

// What the drivers and the public are shown, on the wall and on their phones:
// the race as it runs (with its start lights), the next heat's line-up
// between heats, or the championship standings once the director has them
// shown. Whatever happened last decides; the views only follow.
enum class TSpectatorScene { Race, NextHeat, Standings };

// Who drives the next heat, per track.
struct TNextHeatView {
    QString Title;  // championship and race: "Club Cup - Race 2"
    int32_t Heat = 0;
    std::array<QString, 4> Names;  // tracks 1..4; empty: nobody on that track
    int TrackCount = 4;
    bool operator==(const TNextHeatView&) const = default;
};

struct TStandingsLine {
    int Place = 0;
    QString Driver;
    double Points = 0;
    bool operator==(const TStandingsLine&) const = default;
};

struct TStandingsView {
    QString Title;  // the championship's name
    std::vector<TStandingsLine> Lines;
    bool operator==(const TStandingsView&) const = default;
};

// The standings as the public reads them: best points first, and equal
// points share the better place (1, 2, 2, 4). The results window numbers
// every row instead, which a spectator would read as a difference.
TStandingsView MakeStandingsView(const TStandings& standings);

// The one place the windows tell what the spectators should see, and where
// the spectator window and the web page read it. Lives on the UI thread; the
// race itself comes through the lock-free publisher the timing thread writes.
class TSpectatorBoard : public QObject {
    Q_OBJECT
public:
    TSpectatorBoard(TSnapshotPublisher& feed, const TSettings& settings);

    TSnapshotPublisher& Feed() { return m_feed; }
    // The track colours come from here, so a change on the Settings page shows at once.
    const TSettings& Settings() const { return m_settings; }

    // The name of the race about to start ("Club Cup - Race 2, Heat 3"),
    // given before it starts; empty for a single race.
    void SetRaceTitle(const QString& title) { m_raceTitle = title; }
    // A race is starting: show it from its first published snapshot on.
    void ShowRace();
    void ShowNextHeat(const TNextHeatView& heat);
    void ShowStandings(const TStandingsView& standings);

    TSpectatorScene Scene() const { return m_scene; }
    const QString& RaceTitle() const { return m_shownRaceTitle; }
    const TNextHeatView& NextHeat() const { return m_nextHeat; }
    const TStandingsView& Standings() const { return m_standings; }
    // The race as last published. A read that meets a publish in progress
    // keeps the previous copy; the next read catches up.
    const TRaceSnapshot& Race();
    // The copy the last Race() returned, without reading again.
    const TRaceSnapshot& LastRace() const { return m_race; }

    // A lap on track 1..4 broke a record: shown beside the driver for
    // RecordShownMs (the race screen flashes it as long), then gone.
    static constexpr int RecordShownMs = 4000;
    void MarkRecord(int track, TRecordMark mark);
    TRecordMark RecordMark(int track) const;

signals:
    // The scene or its content changed (not the race's numbers: those are read at the views' pace).
    void SceneChanged();

private:
    void Switch(TSpectatorScene scene);

    TSnapshotPublisher& m_feed;
    const TSettings& m_settings;
    TSpectatorScene m_scene = TSpectatorScene::Race;
    QString m_raceTitle;
    QString m_shownRaceTitle;
    TNextHeatView m_nextHeat;
    TStandingsView m_standings;
    TRaceSnapshot m_race;
    struct TShownRecord {
        TRecordMark Mark = TRecordMark::None;
        QDeadlineTimer Until;
    };
    std::array<TShownRecord, 4> m_records{};
};
