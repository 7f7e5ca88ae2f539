#pragma once

#include "timing/RaceState.h"

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

struct THeatChampionship;

// One lap row of a heat as the lap table keeps it.
struct THeatLapRow {
    int32_t Lap = 0;  // RNDnr, from 1
    int32_t Time = 0;
    int32_t SpeedTrapTime = 0;
    bool operator==(const THeatLapRow&) const = default;
};

// What a track's detail row and lap rows receive when a heat is stored.
struct THeatTrackResult {
    bool InUse = false;  // false: a track beyond those in use, nothing is written
    int32_t Laps = 0;    // lap value
    int32_t Time = 0;    // ms
    int32_t TopLapTime = 0;
    std::vector<THeatLapRow> LapRows;
    bool operator==(const THeatTrackResult&) const = default;
};

// The result of one run of a heat, in the values the tables take: taken
// from the race records as the race ends, so that it can be written, kept in
// a file while the database cannot be written, and written later, always the
// same.
struct THeatResult {
    std::array<THeatTrackResult, 4> Tracks;
    bool operator==(const THeatResult&) const = default;
};

// The stored values of a did-not-finish row of a Lap championship.
inline constexpr int32_t DidNotFinishTime = 999999999;

// The result of a heat from the race records of tracks 1..trackCount: laps,
// time and best lap (with the did-not-finish rule of a Lap championship),
// and every lap driven that has a time, also those a Timed false start took
// from the count.
THeatResult MakeHeatResult(const TTrackStates& tracks, int trackCount, int32_t sectionsPerLap,
                           const THeatChampionship& championship);
