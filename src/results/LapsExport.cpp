#include "results/LapsExport.h"

#include "data/StoreTransaction.h"
#include "results/ExportLines.h"
#include "results/LapGrid.h"
#include "timing/RaceRules.h"

#include <QSqlQuery>
#include <algorithm>

QByteArray LapsFileBytes(const QString& title, const QList<TExportLap>& laps, char separator)
{
    TExportLineWriter writer(separator);
    writer.Line({title.toUtf8()});
    writer.Line({"Race", "Heat", "Track", "Driver", "Lap", "Time (ms)", "Time"});
    for (const TExportLap& lap : laps)
        writer.Line({lap.RaceName.toUtf8(), QByteArray::number(lap.Heat), QByteArray::number(lap.Track),
                     lap.Driver.toUtf8(), QByteArray::number(lap.Lap), QByteArray::number(lap.TimeMs),
                     LapCellText(lap.TimeMs).toUtf8()});
    return writer.Bytes();
}

bool ReadChampionshipLaps(QSqlDatabase db, int csnr, QString& title, QList<TExportLap>& laps, QString& error)
{
    QString readError;
    title =
        ReadScalar(db, QStringLiteral(R"(SELECT CSnaam FROM "KWL_Championship.db" WHERE CSnr = ?)"), {csnr}, readError)
            .toString();
    if (!readError.isEmpty()) {
        error = readError;
        return false;
    }
    // The driver of a lap is the one of its heat's row for the track; a lap
    // without that row (or a race without its row) still goes out, unnamed.
    const QString sql = QStringLiteral(
        R"(SELECT r.RCnaam, l.HTnr, l.Tracknr, d."Driver Name", l.RNDnr, l."Time")"
        R"( FROM "KWL_HeatDetailLaps.DB" l)"
        R"( LEFT JOIN "KWL_Race.DB" r ON r.CSnr = l.CSnr AND r.RCnr = l.RCnr)"
        R"( LEFT JOIN "KWL_HeatDetail.DB" h ON h.CSnr = l.CSnr AND h.RCnr = l.RCnr AND h.HTnr = l.HTnr AND h.Tracknr = l.Tracknr)"
        R"( LEFT JOIN "KWL_Drivers.DB" d ON d.DRVnr = h.DRVnr)"
        R"( WHERE l.CSnr = ? ORDER BY l.RCnr, l.HTnr, l.Tracknr, l.RNDnr)");
    QSqlQuery query(db);
    if (!RunRead(db, query, sql, {csnr}, error))
        return false;
    laps.clear();
    while (query.next()) {
        // A damaged row's negative time is a lap without a time, as in the lap view.
        const int time = query.value(5).toInt();
        laps.append({query.value(0).toString(), query.value(1).toInt(), query.value(2).toInt(),
                     query.value(3).toString(), query.value(4).toInt(), time > 0 ? uint32_t(time) : 0u});
    }
    return true;
}

QList<TExportLap> LastRaceLaps(const TTrackStates& states, int tracks, int32_t sectionsPerLap,
                               const TLapsOrigin& origin)
{
    QList<TExportLap> laps;
    for (int t = 1; t <= std::clamp(tracks, 1, 4); ++t) {
        const TTrackState& state = states[size_t(t - 1)];
        const int driven = std::clamp(LapsDriven(state, sectionsPerLap), 0, MaxLapEntries);
        for (int k = 1; k <= driven; ++k)
            laps.append({origin.RaceName, origin.Heat, t, state.DriverName, k, state.LapTimes[size_t(k)]});
    }
    return laps;
}
