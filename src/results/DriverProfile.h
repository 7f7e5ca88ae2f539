#pragma once

#include "results/LapRecords.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <cstdint>
#include <optional>

// One driver over every championship he drove in, from the stored heats:
// how much he raced, how often he won, his best lap per track and how his
// median lap went from championship to championship.

struct TProfileChampionship {
    int CSnr = 0;
    QString Name;
    int64_t FirstStoredUtcMs = 0;  // his first stored heat in it; 0: not known
    int Laps = 0;                  // counted laps
    double MedianLapMs = 0;        // of his counted laps; 0 without any
};

struct TDriverProfile {
    int DRVnr = 0;
    QString Driver;
    int Races = 0;       // races with at least one finished heat of his
    int Heats = 0;       // finished heats he drove
    int RaceWins = 0;    // first place in a race's ranking (the results window's, shared firsts count)
    int Podiums = 0;     // first, second or third place
    TTrackRecords Best;  // his best counted lap per track (Held() false: none)
    // Championships he has counted laps in, oldest first (first stored heat,
    // then CSnr where dates are unknown): the points of the chart.
    QList<TProfileChampionship> Championships;
};

// settings gives the points per place and the sections per lap the results
// window ranks races with. Nothing on a failed read, with the store's message.
struct TSettings;
std::optional<TDriverProfile> ReadDriverProfile(QSqlDatabase db, int drvnr, const TSettings& settings,
                                                uint32_t minimumMs, QString& error);
