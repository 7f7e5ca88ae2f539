#pragma once

#include "results/LaneFairness.h"
#include "results/LapRecords.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

// What the Records window's grids show, worked out apart from the window:
// one list of cell texts per row, in the grid's column order.

// A record's lap time as the lap view shows laps ("05.432"); a record set
// at a minute or more keeps its minutes ("1:05.432") instead of the lap
// view's fixed "99.999", since a record must be read right.
QString RecordTimeText(uint32_t ms);

// Track, Time, Driver, Date, Championship, Race, Heat: one row per track
// that has a record, in track order.
QList<QStringList> TrackRecordRows(const TTrackRecords& records);
// Driver, Track, Time, Date, Championship, Race, Heat: one row per best, as the book lists them.
QList<QStringList> PersonalBestRows(const QList<TLapRecord>& bests);

// Seconds with a sign and thousandths, "+0.118", "-0.042"; a value that
// rounds to nothing reads "+0.000", never "-0.000".
QString SignedSecondsText(double ms);
// Track, Offset, 90 % interval, Drivers: "Track 3", "+0.118 s", "+0.071 .. +0.160", "24".
QList<QStringList> LaneRows(const TLaneReport& report);
