#pragma once

#include "results/LiveRecords.h"
#include "spectator/RaceSnapshot.h"
#include "voice/AnnouncementChoice.h"
#include "voice/PhraseQueue.h"

#include <QHash>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>

// What happened in a race, as the race window hands it on. The figures come
// as a snapshot of the records (names, laps, lap times, false starts), taken
// while the race waits for the window.
struct TRaceEvent {
    enum class TType : uint8_t {
        LineUp,      // the window opened for a race; Heat is its heat number, 0 for a single race
        Standing,    // a refresh of the display while the race runs
        Finished,    // the race is over, its penalties applied
        TimingLost,  // the track interface stopped answering; the race is paused
    };
    TType Type = TType::Standing;
    int64_t AtMs = 0;  // race clock
    int32_t Heat = 0;
    TRaceSnapshot Race;
    // Standing: the records the laps since the last refresh broke, per track.
    std::array<TRecordWatch::TFall, 4> Records{};
};

// What the rules remember of a race between events. A line-up starts afresh.
struct TAnnouncerMemory {
    uint32_t FastestLap = NoFastestLap;  // the race's fastest lap so far, ms
    int LeaderTrack = 0;                 // the leader last said (or first seen), 0: none yet
    int64_t LeaderSaidMs = 0;
    bool LeaderSaid = false;               // a leader change has been said this race
    int32_t LeaderLaps = 0;                // the leader's whole laps at the last event
    int64_t Remaining = -1;                // ms left of a Timed race at the last event; -1: not yet known
    std::array<bool, 4> FalseStartSaid{};  // per track
};

// Which announcements are wanted and how names are said.
struct TAnnouncementRulesConfig {
    std::array<bool, AnnouncementKindCount> Says = {true, true, true, true, true, true, true, true};
    QHash<QString, QString> SpokenNames;  // the name as raced -> as said
};

// The rules that turn race events into phrases: events in, phrases with their
// priorities and deadlines out. Plain and deterministic, so a table can hold
// every rule:
// - line-up: "Heat 3. Track 1, Anna de Vries. Track 2, Bert Jansen.";
// - a track's false start, once: "False start, track 2";
// - a lap faster than the race's fastest so far (the first fastest lap of a
//   race is no news): "Fastest lap, Anna de Vries, 6.02" (seconds, cut to
//   hundredths);
// - a Lap race's leader reaching 5 laps to go and the last lap; a Timed
//   race reaching 1 minute and 10 seconds to go;
// - a new leader, once at least 10 s have passed since the last one said;
//   the race's first leader is no news either;
// - at the finish the first three in order;
// - the track interface lost: "Timing lost. Race paused."
// - a championship heat's lap that beat the track record or the driver's
//   personal best: "Track record, Anna de Vries, 5.98", said instead of the
//   fastest lap it may also be.
// Each phrase must be said within PhraseLifeMs of its event.
namespace AnnouncementRules {
inline constexpr int64_t PhraseLifeMs = 3000;
inline constexpr int64_t LeaderQuietMs = 10000;

QList<TPhrase> Announce(TAnnouncerMemory& memory, const TRaceEvent& event, const TAnnouncementRulesConfig& config);

// A lap time as said: seconds with two decimals, cut ("6.02" for 6029 ms).
QString SpokenLapTime(uint32_t ms);
}  // namespace AnnouncementRules
