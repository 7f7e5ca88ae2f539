#include "timing/RaceDisplay.h"

#include "common/LapValue.h"
#include "common/RaceTime.h"
#include "common/Settings.h"
#include "timing/RaceRules.h"

#include <algorithm>
#include <limits>

namespace {

// Stored times are 32-bit; a sum or difference outside that range shows as
// its nearest end rather than wrapping into a small, believable time.
uint32_t ClampTime(int64_t ms) { return uint32_t(std::clamp<int64_t>(ms, 0, std::numeric_limits<uint32_t>::max())); }

}  // namespace

QString RaceClockText(const TRaceState& state, int64_t elapsedMs)
{
    int64_t shown = elapsedMs;
    if (state.RaceKind == TRaceKind::Timed)
        shown = std::max<int64_t>(int64_t(state.RaceLength) * 1000 - elapsedMs, 0);
    return FormatRaceTime(ClampTime(shown), 0, true);
}

TRaceDisplay RefreshDisplay(TRaceState& state, TTrackStates& tracks, const TSettings& settings)
{
    TRaceDisplay display;
    if (state.Elapsed / 1000 != state.LastShownElapsed / 1000) {
        display.ClockChanged = true;
        display.ClockText = RaceClockText(state, state.Elapsed);
        state.LastShownElapsed = state.Elapsed;
        display.Caption =
            QStringLiteral(" K.O.B.A. v2.2- Timer     Sensor reads/sec: ") + QString::number(state.PollCount);
        state.RefreshDivider = state.PollCount / 25;
        state.PollCount = 0;
    }

    const int trackCount = TimedTrackCount(settings);
    int64_t high = 0;
    int64_t low = 0;
    if (state.RaceKind == TRaceKind::Lap) {
        high = state.RaceLength;
    } else {
        low = std::numeric_limits<int32_t>::max();
        for (int n = 0; n < trackCount; ++n) {
            if (!tracks[size_t(n)].Active)
                continue;
            const int64_t laps = LapsOf(tracks[size_t(n)].Laps);
            high = std::max(high, laps);
            low = std::min(low, laps);
        }
    }

    const int32_t sections = settings.SectionsPerLap;
    for (int n = 0; n < trackCount; ++n) {
        TTrackState& track = tracks[size_t(n)];
        if (!track.Active)
            continue;
        TTrackDisplay& shown = display.Tracks[size_t(n)];

        // Kept inside the gauge's range: laps edited by hand or a penalty
        // below zero would otherwise point outside it.
        const int64_t percent = high == low ? 100 : (int64_t(LapsOf(track.Laps)) - low) * 100 / (high - low);
        track.GaugePercent = int32_t(std::clamp<int64_t>(percent, 0, 100));
        if (track.GaugePercent != track.ShownGaugePercent) {
            shown.GaugeChanged = true;
            shown.GaugePercent = track.GaugePercent;
            track.ShownGaugePercent = track.GaugePercent;
        }
        if (track.LastLap != track.ShownLastLap) {
            shown.LastLapChanged = true;
            shown.LastLapText = FormatRaceTime(track.LastLap, 3, false);
            track.ShownLastLap = track.LastLap;
        }
        if (track.AverageLap != track.ShownAverage) {
            shown.AverageChanged = true;
            shown.AverageText = QStringLiteral("Av: ") + FormatRaceTime(track.AverageLap, 3, false);
            track.ShownAverage = track.AverageLap;
        }
        if (track.FastestLap != track.ShownFastest) {
            shown.FastestChanged = true;
            shown.FastestText = QStringLiteral("Fa: ") + FormatRaceTime(track.FastestLap, 3, false);
            track.ShownFastest = track.FastestLap;
        }
        // The end-of-race rules can raise a total without touching the laps
        // (a Lap race false start, a no-finish fill-in), so both count.
        if (track.Laps != track.ShownLaps || track.TotalTime != track.ShownTotalTime) {
            shown.LapsChanged = true;
            const int64_t carried = state.CarriedTotals[size_t(n)];
            if (state.RaceKind == TRaceKind::Lap)
                shown.LapsText = FormatLapValue(track.Laps, sections) + QLatin1Char('/') +
                                 FormatRaceTime(ClampTime(carried + int64_t(track.TotalTime)), 3, true);
            else
                shown.LapsText = FormatLapValue(AddLapValues(int32_t(carried), track.Laps, sections), sections) +
                                 QLatin1Char('/') + FormatRaceTime(track.TotalTime, 3, true);
            track.ShownLaps = track.Laps;
            track.ShownTotalTime = track.TotalTime;
        }
        shown.Fuel = track.Fuel;
        shown.PitStops = track.PitStops;
    }
    return display;
}
