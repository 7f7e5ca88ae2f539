#pragma once

#include "spectator/RaceSnapshot.h"
#include "timing/RaceState.h"

#include <QList>
#include <QString>
#include <cstdint>

// How far a driver is behind the leader. Behind by laps (his lap value is
// lower): Laps is the lap value missing and Ms is 0. On the leader's lap
// value: Laps is 0 and Ms is how much later he completed those laps.
struct TRankingGap {
    int32_t Laps = 0;  // lap value
    uint32_t Ms = 0;
    bool operator==(const TRankingGap&) const = default;
};

// One line of the live ranking.
struct TRankingRow {
    int Place = 0;  // 1 = leader
    int Track = 0;  // 1..4
    QString DriverName;
    int32_t Laps = 0;                 // lap value
    uint32_t LastLap = 0;             // ms
    uint32_t BestLap = NoFastestLap;  // ms; NoFastestLap: no lap yet
    uint32_t TotalTime = 0;           // ms, race time of the last counted pass
    TRankingGap Gap;
    bool FalseStart = false;
    int32_t Fuel = -1;      // 0..FuelFull from a control unit, -1 none
    int32_t PitStops = -1;  // pit-lane entries, -1 not counted
    bool operator==(const TRankingRow&) const = default;
};

// The drivers of a running race ranked as the race stands: most laps first;
// on equal laps, whoever completed them at the earlier race time; a driver
// who has not completed a lap after one who has; a full tie keeps track
// order. The records are taken as they are, so the end-of-race penalties
// (ApplyRaceEndRules) show as soon as the engine has applied them, and not
// before. Lap and Timed races rank alike; they differ only in those penalties.
//
// From the live records (UI thread, while the timing thread is halted or
// done): only Active tracks 1..trackCount are ranked.
QList<TRankingRow> RankLive(const TTrackStates& tracks, int trackCount, int32_t sectionsPerLap);
// From a published snapshot (any reader thread): its Active tracks.
QList<TRankingRow> RankLive(const TRaceSnapshot& snapshot);
