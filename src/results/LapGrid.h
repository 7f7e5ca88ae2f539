#pragma once

#include "results/StoredLaps.h"
#include "timing/RaceState.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

// The lap view's grid as text: column 0 holds the row labels, column t track
// t; the first FixedRows rows are headings. Every grid is built from empty
// cells, so nothing of a previous showing can linger in a cell that the new
// content does not reach.
class TLapGrid {
public:
    TLapGrid(int columns, int rowCount, int fixedRows);

    int Columns() const { return m_columns; }
    int RowCount() const { return int(m_rows.size()); }
    int FixedRows() const { return m_fixedRows; }
    // Rows added are empty; rows taken away are gone.
    void SetRowCount(int rows);
    // Empty outside the grid; writes outside it are dropped.
    QString Cell(int column, int row) const;
    void SetCell(int column, int row, const QString& text);

private:
    int m_columns;
    int m_fixedRows;
    QList<QStringList> m_rows;
};

// A lap time as the grid shows it: seconds and thousandths ("08.500"),
// "99.999" from a minute on.
QString LapTimeText(uint32_t ms);
// A lap's cell: its time, or "-" for a lap without one.
QString LapCellText(int64_t ms);
// The extremes' cells: empty while no lap has been taken.
QString FastestText(uint32_t ms);
QString SlowestText(uint32_t ms);

// The widest texts a cell shows in the normal course: a lap time of any
// digits and the longest row labels. A long name may be cut off at the cell's
// edge; a time or a label must not be, so the grid's font is fitted to these.
QStringList WidestCellTexts();

// The title above the grid of a stored scope, and of the race just run.
QString LapViewTitle(const TStoredLaps& stored);
inline constexpr const char* LastRaceTitle = "Laps Results";

// Every lap of one heat round by round (lap k in row k + 1, drivers in row
// 1), then each track's fastest and slowest lap. Tracks above `tracks` have
// no column and their laps are left out.
TLapGrid BuildHeatGrid(const TStoredLaps& stored, int tracks);
// Per track the fastest and the slowest lap of a race or a championship with
// its driver, heat and round (and race, in the championship scope).
TLapGrid BuildSummaryGrid(const TStoredLaps& stored, int tracks);
// Every lap of the race just run, from the race records, then each track's
// fastest and slowest lap. A Timed false start lowers a track's laps but not
// what was driven, so the laps listed are those driven, given back what the
// penalty took (which needs the sections-per-lap setting).
TLapGrid BuildLastRaceGrid(const TTrackStates& states, int tracks, int32_t sectionsPerLap);
