#pragma once

#include "heats/HeatChoices.h"
#include "heats/HeatGeneration.h"
#include "heats/HeatResult.h"
#include "timing/RaceState.h"

#include <QSqlDatabase>
#include <QString>
#include <array>
#include <optional>
#include <vector>

// The facts of a championship that decide how its heats are run and stored.
struct THeatChampionship {
    QString Name;
    bool Timed = false;
    int32_t LapsMinutes = 0;  // laps of a Lap championship, minutes of a Timed one
};

// Who drives a heat: per track 1..4 the driver's number (0: no row) and name
// (empty when the row's driver is not in the driver table), with the stored
// lap value and time (0 while empty).
struct THeatLineup {
    std::array<int32_t, 4> DRVnr{};
    std::array<QString, 4> Names;
    std::array<int32_t, 4> Laps{};
    std::array<int32_t, 4> Time{};
};

// A row of the heat-info or driver-info grid with the stored values as the
// grids show them.
struct THeatInfoRow {
    QString Driver;
    int32_t Tracknr = 0;
    int32_t Heat = 0;
    QString Laps;
    QString Time;
    QString TopLapTime;
};

// Reads and writes of the heats of one race. Every write is one action,
// committed durably before it returns: a crash leaves the heats as they were
// before it or as the action left them, never half of it. A read that fails
// yields nullopt and a write false, with the store's message in LastError().
class THeatStore {
public:
    THeatStore(QSqlDatabase db, int32_t csnr, int32_t rcnr) : m_db(db), m_csnr(csnr), m_rcnr(rcnr) {}

    std::optional<THeatChampionship> Championship();
    std::optional<QString> RaceName();
    // The championship's drivers in the order the link table delivers them
    // (its key order).
    std::optional<std::vector<int32_t>> ChampionshipDrivers();
    // 0 when the race has no heat, else its highest heat number.
    std::optional<int32_t> LastHeatNumber();
    std::optional<THeatLineup> Lineup(int32_t htnr);
    // The lowest-numbered heat not finished yet, the one the club runs next;
    // 0 when every heat is finished or there is none.
    std::optional<int32_t> NextUnfinishedHeat();

    // What a driver has stored in this race so far, over all its heats: the
    // sum of his lap values (Timed) or times (Lap), as the timer window shows
    // it carried into a heat. Summed in 64 bits and kept within the 32 bits
    // the timer takes, so several did-not-finish times can never wrap round
    // to a small or negative total: the driver stays behind every finisher.
    std::optional<int32_t> RunningTotal(int32_t drvnr, bool timed);

    // The heats of a generation run (or of a heat added by hand), with their
    // detail rows, as one action.
    bool AppendHeats(const THeatPlan& plan);

    // The result of a run of heat htnr, from the race records: for every
    // track 1..trackCount that has a detail row its laps, time and best lap
    // (with the did-not-finish rule of a Lap championship), every lap time
    // but those of 0, the heat's old lap rows gone and the heat finished.
    bool StoreHeatResult(int32_t htnr, const TTrackStates& tracks, int trackCount, int32_t sectionsPerLap,
                         const THeatChampionship& championship);
    // The same from a result taken earlier (MakeHeatResult): the tracks in
    // use that have a detail row get their values and lap rows.
    bool StoreHeatResult(int32_t htnr, const THeatResult& result);

    // The drivers of heat htnr on tracks 1..trackCount as chosen by hand: a
    // changed driver replaces the row's driver (its results stay), a track
    // no longer used loses its row, a newly used one gets a row.
    bool ChangeHeatDrivers(int32_t htnr, const THeatTrackChoice& choice, int trackCount);
    // The corrected deciding value of each row of heat htnr on tracks
    // 1..trackCount that the user changed: the lap value in a Timed championship, the time in a
    // Lap one. Nothing else changes; the heat stays finished.
    bool ChangeHeatResults(int32_t htnr, const THeatResultChoice& choice, int trackCount);

    // A heat with its detail and lap rows; every heat of the race likewise.
    bool DeleteHeat(int32_t htnr);
    bool DeleteAllHeats();

    // The grids: the rows of one heat in track order, and every row of the
    // race by driver name and track.
    std::optional<std::vector<THeatInfoRow>> HeatInfo(int32_t htnr, int32_t sectionsPerLap);
    std::optional<std::vector<THeatInfoRow>> DriverInfo(int32_t sectionsPerLap);

    const QString& LastError() const { return m_error; }

private:
    QSqlDatabase m_db;
    int32_t m_csnr;
    int32_t m_rcnr;
    QString m_error;
};
