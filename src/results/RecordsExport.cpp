#include "results/RecordsExport.h"

#include "results/ExportLines.h"
#include "results/LapGrid.h"

#include <cmath>

namespace {

void RecordLine(TExportLineWriter& writer, const char* kind, const TLapRecord& record)
{
    if (!record.Held())
        return;
    writer.Line({kind, record.Championship.toUtf8(), QByteArray::number(record.Tracknr), record.Driver.toUtf8(),
                 QByteArray::number(record.TimeMs), LapCellText(record.TimeMs).toUtf8(),
                 RecordDateText(record.StoredUtcMs).toUtf8(), record.Race.toUtf8(), QByteArray::number(record.HTnr),
                 QByteArray::number(record.RNDnr)});
}

// Milliseconds as exact as the medians make them (a half or a quarter), in
// the C locale's form whatever the machine's number settings: "118", "-70.5".
QByteArray Milliseconds(double ms)
{
    const double thousandths = std::round(ms * 1000) / 1000;
    return QByteArray::number(thousandths == 0 ? 0.0 : thousandths, 'g', 15);
}

}  // namespace

QByteArray RecordsFileBytes(const TRecordBook& book, char separator)
{
    TExportLineWriter writer(separator);
    writer.Line({"Records"});
    writer.Line({"Kind", "Championship", "Track", "Driver", "Time (ms)", "Time", "Date", "Race", "Heat", "Lap"});
    for (const TLapRecord& record : book.TrackRecords)
        RecordLine(writer, "Track record", record);
    for (const TChampionshipRecords& championship : book.Championships)
        for (const TLapRecord& record : championship.Tracks)
            RecordLine(writer, "Championship", record);
    for (const TLapRecord& record : book.PersonalBests)
        RecordLine(writer, "Personal best", record);
    return writer.Bytes();
}

QByteArray LaneReportFileBytes(const QString& title, const TLaneReport& report, char separator)
{
    TExportLineWriter writer(separator);
    writer.Line({title.toUtf8()});
    writer.Line({"Track", "Offset (ms)", "Low (ms)", "High (ms)", "Drivers"});
    for (const TLaneOffset& offset : report.Tracks)
        writer.Line({QByteArray::number(offset.Track), Milliseconds(offset.OffsetMs), Milliseconds(offset.LowMs),
                     Milliseconds(offset.HighMs), QByteArray::number(offset.Drivers)});
    return writer.Bytes();
}
