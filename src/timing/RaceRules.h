#pragma once

#include "timing/RaceState.h"

struct TSettings;

// The tracks that are timed: 1..N, N being the "Tracks" setting kept in 1..4.
// A driver on a track above N is never timed, flagged or penalised.
int TimedTrackCount(const TSettings& settings);

// The end-of-race penalties, applied once to four track records (the pause
// dialog applies them to a copy for its preview). Lap race: a track that has
// not finished while another has gets the slowest finisher's time plus the
// No Finish penalty per missing lap and the full laps; a false start adds
// the Lap race penalty time. Timed race: a false start takes the Timed race
// penalty laps away (possibly below zero). Lap times are not touched.
void ApplyRaceEndRules(TTrackStates& tracks, const TSettings& settings, const TRaceState& state);

// The whole laps a track's lap list covers: its laps with whatever a Timed
// false start took away given back. A lap view lists this many, so a
// penalty never hides a lap that was driven.
int32_t LapsDriven(const TTrackState& track, int32_t sectionsPerLap);
