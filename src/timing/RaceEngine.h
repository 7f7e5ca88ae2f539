#pragma once

#include "spectator/RaceSnapshot.h"
#include "timing/RaceHost.h"
#include "timing/RaceJournalFormat.h"
#include "timing/RaceState.h"
#include "timing/RealTimeScheduling.h"

#include <array>
#include <cstdint>
#include <limits>

class TBoardTimestamps;
class TUnitRaceControl;
class TRaceClock;
class TTrackIo;
struct TSettings;

// The race loop: power, start lights with the false-start watch, lap
// counting, pauses, the end of the race and its penalties. It runs on
// whatever thread calls Run() (the timer thread in the program, the test's
// own thread in tests) and reaches the windows only through the host.
//
// On a track interface that timestamps the sensors itself (the USB lap-sensor
// board) laps are timed on the board's clock: race time 0 is the moment the
// board switched the green light on, a lap is the difference of two board
// timestamps, and the bounce delay is applied on board time. The race clock
// then only drives the display, the lights and the end of a Timed race.
//
// Race times are 32-bit where stored, so a race ends when its elapsed time
// reaches MaxRaceTimeMs (some 49.7 days); nothing is counted beyond it.
class TRaceEngine {
public:
    static constexpr int64_t StartLightStepMs = 600;
    static constexpr int64_t LightsAfterGreenMs = 600;  // how long the lights stay on after green
    static constexpr int64_t MaxRaceTimeMs = 0xFFFFFFFFll;
    // Board arrivals reach the PC a few milliseconds after they happened: a
    // sustained read on board time waits this much longer for them.
    static constexpr int64_t BoardLatencyMarginMs = 50;

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
    // On a real-time thread the poll loop must give the core away now and
    // then, or the kernel's real-time limit stops it for tens of ms at once.
    void SetBreathing(bool on) { m_breather = TTimingBreather(on); }
    // The spectators' view of the race, starting from `start` (names and
    // tracks, made on the UI thread). Published at every display refresh and
    // at each change of phase, never per poll: a writer publishing in a tight
    // loop would leave its readers no consistent copy.
    void SetSpectatorFeed(TSnapshotPublisher* feed, const TRaceSnapshot& start)
    {
        m_feed = feed;
        m_snapshot = start;
    }
    // The next Run() takes up a race interrupted at elapsedMs of race time,
    // its records as its journal left them, instead of starting one: it
    // halts at once as at a pause (the window has asked for the pause, and
    // the records are not reset) and goes on after the release with the
    // restart lights. Negative: a race from the start.
    void ResumeFrom(int64_t elapsedMs) { m_resumeFromMs = elapsedMs; }
    // Where every counted lap goes for the race journal (null: nowhere). A
    // push into the ring is all the poll loop pays; a full ring drops the lap
    // from the journal only, never from the race.
    void SetJournal(RaceJournalFormat::TLapRing* laps) { m_journal = laps; }

private:
    // Board timing: the arrivals that have come since the last poll.
    void TakeBoardArrivals();
    // Board time of the green (and of the power-off at a pause) once the
    // board has reported applying it.
    void ResolveBoardMarks();
    void CountBoardPass(int track, int64_t raceUs);
    // Everything a counted pass changes in the track's record.
    void RecordPass(int track, int64_t totalMs, int64_t lapMs);
    // The track can no longer be reached (a board unplugged): a pause is
    // asked for and the window told, once per loss.
    void WatchInterface();
    bool WaitSteps(int steps, TStart start);
    void WatchUntil(int64_t deadlineMs);
    void CountPass(int track);
    // Power off, sustain, halt until released, restart. False when the race
    // ended meanwhile (its clock then stays stopped).
    bool Pause();
    // The halt of a pause, then the restart: the restart lights, and the
    // time the race stood added to the pauses.
    bool Halt();
    bool Restart();
    bool TakeUpFromJournal();
    // On a control unit that runs its own lights (the Carrera CU): the
    // unit's start sequence followed lamp by lamp, up to its green.
    bool RunUnitStartLights(TStart start);
    // After the unit's green: race time 0 (or the pause's) on its clock, and
    // the crossings already taken from before it are false starts.
    void TakeUnitGreen(const TUnitRaceControl* unit, TStart start);
    // Fuel and pit-lane entries into the records, the places to the tower.
    void RefreshUnitExtras();
    bool RaceOver() const;
    void ResetTracks();
    void SwitchLightsOff();
    void LightLinesOff();
    // Line 1, or with a power signal per track the lines of the Active
    // tracks; a finished car's line is never switched on.
    void SetActivePower(bool on);
    void PowerOffAll();
    void NoteSound(TRaceSound sound);
    void PublishSnapshot(TRacePhase phase);
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
    TTimingBreather m_breather{false};
    TSnapshotPublisher* m_feed = nullptr;
    RaceJournalFormat::TLapRing* m_journal = nullptr;
    int64_t m_resumeFromMs = -1;
    TRaceSnapshot m_snapshot;

    TBoardTimestamps* m_board = nullptr;  // null: laps are timed by polling
    TUnitRaceControl* m_unit = nullptr;   // null: the program runs lights and power
    uint32_t m_unitStopsBefore = 0;       // the unit's stop count before a pause
    std::array<uint32_t, 4> m_pitEntriesAtStart{};
    bool m_interfaceLost = false;  // the loss has been reported
    bool m_boardBaseKnown = false;
    uint32_t m_boardEpoch = 0;
    int64_t m_boardBase = 0;      // board µs at race time 0
    bool m_greenPending = false;  // waiting for the board time of the green
    uint32_t m_greenWrite = 0;
    int64_t m_greenRaceUs = 0;    // the race time a (re)start continues from
    bool m_pausePending = false;  // waiting for the board time of the power-off
    uint32_t m_pauseWrite = 0;
    int64_t m_pauseRaceUs = 0;
    // Arrivals outside this window of race time are not counted: before the
    // green, during a pause's halt.
    int64_t m_countFromUs = 0;
    int64_t m_countUntilUs = std::numeric_limits<int64_t>::max();
    std::array<int64_t, 4> m_lastPassUs{};  // race time of each track's last counted pass
};
