// What the race announcements add to a display refresh: the race window hands
// the records to the announcer while the race waits for the refresh, so this
// is time the timing thread stands still. Four cars, a lap each refresh, the
// phrases they make queued for a speaker that is always busy.
#include "BenchMain.h"

#include "common/RaceClock.h"
#include "spectator/RaceSnapshot.h"
#include "timing/RaceState.h"
#include "voice/Announcer.h"
#include "voice/Speaker.h"

#include <memory>

namespace {

// Takes each phrase and never finishes it: the queue fills and drops as in
// a burst, the worst case for the refresh.
class TBusySpeaker final : public TSpeaker {
public:
    void Say(const QString&) override {}
    void Configure(const QString&, int, int) override {}
    bool HasEngine() const override { return true; }
    QString Problem() const override { return {}; }
    QStringList Voices() const override { return {}; }
};

class TManualClock final : public TRaceClock {
public:
    int64_t NowMs() const override { return Ms; }
    int64_t NowUs() const override { return Ms * 1000; }
    void SleepMs(int64_t ms) override { Ms += ms; }
    int64_t Ms = 0;
};

void BM_AnnouncerAtRefresh(benchmark::State& state)
{
    TManualClock clock;
    TAnnouncer announcer(clock, std::make_unique<TBusySpeaker>());
    TAnnouncementChoice choice;
    choice.Enabled = true;
    announcer.SetChoice(choice);
    auto tracks = std::make_unique<TTrackStates>();
    TRaceState race;
    race.RaceKind = TRaceKind::Lap;
    race.RaceLength = 1000000;
    const char* const names[4] = {"Anna de Vries", "Bert Jansen", "Carla Smit", "Dirk Bos"};
    for (int n = 0; n < 4; ++n) {
        (*tracks)[size_t(n)].Active = true;
        (*tracks)[size_t(n)].DriverName = QLatin1String(names[n]);
    }
    TRaceEvent lineUp;
    lineUp.Type = TRaceEvent::TType::LineUp;
    lineUp.Race = MakeRaceSnapshot(*tracks, race, 4, 0);
    announcer.Hear(lineUp);

    uint32_t seed = 1;
    int64_t refreshes = 0;
    for (auto _ : state) {
        // One car crosses each refresh, now and then with the race's fastest lap.
        TTrackState& car = (*tracks)[size_t(refreshes % 4)];
        seed = seed * 1103515245u + 12345u;
        const uint32_t lap = 5000 + (seed >> 16) % 1000;
        car.Laps += 1000;
        car.LastLap = lap;
        car.FastestLap = std::min(car.FastestLap, lap);
        car.TotalTime += lap;
        clock.Ms += 40;
        race.Elapsed = clock.Ms;

        TRaceEvent event;
        event.Type = TRaceEvent::TType::Standing;
        event.AtMs = clock.Ms;
        event.Race = MakeRaceSnapshot(*tracks, race, 4, 0);
        UpdateRaceSnapshot(event.Race, *tracks, race);
        announcer.Hear(event);
        ++refreshes;
    }
    state.counters["phrases_dropped"] = announcer.Dropped();
}
BENCHMARK(BM_AnnouncerAtRefresh)->Unit(benchmark::kMicrosecond);

}  // namespace

KOBALAP_BENCHMARK_MAIN();
