#pragma once

#include "results/StandingsRows.h"

#include <QSqlDatabase>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

struct TSettings;

// Championship standings: per race a ranking of the drivers by their race
// total with points per place, and per driver the sum of his best races.
// The rules are plain functions; TStandingsStore runs them over the stored
// heats and keeps the outcome in the two working tables while the results
// window is open.

// A stored heat row of one race, with whether its heat is finished.
struct TStandingsHeatRow {
    int32_t DRVnr = 0;
    bool Finished = false;
    int32_t Laps = 0;  // lap value
    int32_t Time = 0;  // ms
};

// A driver's total in one race: ms in a Lap championship (64 bits, so that
// several did-not-finish heats still add up), a lap value in a Timed one.
struct TRaceTotal {
    int32_t DRVnr = 0;
    int64_t Total = 0;
    double Points = 0;
};

// The totals of the drivers who have a finished heat in the race, in driver
// order; a total of 0 gives no row (no result, no points).
std::vector<TRaceTotal> SumRaceResults(std::vector<TStandingsHeatRow> rows, bool timed, int32_t sectionsPerLap);

// Ranks the race (smallest time first, or most laps first) and gives each
// row its points: equal totals form a group sharing the average of its
// places' points; places beyond the table's 20 add nothing.
void AwardRacePoints(std::vector<TRaceTotal>& race, bool timed, const std::array<int32_t, 20>& placePoints);

// A driver's championship total: the sum of his best `racesThatCount` race points.
double BestRacesTotal(std::vector<double> racePoints, int racesThatCount);

// The working tables of one championship: computed afresh as one action,
// read back as the windows show them, cleared again as one action.
class TStandingsStore {
public:
    TStandingsStore(QSqlDatabase db, int32_t csnr) : m_db(db), m_csnr(csnr) {}

    bool Compute(const TSettings& settings);
    bool Clear();
    std::optional<TStandings> Read(int32_t sectionsPerLap);

    const QString& LastError() const { return m_error; }

private:
    QSqlDatabase m_db;
    int32_t m_csnr;
    QString m_error;
};
