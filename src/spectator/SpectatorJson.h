#pragma once

#include "spectator/RaceSnapshot.h"

#include <QByteArray>

// The spectator page's feed document of a race as it stands: its phase as a
// title, the race clock, and the drivers ranked live, every value already
// formatted as the race screen shows it, so the page only lays them out:
// {"title": "Racing", "clock": "1:05.4", "drivers": [{"place": 1, "track": 2,
//  "name": "Anna", "laps": "12", "lastLap": "06.120", "bestLap": "05.980",
//  "gap": "", "falseStart": false}, ...]}
QByteArray SpectatorFeedJson(const TRaceSnapshot& snapshot);
