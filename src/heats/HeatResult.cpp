#include "heats/HeatResult.h"

#include "common/LapValue.h"
#include "heats/HeatStore.h"
#include "timing/RaceRules.h"

#include <algorithm>
#include <limits>

namespace {

// The fields hold signed 32-bit values; a time beyond them (49 days of
// racing) is kept at the largest one rather than refused with the result.
int32_t StoredTime(uint32_t ms)
{
    return int32_t(std::min<uint32_t>(ms, uint32_t(std::numeric_limits<int32_t>::max())));
}

}  // namespace

THeatResult MakeHeatResult(const TTrackStates& tracks, int trackCount, int32_t sectionsPerLap,
                           const THeatChampionship& championship)
{
    THeatResult result;
    for (int t = 1; t <= std::clamp(trackCount, 0, 4); ++t) {
        const TTrackState& track = tracks[size_t(t - 1)];
        THeatTrackResult& out = result.Tracks[size_t(t - 1)];
        out.InUse = true;
        out.Laps = track.Laps;
        out.Time = StoredTime(track.TotalTime);
        out.TopLapTime = StoredTime(track.FastestLap);
        if (!championship.Timed && LapsOf(track.Laps) != championship.LapsMinutes) {
            out.Laps = 0;
            out.Time = DidNotFinishTime;
            out.TopLapTime = DidNotFinishTime;
        }
        // Laps beyond what the race records keep have no time.
        const int32_t driven = std::clamp(LapsDriven(track, sectionsPerLap), 0, MaxLapEntries);
        for (int32_t lap = 1; lap <= driven; ++lap) {
            const uint32_t lapTime = track.LapTimes[size_t(lap)];
            if (lapTime != 0)
                out.LapRows.push_back({lap, StoredTime(lapTime), StoredTime(track.SpeedTrapTimes[size_t(lap)])});
        }
    }
    return result;
}
