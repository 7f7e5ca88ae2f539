#pragma once

#include <QMap>
#include <QString>
#include <array>
#include <cstdint>

// What the race announcements say, one switch each, in the order the
// settings list them.
enum class TAnnouncementKind : uint8_t {
    LineUp,        // the drivers of a heat or race, track by track, as its window opens
    FalseStart,    // "False start, track 2"
    FastestLap,    // a new fastest lap of the race
    ToGo,          // laps or time to go
    LeaderChange,  // a new leader, at most once every 10 seconds
    Finish,        // the first three at the end
    TimingLost,    // the track interface stopped answering
    Record,        // a lap that beat the track record or the driver's personal best
};
inline constexpr int AnnouncementKindCount = 8;

// The voice of the race. It lives in kobalap.conf beside KOBA.ini, groups
// [Announcements] and [SpokenNames]; KOBA.ini has no room for it. Off unless
// the club turns it on: a program that starts talking by itself at the track
// side surprises everyone.
struct TAnnouncementChoice {
    bool Enabled = false;
    QString Voice;            // the engine's name of the voice; empty: its default
    int RatePercent = 0;      // -100 (slowest) .. 100 (fastest); 0 is the engine's normal pace
    int VolumePercent = 100;  // 0..100
    std::array<bool, AnnouncementKindCount> Says = {true, true, true, true, true, true, true, true};
    // How a driver's name is said, by driver number, for names the engine
    // mangles ("Jan Sch\u00e4fer" said as "Yan Shayfer"). Empty forms are not kept.
    QMap<int32_t, QString> SpokenNames;

    bool operator==(const TAnnouncementChoice&) const = default;
};

// The choice stored in kobalap.conf in the given folder; a missing file or a
// value that makes no sense gives the default for that value.
TAnnouncementChoice ReadAnnouncementChoice(const QString& workingDirectory);
// Stores the choice, keeping whatever else the file holds (the spoken names
// are replaced as a whole). False when the file could not be written.
bool WriteAnnouncementChoice(const QString& workingDirectory, const TAnnouncementChoice& choice);
