#include "timing/TimerLayout.h"

#include "common/LapValue.h"
#include "common/RaceTime.h"
#include "timing/RaceDisplay.h"

#include <algorithm>

namespace {

// The buttons are not scaled: the bottom panel is at least 133 high (W is
// never below 700), room for a row of the big buttons and two of the small.
constexpr int BigButtonTop = 8;
constexpr int BigButtonHeight = 49;
constexpr int SmallButtonTop = 65;
constexpr int SmallButtonHeight = 25;
constexpr int SmallButtonStep = 31;

}  // namespace

TTimerLayout TimerLayout(int windowWidth, int trackCount)
{
    TTimerLayout layout;
    const int W = std::max(windowWidth - 9, TTimerLayout::MinWidth);
    const int H = W / 8;
    const int N = std::clamp(trackCount, 1, 4);
    layout.W = W;
    layout.H = H;

    for (int n = 1; n <= 4; ++n) {
        layout.Panels[size_t(n - 1)] = QRect(0, (n - 1) * (H + 2) + 2, W, H);
        layout.Shown[size_t(n - 1)] = n <= N;
    }
    layout.Bottom = QRect(0, N * (H + 2) + 2, W, H * 100 / 65);

    TTrackPanelLayout& panel = layout.Panel;
    const int half = H / 2;
    const int valuesLeft = W * 36 / 100;
    const int valuesWidth = W * 25 / 100;
    const int namesLeft = W * 62 / 100;
    const int namesWidth = W * 40 / 100;
    panel.Gauge = QRect(0, 0, W, H);
    panel.CurrentLap = QRect(10, 0, W / 3, H);
    panel.CurrentLapPoints = H * 2 / 3;
    panel.Average = QRect(valuesLeft, 0, valuesWidth, half);
    panel.Fastest = QRect(valuesLeft, half, valuesWidth, half);
    panel.Name = QRect(namesLeft, 0, namesWidth, half);
    panel.Laps = QRect(namesLeft, half, namesWidth, half);
    panel.SmallPoints = H * 30 / 100;
    const int lamp = H * 30 / 100;
    panel.Lamp = QRect(W - 8 - lamp, H * 54 / 100, lamp, lamp);
    panel.Separator1 = QRect(W * 35 / 100, 0, 2, H);
    panel.Separator2 = QRect(W * 61 / 100, 0, 2, H);
    // The big digits stand on a baseline some 0.8 H down and have no
    // descenders: the strip below them, down to the panel's border (the
    // children stand inside it, so their area ends at H - 2), is the one
    // place free at every width and under every font. Everything else in
    // the panel is taken by text.
    const int stripTop = H * 83 / 100;
    const int stripHeight = H - 3 - stripTop;
    const int pitWidth = H * 70 / 100;
    const int pitLeft = panel.Separator1.x() - 4 - pitWidth;
    const int barHeight = std::max(4, stripHeight / 2);
    const int barRight = pitLeft - H / 10;
    panel.Fuel = QRect(panel.CurrentLap.x(), stripTop + (stripHeight - barHeight) / 2, barRight - panel.CurrentLap.x(),
                       barHeight);
    panel.PitStops = QRect(pitLeft, stripTop, pitWidth, stripHeight);
    panel.PitStopsPoints = H * 11 / 100;
    panel.RecordMark =
        QRect(panel.CurrentLap.x(), stripTop, panel.Separator1.x() - 4 - panel.CurrentLap.x(), stripHeight);
    panel.RecordMarkPoints = H * 11 / 100;

    const int firstColumn = W - 230;
    const int secondColumn = W - 120;
    // The clock runs up to the buttons; its text is never that wide.
    layout.Clock = QRect(60, 0, firstColumn - 10 - 60, layout.Bottom.height());
    layout.ClockPoints = H;
    const int width = TTimerLayout::ButtonWidth;
    layout.Start = QRect(firstColumn, BigButtonTop, width, BigButtonHeight);
    layout.Pause = QRect(secondColumn, BigButtonTop, width, BigButtonHeight);
    layout.EditResult = QRect(firstColumn, SmallButtonTop, width, SmallButtonHeight);
    layout.OK = QRect(secondColumn, SmallButtonTop, width, SmallButtonHeight);
    layout.Cancel = QRect(secondColumn, SmallButtonTop + SmallButtonStep, width, SmallButtonHeight);
    return layout;
}

TResetTexts ResetTexts(const TRaceState& state, int32_t sectionsPerLap)
{
    TResetTexts texts;
    texts.Clock = RaceClockText(state, 0);
    for (size_t n = 0; n < texts.Tracks.size(); ++n) {
        TTrackResetTexts& track = texts.Tracks[n];
        track.LastLap = QStringLiteral("00.000");
        track.Average = QStringLiteral("Av: 00.000");
        track.Fastest = QStringLiteral("Fa: 00.000");
        const int32_t carried = state.CarriedTotals[n];
        if (state.RaceKind == TRaceKind::Lap)
            // A carried time is a sum of stored race times; one below zero
            // could only come from a damaged record and shows as none.
            track.Laps = QStringLiteral("0/") + FormatRaceTime(uint32_t(std::max(carried, 0)), 3, true);
        else
            track.Laps = FormatLapValue(carried, sectionsPerLap) + QStringLiteral("/0:00.000");
    }
    return texts;
}

TTimerButtons TimerButtons(TTimerPhase phase)
{
    //                  Start  Pause  OK     Cancel EditResult
    switch (phase) {
    case TTimerPhase::Ready: return {true, false, false, true, false};
    case TTimerPhase::Racing: return {false, true, false, false, false};
    case TTimerPhase::Paused: return {false, false, false, false, false};
    case TTimerPhase::FinishedLap: return {true, false, true, true, false};
    case TTimerPhase::FinishedTimed: return {true, false, false, true, true};
    case TTimerPhase::Edited: return {true, false, true, true, true};
    }
    return {};
}

TTimerPhase FinishedPhase(TRaceKind kind)
{
    return kind == TRaceKind::Lap ? TTimerPhase::FinishedLap : TTimerPhase::FinishedTimed;
}
