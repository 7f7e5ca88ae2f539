#include "timing/RaceJournalReplay.h"

#include "common/LapValue.h"
#include "timing/RaceJournalFormat.h"
#include "timing/RaceRules.h"

#include <QStringList>
#include <algorithm>
#include <limits>

void FinishRecoveredRace(TRecoveredRace& race, const TSettings& settings)
{
    if (race.Stage != TRecoveredRace::TStage::Running)
        return;
    TRaceState state;
    state.RaceKind = race.Race.Kind;
    state.RaceLength = race.Race.Length;
    state.TargetLaps = race.Race.Kind == TRaceKind::Lap ? race.Race.Length : TimedTargetLaps;
    state.Elapsed = race.ElapsedMs;
    state.CarriedTotals = race.Race.CarriedTotals;
    state.SectionsToAdd = race.SectionsToAdd;
    state.RaceEnded.store(true);
    ApplyRaceEndRules(*race.Tracks, settings, state);
    race.Stage = TRecoveredRace::TStage::Finished;
}

namespace RaceJournalReplay {
namespace {

using namespace RaceJournalRecords;
using RaceJournalFormat::TKind;

// A lap as the race engine counted it: the same figures it set then.
void ReplayLap(const RaceJournalFormat::TLap& lap, TRecoveredRace& race)
{
    TTrackState& track = (*race.Tracks)[size_t(lap.Track - 1)];
    track.Laps = int32_t(std::clamp<int64_t>(int64_t(lap.Lap) * 1000, std::numeric_limits<int32_t>::min(),
                                             std::numeric_limits<int32_t>::max()));
    track.LastLap = lap.LapMs;
    track.TotalTime = lap.RaceMs;
    track.AverageLap = lap.Lap > 0 ? uint32_t(lap.RaceMs / uint32_t(lap.Lap)) : 0;
    track.FastestLap = std::min(track.FastestLap, lap.LapMs);
    if (lap.Lap >= 1 && lap.Lap <= MaxLapEntries)
        track.LapTimes[size_t(lap.Lap)] = lap.LapMs;
    race.ElapsedMs = std::max<int64_t>(race.ElapsedMs, lap.RaceMs);
}

void ReplayEvent(const TEvent& event, TRecoveredRace& race)
{
    if (event.HasFigures) {
        for (size_t n = 0; n < 4; ++n)
            ApplyFigures(event.Tracks[n], (*race.Tracks)[n]);
        race.SectionsToAdd = event.SectionsToAdd;
    }
    // A pause's halt is where the race time stood; later laps go on from it.
    race.ElapsedMs = std::max(race.ElapsedMs, event.ElapsedMs);
    switch (event.Type) {
    case TEventType::Finished: race.Stage = TRecoveredRace::TStage::Finished; break;
    case TEventType::Accepted: race.Stage = TRecoveredRace::TStage::Accepted; break;
    case TEventType::Cancelled: race.Stage = TRecoveredRace::TStage::Cancelled; break;
    case TEventType::Resumed:
        if (race.Stage == TRecoveredRace::TStage::Accepted)
            race.Stage = TRecoveredRace::TStage::Finished;
        break;
    default: break;
    }
}

}  // namespace

std::optional<TRecoveredRace> Replay(const QByteArray& file)
{
    const RaceJournalFormat::TReadOutcome read = RaceJournalFormat::Read(file);
    if (!read.HeaderValid || read.Records.empty() || read.Records.front().Kind != TKind::Race)
        return std::nullopt;
    const std::optional<TRaceDescription> description = DecodeRace(read.Records.front().Payload);
    if (!description)
        return std::nullopt;

    TRecoveredRace race;
    race.Race = *description;
    race.DroppedBytes = read.DroppedBytes;
    race.ValidBytes = int64_t(file.size()) - read.DroppedBytes;
    for (size_t n = 0; n < 4; ++n) {
        (*race.Tracks)[n].DriverName = race.Race.Drivers[n];
        (*race.Tracks)[n].Active = !race.Race.Drivers[n].isEmpty();
    }
    int64_t recordEnd =
        RaceJournalFormat::HeaderSize + RaceJournalFormat::RecordOverhead + read.Records.front().Payload.size();
    for (size_t i = 1; i < read.Records.size(); ++i) {
        const RaceJournalFormat::TRecord& record = read.Records[i];
        const int64_t recordStart = recordEnd;
        recordEnd += RaceJournalFormat::RecordOverhead + record.Payload.size();
        RaceJournalFormat::TLap lap;
        if (record.Kind == TKind::Lap && RaceJournalFormat::DecodeLap(record.Payload, lap)) {
            ReplayLap(lap, race);
        } else if (const std::optional<TEvent> event =
                       record.Kind == TKind::Event ? DecodeEvent(record.Payload) : std::nullopt) {
            ReplayEvent(*event, race);
        } else {
            // A record that checks out but means nothing to us: what came
            // before it is all that can be trusted.
            race.ValidBytes = recordStart;
            race.DroppedBytes = int64_t(file.size()) - recordStart;
            break;
        }
    }
    return race;
}

QString Describe(const TRecoveredRace& race, int trackCount, const QTime& interruptedAt)
{
    QStringList parts;
    parts << (race.Race.Origin.Heat ? race.Race.Origin.Title : QStringLiteral("A single race"));
    for (int n = 1; n <= std::clamp(trackCount, 1, 4); ++n) {
        if (race.Race.Drivers[size_t(n - 1)].isEmpty())
            continue;
        const int32_t laps = LapsOf((*race.Tracks)[size_t(n - 1)].Laps);
        parts << (laps == 1 ? QStringLiteral("1 lap on track %1").arg(n)
                            : QStringLiteral("%1 laps on track %2").arg(laps).arg(n));
    }
    parts << QStringLiteral("interrupted at %1").arg(interruptedAt.toString(QStringLiteral("HH:mm:ss")));
    return parts.join(QStringLiteral(", "));
}

}  // namespace RaceJournalReplay
