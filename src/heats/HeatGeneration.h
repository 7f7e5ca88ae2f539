#pragma once

#include <QDateTime>
#include <array>
#include <cstdint>
#include <vector>

// Heats are drawn at random from a championship's drivers so that every
// driver drives every track once. Everything here works on plain values; the
// heats window reads the drivers from the store and writes the plan back as
// one action (THeatStore::AppendHeats).

// The 32-bit linear congruential source the draws come from: state :=
// state * 134775813 + 1 (mod 2^32); a draw below n is the upper half of the
// 64-bit product of the new state and n.
class TRandomSource {
public:
    explicit TRandomSource(uint32_t seed = 0) : m_state(seed) {}
    void Seed(uint32_t seed) { m_state = seed; }
    uint32_t State() const { return m_state; }
    // 0..n-1 (0 when n is 0).
    uint32_t Below(uint32_t n);

private:
    uint32_t m_state;
};

// The seed of a generation run: milliseconds since midnight of the UTC time of day.
uint32_t MillisecondsSinceUtcMidnight(const QDateTime& now);

// The drivers of one generation run, each drawn once.
class TDriverPool {
public:
    // Empties the pool, loads the drivers in the order given (all undrawn)
    // and seeds the source. There is no upper limit: a championship with
    // more drivers than a pool once held still has every one drawn.
    void LoadDriverPool(const std::vector<int32_t>& drivers, uint32_t seed);
    // One driver not drawn yet, at random: the r-th undrawn entry in load
    // order, r = 1 + a draw below the number still undrawn. Only while
    // Drawn() < Count().
    int32_t DrawDriver();

    int Count() const { return int(m_entries.size()); }
    int Drawn() const { return m_drawn; }

private:
    struct TEntry {
        int32_t DRVnr = 0;
        bool Used = false;
    };
    std::vector<TEntry> m_entries;
    int m_drawn = 0;
    TRandomSource m_random;
};

// Track rotation: next[t - 1] is the track a driver moves to from track t.
using TTrackRotation = std::array<int32_t, 4>;

// The rotation to use for `tracks` tracks: the stored one when next(1..N) is
// one cycle through all of 1..N, else 1 > 2 > ... > N. A stored table that
// no longer fits the number of tracks (the tracks changed, the rotation not)
// would otherwise send drivers to a track twice or to none.
TTrackRotation UsableRotation(const TTrackRotation& stored, int tracks);

// One heat to append: its number and the driver of each track (0: none).
struct TPlannedHeat {
    int32_t HTnr = 0;
    std::array<int32_t, 4> Drivers{};
    bool operator==(const TPlannedHeat&) const = default;
};
using THeatPlan = std::vector<TPlannedHeat>;

// Heat htnr with the drivers of `previous`, each moved to the successor of
// his track; a track of `previous` without a driver leaves its successor empty.
TPlannedHeat RotateIntoHeat(const TPlannedHeat& previous, int32_t htnr, int tracks, const TTrackRotation& next);

// Groups of `tracks` drivers, each group driving `tracks` consecutive heats
// with the rotation; numbered from lastHeat + 1.
THeatPlan GenerateHeatsA(TDriverPool& pool, int tracks, const TTrackRotation& next, int32_t lastHeat);
// A heat put together by hand, numbered lastHeat + 1, with the given drivers
// on tracks 1..tracks; with `rotate` the tracks - 1 heats that follow it
// rotate its drivers exactly as a group of GenerateHeatsA does.
THeatPlan PlanHeatByHand(const std::array<int32_t, 4>& drivers, bool rotate, int tracks, const TTrackRotation& next,
                         int32_t lastHeat);
// One heat per driver: a window of `tracks` drivers sliding along one random
// order, put on tracks N..1. Nothing when there are fewer drivers than tracks.
THeatPlan GenerateHeatsB(TDriverPool& pool, int tracks, int32_t lastHeat);
