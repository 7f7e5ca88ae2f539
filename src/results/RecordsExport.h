#pragma once

#include "results/LaneFairness.h"
#include "results/LapRecords.h"

#include <QByteArray>
#include <QString>

// The Records window's two exports, written as every export of the program:
// line 1 the title, line 2 the headings, one line per row; fields joined by
// the separator setting, quoted where needed, UTF-8, CR LF.

// Kind (Track record / Championship / Personal best), Championship, Track,
// Driver, Time (ms), Time, Date, Race, Heat, Lap: the track records, each
// championship's, then the personal bests.
QByteArray RecordsFileBytes(const TRecordBook& book, char separator);
// Track, Offset (ms), Low (ms), High (ms), Drivers; the title names the
// scope ("Winter Cup" or "All championships").
QByteArray LaneReportFileBytes(const QString& title, const TLaneReport& report, char separator);
