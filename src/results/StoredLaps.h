#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <array>
#include <cstdint>

// What the lap view shows of the stored laps: one heat, one race (all its
// heats) or one championship (all its races and heats).
enum class TLapScope { Heat = 0, Race = 1, Championship = 2 };

// One row of KWL_HeatDetailLaps.DB. Time is ms; 0 means the lap has no time.
struct TStoredLap {
    int RCnr = 0;
    int HTnr = 0;
    int Tracknr = 0;
    int RNDnr = 0;
    int Time = 0;
};

// One row of KWL_HeatDetail.DB: who drove a track in a heat.
struct THeatTrackRow {
    int RCnr = 0;
    int HTnr = 0;
    int Tracknr = 0;
    int DRVnr = 0;
};

// The slowest or the fastest lap of a track. A slowest lap of time 0 and a
// fastest lap of time 99,999 mean no lap has been taken.
struct TLapExtreme {
    uint32_t Time = 0;
    int RCnr = 0;
    int HTnr = 0;
    int RNDnr = 0;
    int DRVnr = 0;
    QString RaceName;
    QString DriverName;
};

struct TTrackExtremes {
    TLapExtreme Slowest;
    TLapExtreme Fastest = {NoFastest, 0, 0, 0, 0, {}, {}};
    static constexpr uint32_t NoFastest = 99999;
};

// Tracks 1..4 are indices 0..3.
using TLapExtremes = std::array<TTrackExtremes, 4>;

// A lap time that counts towards the extremes. A negative time can only come
// from a damaged row; it is treated like a lap without a time rather than
// reported as the fastest lap.
inline bool IsTimedLap(int time) { return time > 0; }

// Slowest and fastest lap of every track, over the laps in the order given.
// Comparisons are strict, so of two equal laps the first stays. The driver of
// a lap is the one of the heat row with the lap's race, heat and track (0
// when there is none). Names are left empty.
TLapExtremes FindLapExtremes(const QList<TStoredLap>& laps, const QList<THeatTrackRow>& heatRows);

// Everything the lap view shows of one scope.
struct TStoredLaps {
    TLapScope Scope = TLapScope::Heat;
    int CSnr = 0;
    int RCnr = 0;
    int HTnr = 0;
    QString ChampionshipName;
    QString RaceName;  // heat and race scope
    // Lap rows and heat rows of the scope, in key order (race, heat, track,
    // round and race, heat, track).
    QList<TStoredLap> Laps;
    QList<THeatTrackRow> HeatRows;
    // Heat scope: the driver of each track's heat row, empty without one.
    std::array<QString, 4> TrackDrivers;
    TLapExtremes Extremes;
    // The store's message when a read failed. The rest is then incomplete
    // and not to be shown as if the scope had no laps.
    QString ReadError;
};

// Reads a scope from the store. Heat scope needs all three keys, race scope
// CSnr and RCnr (htnr ignored), championship scope CSnr only. The extremes are
// named (race name in the championship scope, driver name in every scope) for
// tracks 1..tracks; a name that is not found stays empty.
TStoredLaps ReadStoredLaps(QSqlDatabase db, TLapScope scope, int csnr, int rcnr, int htnr, int tracks);
