#pragma once

#include "timing/RaceState.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// What the race journal's description and event records hold, apart from
// how records are framed on disk (RaceJournalFormat.h). The description is
// written once at "Start"; events follow as the race director and the race
// move it on. An event that changes the records by more than a lap (a pause
// with its corrections, the end of the race with its penalties, an edited
// result) carries all four tracks' figures, so a replay need not repeat the
// rules that made them.
namespace RaceJournalRecords {

// Where a race comes from: a single race, or a heat of a championship race.
struct TRaceOrigin {
    bool Heat = false;
    QString Database;  // the race database of the heat, as an absolute path
    int32_t CSnr = 0;
    int32_t RCnr = 0;
    int32_t HTnr = 0;
    QString Title;  // "Heat 3 of Winter Cup - Round 2"
    bool operator==(const TRaceOrigin&) const = default;
};

struct TRaceDescription {
    TRaceOrigin Origin;
    TRaceKind Kind = TRaceKind::Lap;
    int32_t Length = 0;  // laps, or seconds of a Timed race
    std::array<QString, 4> Drivers;
    std::array<int32_t, 4> CarriedTotals{};
    int64_t StartedUtcMs = 0;
    bool operator==(const TRaceDescription&) const = default;
};

enum class TEventType : uint8_t {
    Green = 1,     // the first green, with the false starts
    Clock = 2,     // race time reached, about once a second
    Paused = 3,    // a pause's halt and what its dialog left
    Finished = 4,  // the race has ended, its penalties applied
    Edited = 5,    // the result edited after a Timed race
    Accepted = 6,  // "OK": the result is being kept
    Cancelled = 7,
    Resumed = 8,  // the race taken up again from this journal
};

// One track's figures as an event carries them.
struct TTrackFigures {
    int32_t Laps = 0;
    int32_t PenaltyLaps = 0;
    uint32_t TotalTime = 0;
    uint32_t AverageLap = 0;
    uint32_t FastestLap = NoFastestLap;
    uint32_t LastLap = 0;
    bool FalseStart = false;
    bool operator==(const TTrackFigures&) const = default;
};

struct TEvent {
    TEventType Type = TEventType::Clock;
    int64_t ElapsedMs = 0;  // race time at the event
    bool HasFigures = false;
    std::array<TTrackFigures, 4> Tracks;
    std::array<int32_t, 4> SectionsToAdd{};
    bool operator==(const TEvent&) const = default;
};

QByteArray EncodeRace(const TRaceDescription& race);
std::optional<TRaceDescription> DecodeRace(const QByteArray& payload);

// An event without figures, or one with the figures of the four records.
TEvent MakeEvent(TEventType type, int64_t elapsedMs);
TEvent MakeEvent(TEventType type, int64_t elapsedMs, const TTrackStates& tracks, const TRaceState& state);
QByteArray EncodeEvent(const TEvent& event);
std::optional<TEvent> DecodeEvent(const QByteArray& payload);

// The figures put back into a record (its lap list is left alone).
void ApplyFigures(const TTrackFigures& figures, TTrackState& track);

}  // namespace RaceJournalRecords
