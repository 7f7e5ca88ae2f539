#pragma once

#include "results/StoredLaps.h"
#include "timing/RaceState.h"

#include <QList>
#include <QString>
#include <cstdint>

// What the lap view's chart and figures are made of: every driver's laps in
// the scope the view shows, in driving order. Plain data, no widgets, so the
// chart window and the figures under the grid show exactly the same laps.

// One lap of one driver. Number counts the driver's laps through the scope
// (1, 2, ...), also across heats and races, in key order.
struct TDriverLap {
    int Number = 0;
    uint32_t TimeMs = 0;  // 0: the lap has no time
    int RCnr = 0;         // stored scopes: where the lap was driven
    int HTnr = 0;
    int Tracknr = 0;
    int RNDnr = 0;
};

struct TDriverLaps {
    int DRVnr = 0;   // 0 for the race just run (its drivers are names only)
    QString Driver;  // the name shown
    int Track = 1;   // 1..4: the track whose colour the driver's line takes
    QList<TDriverLap> Laps;
};

// The drivers of a stored scope in the order they first drove in it, each
// with every lap of the scope (laps of tracks above `tracks` are left out,
// as in the grid). A lap whose heat has no driver row is left out.
// Names are filled in for the heat scope only (from its TrackDrivers); the
// race and championship scopes need NameDrivers.
QList<TDriverLaps> DriverLapsOfScope(const TStoredLaps& stored, int tracks);
// Reads each driver's name by DRVnr; a driver not found gets an empty name.
// On a failed read returns false with the store's message, names then partly
// filled.
bool NameDrivers(QSqlDatabase db, QList<TDriverLaps>& drivers, QString& error);
// The drivers of the race just run, track by track, with the laps the lap
// view lists for them (LapsDriven, capped at MaxLapEntries).
QList<TDriverLaps> DriverLapsOfLastRace(const TTrackStates& states, int tracks, int32_t sectionsPerLap);

// A lap is left out of the chart's lines when it has no time or took a
// minute or more; the chart names it under the plot instead.
inline constexpr uint32_t ChartLapLimitMs = 60000;
inline bool ChartsLap(uint32_t ms) { return ms > 0 && ms < ChartLapLimitMs; }

// Consistency figures over a driver's laps, laps of time 0 left out.
struct TLapFigures {
    int Laps = 0;                 // laps counted (time > 0)
    double MedianMs = 0;          // of an even count the mean of the middle two
    double StdDevMs = 0;          // population standard deviation; 0 for one lap
    double WithinTwoPercent = 0;  // share (0..1) of laps at most 2 % over the best
};
TLapFigures ComputeLapFigures(const QList<TDriverLap>& laps);
// "Anna: median 08.512  std dev 0.143 s  within 2 %: 85 % (20 laps)", or
// "Anna: no timed laps".
QString LapFiguresText(const QString& driver, const TLapFigures& figures);
