#pragma once

#include "timing/RaceState.h"

#include <QString>
#include <array>

struct TSettings;

// What changed on one track's panel at a refresh. A text is only valid when
// its flag is set; unchanged labels are left as they are.
struct TTrackDisplay {
    bool GaugeChanged = false;
    int32_t GaugePercent = 0;
    bool LastLapChanged = false;
    QString LastLapText;  // "05.432"
    bool AverageChanged = false;
    QString AverageText;  // "Av: 05.432"
    bool FastestChanged = false;
    QString FastestText;  // "Fa: 05.432"
    bool LapsChanged = false;
    QString LapsText;  // "12.00/3:41.207"
    // A control unit's readings as they stand (-1: none); the panel draws
    // only what differs from what it shows.
    int32_t Fuel = -1;
    int32_t PitStops = -1;
};

// One refresh of the timer window. The clock and caption change once a
// second; then both flags are set.
struct TRaceDisplay {
    bool ClockChanged = false;
    QString ClockText;  // "4:59", counting down in a Timed race
    QString Caption;    // with the sensor reads per second
    std::array<TTrackDisplay, 4> Tracks;
};

// Computes a refresh and records it as shown: LastShownElapsed, PollCount
// and RefreshDivider once a second, GaugePercent and the Shown* values of the
// Active tracks 1..N. Runs on the UI thread while the timing thread waits
// (or after the race), so it may format freely.
TRaceDisplay RefreshDisplay(TRaceState& state, TTrackStates& tracks, const TSettings& settings);

// The clock text for a race time: the time itself in a Lap race, the time
// left ("0:00" once it has run out) in a Timed race.
QString RaceClockText(const TRaceState& state, int64_t elapsedMs);
