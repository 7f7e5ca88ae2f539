#include "spectator/SpectatorJson.h"

#include "common/LapValue.h"
#include "spectator/LiveRanking.h"
#include "spectator/SpectatorBoard.h"
#include "spectator/SpectatorTexts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString Hex(const QColor& colour) { return colour.name(QColor::HexRgb); }

void AddColours(QJsonObject& object, const TSettings& settings, int track)
{
    const TTrackColours colours = SpectatorTrackColours(settings, track);
    object.insert(QStringLiteral("colour"), Hex(colours.Background));
    object.insert(QStringLiteral("textColour"), Hex(colours.Text));
}

QJsonArray RankedDrivers(const TRaceSnapshot& snapshot, const TSettings* settings,
                         const TSpectatorBoard* board = nullptr)
{
    QJsonArray drivers;
    for (const TRankingRow& row : RankLive(snapshot)) {
        QJsonObject driver{
            {QStringLiteral("place"), row.Place},
            {QStringLiteral("track"), row.Track},
            {QStringLiteral("name"), row.DriverName},
            {QStringLiteral("laps"), FormatLapValue(row.Laps, snapshot.SectionsPerLap)},
            {QStringLiteral("lastLap"), SpectatorLapText(row.LastLap)},
            {QStringLiteral("bestLap"), SpectatorLapText(row.BestLap)},
            {QStringLiteral("gap"), GapText(row, snapshot.SectionsPerLap)},
            {QStringLiteral("falseStart"), row.FalseStart},
        };
        // Only where the track interface reports them: a page that finds
        // neither shows the table as it always has.
        if (row.Fuel >= 0)
            driver.insert(QStringLiteral("fuel"), row.Fuel);
        if (row.PitStops >= 0)
            driver.insert(QStringLiteral("pits"), row.PitStops);
        // Only while a record just broken is shown.
        if (board && board->RecordMark(row.Track) != TRecordMark::None)
            driver.insert(QStringLiteral("record"), RecordMarkText(board->RecordMark(row.Track)));
        if (settings)
            AddColours(driver, *settings, row.Track);
        drivers.append(driver);
    }
    return drivers;
}

QByteArray Compact(const QJsonObject& object) { return QJsonDocument(object).toJson(QJsonDocument::Compact); }

QJsonObject RaceScene(TSpectatorBoard& board)
{
    const TRaceSnapshot& race = board.Race();
    QJsonArray lamps;
    for (int lamp = 0; lamp < 5; ++lamp)
        lamps.append(race.LightsOn && (race.LampsLit >> lamp & 1) != 0);
    return {
        {QStringLiteral("scene"), QStringLiteral("race")},
        {QStringLiteral("title"), board.RaceTitle().isEmpty() ? QStringLiteral("Race") : board.RaceTitle()},
        {QStringLiteral("phase"), PhaseText(race.Phase)},
        {QStringLiteral("clock"), ClockText(race)},
        {QStringLiteral("lamps"), lamps},
        {QStringLiteral("drivers"), RankedDrivers(race, &board.Settings(), &board)},
    };
}

QJsonObject NextHeatScene(const TSpectatorBoard& board)
{
    const TNextHeatView& heat = board.NextHeat();
    QJsonArray tracks;
    for (int t = 1; t <= heat.TrackCount; ++t) {
        QJsonObject track{{QStringLiteral("track"), t}, {QStringLiteral("name"), heat.Names[size_t(t - 1)]}};
        AddColours(track, board.Settings(), t);
        tracks.append(track);
    }
    return {
        {QStringLiteral("scene"), QStringLiteral("nextHeat")},
        {QStringLiteral("title"), heat.Title},
        {QStringLiteral("heat"), QStringLiteral("Heat %1").arg(heat.Heat)},
        {QStringLiteral("tracks"), tracks},
    };
}

QJsonObject StandingsScene(const TSpectatorBoard& board)
{
    QJsonArray lines;
    for (const TStandingsLine& line : board.Standings().Lines)
        lines.append(QJsonObject{{QStringLiteral("place"), line.Place},
                                 {QStringLiteral("name"), line.Driver},
                                 {QStringLiteral("points"), SpectatorPointsText(line.Points)}});
    return {
        {QStringLiteral("scene"), QStringLiteral("standings")},
        {QStringLiteral("title"), board.Standings().Title},
        {QStringLiteral("standings"), lines},
    };
}

}  // namespace

QByteArray SpectatorFeedJson(const TRaceSnapshot& snapshot)
{
    return Compact({
        {QStringLiteral("title"), PhaseText(snapshot.Phase)},
        {QStringLiteral("clock"), ClockText(snapshot)},
        {QStringLiteral("drivers"), RankedDrivers(snapshot, nullptr)},
    });
}

QByteArray SpectatorDocument(TSpectatorBoard& board)
{
    switch (board.Scene()) {
    case TSpectatorScene::NextHeat: return Compact(NextHeatScene(board));
    case TSpectatorScene::Standings: return Compact(StandingsScene(board));
    case TSpectatorScene::Race: break;
    }
    return Compact(RaceScene(board));
}
