#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <cstdint>

class QPainter;

// What a control unit reports per car beside its laps, drawn alike on the
// race screen and the spectator screen (and by the same rule on the web
// page): the fuel as a small bar that turns red when the car must come in,
// the pit-lane entries as "Pit 2". A reading below zero is one the track
// interface does not give; it shows nothing at all.

inline constexpr int32_t FuelFull = 15;
// At or below this the bar is red: the car has a lap or two left.
inline constexpr int32_t FuelLow = 3;

// "Pit 2"; empty when the entries are not counted.
QString PitStopsText(int32_t pitStops);

// The colour of the fuel left: green, red when low.
QColor FuelColour(int32_t fuel);
// The part of the bar with no fuel in it, dark on any track colour.
QColor FuelEmptyColour();

// How many pixels of a bar `width` wide the fuel fills (0..FuelFull).
int FuelFilledWidth(int width, int32_t fuel);

// The bar in `box`: a black outline around the fuel left, filled from the
// left. Paints nothing for a fuel below zero.
void PaintFuelGauge(QPainter& painter, const QRect& box, int32_t fuel);
