#include "timing/RaceJournalRecords.h"

#include <QDataStream>
#include <QIODevice>

namespace RaceJournalRecords {
namespace {

// Fixed, so that a journal written by one build reads in the next.
constexpr QDataStream::Version StreamVersion = QDataStream::Qt_6_0;

// Whole and nothing left over: a payload that passed its checksum but does
// not fit this layout is not guessed at.
bool ReadCleanly(const QDataStream& in) { return in.status() == QDataStream::Ok && in.atEnd(); }

}  // namespace

QByteArray EncodeRace(const TRaceDescription& race)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(StreamVersion);
    out << race.Origin.Heat << race.Origin.Database << race.Origin.CSnr << race.Origin.RCnr << race.Origin.HTnr
        << race.Origin.Title << quint8(race.Kind == TRaceKind::Timed) << race.Length;
    for (size_t n = 0; n < 4; ++n)
        out << race.Drivers[n] << race.CarriedTotals[n];
    out << qint64(race.StartedUtcMs);
    return bytes;
}

std::optional<TRaceDescription> DecodeRace(const QByteArray& payload)
{
    TRaceDescription race;
    QDataStream in(payload);
    in.setVersion(StreamVersion);
    quint8 timed = 0;
    qint64 started = 0;
    in >> race.Origin.Heat >> race.Origin.Database >> race.Origin.CSnr >> race.Origin.RCnr >> race.Origin.HTnr >>
        race.Origin.Title >> timed >> race.Length;
    for (size_t n = 0; n < 4; ++n)
        in >> race.Drivers[n] >> race.CarriedTotals[n];
    in >> started;
    if (!ReadCleanly(in) || timed > 1)
        return std::nullopt;
    race.Kind = timed ? TRaceKind::Timed : TRaceKind::Lap;
    race.StartedUtcMs = started;
    return race;
}

TEvent MakeEvent(TEventType type, int64_t elapsedMs)
{
    TEvent event;
    event.Type = type;
    event.ElapsedMs = elapsedMs;
    return event;
}

TEvent MakeEvent(TEventType type, int64_t elapsedMs, const TTrackStates& tracks, const TRaceState& state)
{
    TEvent event = MakeEvent(type, elapsedMs);
    event.HasFigures = true;
    for (size_t n = 0; n < 4; ++n) {
        const TTrackState& track = tracks[n];
        event.Tracks[n] = {track.Laps,       track.PenaltyLaps, track.TotalTime, track.AverageLap,
                           track.FastestLap, track.LastLap,     track.FalseStart};
    }
    event.SectionsToAdd = state.SectionsToAdd;
    return event;
}

QByteArray EncodeEvent(const TEvent& event)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(StreamVersion);
    out << quint8(event.Type) << qint64(event.ElapsedMs) << event.HasFigures;
    if (event.HasFigures) {
        for (size_t n = 0; n < 4; ++n) {
            const TTrackFigures& track = event.Tracks[n];
            out << track.Laps << track.PenaltyLaps << track.TotalTime << track.AverageLap << track.FastestLap
                << track.LastLap << track.FalseStart << event.SectionsToAdd[n];
        }
    }
    return bytes;
}

std::optional<TEvent> DecodeEvent(const QByteArray& payload)
{
    TEvent event;
    QDataStream in(payload);
    in.setVersion(StreamVersion);
    quint8 type = 0;
    qint64 elapsed = 0;
    in >> type >> elapsed >> event.HasFigures;
    if (event.HasFigures) {
        for (size_t n = 0; n < 4; ++n) {
            TTrackFigures& track = event.Tracks[n];
            in >> track.Laps >> track.PenaltyLaps >> track.TotalTime >> track.AverageLap >> track.FastestLap >>
                track.LastLap >> track.FalseStart >> event.SectionsToAdd[n];
        }
    }
    if (!ReadCleanly(in) || type < quint8(TEventType::Green) || type > quint8(TEventType::Resumed) || elapsed < 0)
        return std::nullopt;
    event.Type = TEventType(type);
    event.ElapsedMs = elapsed;
    return event;
}

void ApplyFigures(const TTrackFigures& figures, TTrackState& track)
{
    track.Laps = figures.Laps;
    track.PenaltyLaps = figures.PenaltyLaps;
    track.TotalTime = figures.TotalTime;
    track.AverageLap = figures.AverageLap;
    track.FastestLap = figures.FastestLap;
    track.LastLap = figures.LastLap;
    track.FalseStart = figures.FalseStart;
}

}  // namespace RaceJournalRecords
