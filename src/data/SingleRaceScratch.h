#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

// The Single Race page's one-row scratch table: the driver chosen for each
// track. It holds choices, never results; every visit of the page starts it
// afresh.
class TSingleRaceScratch {
public:
    explicit TSingleRaceScratch(QSqlDatabase db) : m_db(db) {}

    // Deletes every row and inserts one empty row, together.
    bool Reset();
    // Stores the driver (or nothing, for an empty name) of track 1..4.
    bool SetDriver(int track, const QString& name);
    // The four names; an empty field gives an empty name.
    std::array<QString, 4> Drivers();
    // Every driver's name in name order, for the drop-down lists.
    QStringList DriverNames();

    const QString& LastError() const { return m_error; }

private:
    QSqlDatabase m_db;
    QString m_error;
};

// What "Start" hands to the race screen, worked out from the page's fields.
struct TSingleRacePlan {
    bool ok = false;
    QString error;        // the conversion message when the length is not a number
    QString raceType;     // as chosen: "Lap" is a Lap race, any other text a Timed race
    int32_t raceLength = 0;  // laps, or seconds for a Timed race
};

// A Lap race is the exact type text "Lap", its length in laps; anything else
// is a Timed race of length minutes, in seconds.
TSingleRacePlan PlanSingleRace(const QString& raceType, const QString& lengthText);
