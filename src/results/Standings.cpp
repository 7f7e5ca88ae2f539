#include "results/Standings.h"

#include "common/LapValue.h"
#include "common/RaceTime.h"
#include "common/Settings.h"
#include "data/SharedQueries.h"
#include "data/StoreTransaction.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <limits>
#include <map>

std::vector<TRaceTotal> SumRaceResults(std::vector<TStandingsHeatRow> rows, bool timed, int32_t sectionsPerLap)
{
    std::stable_sort(rows.begin(), rows.end(),
                     [](const TStandingsHeatRow& a, const TStandingsHeatRow& b) { return a.DRVnr < b.DRVnr; });
    std::vector<TRaceTotal> totals;
    bool open = false;
    TRaceTotal current;
    const auto store = [&] {
        if (open && current.Total != 0)
            totals.push_back(current);
    };
    for (const TStandingsHeatRow& row : rows) {
        if (!row.Finished)
            continue;
        if (!open || row.DRVnr != current.DRVnr) {
            store();
            current = TRaceTotal{row.DRVnr, 0, 0};
            open = true;
        }
        if (timed)
            current.Total = AddLapValues(int32_t(current.Total), row.Laps, sectionsPerLap);
        else
            current.Total += row.Time;
    }
    store();
    return totals;
}

void AwardRacePoints(std::vector<TRaceTotal>& race, bool timed, const std::array<int32_t, 20>& placePoints)
{
    // Equal totals keep their driver order, so a tie is listed the same way every time.
    std::stable_sort(race.begin(), race.end(), [timed](const TRaceTotal& a, const TRaceTotal& b) {
        return timed ? a.Total > b.Total : a.Total < b.Total;
    });
    size_t first = 0;
    while (first < race.size()) {
        size_t last = first;
        while (last + 1 < race.size() && race[last + 1].Total == race[first].Total)
            ++last;
        double sum = 0;
        for (size_t place = first + 1; place <= last + 1 && place <= placePoints.size(); ++place)
            sum += placePoints[place - 1];
        const double shared = sum / double(last - first + 1);
        for (size_t n = first; n <= last; ++n)
            race[n].Points = shared;
        first = last + 1;
    }
}

double BestRacesTotal(std::vector<double> racePoints, int racesThatCount)
{
    std::sort(racePoints.begin(), racePoints.end(), std::greater<>());
    double sum = 0;
    for (int n = 0; n < racesThatCount && n < int(racePoints.size()); ++n)
        sum += racePoints[size_t(n)];
    return sum;
}

namespace {

// A race total kept in the 32-bit field: a sum beyond it is stored as the
// largest value, which still reads "999:99.999" behind every finisher.
int32_t StoredTotal(int64_t total)
{
    return int32_t(
        std::clamp<int64_t>(total, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace

bool TStandingsStore::Compute(const TSettings& settings)
{
    QSqlQuery read(m_db);
    if (!RunRead(m_db, read,
                 QStringLiteral(R"(SELECT CSTimed, CSRacesThatCount FROM "KWL_Championship.db" WHERE CSnr = ?)"),
                 {m_csnr}, m_error))
        return false;
    if (!read.next())
        return Clear();  // gone meanwhile: nothing to show
    const bool timed = read.value(0).toBool();
    const int racesThatCount = read.value(1).toInt();

    // Every heat row of the championship with its heat's finished mark, race by race.
    std::map<int32_t, std::vector<TStandingsHeatRow>> races;
    if (!RunRead(m_db, read, QStringLiteral(R"(SELECT r.RCnr, d.DRVnr, h.Finished, d.Laps, d."Time" FROM "KWL_Race.DB" r
                                                JOIN "KWL_HeatDetail.DB" d ON d.CSnr = r.CSnr AND d.RCnr = r.RCnr
                                                JOIN "KWL_Heat.DB" h ON h.CSnr = d.CSnr AND h.RCnr = d.RCnr AND h.HTnr = d.HTnr
                                                WHERE r.CSnr = ?)"),
                 {m_csnr}, m_error))
        return false;
    while (read.next())
        races[read.value(0).toInt()].push_back(
            {read.value(1).toInt(), read.value(2).toBool(), read.value(3).toInt(), read.value(4).toInt()});
    read.finish();

    std::array<int32_t, 20> placePoints{};
    std::copy(settings.PlacePoints.begin(), settings.PlacePoints.end(), placePoints.begin());

    TStoreTransaction action(m_db);
    action.Exec(QStringLiteral(R"(DELETE FROM "KWL_Result.db" WHERE CSnr = ?)"), {m_csnr});
    action.Exec(QStringLiteral(R"(DELETE FROM "KWL_ResultDetail.db" WHERE CSnr = ?)"), {m_csnr});
    std::map<int32_t, std::vector<double>> pointsOfDriver;
    for (auto& [rcnr, rows] : races) {
        std::vector<TRaceTotal> race = SumRaceResults(std::move(rows), timed, settings.SectionsPerLap);
        AwardRacePoints(race, timed, placePoints);
        for (const TRaceTotal& result : race) {
            action.Exec(
                QStringLiteral(
                    R"(INSERT INTO "KWL_ResultDetail.db" (CSnr, RCnr, DRVnr, "Time", Points) VALUES (?, ?, ?, ?, ?))"),
                {m_csnr, rcnr, result.DRVnr, StoredTotal(result.Total), result.Points});
            pointsOfDriver[result.DRVnr].push_back(result.Points);
        }
    }
    for (const auto& [drvnr, points] : pointsOfDriver)
        action.Exec(QStringLiteral(R"(INSERT INTO "KWL_Result.db" (CSnr, DRVnr, TotalPoints) VALUES (?, ?, ?))"),
                    {m_csnr, drvnr, BestRacesTotal(points, racesThatCount)});
    if (action.Commit())
        return true;
    m_error = action.ErrorText();
    return false;
}

bool TStandingsStore::Clear()
{
    TStoreTransaction action(m_db);
    action.Exec(QStringLiteral(R"(DELETE FROM "KWL_Result.db" WHERE CSnr = ?)"), {m_csnr});
    action.Exec(QStringLiteral(R"(DELETE FROM "KWL_ResultDetail.db" WHERE CSnr = ?)"), {m_csnr});
    if (action.Commit())
        return true;
    m_error = action.ErrorText();
    return false;
}

std::optional<TStandings> TStandingsStore::Read(int32_t sectionsPerLap)
{
    TStandings standings;
    QSqlQuery query(m_db);
    if (!RunRead(m_db, query, QStringLiteral(R"(SELECT CSnaam, CSTimed FROM "KWL_Championship.db" WHERE CSnr = ?)"),
                 {m_csnr}, m_error))
        return std::nullopt;
    if (query.next()) {
        standings.Championship = query.value(0).toString();
        standings.Timed = query.value(1).toBool();
    }
    const auto run = [&](const QString& sql) {
        query = QSqlQuery(m_db);
        query.setForwardOnly(true);
        bool ok = query.prepare(sql);
        query.bindValue(QStringLiteral(":PCSnr"), m_csnr);
        ok = ok && query.exec();
        if (!ok)
            m_error = query.lastError().text();
        return ok;
    };
    if (!run(SharedQueries::QueryResult()))
        return std::nullopt;
    while (query.next())
        standings.Totals.push_back(
            {int(standings.Totals.size()) + 1, query.value(0).toString(), query.value(1).toDouble()});
    if (!run(SharedQueries::QueryResultDetail()))
        return std::nullopt;
    while (query.next()) {
        TRacePointsRow row{query.value(0).toString(),
                           query.value(1).toString(),
                           query.value(2).toInt(),
                           {},
                           query.value(3).toDouble()};
        row.TimeStr = standings.Timed ? FormatLapValue(row.Time, sectionsPerLap)
                                      : FormatRaceTime(uint32_t(std::max(row.Time, 0)), 3, true);
        standings.RacePoints.push_back(row);
    }
    return standings;
}
