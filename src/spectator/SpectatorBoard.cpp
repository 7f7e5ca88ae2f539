#include "spectator/SpectatorBoard.h"

#include <algorithm>

TStandingsView MakeStandingsView(const TStandings& standings)
{
    TStandingsView view;
    view.Title = standings.Championship;
    for (const TTotalsRow& row : standings.Totals)
        view.Lines.push_back({0, row.Driver, row.TotalPoints});
    // The store delivers them by points already; sorted again so the places
    // below cannot depend on it. Stable: equal points keep the name order.
    std::stable_sort(view.Lines.begin(), view.Lines.end(),
                     [](const TStandingsLine& a, const TStandingsLine& b) { return a.Points > b.Points; });
    for (size_t i = 0; i < view.Lines.size(); ++i) {
        const bool tied = i > 0 && view.Lines[i].Points == view.Lines[i - 1].Points;
        view.Lines[i].Place = tied ? view.Lines[i - 1].Place : int(i) + 1;
    }
    return view;
}

TSpectatorBoard::TSpectatorBoard(TSnapshotPublisher& feed, const TSettings& settings)
    : m_feed(feed), m_settings(settings)
{
}

void TSpectatorBoard::ShowRace()
{
    m_shownRaceTitle = m_raceTitle;
    m_records = {};
    m_feed.Read(m_race);
    m_scene = TSpectatorScene::Race;
    emit SceneChanged();
}

void TSpectatorBoard::ShowNextHeat(const TNextHeatView& heat)
{
    if (m_scene == TSpectatorScene::NextHeat && m_nextHeat == heat)
        return;
    m_nextHeat = heat;
    Switch(TSpectatorScene::NextHeat);
}

void TSpectatorBoard::ShowStandings(const TStandingsView& standings)
{
    m_standings = standings;
    Switch(TSpectatorScene::Standings);
}

const TRaceSnapshot& TSpectatorBoard::Race()
{
    m_feed.Read(m_race);
    return m_race;
}

void TSpectatorBoard::MarkRecord(int track, TRecordMark mark)
{
    if (track >= 1 && track <= 4)
        m_records[size_t(track - 1)] = {mark, QDeadlineTimer(RecordShownMs)};
}

TRecordMark TSpectatorBoard::RecordMark(int track) const
{
    if (track < 1 || track > 4)
        return TRecordMark::None;
    const TShownRecord& shown = m_records[size_t(track - 1)];
    return shown.Until.hasExpired() ? TRecordMark::None : shown.Mark;
}

void TSpectatorBoard::Switch(TSpectatorScene scene)
{
    m_scene = scene;
    emit SceneChanged();
}
