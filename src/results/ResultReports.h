#pragma once

#include "results/StandingsRows.h"

#include <QDateTime>
#include <QImage>
#include <QString>

class QPagedPaintDevice;

// The two printed reports of the results window: the championship standings
// and every driver's points per race, on A4 with 10 mm margins.

enum class TResultReport { Standings, RacePoints };

// Paints the report of these standings on the device, page by page, starting
// on the device's current (first) page; `printedAt` is the footer's date and
// time; `logo` the footer picture (may be null). Returns the number of pages
// (0 when the device could not be painted on).
int PaintResultReport(QPagedPaintDevice& device, TResultReport report, const TStandings& standings,
                      const QDateTime& printedAt, const QImage& logo);

// The footer picture: logo.jpg beside the program, decoded with our JPEG
// decoder; null if missing or unusable (the report is printed without it).
QImage ReportLogo();

// Writes the report as a PDF (A4, 10 mm margins) through a temporary file that
// replaces `path` only once complete. On failure returns false and a sentence
// naming the file and the cause in `error`.
bool WriteResultReportPdf(const QString& path, TResultReport report, const TStandings& standings,
                          const QDateTime& printedAt, QString& error);
