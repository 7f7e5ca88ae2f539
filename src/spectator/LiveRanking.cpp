#include "spectator/LiveRanking.h"

#include "common/LapValue.h"

#include <algorithm>

namespace {

bool HasLap(const TRankingRow& row) { return row.BestLap != NoFastestLap; }

// Strict order of the ranking; rows come in track order, so a stable sort
// keeps that order for a full tie.
bool RanksBefore(const TRankingRow& a, const TRankingRow& b)
{
    if (a.Laps != b.Laps)
        return a.Laps > b.Laps;
    // A driver with no lap has a total time of 0, which would otherwise count
    // as the earliest; this only matters where a penalty or a hand edit has
    // brought a driver who did drive down to the lap value of one who did not.
    if (HasLap(a) != HasLap(b))
        return HasLap(a);
    return a.TotalTime < b.TotalTime;
}

QList<TRankingRow> Rank(QList<TRankingRow> rows, int32_t sectionsPerLap)
{
    std::stable_sort(rows.begin(), rows.end(), RanksBefore);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        TRankingRow& row = rows[i];
        const TRankingRow& leader = rows.front();
        row.Place = int(i + 1);
        if (row.Laps != leader.Laps) {
            row.Gap.Laps = SubtractLapValues(leader.Laps, row.Laps, sectionsPerLap);
        } else if (HasLap(row)) {
            // On equal lap values the leader completed them no later (or has
            // no lap at all, as the ranking puts lapless drivers last).
            row.Gap.Ms = row.TotalTime > leader.TotalTime ? row.TotalTime - leader.TotalTime : 0;
        }
    }
    return rows;
}

}  // namespace

QList<TRankingRow> RankLive(const TTrackStates& tracks, int trackCount, int32_t sectionsPerLap)
{
    QList<TRankingRow> rows;
    const int timed = std::clamp(trackCount, 0, int(tracks.size()));
    for (int n = 0; n < timed; ++n) {
        const TTrackState& track = tracks[size_t(n)];
        if (track.Active)
            rows.append({0,
                         n + 1,
                         track.DriverName,
                         track.Laps,
                         track.LastLap,
                         track.FastestLap,
                         track.TotalTime,
                         {},
                         track.FalseStart,
                         track.Fuel,
                         track.PitStops});
    }
    return Rank(std::move(rows), sectionsPerLap);
}

QList<TRankingRow> RankLive(const TRaceSnapshot& snapshot)
{
    QList<TRankingRow> rows;
    for (size_t n = 0; n < snapshot.Tracks.size(); ++n) {
        const TSnapshotTrack& track = snapshot.Tracks[n];
        if (track.Active)
            rows.append({0,
                         int(n + 1),
                         QString::fromUtf8(track.Name.data()),
                         track.Laps,
                         track.LastLap,
                         track.FastestLap,
                         track.TotalTime,
                         {},
                         track.FalseStart,
                         track.Fuel,
                         track.PitStops});
    }
    return Rank(std::move(rows), snapshot.SectionsPerLap);
}
