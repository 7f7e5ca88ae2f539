#include "results/ResultsExport.h"

#include "common/Settings.h"

#include <QDir>
#include <QList>
#include <QSaveFile>

namespace {

// One line of fields, joined by the separator and closed by CR LF.
class TLineWriter {
public:
    // The separator setting is one 8-bit character; a character above ASCII
    // is written as its UTF-8 sequence like the rest of the text.
    explicit TLineWriter(char separator) : m_separator(QString(QChar(uchar(UsableSeparator(separator)))).toUtf8()) {}

    void Line(const QList<QByteArray>& fields)
    {
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (i > 0)
                m_bytes += m_separator;
            m_bytes += Field(fields.at(i));
        }
        m_bytes += "\r\n";
    }
    QByteArray Bytes() const { return m_bytes; }

private:
    // A name with the separator in it would otherwise shift every later
    // column of its line, and a line break would split the row in two.
    QByteArray Field(const QByteArray& text) const
    {
        const bool needsQuotes = text.contains(m_separator) || text.contains('"') || text.contains('\r') || text.contains('\n');
        if (!needsQuotes)
            return text;
        QByteArray quoted = text;
        quoted.replace("\"", "\"\"");
        return '"' + quoted + '"';
    }

    QByteArray m_separator;
    QByteArray m_bytes;
};

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
    TLineWriter writer(separator);
    writer.Line({standings.Championship.toUtf8()});
    writer.Line({"Nr", "Driver", "Points"});
    int n = 0;
    for (const TTotalsRow& row : standings.Totals)
        writer.Line({QByteArray::number(++n), row.Driver.toUtf8(), ExportPoints(row.TotalPoints)});
    return writer.Bytes();
}

QByteArray DetailsFileBytes(const TStandings& standings, char separator)
{
    TLineWriter writer(separator);
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
        error = QStringLiteral("The export file %1 could not be written: %2").arg(QDir::toNativeSeparators(path), file.errorString());
    return written;
}
