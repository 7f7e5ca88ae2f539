#include "results/DriverProfile.h"

#include "common/Settings.h"
#include "data/StoreTransaction.h"
#include "results/Standings.h"

#include <QSqlQuery>
#include <algorithm>
#include <map>
#include <set>
#include <tuple>
#include <vector>

namespace {

// A heat: championship, race, heat number.
using THeatKey = std::tuple<int, int, int>;

double Median(std::vector<uint32_t>& times)
{
    if (times.empty())
        return 0;
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    return n % 2 == 1 ? double(times[n / 2]) : (double(times[n / 2 - 1]) + double(times[n / 2])) / 2.0;
}

// Of equal laps the one driven first holds the record: the earlier stored
// heat (a heat of unknown date was stored before dates were kept), then
// race, heat and lap number.
bool Faster(const TLapRecord& a, const TLapRecord& b)
{
    return std::tie(a.TimeMs, a.StoredUtcMs, a.RCnr, a.HTnr, a.RNDnr) <
           std::tie(b.TimeMs, b.StoredUtcMs, b.RCnr, b.HTnr, b.RNDnr);
}

// His heats with their finished marks and stored dates: the races and heats
// he drove, and the dates of his laps.
struct THeatsOfDriver {
    std::map<THeatKey, int64_t> StoredUtcMs;      // every heat of his with a heat row
    std::set<std::pair<int, int>> RacesFinished;  // races with a finished heat of his
    int FinishedHeats = 0;
};

bool ReadHeats(QSqlDatabase db, int drvnr, THeatsOfDriver& heats, QString& error)
{
    // A driver on two tracks of one heat, should a heat ever hold that, still
    // drove the heat once.
    QSqlQuery query(db);
    if (!RunRead(db, query,
                 QStringLiteral(R"(SELECT DISTINCT d.CSnr, d.RCnr, d.HTnr, h.Finished, s.StoredUtcMs)"
                                R"( FROM "KWL_HeatDetail.DB" d)"
                                R"( JOIN "KWL_Heat.DB" h ON h.CSnr = d.CSnr AND h.RCnr = d.RCnr AND h.HTnr = d.HTnr)"
                                R"( LEFT JOIN "Kobalap_HeatStored" s)"
                                R"( ON s.CSnr = d.CSnr AND s.RCnr = d.RCnr AND s.HTnr = d.HTnr)"
                                R"( WHERE d.DRVnr = ?)"),
                 {drvnr}, error))
        return false;
    while (query.next()) {
        const int csnr = query.value(0).toInt();
        const int rcnr = query.value(1).toInt();
        heats.StoredUtcMs[{csnr, rcnr, query.value(2).toInt()}] = query.value(4).toLongLong();
        if (query.value(3).toBool()) {
            ++heats.FinishedHeats;
            heats.RacesFinished.insert({csnr, rcnr});
        }
    }
    return true;
}

// Ranks every race he has a heat row in as the results window does, and
// counts his first places and places on the podium.
bool CountPlaces(QSqlDatabase db, int drvnr, const TSettings& settings, TDriverProfile& profile, QString& error)
{
    QSqlQuery query(db);
    if (!RunRead(db, query,
                 QStringLiteral(R"(SELECT d.CSnr, d.RCnr, c.CSTimed, d.DRVnr, h.Finished, d.Laps, d."Time")"
                                R"( FROM "KWL_HeatDetail.DB" d)"
                                R"( JOIN "KWL_Heat.DB" h ON h.CSnr = d.CSnr AND h.RCnr = d.RCnr AND h.HTnr = d.HTnr)"
                                R"( JOIN "KWL_Race.DB" r ON r.CSnr = d.CSnr AND r.RCnr = d.RCnr)"
                                R"( JOIN "KWL_Championship.db" c ON c.CSnr = d.CSnr)"
                                R"( WHERE (d.CSnr, d.RCnr) IN)"
                                R"( (SELECT m.CSnr, m.RCnr FROM "KWL_HeatDetail.DB" m WHERE m.DRVnr = ?))"),
                 {drvnr}, error))
        return false;
    struct TRaceRows {
        bool Timed = false;
        std::vector<TStandingsHeatRow> Rows;
    };
    std::map<std::pair<int, int>, TRaceRows> races;
    while (query.next()) {
        TRaceRows& race = races[{query.value(0).toInt(), query.value(1).toInt()}];
        race.Timed = query.value(2).toBool();
        race.Rows.push_back(
            {query.value(3).toInt(), query.value(4).toBool(), query.value(5).toInt(), query.value(6).toInt()});
    }

    std::array<int32_t, 20> placePoints{};
    std::copy(settings.PlacePoints.begin(), settings.PlacePoints.end(), placePoints.begin());
    for (auto& [key, race] : races) {
        std::vector<TRaceTotal> totals = SumRaceResults(std::move(race.Rows), race.Timed, settings.SectionsPerLap);
        AwardRacePoints(totals, race.Timed, placePoints);
        const auto his = std::find_if(totals.begin(), totals.end(),
                                      [drvnr](const TRaceTotal& total) { return total.DRVnr == drvnr; });
        if (his == totals.end())
            continue;  // no result in this race (no finished heat, or nothing driven)
        // The place is the ranking's, by race total: the drivers ahead are
        // those with a better total, and equal totals share the place.
        const int ahead = int(std::count_if(totals.begin(), totals.end(), [&](const TRaceTotal& other) {
            return race.Timed ? other.Total > his->Total : other.Total < his->Total;
        }));
        profile.RaceWins += ahead == 0 ? 1 : 0;
        profile.Podiums += ahead < 3 ? 1 : 0;
    }
    return true;
}

// Names of a championship and a race, for the records of his best laps.
bool ReadNames(QSqlDatabase db, TLapRecord& record, QString& error)
{
    QSqlQuery query(db);
    if (!RunRead(db, query,
                 QStringLiteral(R"(SELECT (SELECT CSnaam FROM "KWL_Championship.db" WHERE CSnr = ?),)"
                                R"( (SELECT RCnaam FROM "KWL_Race.DB" WHERE CSnr = ? AND RCnr = ?))"),
                 {record.CSnr, record.CSnr, record.RCnr}, error))
        return false;
    if (query.next()) {
        record.Championship = query.value(0).toString();
        record.Race = query.value(1).toString();
    }
    return true;
}

}  // namespace

std::optional<TDriverProfile> ReadDriverProfile(QSqlDatabase db, int drvnr, const TSettings& settings,
                                                uint32_t minimumMs, QString& error)
{
    TDriverProfile profile;
    profile.DRVnr = drvnr;
    // The caller's error text may hold an earlier message: a failed read is
    // told by its own text here.
    QString readError;
    profile.Driver = ReadScalar(db, QStringLiteral(R"(SELECT "Driver Name" FROM "KWL_Drivers.DB" WHERE DRVnr = ?)"),
                                {drvnr}, readError)
                         .toString();
    if (!readError.isEmpty()) {
        error = readError;
        return std::nullopt;
    }

    THeatsOfDriver heats;
    if (!ReadHeats(db, drvnr, heats, error) || !CountPlaces(db, drvnr, settings, profile, error))
        return std::nullopt;
    profile.Heats = heats.FinishedHeats;
    profile.Races = int(heats.RacesFinished.size());

    // Every counted lap of his, through his heat rows.
    QSqlQuery query(db);
    if (!RunRead(
            db, query,
            QStringLiteral(R"(SELECT l.CSnr, l.RCnr, l.HTnr, l.Tracknr, l.RNDnr, l."Time")"
                           R"( FROM "KWL_HeatDetail.DB" d JOIN "KWL_HeatDetailLaps.DB" l)"
                           R"( ON l.CSnr = d.CSnr AND l.RCnr = d.RCnr AND l.HTnr = d.HTnr AND l.Tracknr = d.Tracknr)"
                           R"( WHERE d.DRVnr = ? AND l."Time" >= ?)"),
            {drvnr, qint64(std::max<uint32_t>(1, minimumMs))}, error))
        return std::nullopt;
    std::map<int, std::vector<uint32_t>> lapsOfChampionship;
    while (query.next()) {
        TLapRecord lap;
        lap.CSnr = query.value(0).toInt();
        lap.RCnr = query.value(1).toInt();
        lap.HTnr = query.value(2).toInt();
        lap.Tracknr = query.value(3).toInt();
        lap.RNDnr = query.value(4).toInt();
        const qint64 time = query.value(5).toLongLong();
        if (lap.Tracknr < 1 || lap.Tracknr > 4 || time > qint64(UINT32_MAX) ||
            !CountsForRecords(uint32_t(time), minimumMs))
            continue;
        lap.TimeMs = uint32_t(time);
        const auto date = heats.StoredUtcMs.find({lap.CSnr, lap.RCnr, lap.HTnr});
        lap.StoredUtcMs = date == heats.StoredUtcMs.end() ? 0 : date->second;
        lapsOfChampionship[lap.CSnr].push_back(lap.TimeMs);
        TLapRecord& best = profile.Best[size_t(lap.Tracknr - 1)];
        if (!best.Held() || Faster(lap, best))
            best = lap;
    }
    for (TLapRecord& best : profile.Best) {
        if (!best.Held())
            continue;
        best.DRVnr = drvnr;
        best.Driver = profile.Driver;
        if (!ReadNames(db, best, error))
            return std::nullopt;
    }

    // His first stored heat per championship: the date that orders the chart.
    std::map<int, int64_t> firstStored;
    for (const auto& [heat, storedUtcMs] : heats.StoredUtcMs) {
        if (storedUtcMs <= 0)
            continue;
        auto [it, added] = firstStored.try_emplace(std::get<0>(heat), storedUtcMs);
        if (!added)
            it->second = std::min(it->second, storedUtcMs);
    }
    for (auto& [csnr, times] : lapsOfChampionship) {
        TProfileChampionship championship;
        championship.CSnr = csnr;
        championship.Name = ReadScalar(db, QStringLiteral(R"(SELECT CSnaam FROM "KWL_Championship.db" WHERE CSnr = ?)"),
                                       {csnr}, readError)
                                .toString();
        if (!readError.isEmpty()) {
            error = readError;
            return std::nullopt;
        }
        const auto first = firstStored.find(csnr);
        championship.FirstStoredUtcMs = first == firstStored.end() ? 0 : first->second;
        championship.Laps = int(times.size());
        championship.MedianLapMs = Median(times);
        profile.Championships.append(championship);
    }
    // Unknown dates are the oldest heats (stored before dates were kept), so
    // those championships come first, by number.
    std::stable_sort(profile.Championships.begin(), profile.Championships.end(),
                     [](const TProfileChampionship& a, const TProfileChampionship& b) {
                         return std::tie(a.FirstStoredUtcMs, a.CSnr) < std::tie(b.FirstStoredUtcMs, b.CSnr);
                     });
    return profile;
}
