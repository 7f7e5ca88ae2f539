#include "results/StoredLaps.h"

#include "data/StoreTransaction.h"

#include <QHash>
#include <QSqlQuery>
#include <algorithm>
#include <map>
#include <tuple>

namespace {

using THeatTrackKey = std::tuple<int, int, int>;  // RCnr, HTnr, Tracknr

// The restriction of a scope. Only these fixed texts are put together;
// every value goes in as a bound parameter.
QString ScopeCondition(TLapScope scope)
{
    switch (scope) {
    case TLapScope::Heat: return QStringLiteral(" WHERE CSnr = ? AND RCnr = ? AND HTnr = ?");
    case TLapScope::Race: return QStringLiteral(" WHERE CSnr = ? AND RCnr = ?");
    case TLapScope::Championship: break;
    }
    return QStringLiteral(" WHERE CSnr = ?");
}

bool ReadScopeRows(QSqlDatabase db, QSqlQuery& query, const QString& sql, const TStoredLaps& scope, QString& error)
{
    switch (scope.Scope) {
    case TLapScope::Heat: return RunRead(db, query, sql, {scope.CSnr, scope.RCnr, scope.HTnr}, error);
    case TLapScope::Race: return RunRead(db, query, sql, {scope.CSnr, scope.RCnr}, error);
    case TLapScope::Championship: break;
    }
    return RunRead(db, query, sql, {scope.CSnr}, error);
}

bool ReadLaps(QSqlDatabase db, TStoredLaps& scope)
{
    const QString sql = QStringLiteral(R"(SELECT RCnr, HTnr, Tracknr, RNDnr, "Time" FROM "KWL_HeatDetailLaps.DB")") +
                        ScopeCondition(scope.Scope) + QStringLiteral(" ORDER BY RCnr, HTnr, Tracknr, RNDnr");
    QSqlQuery query(db);
    if (!ReadScopeRows(db, query, sql, scope, scope.ReadError))
        return false;
    while (query.next())
        scope.Laps.append({query.value(0).toInt(), query.value(1).toInt(), query.value(2).toInt(),
                           query.value(3).toInt(), query.value(4).toInt()});
    return true;
}

bool ReadHeatRows(QSqlDatabase db, TStoredLaps& scope)
{
    const QString sql = QStringLiteral(R"(SELECT RCnr, HTnr, Tracknr, DRVnr FROM "KWL_HeatDetail.DB")") +
                        ScopeCondition(scope.Scope) + QStringLiteral(" ORDER BY RCnr, HTnr, Tracknr");
    QSqlQuery query(db);
    if (!ReadScopeRows(db, query, sql, scope, scope.ReadError))
        return false;
    while (query.next())
        scope.HeatRows.append(
            {query.value(0).toInt(), query.value(1).toInt(), query.value(2).toInt(), query.value(3).toInt()});
    return true;
}

// Name lookups; a failed read keeps the first message and yields an empty name.
class TNames {
public:
    TNames(QSqlDatabase db, QString& error) : m_db(db), m_error(error) {}

    QString Championship(int csnr)
    {
        return Read(QStringLiteral(R"(SELECT CSnaam FROM "KWL_Championship.db" WHERE CSnr = ?)"), {csnr});
    }
    QString Race(int csnr, int rcnr)
    {
        return Read(QStringLiteral(R"(SELECT RCnaam FROM "KWL_Race.DB" WHERE CSnr = ? AND RCnr = ?)"), {csnr, rcnr});
    }
    QString Driver(int drvnr)
    {
        const auto known = m_drivers.constFind(drvnr);
        if (known != m_drivers.cend())
            return *known;
        const QString name =
            Read(QStringLiteral(R"(SELECT "Driver Name" FROM "KWL_Drivers.DB" WHERE DRVnr = ?)"), {drvnr});
        m_drivers.insert(drvnr, name);
        return name;
    }

private:
    QString Read(const QString& sql, std::initializer_list<QVariant> values)
    {
        QString error;
        const QVariant value = ReadScalar(m_db, sql, values, error);
        if (!error.isEmpty() && m_error.isEmpty())
            m_error = error;
        return value.toString();
    }

    QSqlDatabase m_db;
    QString& m_error;
    QHash<int, QString> m_drivers;
};

}  // namespace

TLapExtremes FindLapExtremes(const QList<TStoredLap>& laps, const QList<THeatTrackRow>& heatRows)
{
    std::map<THeatTrackKey, int> drivers;
    for (const THeatTrackRow& row : heatRows)
        drivers.emplace(THeatTrackKey{row.RCnr, row.HTnr, row.Tracknr}, row.DRVnr);

    TLapExtremes extremes;
    for (const TStoredLap& lap : laps) {
        if (!IsTimedLap(lap.Time) || lap.Tracknr < 1 || lap.Tracknr > int(extremes.size()))
            continue;
        TTrackExtremes& track = extremes[lap.Tracknr - 1];
        const uint32_t time = uint32_t(lap.Time);
        const auto take = [&](TLapExtreme& extreme) {
            extreme.Time = time;
            extreme.RCnr = lap.RCnr;
            extreme.HTnr = lap.HTnr;
            extreme.RNDnr = lap.RNDnr;
            const auto driver = drivers.find({lap.RCnr, lap.HTnr, lap.Tracknr});
            extreme.DRVnr = driver == drivers.end() ? 0 : driver->second;
        };
        if (time > track.Slowest.Time)
            take(track.Slowest);
        if (time < track.Fastest.Time)
            take(track.Fastest);
    }
    return extremes;
}

TStoredLaps ReadStoredLaps(QSqlDatabase db, TLapScope scope, int csnr, int rcnr, int htnr, int tracks)
{
    TStoredLaps stored;
    stored.Scope = scope;
    stored.CSnr = csnr;
    stored.RCnr = scope == TLapScope::Championship ? 0 : rcnr;
    stored.HTnr = scope == TLapScope::Heat ? htnr : 0;

    // After a failed read the scope is incomplete and cannot be shown, so
    // nothing further is read and the first message stays.
    TNames names(db, stored.ReadError);
    stored.ChampionshipName = names.Championship(csnr);
    if (scope != TLapScope::Championship)
        stored.RaceName = names.Race(csnr, stored.RCnr);
    if (!stored.ReadError.isEmpty() || !ReadLaps(db, stored) || !ReadHeatRows(db, stored))
        return stored;

    if (scope == TLapScope::Heat) {
        for (const THeatTrackRow& row : stored.HeatRows)
            if (row.Tracknr >= 1 && row.Tracknr <= int(stored.TrackDrivers.size()))
                stored.TrackDrivers[row.Tracknr - 1] = names.Driver(row.DRVnr);
    }

    stored.Extremes = FindLapExtremes(stored.Laps, stored.HeatRows);
    const int shown = std::clamp(tracks, 0, int(stored.Extremes.size()));
    for (int t = 0; t < shown; ++t) {
        for (TLapExtreme* extreme : {&stored.Extremes[t].Slowest, &stored.Extremes[t].Fastest}) {
            if (scope == TLapScope::Championship && extreme->RCnr != 0)
                extreme->RaceName = names.Race(csnr, extreme->RCnr);
            if (extreme->DRVnr != 0)
                extreme->DriverName = names.Driver(extreme->DRVnr);
        }
    }
    return stored;
}
