#include "results/ResultsExport.h"

#include "results/ExportLines.h"

#include <QDir>
#include <QSaveFile>

namespace {

// Points with two decimals, at least 4 characters wide.
QByteArray ExportPoints(double points)
{
    // QByteArray::number formats in the C locale, never the user's, so the
    // decimal separator is a point even where the grids show a comma.
    return QByteArray::number(points, 'f', 2).rightJustified(4, ' ');
}

}  // namespace

QByteArray TotalsFileBytes(const TStandings& standings, char separator)
{
    TExportLineWriter writer(separator);
    writer.Line({standings.Championship.toUtf8()});
    writer.Line({"Nr", "Driver", "Points"});
    int n = 0;
    for (const TTotalsRow& row : standings.Totals)
        writer.Line({QByteArray::number(++n), row.Driver.toUtf8(), ExportPoints(row.TotalPoints)});
    return writer.Bytes();
}

QByteArray DetailsFileBytes(const TStandings& standings, char separator)
{
    TExportLineWriter writer(separator);
    writer.Line({standings.Championship.toUtf8()});
    writer.Line({"Race", "Driver", standings.Timed ? "Laps" : "Time", "Points"});
    for (const TRacePointsRow& row : standings.RacePoints)
        writer.Line({row.Race.toUtf8(), row.Driver.toUtf8(), row.TimeStr.toUtf8(), ExportPoints(row.Points)});
    return writer.Bytes();
}

bool WriteExportFile(const QString& path, const QByteArray& bytes, QString& error)
{
    QSaveFile file(path);
    // Where no temporary file can be made beside the target, fail rather than
    // fall back to writing the target in place.
    file.setDirectWriteFallback(false);
    const bool written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (!written)
        error = QStringLiteral("The export file %1 could not be written: %2")
                    .arg(QDir::toNativeSeparators(path), file.errorString());
    return written;
}
