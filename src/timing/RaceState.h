#pragma once

#include <QString>
#include <array>
#include <atomic>
#include <cstdint>

// Lap times are kept for laps 1..MaxLapEntries (index 0 is unused, so that
// LapTimes[n] is the time of lap n). Laps beyond are still counted.
inline constexpr int MaxLapEntries = 20000;
// Before the first lap a track's fastest lap shows as this.
inline constexpr uint32_t NoFastestLap = 99999;
// The target of a Timed race: more laps than anyone drives.
inline constexpr int32_t TimedTargetLaps = 999999;

// One track's race record. Written by the timing thread during a race, by the
// pause dialog (Laps) while the thread is halted, and read by the windows
// afterwards. Fixed size: nothing is allocated while a race runs.
struct TTrackState {
    bool Active = false;                 // a driver is on this track
    QString DriverName;                  // at most 255 characters
    uint32_t TotalTime = 0;              // ms, race time of the last counted pass
    uint32_t AverageLap = 0;             // ms
    uint32_t FastestLap = NoFastestLap;  // ms
    uint32_t LastLap = 0;                // ms
    int32_t Laps = 0;                    // lap value (laps * 1000 + sections)
    // The lap value a Timed false start took away at the end of the race, so
    // that the laps actually driven (and their times) can still be listed.
    int32_t PenaltyLaps = 0;
    int32_t GaugePercent = 0;  // 0..100
    bool FalseStart = false;
    // What a control unit adds (the Carrera CU), refreshed with the display:
    // the car's fuel 0..15 and its pit-lane entries this race; -1 where the
    // track interface reports none.
    int32_t Fuel = -1;
    int32_t PitStops = -1;
    uint32_t ShownAverage = 0;  // what the window last showed
    uint32_t ShownFastest = NoFastestLap;
    uint32_t ShownLastLap = 0;
    int32_t ShownLaps = 0;
    uint32_t ShownTotalTime = 0;  // the laps label shows laps and total time
    int32_t ShownGaugePercent = 0;
    std::array<uint32_t, MaxLapEntries + 1> LapTimes{};        // [1..20000], ms
    std::array<uint32_t, MaxLapEntries + 1> SpeedTrapTimes{};  // [1..20000], never measured
};

// Tracks 1..4 are indices 0..3.
using TTrackStates = std::array<TTrackState, 4>;

enum class TRaceKind { Lap, Timed };

// The race-wide values shared by the timer window, the timing thread and the
// pause dialog. The atomics are the flags that one thread writes while the
// other runs; everything else changes hands only at the synchronous
// hand-overs (display refresh, halt and release, thread start and end).
struct TRaceState {
    TRaceKind RaceKind = TRaceKind::Lap;
    int32_t RaceLength = 0;  // laps (Lap race) or seconds (Timed race)
    int32_t TargetLaps = 0;  // RaceLength (Lap race) or TimedTargetLaps
    std::atomic<bool> RaceEnded{false};
    // Set while the pause dialog is open. Use RequestPause(): the timing
    // thread halts once per request, so a request it has not seen yet when
    // the release comes is still served, and releases never outnumber halts.
    std::atomic<bool> PauseRequested{false};
    std::atomic<int32_t> PauseRequests{0};  // requests not yet served by the thread
    bool LightsOn = false;
    int64_t RaceStartMark = 0;               // clock ms at the first green
    int64_t GreenMark = 0;                   // clock ms at the last green
    int64_t PausedTotal = 0;                 // ms, all pauses including the restart lights
    int64_t PauseMark = 0;                   // clock ms when the present pause began
    int64_t Elapsed = 0;                     // ms of race time, updated at every poll
    int64_t LastShownElapsed = 0;            // Elapsed at the last whole-second update
    int64_t PollCount = 0;                   // polls since that update
    int64_t RefreshDivider = 100;            // refresh when PollCount is a multiple of it
    std::array<int32_t, 4> CarriedTotals{};  // ms (Lap race) or lap value (Timed race)
    std::array<int32_t, 4> SectionsToAdd{};
    bool Accepted = false;
};

// The timer window's Pause: one request, served by exactly one halt.
inline void RequestPause(TRaceState& state)
{
    state.PauseRequested.store(true);
    state.PauseRequests.fetch_add(1);
}

// The timing thread's side: takes one pending request, if there is one.
inline bool TakePauseRequest(TRaceState& state)
{
    int32_t pending = state.PauseRequests.load();
    while (pending > 0) {
        if (state.PauseRequests.compare_exchange_weak(pending, pending - 1))
            return true;
    }
    return false;
}
