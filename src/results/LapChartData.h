#pragma once

#include "results/LapAnalysis.h"

#include <QList>
#include <QPointF>
#include <QString>
#include <QStringList>

// What the lap chart draws, worked out apart from the chart widgets so that
// it can be checked without painting: per driver the points of the line
// (x the driver's lap number, y the lap time in seconds) and the fastest of
// them, and the laps that are not drawn, named for the text under the chart.

struct TLapChartLine {
    QString Driver;
    int Track = 1;
    // Drivers who share a track colour are told apart by their line's dash
    // pattern: 0 for the first of a colour (solid), 1 for the second, ...
    int Variant = 0;
    QList<QPointF> Points;
    bool HasFastest = false;  // false when no lap of the driver is drawn
    QPointF Fastest;          // the first of equal fastest laps
    uint32_t FastestMs = 0;
};

struct TLapChartData {
    QList<TLapChartLine> Lines;
    // "Anna lap 7 (no time)", "Ben lap 12 (1:02.345)", in driver order.
    QStringList LeftOut;
    // Bounds of the drawn points; both 0 when nothing is drawn.
    int LastLap = 0;
    double MinSeconds = 0;
    double MaxSeconds = 0;
};

TLapChartData BuildLapChartData(const QList<TDriverLaps>& drivers);

// The line under the chart: "Left out: Anna lap 7 (no time), Ben lap 12
// (1:02.345)", empty when every lap is drawn. A long list names the first
// `shown` and counts the rest, so the label stays readable for a whole
// championship.
QString LeftOutText(const QStringList& leftOut, int shown = 12);

// The legend's name of a driver's line: "Anna (fastest 08.123, lap 7)".
QString LapChartLineName(const TLapChartLine& line);
