#pragma once

#include "spectator/LiveRanking.h"
#include "spectator/RaceSnapshot.h"

#include <QColor>
#include <QString>

struct TSettings;

// The texts the spectator window and the web page show, made in one place so
// that the wall and the phones never disagree.

QString PhaseText(TRacePhase phase);
// The race clock as the race screen shows it: the time left in a Timed race
// ("1:11"), the time gone in a Lap race ("2:31").
QString ClockText(const TRaceSnapshot& snapshot);
// A lap time in seconds ("6.123", "1:02.345"); empty without one.
QString SpectatorLapText(uint32_t ms);
// Behind the leader: "+1 lap", "+3 laps", "+1.50 laps", "+0.734"; empty for the leader.
QString GapText(const TRankingRow& row, int32_t sectionsPerLap);
// Points as a spectator reads them: "45", "38.5", "6.67".
QString SpectatorPointsText(double points);

// A track's colours as the race screen paints it: background and text.
struct TTrackColours {
    QColor Background;
    QColor Text;
};
TTrackColours SpectatorTrackColours(const TSettings& settings, int track);
