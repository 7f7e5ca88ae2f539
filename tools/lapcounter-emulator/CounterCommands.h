#pragma once

#include "CounterLink.h"
#include "LapCounter.h"
#include "OutgoingWire.h"

#include <QByteArray>
#include <cstdint>

// The emulator's command lines, typed on stdin or read from a script: what a
// test or a demo does to the track (cars, a damaged message, a pulled cable)
// that the PC cannot ask for over the wire.
namespace CounterCommands {

struct TTargets {
    TLapCounter& Counter;
    TOutgoingWire& Wire;
    TCounterLink& Link;
};

// Applies one command (single-spaced, no "at" and no "quit") at `nowMs`;
// returns why it was refused, empty when it was taken.
QByteArray Apply(TTargets targets, const QByteArray& command, int64_t nowMs);

// A line "at <ms> <command>": the command to run that many ms after the
// emulator started. False for any other line.
bool ParseTimed(const QByteArray& line, int64_t& atMs, QByteArray& command);

// Blank lines and '#' comments carry no command.
bool IsCommand(const QByteArray& line);

}  // namespace CounterCommands
