#pragma once

#include "timing/RaceHost.h"
#include "timing/RaceState.h"

#include <cstdint>

class TRaceClock;
class TTrackIo;
struct TSettings;

// The race loop: power, start lights with the false-start watch, lap
// counting, pauses, the end of the race and its penalties. It runs on
// whatever thread calls Run() (the timer thread in the program, the test's
// own thread in tests) and reaches the windows only through the host.
//
// Race times are 32-bit where stored, so a race ends when its elapsed time
// reaches MaxRaceTimeMs (some 49.7 days); nothing is counted beyond it.
class TRaceEngine {
public:
    static constexpr int64_t StartLightStepMs = 600;
    static constexpr int64_t LightsAfterGreenMs = 600;  // how long the lights stay on after green
    static constexpr int64_t MaxRaceTimeMs = 0xFFFFFFFFll;

    enum class TStart { First, Restart };

    TRaceEngine(TRaceClock& clock, TTrackIo& io, const TSettings& settings, TRaceState& state, TTrackStates& tracks,
                TRaceHost& host);

    // The whole race, from power on to the final refresh. The caller resets
    // RaceEnded before (a close of the window during the countdown then
    // still ends the race).
    void Run();

    // One poll: read the sensors, update Elapsed, count the laps. Allocates,
    // formats and locks nothing; sounds are only noted (FlushSounds plays them).
    void PollLaps();
    // Polls for the "Sustain Sensor Read" time, so a coasting car still counts.
    void SustainSensorRead();
    // The start-light sequence; returns false when the race was ended during
    // it (the lights then stay on for the end of the race to switch off).
    bool RunStartLights(TStart start);
    // Reads the sensors without pause for steps x 600 ms and flags a false
    // start on every Active track whose sensor is set.
    void WatchFalseStarts(int steps);
    // Hands the sounds noted by PollLaps to the host.
    void FlushSounds();

private:
    bool WaitSteps(int steps, TStart start);
    void WatchUntil(int64_t deadlineMs);
    void CountPass(int track);
    // Power off, sustain, halt until released, restart. False when the race
    // ended meanwhile (its clock then stays stopped).
    bool Pause();
    bool RaceOver() const;
    void ResetTracks();
    void SwitchLightsOff();
    void LightLinesOff();
    // Line 1, or with a power signal per track the lines of the Active
    // tracks; a finished car's line is never switched on.
    void SetActivePower(bool on);
    void PowerOffAll();
    void NoteSound(TRaceSound sound);
    void Play(TRaceSound sound);

    TRaceClock& m_clock;
    TTrackIo& m_io;
    const TSettings& m_settings;
    TRaceState& m_state;
    TTrackStates& m_tracks;
    TRaceHost& m_host;
    int m_trackCount = 1;
    int64_t m_stepDeadline = 0;  // steps of one start-light sequence are counted from its start
    // The poll count of the next display refresh: the next multiple of the
    // refresh divider, worked out once per refresh so that a poll compares
    // instead of dividing.
    int64_t m_nextRefreshAt = 0;
    uint32_t m_pendingSounds = 0;
};
