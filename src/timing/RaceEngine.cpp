#include "timing/RaceEngine.h"

#include "common/LapValue.h"
#include "common/RaceClock.h"
#include "common/Settings.h"
#include "common/TrackIo.h"
#include "hardware/BoardTimestamps.h"
#include "hardware/UnitRaceControl.h"
#include "hardware/zlportio.h"
#include "timing/RaceRules.h"

#include <algorithm>
#include <limits>

namespace {
// Board microseconds to stored milliseconds, to the nearest.
int64_t RoundToMs(int64_t us) { return (us + 500) / 1000; }
}  // namespace

TRaceEngine::TRaceEngine(TRaceClock& clock, TTrackIo& io, const TSettings& settings, TRaceState& state,
                         TTrackStates& tracks, TRaceHost& host)
    : m_clock(clock), m_io(io), m_settings(settings), m_state(state), m_tracks(tracks), m_host(host)
{
}

void TRaceEngine::Run()
{
    m_trackCount = TimedTrackCount(m_settings);
    m_state.TargetLaps = m_state.RaceKind == TRaceKind::Lap ? m_state.RaceLength : TimedTargetLaps;
    m_state.PausedTotal = 0;
    m_state.LightsOn = false;
    m_pendingSounds = 0;
    m_board = m_io.Port().Timestamps();
    m_unit = m_io.Port().RaceControl();
    m_interfaceLost = false;
    m_boardBaseKnown = false;
    m_greenPending = false;
    m_pausePending = false;
    m_countFromUs = 0;
    m_countUntilUs = std::numeric_limits<int64_t>::max();
    m_lastPassUs.fill(0);
    // Arrivals from before this race (the I/O test, the last race's coast)
    // are not part of it.
    if (m_board)
        m_board->DiscardArrivals();

    // A race that ends from a pause ends with its clock stopped: no lap may
    // be counted from the time the cars stood.
    bool clockRunning = true;
    if (m_resumeFromMs < 0) {
        // The records first: a car that finished the last race must not be
        // taken for finished in this one and left without power.
        ResetTracks();
        SetActivePower(true);
        for (int n = 0; n < 4 && m_unit; ++n)
            m_unit->PitEntries(n + 1, m_pitEntriesAtStart[size_t(n)]);

        if (m_board)
            m_board->StartCounting();
        const bool green = RunStartLights(TStart::First);
        // The clock starts at the very moment of green, so a car crossing at
        // green has race time 0.
        m_state.RaceStartMark = green ? m_state.GreenMark : m_clock.NowMs();
        m_state.Elapsed = 0;
        if (green)
            m_host.ShowFalseStartLamps();
    } else {
        clockRunning = TakeUpFromJournal();
    }
    m_state.LastShownElapsed = m_state.Elapsed;
    m_state.PollCount = 0;
    m_state.RefreshDivider = 100;
    m_nextRefreshAt = m_state.RefreshDivider;

    while (!m_state.RaceEnded.load()) {
        if (m_state.LightsOn && m_clock.NowMs() - m_state.GreenMark >= LightsAfterGreenMs)
            SwitchLightsOff();
        PollLaps();
        FlushSounds();
        WatchInterface();
        if (TakePauseRequest(m_state))
            clockRunning = Pause();
        // Refresh when the poll count reaches a multiple of the divider. Fewer
        // than 25 polls in a second give a divider of 0: every poll then.
        if (m_state.PollCount >= m_nextRefreshAt) {
            if (m_unit)
                RefreshUnitExtras();
            m_host.RefreshDisplay();
            PublishSnapshot(TRacePhase::Racing);
            const int64_t divider = std::max<int64_t>(m_state.RefreshDivider, 1);
            m_nextRefreshAt = (m_state.PollCount / divider + 1) * divider;
        }
        if (RaceOver())
            m_state.RaceEnded.store(true);
    }

    m_host.DisablePause();
    if (m_state.LightsOn)
        SwitchLightsOff();
    PowerOffAll();
    Play(TRaceSound::Finish);
    // The pause has had its own sustain read, right after the power went off.
    if (m_state.RaceKind == TRaceKind::Timed && clockRunning) {
        SustainSensorRead();
        FlushSounds();
    }
    if (m_board)
        m_board->StopCounting();
    ApplyRaceEndRules(m_tracks, m_settings, m_state);
    m_host.RefreshDisplay();
    PublishSnapshot(TRacePhase::Finished);
}

void TRaceEngine::PublishSnapshot(TRacePhase phase)
{
    if (!m_feed)
        return;
    UpdateRaceSnapshot(m_snapshot, m_tracks, m_state);
    m_snapshot.Phase = phase;
    m_feed->Publish(m_snapshot);
}

bool TRaceEngine::RaceOver() const
{
    if (m_state.Elapsed >= MaxRaceTimeMs)
        return true;
    if (m_state.RaceKind == TRaceKind::Timed)
        return int64_t(m_state.RaceLength) * 1000 <= m_state.Elapsed;
    // Only the timed tracks can finish; with none of them driven there is
    // nothing to wait for.
    for (int n = 0; n < m_trackCount; ++n) {
        const TTrackState& track = m_tracks[size_t(n)];
        if (track.Active && LapsOf(track.Laps) < m_state.TargetLaps)
            return false;
    }
    return true;
}

void TRaceEngine::ResetTracks()
{
    // All four, not just 1..N: the caller reads all four records after the
    // race, and a track above N must not carry an earlier race's laps.
    for (TTrackState& track : m_tracks) {
        track.TotalTime = 0;
        track.AverageLap = 0;
        track.FastestLap = NoFastestLap;
        track.LastLap = 0;
        track.Laps = 0;
        track.PenaltyLaps = 0;
        track.GaugePercent = 0;
        track.FalseStart = false;
        track.Fuel = -1;
        track.PitStops = -1;
        track.ShownAverage = 0;
        track.ShownFastest = NoFastestLap;
        track.ShownLastLap = 0;
        track.ShownLaps = 0;
        track.ShownTotalTime = 0;
        track.ShownGaugePercent = 0;
        track.LapTimes.fill(0);
        track.SpeedTrapTimes.fill(0);
    }
}

void TRaceEngine::PollLaps()
{
    m_breather.Breathe();
    const TSensorLevels levels = m_board ? TSensorLevels{} : m_io.ReadSensors();
    m_state.PollCount += 1;
    m_state.Elapsed = m_clock.NowMs() - (m_state.RaceStartMark + m_state.PausedTotal);
    // Beyond the 32-bit range a stored time would wrap; the race ends there.
    if (m_state.Elapsed < 0 || m_state.Elapsed > MaxRaceTimeMs)
        return;
    if (m_board) {
        TakeBoardArrivals();
        return;
    }
    for (int n = 0; n < m_trackCount; ++n)
        if (levels[size_t(n)] && m_tracks[size_t(n)].Active)
            CountPass(n);
}

void TRaceEngine::CountPass(int n)
{
    TTrackState& track = m_tracks[size_t(n)];
    const int64_t elapsed = m_state.Elapsed;
    // The bounce delay is the minimum lap time, also from green. A delay
    // below zero is taken as 0 so that no lap can have a negative time.
    if (elapsed - int64_t(track.TotalTime) < std::max<int64_t>(m_settings.BounceDelayMs, 0))
        return;
    if (LapsOf(track.Laps) >= m_state.TargetLaps)
        return;
    RecordPass(n, elapsed, elapsed - int64_t(track.TotalTime));
}

void TRaceEngine::RecordPass(int n, int64_t totalMs, int64_t lapMs)
{
    TTrackState& track = m_tracks[size_t(n)];
    track.Laps = int32_t(std::min<int64_t>(int64_t(track.Laps) + 1000, std::numeric_limits<int32_t>::max()));
    track.LastLap = uint32_t(lapMs);
    track.TotalTime = uint32_t(totalMs);
    const int32_t laps = LapsOf(track.Laps);
    // Laps set by hand in the pause dialog may leave the count at or below
    // zero; there is no average (and no lap list entry) for those.
    track.AverageLap = laps > 0 ? uint32_t(totalMs / laps) : 0;
    if (track.LastLap < track.FastestLap) {
        track.FastestLap = track.LastLap;
        NoteSound(TRaceSound::FasterLap);
    } else {
        NoteSound(TRaceSound::Lap);
    }
    if (laps >= 1 && laps <= MaxLapEntries)
        track.LapTimes[size_t(laps)] = track.LastLap;
    if (m_journal)
        m_journal->Push({uint8_t(n + 1), laps, track.LastLap, track.TotalTime});
    if (laps == m_state.TargetLaps && m_settings.MultiplePowerSignals)
        m_io.SetOutputLine(n + 1, false);
}

void TRaceEngine::SustainSensorRead()
{
    const int64_t mark = m_clock.NowMs();
    const int64_t span = m_settings.SustainSensorReadMs + (m_board ? BoardLatencyMarginMs : 0);
    do
        PollLaps();
    while (m_clock.NowMs() - mark < span);
}

void TRaceEngine::TakeBoardArrivals()
{
    ResolveBoardMarks();
    if (m_greenPending)
        return;  // they wait in the queue until the green's board time is known
    TBoardTimestamps::TArrival arrival;
    while (m_board->TakeArrival(arrival)) {
        // An arrival from an earlier connection has a clock of its own.
        if (!m_boardBaseKnown || arrival.Epoch != m_boardEpoch)
            continue;
        const int64_t raceUs = arrival.BoardUs - m_boardBase;
        if (raceUs < m_countFromUs || raceUs > m_countUntilUs)
            continue;
        const int n = arrival.Sensor - 1;
        if (n >= 0 && n < m_trackCount && m_tracks[size_t(n)].Active)
            CountBoardPass(n, raceUs);
    }
}

void TRaceEngine::ResolveBoardMarks()
{
    uint32_t epoch = 0;
    int64_t boardUs = 0;
    if (m_greenPending && m_board->AppliedAt(m_greenWrite, epoch, boardUs)) {
        m_greenPending = false;
        m_boardEpoch = epoch;
        m_boardBase = boardUs - m_greenRaceUs;
        m_boardBaseKnown = true;
        m_countFromUs = m_greenRaceUs;
        m_countUntilUs = std::numeric_limits<int64_t>::max();
    }
    // On a control unit the power went off when it reported the stop.
    if (m_pausePending && m_unit && m_unit->LastStop().Count != m_unitStopsBefore) {
        const TUnitRaceControl::TMark stop = m_unit->LastStop();
        m_pausePending = false;
        if (m_boardBaseKnown && stop.Epoch == m_boardEpoch) {
            m_pauseRaceUs = stop.UnitUs - m_boardBase;
            m_countUntilUs = m_pauseRaceUs + std::max<int64_t>(m_settings.SustainSensorReadMs, 0) * 1000;
        }
    }
    if (m_pausePending && !m_unit && m_board->AppliedAt(m_pauseWrite, epoch, boardUs)) {
        m_pausePending = false;
        // The power went off on the board at this moment: the race stands
        // still from here, and only the coast after it still counts.
        if (m_boardBaseKnown && epoch == m_boardEpoch) {
            m_pauseRaceUs = boardUs - m_boardBase;
            m_countUntilUs = m_pauseRaceUs + std::max<int64_t>(m_settings.SustainSensorReadMs, 0) * 1000;
        }
    }
}

void TRaceEngine::CountBoardPass(int n, int64_t raceUs)
{
    const TTrackState& track = m_tracks[size_t(n)];
    const int64_t lapUs = raceUs - m_lastPassUs[size_t(n)];
    if (lapUs < std::max<int64_t>(m_settings.BounceDelayMs, 0) * 1000)
        return;
    if (LapsOf(track.Laps) >= m_state.TargetLaps || RoundToMs(raceUs) > MaxRaceTimeMs)
        return;
    m_lastPassUs[size_t(n)] = raceUs;
    RecordPass(n, RoundToMs(raceUs), RoundToMs(lapUs));
}

void TRaceEngine::WatchInterface()
{
    if (m_io.Port().Connected()) {
        m_interfaceLost = false;
        return;
    }
    if (m_interfaceLost)
        return;
    m_interfaceLost = true;
    // Unless a pause is on its way already, the race pauses: the power goes
    // off (the board has switched it off by itself) and every lap is kept.
    if (m_state.PauseRequests.load() == 0)
        RequestPause(m_state);
    m_host.TrackInterfaceLost();
}

bool TRaceEngine::TakeUpFromJournal()
{
    // The records are the journal's; the race stands as if it had just been
    // paused at the race time it got to, and goes on from there after the
    // window's pause, with the restart lights.
    m_state.PauseMark = m_clock.NowMs();
    m_state.RaceStartMark = m_state.PauseMark - m_resumeFromMs;
    m_state.Elapsed = m_resumeFromMs;
    for (int n = 0; n < 4; ++n)
        m_lastPassUs[size_t(n)] = int64_t(m_tracks[size_t(n)].TotalTime) * 1000;
    if (m_board) {
        m_pauseRaceUs = m_resumeFromMs * 1000;
        m_countUntilUs = m_pauseRaceUs;
    }
    PowerOffAll();
    PublishSnapshot(TRacePhase::Paused);
    // The window asked for this halt before the race began; a request it
    // withdrew (its dialog closed before the halt) gets no halt, as at Pause.
    if (!TakePauseRequest(m_state))
        return Restart();
    return Halt();
}

bool TRaceEngine::Pause()
{
    m_state.PauseMark = m_clock.NowMs();
    // A pause within the lights' last 600 ms must not leave the green lamp
    // and the light lines on while the track stands without power.
    if (m_state.LightsOn)
        SwitchLightsOff();
    SetActivePower(false);
    if (m_unit) {
        m_unitStopsBefore = m_unit->LastStop().Count;
        m_unit->RequestStop();
    }
    PublishSnapshot(TRacePhase::Paused);
    if (m_board) {
        // Until the board reports the moment the power went off, the race
        // clock's pause mark stands for it.
        m_pauseWrite = m_board->WriteCount();
        m_pausePending = true;
        m_pauseRaceUs = (m_state.PauseMark - m_state.RaceStartMark - m_state.PausedTotal) * 1000;
        m_countUntilUs = m_pauseRaceUs + std::max<int64_t>(m_settings.SustainSensorReadMs, 0) * 1000;
    }
    SustainSensorRead();
    FlushSounds();
    if (m_board)
        m_board->StopCounting();
    m_pausePending = false;
    return Halt();
}

bool TRaceEngine::Halt()
{
    m_host.WaitForRelease();
    return Restart();
}

bool TRaceEngine::Restart()
{
    if (m_state.RaceEnded.load() || !RunStartLights(TStart::Restart))
        return false;
    m_state.PausedTotal += m_state.GreenMark - m_state.PauseMark;
    return true;
}

bool TRaceEngine::RunStartLights(TStart start)
{
    if (m_unit)
        return RunUnitStartLights(start);
    m_trackCount = TimedTrackCount(m_settings);
    LightLinesOff();
    m_host.ShowStartLights();
    // From here on the lights are showing, so the end of the race switches
    // them off even when the sequence is cut short.
    m_state.LightsOn = true;
    m_stepDeadline = m_clock.NowMs();
    m_snapshot.LampsLit = 0;
    PublishSnapshot(TRacePhase::StartLights);

    static constexpr struct {
        int Steps;
        TRaceSound Sound;
        int Line;  // 0: none
    } Sequence[] = {
        {2, TRaceSound::Light1, 0}, {2, TRaceSound::Light2, 5}, {2, TRaceSound::Light3, 6},
        {2, TRaceSound::Light4, 7}, {3, TRaceSound::Start, 8},
    };
    int lamp = 1;
    for (const auto& step : Sequence) {
        if (!WaitSteps(step.Steps, start))
            return false;
        Play(step.Sound);
        m_host.SetStartLamp(lamp, true);
        m_snapshot.LampsLit = uint8_t(m_snapshot.LampsLit | (1u << (lamp - 1)));
        PublishSnapshot(TRacePhase::StartLights);
        if (step.Line != 0)
            m_io.SetOutputLine(step.Line, true);
        ++lamp;
    }
    if (m_board) {
        // Race time goes on from the pause; the arrivals during the halt
        // and the restart lights lie before it and are not counted.
        m_board->AtGreen();
        m_greenWrite = m_board->WriteCount();
        m_greenPending = true;
        m_greenRaceUs = start == TStart::First ? 0 : m_pauseRaceUs;
    }
    if (start == TStart::Restart)
        SetActivePower(true);
    m_state.GreenMark = m_clock.NowMs();
    return true;
}

bool TRaceEngine::WaitSteps(int steps, TStart start)
{
    if (m_state.RaceEnded.load())
        return false;
    // Deadlines run from the start of the sequence, so the small lateness
    // of each step does not add up: green comes 6600 ms after the window.
    m_stepDeadline += steps * StartLightStepMs;
    if (start == TStart::First) {
        WatchUntil(m_stepDeadline);
    } else {
        const int64_t rest = m_stepDeadline - m_clock.NowMs();
        if (rest > 0)
            m_clock.SleepMs(rest);
    }
    return !m_state.RaceEnded.load();
}

void TRaceEngine::WatchFalseStarts(int steps)
{
    m_trackCount = TimedTrackCount(m_settings);
    WatchUntil(m_clock.NowMs() + steps * StartLightStepMs);
}

void TRaceEngine::WatchUntil(int64_t deadlineMs)
{
    while (m_clock.NowMs() < deadlineMs) {
        m_breather.Breathe();
        const TSensorLevels levels = m_io.ReadSensors();
        for (int n = 0; n < m_trackCount; ++n)
            if (levels[size_t(n)] && m_tracks[size_t(n)].Active)
                m_tracks[size_t(n)].FalseStart = true;
        // A board reports even a pass too short for the levels to show.
        TBoardTimestamps::TArrival arrival;
        while (m_board && m_board->TakeArrival(arrival)) {
            const int n = arrival.Sensor - 1;
            if (n >= 0 && n < m_trackCount && m_tracks[size_t(n)].Active)
                m_tracks[size_t(n)].FalseStart = true;
        }
        if (m_state.RaceEnded.load(std::memory_order_relaxed))
            return;
    }
}

void TRaceEngine::SwitchLightsOff()
{
    m_host.HideStartLights();
    m_snapshot.LampsLit = 0;
    LightLinesOff();
    m_state.LightsOn = false;
}

void TRaceEngine::LightLinesOff()
{
    for (int line = 5; line <= 8; ++line)
        m_io.SetOutputLine(line, false);
}

void TRaceEngine::SetActivePower(bool on)
{
    if (!m_settings.MultiplePowerSignals) {
        m_io.SetOutputLine(1, on);
        return;
    }
    for (int n = 0; n < m_trackCount; ++n) {
        const TTrackState& track = m_tracks[size_t(n)];
        // A car that has finished stays where it stopped, also after a pause.
        if (track.Active && !(on && LapsOf(track.Laps) >= m_state.TargetLaps))
            m_io.SetOutputLine(n + 1, on);
    }
}

void TRaceEngine::PowerOffAll()
{
    if (m_unit)
        m_unit->RequestStop();
    if (!m_settings.MultiplePowerSignals) {
        m_io.SetOutputLine(1, false);
        return;
    }
    for (int n = 1; n <= m_trackCount; ++n)
        m_io.SetOutputLine(n, false);
}

void TRaceEngine::NoteSound(TRaceSound sound) { m_pendingSounds |= 1u << unsigned(sound); }

void TRaceEngine::FlushSounds()
{
    if (m_pendingSounds == 0)
        return;
    const uint32_t pending = m_pendingSounds;
    m_pendingSounds = 0;
    for (int sound = 0; sound < RaceSoundCount; ++sound)
        if (pending & (1u << unsigned(sound)))
            Play(TRaceSound(sound));
}

void TRaceEngine::Play(TRaceSound sound)
{
    if (m_settings.Sounds[size_t(sound)])
        m_host.PlaySound(sound);
}
