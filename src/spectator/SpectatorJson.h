#pragma once

#include <QByteArray>

struct TRaceSnapshot;
class TSpectatorBoard;

// The race alone, ranked, as one compact JSON document:
// {"title": phase, "clock", "drivers": [{place, track, name, laps, lastLap,
// bestLap, gap, falseStart, fuel, pits}]}; fuel (0..15) and pits (pit-lane
// entries) only where the track interface reports them.
QByteArray SpectatorFeedJson(const TRaceSnapshot& snapshot);

// What the web page shows, as one compact JSON document with "scene" saying
// which of the board's scenes it is:
//   race:      title, phase, clock, lamps[5], drivers[] as above plus each
//              track's colour and textColour ("#rrggbb");
//   nextHeat:  title, heat ("Heat 4"), tracks[{track, name, colour, textColour}];
//   standings: title, standings[{place, name, points}].
// Reads the race from the board's publisher.
QByteArray SpectatorDocument(TSpectatorBoard& board);
