#pragma once

#include <QString>
#include <cstdint>
#include <vector>

// The standings of a championship as the results window shows them, and as
// the export files and printed reports write them.

// A row of the standings (QueryResult): best points first, then by name.
struct TTotalsRow {
    int Nr = 0;  // position in that order, from 1
    QString Driver;
    double TotalPoints = 0;
};

// A row of the race points (QueryResultDetail): by race name, best points
// first, equal points by the better race total, then by driver name.
struct TRacePointsRow {
    QString Race;
    QString Driver;
    int32_t Time = 0;  // the race total: ms (Lap championship) or a lap value (Timed)
    QString TimeStr;   // that total as shown: "1:23.456", "999:99.999" or "16.15"
    double Points = 0;
};

struct TStandings {
    QString Championship;  // its name, as in the title panel
    bool Timed = false;
    std::vector<TTotalsRow> Totals;
    std::vector<TRacePointsRow> RacePoints;
};
