#include "timing/RaceRules.h"

#include "common/LapValue.h"
#include "common/Settings.h"

#include <algorithm>
#include <limits>

int TimedTrackCount(const TSettings& settings) { return std::clamp(settings.Tracks, 1, TSettings::TrackCount); }

namespace {

// A penalty must not wrap a total time round to a small one.
uint32_t AddTime(uint32_t time, int64_t add)
{
    return uint32_t(std::clamp<int64_t>(int64_t(time) + add, 0, std::numeric_limits<uint32_t>::max()));
}

}  // namespace

void ApplyRaceEndRules(TTrackStates& tracks, const TSettings& settings, const TRaceState& state)
{
    const int trackCount = TimedTrackCount(settings);
    if (state.RaceKind == TRaceKind::Lap) {
        const int64_t target = state.TargetLaps;
        uint32_t slowestFinisher = 0;
        for (int n = 0; n < trackCount; ++n) {
            const TTrackState& track = tracks[size_t(n)];
            if (track.Active && LapsOf(track.Laps) == target)
                slowestFinisher = std::max(slowestFinisher, track.TotalTime);
        }
        if (slowestFinisher != 0) {
            for (int n = 0; n < trackCount; ++n) {
                TTrackState& track = tracks[size_t(n)];
                const int64_t laps = LapsOf(track.Laps);
                if (!track.Active || laps >= target)
                    continue;
                track.TotalTime = AddTime(slowestFinisher, (target - laps) * int64_t(settings.LapNoFinishMs));
                track.Laps = int32_t(std::clamp<int64_t>(target * 1000, std::numeric_limits<int32_t>::min(),
                                                         std::numeric_limits<int32_t>::max()));
            }
        }
        for (int n = 0; n < trackCount; ++n) {
            TTrackState& track = tracks[size_t(n)];
            if (track.Active && track.FalseStart)
                track.TotalTime = AddTime(track.TotalTime, settings.LapFalseStartMs);
        }
        return;
    }
    for (int n = 0; n < trackCount; ++n) {
        TTrackState& track = tracks[size_t(n)];
        if (!track.Active || !track.FalseStart)
            continue;
        track.Laps = SubtractLapValues(track.Laps, settings.TimedFalseStart, settings.SectionsPerLap);
        track.PenaltyLaps = settings.TimedFalseStart;
    }
}

int32_t LapsDriven(const TTrackState& track, int32_t sectionsPerLap)
{
    return LapsOf(AddLapValues(track.Laps, track.PenaltyLaps, sectionsPerLap));
}
