#include "results/LapGrid.h"

#include "common/FittedFont.h"
#include "common/RaceTime.h"
#include "timing/RaceRules.h"

#include <algorithm>
#include <limits>

namespace {

const QString FastestLabel = QStringLiteral("Fastest time");
const QString SlowestLabel = QStringLiteral("Slowest time");

int TrackColumns(int tracks) { return std::clamp(tracks, 1, 4); }

void SetTrackHeadings(TLapGrid& grid, int tracks)
{
    for (int t = 1; t <= tracks; ++t)
        grid.SetCell(t, 0, QStringLiteral("Track: %1").arg(t));
}

// Empty for 0, so that a heat or round that was never taken shows nothing.
QString NumberOrEmpty(int value) { return value == 0 ? QString() : QString::number(value); }

}  // namespace

TLapGrid::TLapGrid(int columns, int rowCount, int fixedRows) : m_columns(std::max(columns, 0)), m_fixedRows(fixedRows)
{
    SetRowCount(rowCount);
}

void TLapGrid::SetRowCount(int rows)
{
    rows = std::max(rows, 0);
    if (rows < RowCount())
        m_rows.resize(rows);
    while (RowCount() < rows) {
        QStringList row;
        row.reserve(m_columns);
        for (int c = 0; c < m_columns; ++c)
            row.append(QString());
        m_rows.append(row);
    }
}

QString TLapGrid::Cell(int column, int row) const
{
    if (row < 0 || row >= RowCount() || column < 0 || column >= m_columns)
        return {};
    return m_rows.at(row).at(column);
}

void TLapGrid::SetCell(int column, int row, const QString& text)
{
    if (row < 0 || row >= RowCount() || column < 0 || column >= m_columns)
        return;
    m_rows[row][column] = text;
}

QString LapTimeText(uint32_t ms) { return FormatRaceTime(ms, 3, false); }

QString LapCellText(int64_t ms)
{
    if (ms <= 0)
        return QStringLiteral("-");
    return LapTimeText(uint32_t(std::min<int64_t>(ms, std::numeric_limits<uint32_t>::max())));
}

QString FastestText(uint32_t ms) { return ms >= TTrackExtremes::NoFastest ? QString() : LapTimeText(ms); }

QString SlowestText(uint32_t ms) { return ms == 0 ? QString() : LapTimeText(ms); }

QStringList WidestCellTexts() { return DigitVariants(QStringLiteral("00.000")) << FastestLabel << SlowestLabel; }

QString LapViewTitle(const TStoredLaps& stored)
{
    switch (stored.Scope) {
    case TLapScope::Heat:
        return stored.ChampionshipName + QStringLiteral(" - ") + stored.RaceName + QStringLiteral(" / Heat:") +
               QString::number(stored.HTnr);
    case TLapScope::Race: return stored.ChampionshipName + QStringLiteral(" - ") + stored.RaceName;
    case TLapScope::Championship: break;
    }
    return stored.ChampionshipName;
}

TLapGrid BuildHeatGrid(const TStoredLaps& stored, int tracks)
{
    tracks = TrackColumns(tracks);
    TLapGrid grid(tracks + 1, 3, 1);
    SetTrackHeadings(grid, tracks);
    for (int t = 1; t <= tracks; ++t)
        grid.SetCell(t, 1, stored.TrackDrivers[t - 1]);

    int highest = 0;
    for (const TStoredLap& lap : stored.Laps) {
        // A round outside what a race records can only come from a damaged
        // row; it would land on the heading rows or grow the grid without end.
        if (lap.Tracknr < 1 || lap.Tracknr > tracks || lap.RNDnr < 1 || lap.RNDnr > MaxLapEntries)
            continue;
        if (lap.RNDnr > highest) {
            grid.SetRowCount(lap.RNDnr + 2);
            for (int k = highest + 1; k <= lap.RNDnr; ++k)
                grid.SetCell(0, k + 1, QString::number(k));
            highest = lap.RNDnr;
        }
        grid.SetCell(lap.Tracknr, lap.RNDnr + 1, LapCellText(lap.Time));
    }

    if (highest > 0) {
        grid.SetRowCount(highest + 4);
        grid.SetCell(0, highest + 2, FastestLabel);
        grid.SetCell(0, highest + 3, SlowestLabel);
        for (int t = 1; t <= tracks; ++t) {
            grid.SetCell(t, highest + 2, FastestText(stored.Extremes[t - 1].Fastest.Time));
            grid.SetCell(t, highest + 3, SlowestText(stored.Extremes[t - 1].Slowest.Time));
        }
    }
    return grid;
}

TLapGrid BuildSummaryGrid(const TStoredLaps& stored, int tracks)
{
    tracks = TrackColumns(tracks);
    const bool withRace = stored.Scope == TLapScope::Championship;
    TLapGrid grid(tracks + 1, withRace ? 12 : 10, 1);
    SetTrackHeadings(grid, tracks);

    // The fastest lap's block from row 1, the slowest lap's after one empty
    // row. Returns the block's last row.
    const auto fillBlock = [&](int first, bool fastest) {
        QStringList labels{QStringLiteral("Driver")};
        if (withRace)
            labels << QStringLiteral("Race:");
        labels << QStringLiteral("Heat:") << QStringLiteral("Round:") << (fastest ? FastestLabel : SlowestLabel);
        for (int i = 0; i < labels.size(); ++i)
            grid.SetCell(0, first + i, labels.at(i));
        for (int t = 1; t <= tracks; ++t) {
            const TLapExtreme& lap = fastest ? stored.Extremes[t - 1].Fastest : stored.Extremes[t - 1].Slowest;
            QStringList cells{lap.DriverName};
            if (withRace)
                cells << lap.RaceName;
            cells << NumberOrEmpty(lap.HTnr) << NumberOrEmpty(lap.RNDnr)
                  << (fastest ? FastestText(lap.Time) : SlowestText(lap.Time));
            for (int i = 0; i < cells.size(); ++i)
                grid.SetCell(t, first + i, cells.at(i));
        }
        return first + int(labels.size()) - 1;
    };
    const int fastestRow = fillBlock(1, true);
    fillBlock(fastestRow + 2, false);
    return grid;
}

TLapGrid BuildLastRaceGrid(const TTrackStates& states, int tracks, int32_t sectionsPerLap)
{
    tracks = TrackColumns(tracks);
    // Headings and drivers both stay in view as fixed rows.
    TLapGrid grid(tracks + 1, 3, 2);
    SetTrackHeadings(grid, tracks);

    std::array<uint32_t, 4> slowest{};
    std::array<uint32_t, 4> fastest{};
    for (int t = 1; t <= tracks; ++t) {
        const TTrackState& state = states[t - 1];
        slowest[t - 1] = 0;
        fastest[t - 1] = TTrackExtremes::NoFastest;
        grid.SetCell(t, 1, state.DriverName);
        // Laps beyond the recorded ones are counted but have no time to show.
        const int laps = std::clamp(LapsDriven(state, sectionsPerLap), 0, MaxLapEntries);
        if (grid.RowCount() < laps + 2)
            grid.SetRowCount(laps + 2);
        for (int k = 1; k <= laps; ++k) {
            const uint32_t time = state.LapTimes[k];
            grid.SetCell(0, k + 1, QString::number(k));
            grid.SetCell(t, k + 1, LapCellText(time));
            if (time == 0)
                continue;
            if (time > slowest[t - 1])
                slowest[t - 1] = time;
            if (time < fastest[t - 1])
                fastest[t - 1] = time;
        }
    }

    grid.SetRowCount(grid.RowCount() + 2);
    const int fastestRow = grid.RowCount() - 2;
    grid.SetCell(0, fastestRow, FastestLabel);
    grid.SetCell(0, fastestRow + 1, SlowestLabel);
    for (int t = 1; t <= tracks; ++t) {
        grid.SetCell(t, fastestRow, FastestText(fastest[t - 1]));
        grid.SetCell(t, fastestRow + 1, SlowestText(slowest[t - 1]));
    }
    return grid;
}
