#pragma once

#include "common/WindowPlacement.h"

class QWidget;

// Gives a window the state and bounds of a placement, so that it lies exactly
// over the window the placement was taken from.
void PlaceWindow(QWidget& window, const TWindowPlacement& placement);

// The same for a window with a fixed border: it takes the caller's bounds,
// and the user cannot resize it after. A window whose layout needs more room
// than the caller has would otherwise grow past it.
void PlaceFixedWindow(QWidget& window, const TWindowPlacement& placement);

// A window's state and client geometry as a placement: a window given it
// covers this one exactly, whatever the window manager's frame.
TWindowPlacement PlacementOf(const QWidget& window);

// Centres a dialog over the window it was opened from (the screen when that
// window is not shown), never beyond the screen, where its buttons could
// not be reached.
void CentreOver(QWidget& dialog, const QWidget* host);
