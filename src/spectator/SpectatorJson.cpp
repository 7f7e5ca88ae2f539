#include "spectator/SpectatorJson.h"

#include "common/LapValue.h"
#include "common/RaceTime.h"
#include "spectator/LiveRanking.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString PhaseText(TRacePhase phase)
{
    switch (phase) {
    case TRacePhase::Ready: return QStringLiteral("Ready");
    case TRacePhase::StartLights: return QStringLiteral("Start lights");
    case TRacePhase::Racing: return QStringLiteral("Racing");
    case TRacePhase::Paused: return QStringLiteral("Paused");
    case TRacePhase::Finished: return QStringLiteral("Finished");
    }
    return {};
}

QString LapText(uint32_t ms) { return ms == 0 || ms == NoFastestLap ? QString() : FormatRaceTime(ms, 3, false); }

QString GapText(const TRankingRow& row, int32_t sectionsPerLap)
{
    if (row.Place == 1)
        return {};
    if (row.Gap.Laps != 0) {
        const int32_t laps = LapsOf(row.Gap.Laps);
        if (SectionsOf(row.Gap.Laps) == 0)
            return laps == 1 ? QStringLiteral("+1 lap") : QStringLiteral("+%1 laps").arg(laps);
        return QStringLiteral("+%1 laps").arg(FormatLapValue(row.Gap.Laps, sectionsPerLap));
    }
    return QStringLiteral("+") + FormatRaceTime(row.Gap.Ms, 3, false);
}

}  // namespace

QByteArray SpectatorFeedJson(const TRaceSnapshot& snapshot)
{
    QJsonArray drivers;
    for (const TRankingRow& row : RankLive(snapshot)) {
        drivers.append(QJsonObject{
            {QStringLiteral("place"), row.Place},
            {QStringLiteral("track"), row.Track},
            {QStringLiteral("name"), row.DriverName},
            {QStringLiteral("laps"), FormatLapValue(row.Laps, snapshot.SectionsPerLap)},
            {QStringLiteral("lastLap"), LapText(row.LastLap)},
            {QStringLiteral("bestLap"), LapText(row.BestLap)},
            {QStringLiteral("gap"), GapText(row, snapshot.SectionsPerLap)},
            {QStringLiteral("falseStart"), row.FalseStart},
        });
    }
    const uint32_t elapsed = snapshot.Elapsed <= 0 ? 0u : uint32_t(std::min<int64_t>(snapshot.Elapsed, 0xFFFFFFFFll));
    const QJsonObject document{
        {QStringLiteral("title"), PhaseText(snapshot.Phase)},
        {QStringLiteral("clock"), FormatRaceTime(elapsed, 1, true)},
        {QStringLiteral("drivers"), drivers},
    };
    return QJsonDocument(document).toJson(QJsonDocument::Compact);
}
