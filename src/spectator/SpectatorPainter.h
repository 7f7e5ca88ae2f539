#pragma once

#include <QRect>

class QPainter;
class TSpectatorBoard;

// Paints what the board says the spectators should see into `area`: the
// race ranked live in the track colours with its clock (or the start lights
// while they are on), the next heat's drivers per track, or the standings.
// Sized from the area alone, so a 1080p screen on the wall gets letters some
// 7 cm high for the four drivers of a race, readable across a clubroom.
void PaintSpectatorScene(QPainter& painter, const QRect& area, TSpectatorBoard& board);
