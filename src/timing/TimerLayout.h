#pragma once

#include "timing/RaceState.h"

#include <QRect>
#include <QString>
#include <array>

// Where everything of the race screen stands for a given window width, and
// what its labels and buttons show when a race is set up. Pure data, so the
// formulas can be checked without a window; TKWL_Timer applies them.

// The inside of one track panel, in the panel's own coordinates. All four
// panels are laid out alike.
struct TTrackPanelLayout {
    QRect Gauge;
    QRect CurrentLap;  // spans the panel's height
    QRect Average;     // the small labels take half of it each
    QRect Fastest;
    QRect Name;
    QRect Laps;
    QRect Lamp;        // the false-start lamp, square
    QRect Separator1;  // between the current lap and average/fastest
    QRect Separator2;  // between those and name/laps
    // What a control unit adds, in the strip under the current lap's
    // digits: the fuel bar and, right of it, the pit count.
    QRect Fuel;
    QRect PitStops;
    // A lap that broke a record is flashed across that strip, over the fuel
    // and pit count for the few seconds it shows.
    QRect RecordMark;
    int CurrentLapPoints = 0;
    int SmallPoints = 0;  // average, fastest, name and laps
    int PitStopsPoints = 0;
    int RecordMarkPoints = 0;
};

// The whole window. Panel n is Panels[n - 1]; Shown[n - 1] is false for a
// track above the "Tracks" setting. The buttons and the clock are placed
// in the bottom panel's coordinates.
struct TTimerLayout {
    static constexpr int MinWidth = 700;  // W never falls below this
    static constexpr int ButtonWidth = 100;

    int W = 0;
    int H = 0;
    std::array<QRect, 4> Panels;
    std::array<bool, 4> Shown{};
    TTrackPanelLayout Panel;
    QRect Bottom;
    QRect Clock;
    int ClockPoints = 0;
    QRect Start;
    QRect Pause;
    QRect EditResult;
    QRect OK;
    QRect Cancel;
};

// windowWidth is the window's width; trackCount the "Tracks" setting
// (kept in 1..4).
TTimerLayout TimerLayout(int windowWidth, int trackCount);

// What ResetDisplay writes: the big clock and, for each track, its four
// value labels (only tracks 1..N are written; the others keep what they
// show, hidden as they are).
struct TTrackResetTexts {
    QString LastLap;  // "00.000"
    QString Average;  // "Av: 00.000"
    QString Fastest;  // "Fa: 00.000"
    QString Laps;     // "0/0:00.000" plus the carried total
};

struct TResetTexts {
    QString Clock;  // "0:00", or the length of a Timed race
    std::array<TTrackResetTexts, 4> Tracks;
};

TResetTexts ResetTexts(const TRaceState& state, int32_t sectionsPerLap);

// The race screen's states and which buttons each one enables. Edit Result
// is only ever visible in a Timed race; its enabled state is still kept
// here for both kinds.
enum class TTimerPhase { Ready, Racing, Paused, FinishedLap, FinishedTimed, Edited };

struct TTimerButtons {
    bool Start = false;
    bool Pause = false;
    bool OK = false;
    bool Cancel = false;
    bool EditResult = false;

    bool operator==(const TTimerButtons&) const = default;
};

TTimerButtons TimerButtons(TTimerPhase phase);

// The state a race leaves the window in when its thread has ended.
TTimerPhase FinishedPhase(TRaceKind kind);
