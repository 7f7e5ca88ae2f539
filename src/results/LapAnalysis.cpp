#include "results/LapAnalysis.h"

#include "results/LapGrid.h"
#include "timing/RaceRules.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace {

using THeatTrackKey = std::tuple<int, int, int>;  // RCnr, HTnr, Tracknr

int ShownTracks(int tracks) { return std::clamp(tracks, 1, 4); }

}  // namespace

QList<TDriverLaps> DriverLapsOfScope(const TStoredLaps& stored, int tracks)
{
    tracks = ShownTracks(tracks);
    std::map<THeatTrackKey, int> drivers;
    for (const THeatTrackRow& row : stored.HeatRows)
        drivers.emplace(THeatTrackKey{row.RCnr, row.HTnr, row.Tracknr}, row.DRVnr);

    QList<TDriverLaps> result;
    QHash<int, qsizetype> indexOf;  // DRVnr -> index in result
    for (const TStoredLap& lap : stored.Laps) {
        if (lap.Tracknr < 1 || lap.Tracknr > tracks)
            continue;
        const auto driver = drivers.find({lap.RCnr, lap.HTnr, lap.Tracknr});
        if (driver == drivers.end())
            continue;
        const int drvnr = driver->second;
        auto known = indexOf.constFind(drvnr);
        if (known == indexOf.cend()) {
            TDriverLaps first;
            first.DRVnr = drvnr;
            first.Track = lap.Tracknr;
            // Only the heat scope knows its names; the others are named by NameDrivers.
            if (stored.Scope == TLapScope::Heat)
                first.Driver = stored.TrackDrivers[size_t(lap.Tracknr - 1)];
            known = indexOf.insert(drvnr, result.size());
            result.append(first);
        }
        TDriverLaps& owner = result[*known];
        // A damaged row's negative time is a lap without a time, as in the grid.
        owner.Laps.append({int(owner.Laps.size()) + 1, lap.Time > 0 ? uint32_t(lap.Time) : 0u, lap.RCnr, lap.HTnr,
                           lap.Tracknr, lap.RNDnr});
    }
    return result;
}

bool NameDrivers(QSqlDatabase db, QList<TDriverLaps>& drivers, QString& error)
{
    QSqlQuery query(db);
    if (!query.prepare(QStringLiteral(R"(SELECT "Driver Name" FROM "KWL_Drivers.DB" WHERE DRVnr = ?)"))) {
        error = query.lastError().text();
        return false;
    }
    for (TDriverLaps& driver : drivers) {
        if (driver.DRVnr == 0)
            continue;
        query.addBindValue(driver.DRVnr);
        if (!query.exec()) {
            error = query.lastError().text();
            return false;
        }
        driver.Driver = query.next() ? query.value(0).toString() : QString();
        query.finish();
    }
    return true;
}

QList<TDriverLaps> DriverLapsOfLastRace(const TTrackStates& states, int tracks, int32_t sectionsPerLap)
{
    tracks = ShownTracks(tracks);
    QList<TDriverLaps> result;
    for (int t = 1; t <= tracks; ++t) {
        const TTrackState& state = states[size_t(t - 1)];
        // The same laps as the lap view's grid of the race just run.
        const int laps = std::clamp(LapsDriven(state, sectionsPerLap), 0, MaxLapEntries);
        if (!state.Active && laps == 0)
            continue;
        TDriverLaps driver;
        driver.Driver = state.DriverName;
        driver.Track = t;
        driver.Laps.reserve(laps);
        for (int k = 1; k <= laps; ++k)
            driver.Laps.append({k, state.LapTimes[size_t(k)], 0, 0, t, k});
        result.append(driver);
    }
    return result;
}

TLapFigures ComputeLapFigures(const QList<TDriverLap>& laps)
{
    QList<uint32_t> times;
    times.reserve(laps.size());
    for (const TDriverLap& lap : laps)
        if (lap.TimeMs > 0)
            times.append(lap.TimeMs);
    TLapFigures figures;
    if (times.isEmpty())
        return figures;
    std::sort(times.begin(), times.end());

    const qsizetype n = times.size();
    figures.Laps = int(n);
    figures.MedianMs =
        n % 2 == 1 ? double(times.at(n / 2)) : (double(times.at(n / 2 - 1)) + double(times.at(n / 2))) / 2.0;

    double sum = 0;
    for (const uint32_t time : times)
        sum += time;
    const double mean = sum / double(n);
    double squares = 0;
    for (const uint32_t time : times)
        squares += (time - mean) * (time - mean);
    figures.StdDevMs = std::sqrt(squares / double(n));

    // In whole numbers, so that a lap of exactly 2 % over the best counts
    // however the division would round.
    const uint64_t best = times.first();
    const auto within = std::count_if(times.cbegin(), times.cend(),
                                      [best](uint32_t time) { return uint64_t(time) * 100 <= best * 102; });
    figures.WithinTwoPercent = double(within) / double(n);
    return figures;
}

QString LapFiguresText(const QString& driver, const TLapFigures& figures)
{
    if (figures.Laps <= 0)
        return QStringLiteral("%1: no timed laps").arg(driver);
    const uint32_t median = uint32_t(std::min(std::llround(figures.MedianMs), (long long)UINT32_MAX));
    // The share is a count over Laps; rounding it back to that count keeps
    // the percentage exact (half a percent rounds up).
    const long long within = std::llround(figures.WithinTwoPercent * figures.Laps);
    const long long percent = (200 * within + figures.Laps) / (2LL * figures.Laps);
    return QStringLiteral("%1: median %2  std dev %3 s  within 2 %: %4 % (%5 %6)")
        .arg(driver, LapTimeText(median), QString::number(figures.StdDevMs / 1000.0, 'f', 3), QString::number(percent),
             QString::number(figures.Laps), figures.Laps == 1 ? QStringLiteral("lap") : QStringLiteral("laps"));
}
