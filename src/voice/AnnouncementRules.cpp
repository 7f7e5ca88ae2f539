#include "voice/AnnouncementRules.h"

#include "common/LapValue.h"
#include "spectator/LiveRanking.h"

namespace AnnouncementRules {

namespace {

// Most urgent first: a lost timer and a jumped start concern every driver now;
// the result and what is left of the race come next; the rest is colour.
int PriorityOf(TAnnouncementKind kind)
{
    switch (kind) {
    case TAnnouncementKind::TimingLost: return 0;
    case TAnnouncementKind::FalseStart: return 1;
    case TAnnouncementKind::Finish: return 2;
    case TAnnouncementKind::ToGo: return 3;
    case TAnnouncementKind::LineUp: return 4;
    case TAnnouncementKind::FastestLap: return 5;
    case TAnnouncementKind::Record: return 5;
    case TAnnouncementKind::LeaderChange: return 6;
    }
    return 6;
}

class TPhrases {
public:
    TPhrases(const TRaceEvent& event, const TAnnouncementRulesConfig& config) : m_event(event), m_config(config) {}

    // track: 1..4 for what concerns one track alone, else 0.
    void Add(TAnnouncementKind kind, const QString& text, int track = 0)
    {
        if (!m_config.Says[size_t(kind)])
            return;
        TPhrase phrase;
        phrase.Kind = kind;
        phrase.Topic = int(kind) * 10 + track;
        phrase.Priority = PriorityOf(kind);
        phrase.Text = text;
        phrase.MadeMs = m_event.AtMs;
        phrase.DeadlineMs = m_event.AtMs + PhraseLifeMs;
        m_phrases << phrase;
    }

    bool Says(TAnnouncementKind kind) const { return m_config.Says[size_t(kind)]; }
    QString Said(const QString& name) const { return m_config.SpokenNames.value(name, name); }
    QList<TPhrase> Take() { return std::move(m_phrases); }

private:
    const TRaceEvent& m_event;
    const TAnnouncementRulesConfig& m_config;
    QList<TPhrase> m_phrases;
};

QString NameOf(const TSnapshotTrack& track) { return QString::fromUtf8(track.Name.data()); }

void SayLineUp(const TRaceEvent& event, TPhrases& phrases)
{
    QStringList parts;
    if (event.Heat > 0)
        parts << QStringLiteral("Heat %1.").arg(event.Heat);
    for (size_t n = 0; n < event.Race.Tracks.size(); ++n)
        if (event.Race.Tracks[n].Active)
            parts << QStringLiteral("Track %1, %2.").arg(n + 1).arg(phrases.Said(NameOf(event.Race.Tracks[n])));
    if (parts.size() > (event.Heat > 0 ? 1 : 0))
        phrases.Add(TAnnouncementKind::LineUp, parts.join(QLatin1Char(' ')));
}

void SayFalseStarts(const TRaceEvent& event, TAnnouncerMemory& memory, TPhrases& phrases)
{
    // Cars that jumped together are said in one breath: one after the
    // other, the last would come too late.
    QStringList said;
    int first = 0;
    for (size_t n = 0; n < event.Race.Tracks.size(); ++n) {
        const TSnapshotTrack& track = event.Race.Tracks[n];
        if (track.Active && track.FalseStart && !memory.FalseStartSaid[n]) {
            memory.FalseStartSaid[n] = true;
            said << QStringLiteral("False start, track %1").arg(n + 1);
            first = first ? first : int(n + 1);
        }
    }
    if (!said.isEmpty())
        phrases.Add(TAnnouncementKind::FalseStart, said.join(QStringLiteral(". ")), first);
}

void SayRecords(const TRaceEvent& event, TPhrases& phrases)
{
    for (size_t n = 0; n < event.Records.size(); ++n) {
        const TRecordWatch::TFall& fall = event.Records[n];
        if (fall.Mark != TRecordMark::None && event.Race.Tracks[n].Active)
            phrases.Add(TAnnouncementKind::Record,
                        QStringLiteral("%1, %2, %3")
                            .arg(RecordMarkText(fall.Mark), phrases.Said(NameOf(event.Race.Tracks[n])),
                                 SpokenLapTime(fall.TimeMs)),
                        int(n + 1));
    }
}

void SayFastestLap(const TRaceEvent& event, TAnnouncerMemory& memory, TPhrases& phrases)
{
    const TSnapshotTrack* fastest = nullptr;
    for (const TSnapshotTrack& track : event.Race.Tracks)
        if (track.Active && track.FastestLap != NoFastestLap && (!fastest || track.FastestLap < fastest->FastestLap))
            fastest = &track;
    if (!fastest || fastest->FastestLap >= memory.FastestLap)
        return;
    // The race's first lap time beats nothing: only an improvement is news.
    // A lap that broke a record is said as that.
    const size_t track = size_t(fastest - event.Race.Tracks.data());
    const bool saidAsRecord =
        event.Records[track].Mark != TRecordMark::None && event.Records[track].TimeMs == fastest->FastestLap;
    if (memory.FastestLap != NoFastestLap && !(saidAsRecord && phrases.Says(TAnnouncementKind::Record)))
        phrases.Add(TAnnouncementKind::FastestLap,
                    QStringLiteral("Fastest lap, %1, %2")
                        .arg(phrases.Said(NameOf(*fastest)), SpokenLapTime(fastest->FastestLap)));
    memory.FastestLap = fastest->FastestLap;
}

void SayLeader(const TRaceEvent& event, const QList<TRankingRow>& ranking, TAnnouncerMemory& memory, TPhrases& phrases)
{
    if (ranking.isEmpty() || LapsOf(ranking.first().Laps) < 1)
        return;
    const TRankingRow& leader = ranking.first();
    if (leader.Track == memory.LeaderTrack)
        return;
    if (memory.LeaderTrack == 0) {  // the first leader of the race is no change
        memory.LeaderTrack = leader.Track;
        return;
    }
    // A battle for the lead is said at most once in LeaderQuietMs; whoever
    // leads when the quiet ends is said then, if he is new.
    if (memory.LeaderSaid && event.AtMs - memory.LeaderSaidMs < LeaderQuietMs)
        return;
    memory.LeaderTrack = leader.Track;
    memory.LeaderSaid = true;
    memory.LeaderSaidMs = event.AtMs;
    phrases.Add(TAnnouncementKind::LeaderChange, QStringLiteral("New leader, %1").arg(phrases.Said(leader.DriverName)));
}

void SayWhatIsLeft(const TRaceEvent& event, const QList<TRankingRow>& ranking, TAnnouncerMemory& memory,
                   TPhrases& phrases)
{
    const TRaceSnapshot& race = event.Race;
    if (race.RaceKind == TRaceKind::Lap) {
        const int32_t leaderLaps = ranking.isEmpty() ? 0 : LapsOf(ranking.first().Laps);
        const int32_t before = race.RaceLength - memory.LeaderLaps;
        const int32_t now = race.RaceLength - leaderLaps;
        memory.LeaderLaps = leaderLaps;
        if (before > 5 && now <= 5 && now > 1)
            phrases.Add(TAnnouncementKind::ToGo, QStringLiteral("%1 laps to go").arg(now));
        else if (before > 1 && now == 1)
            phrases.Add(TAnnouncementKind::ToGo, QStringLiteral("Last lap"));
        return;
    }
    const int64_t now = int64_t(race.RaceLength) * 1000 - race.Elapsed;
    const int64_t before = memory.Remaining;
    memory.Remaining = now;
    if (before < 0)
        return;
    if (before > 60000 && now <= 60000 && now > 10000)
        phrases.Add(TAnnouncementKind::ToGo, QStringLiteral("1 minute to go"));
    else if (before > 10000 && now <= 10000 && now > 0)
        phrases.Add(TAnnouncementKind::ToGo, QStringLiteral("10 seconds to go"));
}

void SayResult(const QList<TRankingRow>& ranking, TPhrases& phrases)
{
    static const char* const Places[3] = {"First", "Second", "Third"};
    QStringList parts{QStringLiteral("Finish.")};
    for (int place = 0; place < 3 && place < ranking.size(); ++place)
        parts << QStringLiteral("%1, %2.").arg(QLatin1String(Places[place]), phrases.Said(ranking[place].DriverName));
    if (parts.size() > 1)
        phrases.Add(TAnnouncementKind::Finish, parts.join(QLatin1Char(' ')));
}

}  // namespace

QString SpokenLapTime(uint32_t ms)
{
    return QStringLiteral("%1.%2").arg(ms / 1000).arg((ms % 1000) / 10, 2, 10, QLatin1Char('0'));
}

QList<TPhrase> Announce(TAnnouncerMemory& memory, const TRaceEvent& event, const TAnnouncementRulesConfig& config)
{
    TPhrases phrases(event, config);
    switch (event.Type) {
    case TRaceEvent::TType::LineUp:
        memory = {};
        SayLineUp(event, phrases);
        break;
    case TRaceEvent::TType::Standing: {
        const QList<TRankingRow> ranking = RankLive(event.Race);
        SayFalseStarts(event, memory, phrases);
        SayWhatIsLeft(event, ranking, memory, phrases);
        SayRecords(event, phrases);
        SayFastestLap(event, memory, phrases);
        SayLeader(event, ranking, memory, phrases);
        break;
    }
    case TRaceEvent::TType::Finished: SayResult(RankLive(event.Race), phrases); break;
    case TRaceEvent::TType::TimingLost:
        phrases.Add(TAnnouncementKind::TimingLost, QStringLiteral("Timing lost. Race paused."));
        break;
    }
    return phrases.Take();
}

}  // namespace AnnouncementRules
