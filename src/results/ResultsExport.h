#pragma once

#include "results/StandingsRows.h"

#include <QByteArray>
#include <QString>

// The two export files of the results window, separator-delimited text that
// a spreadsheet opens: line 1 the championship name, line 2 the headings,
// then one line per row in the order the grids show them. Every line ends in
// CR LF; points always read like 18.50, whatever the machine's number
// settings. A field holding the separator, a double quote or a line break is
// quoted (inner quotes doubled) so that it stays one field; every other field
// is written as it is. Text is UTF-8 without a byte-order mark.

// Nr, Driver, Points per standings row.
QByteArray TotalsFileBytes(const TStandings& standings, char separator);
// Race, Driver, Laps (Timed) or Time, Points per race-points row.
QByteArray DetailsFileBytes(const TStandings& standings, char separator);

// Writes the whole file or nothing: the bytes go to a temporary file that
// replaces `path` only once complete, so a failed export never leaves a
// half-written file under the chosen name. On failure returns false and a
// sentence naming the file and the cause in `error`.
bool WriteExportFile(const QString& path, const QByteArray& bytes, QString& error);
