#pragma once

#include <QHash>
#include <QString>
#include <array>
#include <cstdint>

// What the heats window and its two heat dialogs hand each other. One
// instance of each lives in the heats window and is reused by every showing.

// The drivers of one heat chosen by hand, per track 1..4 (index 0..3).
struct THeatTrackChoice {
    enum class TMode { Add, Change };
    TMode Mode = TMode::Add;
    std::array<bool, 4> Used{};      // the track has a driver in the heat
    std::array<int32_t, 4> DRVnr{};  // meaningful where Used is set
    bool Rotate = false;             // add mode: the rotated follow-up heats too
};

// The stored results of a finished heat, per track 1..4, as the result
// dialog shows and corrects them.
struct THeatResultChoice {
    struct TEntry {
        int32_t DRVnr = 0;
        int32_t Laps = 0;  // lap value: laps * 1000 + sections
        int32_t Time = 0;  // ms
    };
    bool Timed = false;         // the championship's kind: which value decides
    std::array<bool, 4> Has{};  // the heat has a detail row on the track
    std::array<TEntry, 4> Entry{};
    // Set by the dialog's OK: the user changed the line's value. Only these
    // lines are written back, so a line the fields cannot hold (a did-not-
    // finish time of 999999999 ms shows as the limits 999:39.999) keeps its
    // stored value.
    std::array<bool, 4> Changed{};
};

// The add/change dialog's OK: each used track 1..tracks takes the driver of
// the name chosen for it, and a track without a chosen name is no longer
// used. Tracks above `tracks` (ticks left from a time with more tracks) are
// never used. True when at least one track has a driver.
bool ResolveTrackChoice(THeatTrackChoice& choice, const std::array<QString, 4>& names,
                        const QHash<QString, int32_t>& drivers, int tracks);
