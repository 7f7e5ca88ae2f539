#pragma once

#include "timing/RaceJournalRecords.h"
#include "timing/RaceState.h"

#include <QByteArray>
#include <QString>
#include <QTime>
#include <memory>
#include <optional>

struct TSettings;

// A race put back together from its journal: the description, the four
// records as they stood at the last record that reached the disk, and how
// far the race had got.
struct TRecoveredRace {
    enum class TStage {
        Running,    // interrupted while the race ran (or stood at a pause)
        Finished,   // the race had ended; its result waited for "OK" or "Cancel"
        Accepted,   // "OK" was pressed: the result was on its way to the database
        Cancelled,  // it ended normally, only its journal was not cleared yet
    };

    RaceJournalRecords::TRaceDescription Race;
    std::unique_ptr<TTrackStates> Tracks = std::make_unique<TTrackStates>();
    std::array<int32_t, 4> SectionsToAdd{};
    int64_t ElapsedMs = 0;  // the race time it goes on from
    TStage Stage = TStage::Running;
    int64_t ValidBytes = 0;    // the journal up to its last whole record
    int64_t DroppedBytes = 0;  // a torn or damaged tail, not trusted
};

// "Finish" for a race its journal kept: one that was still running ends
// with the laps it has and the end-of-race rules applied, as "Finish Race" in
// the pause dialog ends it; one that had ended keeps its result as it was.
void FinishRecoveredRace(TRecoveredRace& race, const TSettings& settings);

namespace RaceJournalReplay {

// Nothing for a file that is no journal, or one without the description of
// its race.
std::optional<TRecoveredRace> Replay(const QByteArray& file);

// "Heat 3 of Winter Cup - Round 2, 14 laps on track 1, 12 laps on track 2,
// interrupted at 12:41:07"; tracks above trackCount are not raced.
QString Describe(const TRecoveredRace& race, int trackCount, const QTime& interruptedAt);

}  // namespace RaceJournalReplay
