#pragma once

#include "results/LapGrid.h"
#include "timing/RaceState.h"

#include <QByteArray>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <cstdint>

// The lap export: every lap as separator-delimited text a spreadsheet opens,
// written like the results exports (line 1 the title, line 2 the headings
// Race, Heat, Track, Driver, Lap, Time (ms), Time; CR LF; a field with the
// separator, a double quote or a line break quoted; UTF-8 without a
// byte-order mark).

struct TExportLap {
    QString RaceName;
    int Heat = 0;
    int Track = 0;
    QString Driver;       // empty for a lap whose heat has no driver row
    int Lap = 0;          // the lap's number in its heat
    uint32_t TimeMs = 0;  // 0: the lap has no time
};

// The Race column of a single race just run, which has no stored race name.
inline constexpr const char* LastRaceExportName = "Last race";

// Where the race just run belongs, for its lap export: a championship heat
// is written as the championship's own lap export writes it (its name as the
// title, the race's name and the heat's number); a single race has none of
// them.
struct TLapsOrigin {
    QString Title = QString::fromLatin1(LastRaceTitle);
    QString RaceName = QString::fromLatin1(LastRaceExportName);
    int Heat = 1;
};

QByteArray LapsFileBytes(const QString& title, const QList<TExportLap>& laps, char separator);

// Every stored lap of a championship in race, heat, track and lap order, and
// the championship's name as the title. A lap is exported even when its
// heat has no driver row (Driver then empty), so nothing stored is missing
// from the file. On a failed read returns false with the store's message.
bool ReadChampionshipLaps(QSqlDatabase db, int csnr, QString& title, QList<TExportLap>& laps, QString& error);

// The laps of the race just run as the lap view lists them (tracks 1..tracks
// with a driver or laps, LapsDriven capped at MaxLapEntries), in the race and
// heat of its origin.
QList<TExportLap> LastRaceLaps(const TTrackStates& states, int tracks, int32_t sectionsPerLap,
                               const TLapsOrigin& origin = {});
