#include "heats/HeatStore.h"

#include "common/LapValue.h"
#include "common/RaceTime.h"
#include "data/Schema.h"
#include "data/SharedQueries.h"
#include "data/StoreTransaction.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <limits>

namespace {

QString Quoted(const char* table) { return QLatin1Char('"') + QLatin1String(table) + QLatin1Char('"'); }

const QString HeatTable = Quoted(Schema::Heat);
const QString DetailTable = Quoted(Schema::HeatDetail);
const QString LapsTable = Quoted(Schema::HeatDetailLaps);
const QString StoredTable = Quoted(Schema::HeatStored);

// A detail row of a heat not yet run (keys and driver bound). It has no
// result; the table keeps its values filled, and 0 reads the same as none
// everywhere they are shown or summed.
QString InsertDetailSql()
{
    return QStringLiteral(
               "INSERT INTO %1 (CSnr, RCnr, HTnr, Tracknr, DRVnr, Laps, \"Time\", TopLapTime) VALUES (?, ?, ?, ?, ?, 0, 0, 0)")
        .arg(DetailTable);
}

bool RunNamed(QSqlQuery& query, const QString& sql, const QList<QPair<QString, QVariant>>& values, QString& error)
{
    query.setForwardOnly(true);
    if (!query.prepare(sql)) {
        error = query.lastError().text();
        return false;
    }
    for (const auto& [name, value] : values)
        query.bindValue(name, value);
    if (!query.exec()) {
        error = query.lastError().text();
        return false;
    }
    return true;
}

// The texts of the calculated grid fields; an empty field counts as 0.
QString HeatLapsText(const QVariant& laps, int32_t sectionsPerLap)
{
    return FormatLapValue(laps.toInt(), sectionsPerLap);
}

QString HeatTimeText(const QVariant& time) { return FormatRaceTime(uint32_t(std::max(time.toInt(), 0)), 3, true); }

QString HeatTopLapText(const QVariant& time) { return FormatRaceTime(uint32_t(std::max(time.toInt(), 0)), 3, false); }

}  // namespace

std::optional<THeatChampionship> THeatStore::Championship()
{
    QSqlQuery query(m_db);
    const QString sql = QStringLiteral("SELECT CSnaam, CSTimed, CSLapsMinutes FROM %1 WHERE CSnr = ?")
                            .arg(Quoted(Schema::Championship));
    if (!RunRead(m_db, query, sql, {m_csnr}, m_error))
        return std::nullopt;
    if (!query.next()) {
        m_error = QStringLiteral("The championship of this race is no longer there.");
        return std::nullopt;
    }
    return THeatChampionship{query.value(0).toString(), query.value(1).toBool(), query.value(2).toInt()};
}

std::optional<QString> THeatStore::RaceName()
{
    QSqlQuery query(m_db);
    const QString sql = QStringLiteral("SELECT RCnaam FROM %1 WHERE CSnr = ? AND RCnr = ?").arg(Quoted(Schema::Race));
    if (!RunRead(m_db, query, sql, {m_csnr, m_rcnr}, m_error))
        return std::nullopt;
    if (!query.next()) {
        m_error = QStringLiteral("This race is no longer there.");
        return std::nullopt;
    }
    return query.value(0).toString();
}

std::optional<std::vector<int32_t>> THeatStore::ChampionshipDrivers()
{
    QSqlQuery query(m_db);
    const QString sql =
        QStringLiteral("SELECT DRVnr FROM %1 WHERE CSnr = ? ORDER BY CSnr, DRVnr").arg(Quoted(Schema::DIC));
    if (!RunRead(m_db, query, sql, {m_csnr}, m_error))
        return std::nullopt;
    std::vector<int32_t> drivers;
    while (query.next())
        drivers.push_back(query.value(0).toInt());
    return drivers;
}

std::optional<int32_t> THeatStore::LastHeatNumber()
{
    const QString sql =
        QStringLiteral("SELECT COALESCE(MAX(HTnr), 0) FROM %1 WHERE CSnr = ? AND RCnr = ?").arg(HeatTable);
    m_error.clear();
    const QVariant last = ReadScalar(m_db, sql, {m_csnr, m_rcnr}, m_error);
    if (!m_error.isEmpty())
        return std::nullopt;
    return last.toInt();
}

std::optional<int32_t> THeatStore::NextUnfinishedHeat()
{
    const QString sql =
        QStringLiteral("SELECT COALESCE(MIN(HTnr), 0) FROM %1 WHERE CSnr = ? AND RCnr = ? AND NOT Finished")
            .arg(HeatTable);
    m_error.clear();
    const QVariant next = ReadScalar(m_db, sql, {m_csnr, m_rcnr}, m_error);
    if (!m_error.isEmpty())
        return std::nullopt;
    return next.toInt();
}

std::optional<THeatLineup> THeatStore::Lineup(int32_t htnr)
{
    QSqlQuery query(m_db);
    const QString sql =
        QStringLiteral(
            "SELECT d.Tracknr, d.DRVnr, r.\"Driver Name\", d.Laps, d.\"Time\" FROM %1 d LEFT JOIN %2 r ON r.DRVnr = d.DRVnr"
            " WHERE d.CSnr = ? AND d.RCnr = ? AND d.HTnr = ? ORDER BY d.Tracknr")
            .arg(DetailTable, Quoted(Schema::Drivers));
    if (!RunRead(m_db, query, sql, {m_csnr, m_rcnr, htnr}, m_error))
        return std::nullopt;
    THeatLineup lineup;
    while (query.next()) {
        const int track = query.value(0).toInt();
        if (track < 1 || track > 4)
            continue;
        lineup.DRVnr[size_t(track - 1)] = query.value(1).toInt();
        lineup.Names[size_t(track - 1)] = query.value(2).toString();
        lineup.Laps[size_t(track - 1)] = query.value(3).toInt();
        lineup.Time[size_t(track - 1)] = query.value(4).toInt();
    }
    return lineup;
}

std::optional<int32_t> THeatStore::RunningTotal(int32_t drvnr, bool timed)
{
    QSqlQuery query(m_db);
    const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE CSnr = ? AND RCnr = ? AND DRVnr = ?")
                            .arg(timed ? QStringLiteral("Laps") : QStringLiteral("\"Time\""), DetailTable);
    if (!RunRead(m_db, query, sql, {m_csnr, m_rcnr, drvnr}, m_error))
        return std::nullopt;
    int64_t sum = 0;
    while (query.next())
        sum += query.value(0).toLongLong();
    return int32_t(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

bool THeatStore::AppendHeats(const THeatPlan& plan)
{
    TStoreTransaction action(m_db);
    const QString heatSql =
        QStringLiteral("INSERT INTO %1 (CSnr, RCnr, HTnr, Finished) VALUES (?, ?, ?, 0)").arg(HeatTable);
    const QString detailSql = InsertDetailSql();
    for (const TPlannedHeat& heat : plan) {
        action.Exec(heatSql, {m_csnr, m_rcnr, heat.HTnr});
        for (int t = 1; t <= 4; ++t) {
            if (heat.Drivers[size_t(t - 1)] != 0)
                action.Exec(detailSql, {m_csnr, m_rcnr, heat.HTnr, t, heat.Drivers[size_t(t - 1)]});
        }
    }
    if (action.Commit())
        return true;
    m_error = action.ErrorText();
    return false;
}

bool THeatStore::StoreHeatResult(int32_t htnr, const TTrackStates& tracks, int trackCount, int32_t sectionsPerLap,
                                 const THeatChampionship& championship)
{
    return StoreHeatResult(htnr, MakeHeatResult(tracks, trackCount, sectionsPerLap, championship));
}

bool THeatStore::StoreHeatResult(int32_t htnr, const THeatResult& result)
{
    const std::optional<THeatLineup> lineup = Lineup(htnr);
    if (!lineup)
        return false;

    TStoreTransaction action(m_db);
    action.Exec(QStringLiteral("DELETE FROM %1 WHERE CSnr = ? AND RCnr = ? AND HTnr = ?").arg(LapsTable),
                {m_csnr, m_rcnr, htnr});
    const QString resultSql =
        QStringLiteral(
            "UPDATE %1 SET Laps = ?, \"Time\" = ?, TopLapTime = ? WHERE CSnr = ? AND RCnr = ? AND HTnr = ? AND Tracknr = ?")
            .arg(DetailTable);
    const QString lapSql =
        QStringLiteral(
            "INSERT INTO %1 (CSnr, RCnr, HTnr, Tracknr, RNDnr, \"Time\", SpeedTrapTime) VALUES (?, ?, ?, ?, ?, ?, ?)")
            .arg(LapsTable);

    for (int t = 1; t <= 4; ++t) {
        const THeatTrackResult& track = result.Tracks[size_t(t - 1)];
        if (!track.InUse || lineup->DRVnr[size_t(t - 1)] == 0)
            continue;
        action.Exec(resultSql, {track.Laps, track.Time, track.TopLapTime, m_csnr, m_rcnr, htnr, t});
        for (const THeatLapRow& lap : track.LapRows)
            action.Exec(lapSql, {m_csnr, m_rcnr, htnr, t, lap.Lap, lap.Time, lap.SpeedTrapTime});
    }
    action.Exec(QStringLiteral("UPDATE %1 SET Finished = 1 WHERE CSnr = ? AND RCnr = ? AND HTnr = ?").arg(HeatTable),
                {m_csnr, m_rcnr, htnr});
    // The date its laps were driven, for the club records.
    action.Exec(QStringLiteral("INSERT OR REPLACE INTO %1 (CSnr, RCnr, HTnr, StoredUtcMs) VALUES (?, ?, ?, ?)")
                    .arg(StoredTable),
                {m_csnr, m_rcnr, htnr, QDateTime::currentMSecsSinceEpoch()});
    if (action.Commit())
        return true;
    m_error = action.ErrorText();
    return false;
}

bool THeatStore::ChangeHeatDrivers(int32_t htnr, const THeatTrackChoice& choice, int trackCount)
{
    const std::optional<THeatLineup> lineup = Lineup(htnr);
    if (!lineup)
        return false;
    TStoreTransaction action(m_db);
    for (int t = 1; t <= std::clamp(trackCount, 0, 4); ++t) {
        const size_t i = size_t(t - 1);
        const bool hasRow = lineup->DRVnr[i] != 0;
        if (hasRow && choice.Used[i])
            action.Exec(
                QStringLiteral("UPDATE %1 SET DRVnr = ? WHERE CSnr = ? AND RCnr = ? AND HTnr = ? AND Tracknr = ?")
                    .arg(DetailTable),
                {choice.DRVnr[i], m_csnr, m_rcnr, htnr, t});
        else if (hasRow)
            action.Exec(QStringLiteral("DELETE FROM %1 WHERE CSnr = ? AND RCnr = ? AND HTnr = ? AND Tracknr = ?")
                            .arg(DetailTable),
                        {m_csnr, m_rcnr, htnr, t});
        else if (choice.Used[i])
            action.Exec(InsertDetailSql(), {m_csnr, m_rcnr, htnr, t, choice.DRVnr[i]});
    }
    if (action.Commit())
        return true;
    m_error = action.ErrorText();
    return false;
}

bool THeatStore::ChangeHeatResults(int32_t htnr, const THeatResultChoice& choice, int trackCount)
{
    const QString sql = QStringLiteral("UPDATE %1 SET %2 = ? WHERE CSnr = ? AND RCnr = ? AND HTnr = ? AND Tracknr = ?")
                            .arg(DetailTable, choice.Timed ? QStringLiteral("Laps") : QStringLiteral("\"Time\""));
    TStoreTransaction action(m_db);
    for (int t = 1; t <= std::clamp(trackCount, 0, 4); ++t) {
        const size_t i = size_t(t - 1);
        if (choice.Has[i] && choice.Changed[i])
            action.Exec(sql, {choice.Timed ? choice.Entry[i].Laps : choice.Entry[i].Time, m_csnr, m_rcnr, htnr, t});
    }
    if (action.Commit())
        return true;
    m_error = action.ErrorText();
    return false;
}

bool THeatStore::DeleteHeat(int32_t htnr)
{
    TStoreTransaction action(m_db);
    for (const QString& table : {DetailTable, LapsTable, HeatTable, StoredTable})
        action.Exec(QStringLiteral("DELETE FROM %1 WHERE CSnr = ? AND RCnr = ? AND HTnr = ?").arg(table),
                    {m_csnr, m_rcnr, htnr});
    if (action.Commit())
        return true;
    m_error = action.ErrorText();
    return false;
}

bool THeatStore::DeleteAllHeats()
{
    TStoreTransaction action(m_db);
    for (const QString& table : {DetailTable, LapsTable, HeatTable, StoredTable})
        action.Exec(QStringLiteral("DELETE FROM %1 WHERE CSnr = ? AND RCnr = ?").arg(table), {m_csnr, m_rcnr});
    if (action.Commit())
        return true;
    m_error = action.ErrorText();
    return false;
}

std::optional<std::vector<THeatInfoRow>> THeatStore::HeatInfo(int32_t htnr, int32_t sectionsPerLap)
{
    QSqlQuery query(m_db);
    if (!RunNamed(query, SharedQueries::QueryHeatDetail(),
                  {{QStringLiteral(":ParCSnr"), m_csnr},
                   {QStringLiteral(":ParRCnr"), m_rcnr},
                   {QStringLiteral(":ParHTnr"), htnr}},
                  m_error))
        return std::nullopt;
    std::vector<THeatInfoRow> rows;
    while (query.next()) {
        THeatInfoRow row;
        row.Tracknr = query.value(0).toInt();
        row.Driver = query.value(1).toString();
        row.Heat = htnr;
        row.Laps = HeatLapsText(query.value(2), sectionsPerLap);
        row.Time = HeatTimeText(query.value(3));
        row.TopLapTime = HeatTopLapText(query.value(4));
        rows.push_back(std::move(row));
    }
    return rows;
}

std::optional<std::vector<THeatInfoRow>> THeatStore::DriverInfo(int32_t sectionsPerLap)
{
    QSqlQuery query(m_db);
    if (!RunNamed(query, SharedQueries::QueryDriverInfo(),
                  {{QStringLiteral(":PCSnr"), m_csnr}, {QStringLiteral(":PRCnr"), m_rcnr}}, m_error))
        return std::nullopt;
    std::vector<THeatInfoRow> rows;
    while (query.next()) {
        THeatInfoRow row;
        row.Driver = query.value(0).toString();
        row.Tracknr = query.value(1).toInt();
        row.Heat = query.value(2).toInt();
        row.Laps = HeatLapsText(query.value(3), sectionsPerLap);
        row.Time = HeatTimeText(query.value(4));
        row.TopLapTime = HeatTopLapText(query.value(5));
        rows.push_back(std::move(row));
    }
    return rows;
}
