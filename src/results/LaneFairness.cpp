#include "results/LaneFairness.h"

#include "data/SqliteHandle.h"
#include "results/LapRecords.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <sqlite3.h>
#include <unordered_map>

namespace {

constexpr int TrackCount = 4;

// The median of values[first, last): the middle one, or the mean of the
// middle two for an even count, as the lap view's figures take it. The
// range is reordered.
template <typename T>
double MedianOf(T* first, T* last)
{
    const std::ptrdiff_t n = last - first;
    if (n <= 0)
        return 0;
    T* middle = first + n / 2;
    std::nth_element(first, middle, last);
    if (n % 2 == 1)
        return double(*middle);
    // nth_element leaves everything below the middle no greater than it.
    return (double(*std::max_element(first, middle)) + double(*middle)) / 2.0;
}

// The value at the p-th percentile of sorted values by nearest rank: the
// smallest value with at least p % of all values at or below it, i.e. the
// value of rank ceil(p / 100 * n), counted from 1.
double NearestRank(const std::vector<double>& sorted, int percent)
{
    const size_t n = sorted.size();
    size_t rank = (size_t(percent) * n + 99) / 100;
    rank = std::clamp<size_t>(rank, 1, n);
    return sorted[rank - 1];
}

// A driver who counts: his median on each track he drove minus his median
// over all his laps.
struct TDriverOffsets {
    int DRVnr = 0;
    std::array<double, TrackCount> Difference{};
    std::array<bool, TrackCount> Drove{};
};

// Each driver's differences, for the drivers who drove two tracks or more.
std::vector<TDriverOffsets> DriverOffsets(const std::vector<TLaneLap>& laps, uint32_t minimumMs)
{
    // Drivers numbered densely in order of appearance; laps laid out driver
    // by driver, track by track, so that each median is taken in place.
    std::unordered_map<int, int> index;
    std::vector<std::array<uint32_t, TrackCount>> counts;
    std::vector<int> drvnrs;
    for (const TLaneLap& lap : laps) {
        if (!CountsForRecords(lap.TimeMs, minimumMs) || lap.Track < 1 || lap.Track > TrackCount)
            continue;
        const auto [it, added] = index.try_emplace(lap.DRVnr, int(counts.size()));
        if (added) {
            counts.push_back({});
            drvnrs.push_back(lap.DRVnr);
        }
        ++counts[size_t(it->second)][size_t(lap.Track - 1)];
    }
    std::vector<size_t> start(counts.size() * TrackCount + 1, 0);
    for (size_t slot = 0; slot + 1 < start.size(); ++slot)
        start[slot + 1] = start[slot] + counts[slot / TrackCount][slot % TrackCount];
    std::vector<uint32_t> times(start.back());
    std::vector<size_t> next(start.begin(), start.end() - 1);
    for (const TLaneLap& lap : laps) {
        if (!CountsForRecords(lap.TimeMs, minimumMs) || lap.Track < 1 || lap.Track > TrackCount)
            continue;
        times[next[size_t(index.at(lap.DRVnr)) * TrackCount + size_t(lap.Track - 1)]++] = lap.TimeMs;
    }

    std::vector<TDriverOffsets> drivers;
    for (size_t d = 0; d < counts.size(); ++d) {
        TDriverOffsets driver;
        driver.DRVnr = drvnrs[d];
        int tracks = 0;
        for (size_t t = 0; t < TrackCount; ++t) {
            const size_t slot = d * TrackCount + t;
            if (start[slot] == start[slot + 1])
                continue;
            driver.Drove[t] = true;
            driver.Difference[t] = MedianOf(times.data() + start[slot], times.data() + start[slot + 1]);
            ++tracks;
        }
        if (tracks < 2)
            continue;
        const double overall =
            MedianOf(times.data() + start[d * TrackCount], times.data() + start[(d + 1) * TrackCount]);
        for (size_t t = 0; t < TrackCount; ++t)
            if (driver.Drove[t])
                driver.Difference[t] -= overall;
        drivers.push_back(driver);
    }
    // The bootstrap draws drivers by their place in this list: in driver
    // order, the interval does not depend on the order the laps were read in.
    std::sort(drivers.begin(), drivers.end(),
              [](const TDriverOffsets& a, const TDriverOffsets& b) { return a.DRVnr < b.DRVnr; });
    return drivers;
}

}  // namespace

TLaneReport ComputeLaneReport(const std::vector<TLaneLap>& laps, uint32_t minimumMs, int resamples, uint32_t seed)
{
    const std::vector<TDriverOffsets> drivers = DriverOffsets(laps, minimumMs);
    TLaneReport report;
    report.Drivers = int(drivers.size());
    if (drivers.empty())
        return report;

    std::vector<double> differences;
    differences.reserve(drivers.size());
    std::array<bool, TrackCount> inReport{};
    std::array<TLaneOffset, TrackCount> offsets{};
    for (size_t t = 0; t < TrackCount; ++t) {
        differences.clear();
        for (const TDriverOffsets& driver : drivers)
            if (driver.Drove[t])
                differences.push_back(driver.Difference[t]);
        if (differences.empty())
            continue;
        inReport[t] = true;
        offsets[t].Track = int(t + 1);
        offsets[t].Drivers = int(differences.size());
        offsets[t].OffsetMs = MedianOf(differences.data(), differences.data() + differences.size());
        offsets[t].LowMs = offsets[t].HighMs = offsets[t].OffsetMs;
    }
    for (const TDriverOffsets& driver : drivers)
        for (size_t t = 0; t < TrackCount; ++t)
            if (inReport[t] && !driver.Drove[t])
                report.EveryDriverEveryTrack = false;

    // The bootstrap: the same drivers drawn again with replacement, each draw
    // giving every track the median of its drawn drivers' differences. The
    // index is scaled from the generator's 32 bits by hand, so the draws are
    // the same with every standard library.
    std::mt19937 rng(seed);
    const uint64_t n = drivers.size();
    std::array<std::vector<double>, TrackCount> medians;
    std::vector<size_t> draw(drivers.size());
    for (int r = 0; r < resamples; ++r) {
        for (size_t& pick : draw)
            pick = size_t((uint64_t(rng()) * n) >> 32);
        for (size_t t = 0; t < TrackCount; ++t) {
            if (!inReport[t])
                continue;
            differences.clear();
            for (const size_t pick : draw)
                if (drivers[pick].Drove[t])
                    differences.push_back(drivers[pick].Difference[t]);
            if (!differences.empty())
                medians[t].push_back(MedianOf(differences.data(), differences.data() + differences.size()));
        }
    }
    for (size_t t = 0; t < TrackCount; ++t) {
        if (!inReport[t])
            continue;
        if (!medians[t].empty()) {
            std::sort(medians[t].begin(), medians[t].end());
            offsets[t].LowMs = NearestRank(medians[t], 5);
            offsets[t].HighMs = NearestRank(medians[t], 95);
        }
        report.Tracks.append(offsets[t]);
    }
    return report;
}

namespace {

// Seconds with three decimals and always a sign: "+0.118", "-0.071", "+0.000".
QString SignedSeconds(double ms)
{
    const long long whole = std::llround(ms);
    const long long magnitude = whole < 0 ? -whole : whole;
    return QStringLiteral("%1%2.%3")
        .arg(whole < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(magnitude / 1000)
        .arg(magnitude % 1000, 3, 10, QLatin1Char('0'));
}

}  // namespace

QString LaneOffsetText(const TLaneOffset& offset)
{
    return QStringLiteral("Track %1: %2 s (%3 .. %4), %5 %6")
        .arg(offset.Track)
        .arg(SignedSeconds(offset.OffsetMs), SignedSeconds(offset.LowMs), SignedSeconds(offset.HighMs))
        .arg(offset.Drivers)
        .arg(offset.Drivers == 1 ? QStringLiteral("driver") : QStringLiteral("drivers"));
}

QString LaneReadingText()
{
    return QStringLiteral(
        "Each track's offset is how much slower (+) or faster (-) the same drivers lap there than "
        "on all tracks together; the brackets hold the range that 90 % of resamples of the drivers "
        "fall in.");
}

QString LaneMissingTracksText()
{
    return QStringLiteral("Not every driver drove every track, so these offsets compare partly different drivers.");
}

bool ReadLaneLaps(QSqlDatabase db, int csnr, uint32_t minimumMs, std::vector<TLaneLap>& laps, QString& error)
{
    // The lap-time index covers every column read from the laps, and a lap
    // under the minimum is left out there, not after the join.
    // CROSS JOIN keeps the heat rows outside: a few hundred of them, each
    // followed by one range of the index, rather than a key lookup per lap.
    static const QByteArray join =
        R"(SELECT d.DRVnr, l.Tracknr, l."Time" FROM "KWL_HeatDetail.DB" d)"
        R"( CROSS JOIN "KWL_HeatDetailLaps.DB" l)"
        R"( ON l.CSnr = d.CSnr AND l.RCnr = d.RCnr AND l.HTnr = d.HTnr AND l.Tracknr = d.Tracknr)";
    static const QByteArray ofChampionship = join + R"( WHERE d.CSnr = ? AND l."Time" >= ?)";
    static const QByteArray ofAll = join + R"( WHERE l."Time" >= ?)";
    laps.clear();
    // Straight through SQLite: Qt's layer costs a million rows twice the read
    // itself, and the window waits for them. The values are bound as ever.
    sqlite3* connection = SqliteHandle(db);
    if (!connection) {
        error = QStringLiteral("The database connection is not an open SQLite connection.");
        return false;
    }
    const QByteArray& sql = csnr != 0 ? ofChampionship : ofAll;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(connection, sql.constData(), int(sql.size()), &statement, nullptr) != SQLITE_OK) {
        error = QString::fromUtf8(sqlite3_errmsg(connection));
        sqlite3_finalize(statement);
        return false;
    }
    int parameter = 0;
    if (csnr != 0)
        sqlite3_bind_int(statement, ++parameter, csnr);
    sqlite3_bind_int64(statement, ++parameter, std::max<uint32_t>(1, minimumMs));
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
        laps.push_back({sqlite3_column_int(statement, 0), sqlite3_column_int(statement, 1),
                        uint32_t(std::clamp<sqlite3_int64>(sqlite3_column_int64(statement, 2), 0,
                                                           std::numeric_limits<uint32_t>::max()))});
    const bool done = rc == SQLITE_DONE;
    if (!done)
        error = QString::fromUtf8(sqlite3_errmsg(connection));
    sqlite3_finalize(statement);
    return done;
}
