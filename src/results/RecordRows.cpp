#include "results/RecordRows.h"

#include "common/RaceTime.h"

#include <cmath>

namespace {

constexpr uint32_t MinuteMs = 60000;

QStringList RecordCells(const TLapRecord& record)
{
    return {RecordTimeText(record.TimeMs), record.Driver, RecordDateText(record.StoredUtcMs),
            record.Championship,           record.Race,   QString::number(record.HTnr)};
}

}  // namespace

QString RecordTimeText(uint32_t ms) { return FormatRaceTime(ms, 3, ms >= MinuteMs); }

QList<QStringList> TrackRecordRows(const TTrackRecords& records)
{
    QList<QStringList> rows;
    for (const TLapRecord& record : records)
        if (record.Held())
            rows << (QStringList{QString::number(record.Tracknr)} + RecordCells(record));
    return rows;
}

QList<QStringList> PersonalBestRows(const QList<TLapRecord>& bests)
{
    QList<QStringList> rows;
    for (const TLapRecord& best : bests) {
        QStringList cells = RecordCells(best);
        // The driver leads: the list is read driver by driver.
        cells.removeAt(1);
        rows << (QStringList{best.Driver, QString::number(best.Tracknr)} + cells);
    }
    return rows;
}

QString SignedSecondsText(double ms)
{
    const double thousandths = std::round(ms);
    const double seconds = thousandths == 0 ? 0.0 : thousandths / 1000.0;
    return QString::asprintf("%+.3f", seconds);
}

QList<QStringList> LaneRows(const TLaneReport& report)
{
    QList<QStringList> rows;
    for (const TLaneOffset& track : report.Tracks)
        rows << QStringList{QStringLiteral("Track %1").arg(track.Track),
                            SignedSecondsText(track.OffsetMs) + QStringLiteral(" s"),
                            SignedSecondsText(track.LowMs) + QStringLiteral(" .. ") + SignedSecondsText(track.HighMs),
                            QString::number(track.Drivers)};
    return rows;
}
