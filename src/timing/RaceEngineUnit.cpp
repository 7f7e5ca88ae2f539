// The race engine on a control unit that runs its own start lights and track
// power (the Carrera Control Unit): the unit is asked to start and follows
// with its countdown; the window's lamps follow the unit's.

#include "common/LapValue.h"
#include "common/RaceClock.h"
#include "common/Settings.h"
#include "hardware/BoardTimestamps.h"
#include "hardware/UnitRaceControl.h"
#include "timing/RaceEngine.h"
#include "timing/RaceRules.h"

#include <algorithm>
#include <limits>

bool TRaceEngine::RunUnitStartLights(TStart start)
{
    m_trackCount = TimedTrackCount(m_settings);
    m_host.ShowStartLights();
    m_state.LightsOn = true;
    m_snapshot.LampsLit = 0;
    PublishSnapshot(TRacePhase::StartLights);

    const uint32_t greensBefore = m_unit->LastGreen().Count;
    m_unit->RequestStart();
    // The window has four red lamps to the unit's five: they follow its
    // first four, its fifth keeps them lit, and the green lamp lights when
    // the unit's lamps go out.
    static constexpr TRaceSound LampSounds[] = {TRaceSound::Light1, TRaceSound::Light2, TRaceSound::Light3,
                                                TRaceSound::Light4};
    int shown = 0;
    while (m_unit->LastGreen().Count == greensBefore) {
        if (m_state.RaceEnded.load())
            return false;
        const int lit = std::min<int>(m_unit->Lamps().Lit, 4);
        if (lit != shown) {
            // Fewer lamps: a jump start made the unit begin again.
            for (int lamp = shown + 1; lamp <= lit; ++lamp) {
                Play(LampSounds[lamp - 1]);
                m_host.SetStartLamp(lamp, true);
            }
            for (int lamp = lit + 1; lamp <= shown; ++lamp)
                m_host.SetStartLamp(lamp, false);
            shown = lit;
            m_snapshot.LampsLit = uint8_t((1u << lit) - 1);
            PublishSnapshot(TRacePhase::StartLights);
        }
        // Before the green a crossing is a false start; a restart after a
        // pause watches for none, as on every other interface.
        TBoardTimestamps::TArrival arrival;
        while (m_board->TakeArrival(arrival)) {
            const int n = arrival.Sensor - 1;
            if (start == TStart::First && n >= 0 && n < m_trackCount && m_tracks[size_t(n)].Active)
                m_tracks[size_t(n)].FalseStart = true;
        }
        WatchInterface();
        // The unit's green is timed on its own clock: waiting a millisecond
        // here costs the race nothing.
        m_clock.SleepMs(1);
    }
    TakeUnitGreen(m_unit, start);
    Play(TRaceSound::Start);
    m_host.SetStartLamp(5, true);
    m_snapshot.LampsLit = uint8_t(m_snapshot.LampsLit | (1u << 4));
    PublishSnapshot(TRacePhase::StartLights);
    m_state.GreenMark = m_clock.NowMs();
    return true;
}

void TRaceEngine::TakeUnitGreen(const TUnitRaceControl* unit, TStart start)
{
    const TUnitRaceControl::TMark green = unit->LastGreen();
    m_greenPending = false;
    m_greenRaceUs = start == TStart::First ? 0 : m_pauseRaceUs;
    m_boardEpoch = green.Epoch;
    m_boardBase = green.UnitUs - m_greenRaceUs;
    m_boardBaseKnown = true;
    m_countFromUs = m_greenRaceUs;
    m_countUntilUs = std::numeric_limits<int64_t>::max();
    // Crossings the unit told before its green but that reached us after it.
    TBoardTimestamps::TArrival arrival;
    while (m_board->TakeArrival(arrival)) {
        const int n = arrival.Sensor - 1;
        if (n < 0 || n >= m_trackCount || !m_tracks[size_t(n)].Active || arrival.Epoch != m_boardEpoch)
            continue;
        const int64_t raceUs = arrival.BoardUs - m_boardBase;
        if (raceUs >= m_countFromUs)
            CountBoardPass(n, raceUs);
        else if (start == TStart::First)
            m_tracks[size_t(n)].FalseStart = true;
    }
}

void TRaceEngine::RefreshUnitExtras()
{
    std::array<uint8_t, 4> place{};
    int leaderLaps = 0;
    for (int n = 0; n < 4; ++n) {
        TTrackState& track = m_tracks[size_t(n)];
        const bool racing = n < m_trackCount && track.Active;
        track.Fuel = racing ? m_unit->Fuel(n + 1) : -1;
        uint32_t entries = 0;
        track.PitStops =
            racing && m_unit->PitEntries(n + 1, entries) ? int32_t(entries - m_pitEntriesAtStart[size_t(n)]) : -1;
        if (!racing)
            continue;
        // More laps first, then the earlier last crossing.
        place[size_t(n)] = 1;
        for (int other = 0; other < m_trackCount; ++other) {
            const TTrackState& rival = m_tracks[size_t(other)];
            if (other == n || !rival.Active)
                continue;
            if (rival.Laps > track.Laps || (rival.Laps == track.Laps && rival.TotalTime < track.TotalTime) ||
                (rival.Laps == track.Laps && rival.TotalTime == track.TotalTime && other < n))
                ++place[size_t(n)];
        }
        leaderLaps = std::max(leaderLaps, LapsOf(track.Laps));
    }
    m_unit->ShowPositions(place, leaderLaps);
}
