#include "heats/HeatGeneration.h"

#include <QTime>
#include <algorithm>

uint32_t TRandomSource::Below(uint32_t n)
{
    m_state = m_state * 134775813u + 1u;
    return uint32_t((uint64_t(m_state) * n) >> 32);
}

uint32_t MillisecondsSinceUtcMidnight(const QDateTime& now)
{
    const QTime time = now.toUTC().time();
    return uint32_t(((time.hour() * 60 + time.minute()) * 60 + time.second()) * 1000 + time.msec());
}

void TDriverPool::LoadDriverPool(const std::vector<int32_t>& drivers, uint32_t seed)
{
    m_entries.clear();
    m_entries.reserve(drivers.size());
    for (int32_t drvnr : drivers)
        m_entries.push_back({drvnr, false});
    m_random.Seed(seed);
    m_drawn = 0;
}

int32_t TDriverPool::DrawDriver()
{
    const int undrawn = Count() - m_drawn;
    if (undrawn <= 0)
        return 0;
    int r = int(m_random.Below(uint32_t(undrawn))) + 1;
    for (TEntry& entry : m_entries) {
        if (entry.Used || --r > 0)
            continue;
        entry.Used = true;
        ++m_drawn;
        return entry.DRVnr;
    }
    return 0;  // not reached: r never exceeds the undrawn entries
}

TTrackRotation UsableRotation(const TTrackRotation& stored, int tracks)
{
    tracks = std::clamp(tracks, 1, 4);
    TTrackRotation plain{};
    for (int t = 1; t <= 4; ++t)
        plain[size_t(t - 1)] = t < tracks ? t + 1 : (t == tracks ? 1 : stored[size_t(t - 1)]);

    // Following next() from track 1 must visit every track 1..N once and
    // come back to 1 after exactly N steps.
    int track = 1;
    for (int step = 1; step <= tracks; ++step) {
        const int32_t next = stored[size_t(track - 1)];
        if (next < 1 || next > tracks || (next == 1) != (step == tracks))
            return plain;
        track = next;
    }
    return stored;
}

TPlannedHeat RotateIntoHeat(const TPlannedHeat& previous, int32_t htnr, int tracks, const TTrackRotation& next)
{
    TPlannedHeat heat;
    heat.HTnr = htnr;
    for (int t = 1; t <= tracks; ++t) {
        const int32_t driver = previous.Drivers[size_t(t - 1)];
        if (driver != 0)
            heat.Drivers[size_t(next[size_t(t - 1)] - 1)] = driver;
    }
    return heat;
}

THeatPlan GenerateHeatsA(TDriverPool& pool, int tracks, const TTrackRotation& next, int32_t lastHeat)
{
    THeatPlan plan;
    if (tracks < 1 || tracks > 4)
        return plan;
    const int groups = (pool.Count() + tracks - 1) / tracks;
    plan.reserve(size_t(groups) * size_t(tracks));
    int32_t h = lastHeat;
    for (int group = 0; group < groups; ++group) {
        TPlannedHeat first;
        first.HTnr = ++h;
        for (int t = 1; t <= tracks; ++t) {
            if (pool.Drawn() < pool.Count())
                first.Drivers[size_t(t - 1)] = pool.DrawDriver();
        }
        plan.push_back(first);
        for (int step = 1; step < tracks; ++step) {
            ++h;
            plan.push_back(RotateIntoHeat(plan.back(), h, tracks, next));
        }
    }
    return plan;
}

THeatPlan PlanHeatByHand(const std::array<int32_t, 4>& drivers, bool rotate, int tracks, const TTrackRotation& next,
                         int32_t lastHeat)
{
    THeatPlan plan;
    if (tracks < 1 || tracks > 4)
        return plan;
    TPlannedHeat first;
    first.HTnr = lastHeat + 1;
    for (int t = 1; t <= tracks; ++t)
        first.Drivers[size_t(t - 1)] = drivers[size_t(t - 1)];
    plan.push_back(first);
    for (int step = 1; rotate && step < tracks; ++step)
        plan.push_back(RotateIntoHeat(plan.back(), plan.back().HTnr + 1, tracks, next));
    return plan;
}

THeatPlan GenerateHeatsB(TDriverPool& pool, int tracks, int32_t lastHeat)
{
    std::vector<int32_t> order;
    order.reserve(size_t(pool.Count()));
    while (pool.Drawn() < pool.Count())
        order.push_back(pool.DrawDriver());

    THeatPlan plan;
    const int count = int(order.size());
    if (tracks < 1 || tracks > 4 || count < tracks || count == 0)
        return plan;
    plan.reserve(size_t(count));
    int32_t h = lastHeat;
    for (int k = 0; k < count; ++k) {
        TPlannedHeat heat;
        heat.HTnr = ++h;
        int i = k;
        for (int track = tracks; track >= 1; --track) {
            heat.Drivers[size_t(track - 1)] = order[size_t(i)];
            i = i + 1 == count ? 0 : i + 1;
        }
        plan.push_back(heat);
    }
    return plan;
}
