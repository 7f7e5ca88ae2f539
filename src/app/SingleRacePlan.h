#pragma once

#include <QString>
#include <cstdint>

// What "Start" hands to the race screen, worked out from the page's fields.
struct TSingleRacePlan {
    bool ok = false;
    QString error;           // the conversion message when the length is not a number
    QString raceType;        // as chosen: "Lap" is a Lap race, any other text a Timed race
    int32_t raceLength = 0;  // laps, or seconds for a Timed race
};

// A Lap race is the exact type text "Lap", its length in laps; anything else
// is a Timed race of length minutes, in seconds.
TSingleRacePlan PlanSingleRace(const QString& raceType, const QString& lengthText);
