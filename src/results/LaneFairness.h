#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <cstdint>
#include <vector>

// Is one track of the club's circuit faster than the others? Each driver is
// compared with himself: his median lap on a track minus his median lap over
// all tracks. Per track, the median of those differences over the drivers
// who drove it there and on at least one other track is the track's offset;
// a bootstrap over drivers (drivers drawn again with replacement) gives its
// 90 % interval. Because the heats rotate every driver over every track,
// this compares like with like; where some drivers missed a track, the
// report says so.

// One stored lap with its driver (only laps that count, see LapRecords.h).
struct TLaneLap {
    int DRVnr = 0;
    int Track = 0;  // 1..4
    uint32_t TimeMs = 0;
};

struct TLaneOffset {
    int Track = 0;        // 1..4
    double OffsetMs = 0;  // median over drivers of (track median - overall median); + is slower
    double LowMs = 0;     // 90 % interval, 5th and 95th percentile of the bootstrap
                          // (nearest rank: the value of rank ceil(p % of the draws) when sorted)
    double HighMs = 0;
    int Drivers = 0;  // drivers who count for this track
};

struct TLaneReport {
    // The tracks at least one counting driver drove, in track order.
    QList<TLaneOffset> Tracks;
    int Drivers = 0;  // drivers who drove two tracks or more
    // Every counting driver drove every track of the report.
    bool EveryDriverEveryTrack = true;
};

// Bootstrap draws; fixed seed, so a report reads the same every time.
inline constexpr int LaneResamples = 2000;
inline constexpr uint32_t LaneSeed = 20261209;

// Laps that do not count for records (minimumMs) are left out first.
TLaneReport ComputeLaneReport(const std::vector<TLaneLap>& laps, uint32_t minimumMs, int resamples = LaneResamples,
                              uint32_t seed = LaneSeed);

// "Track 3: +0.118 s (+0.071 .. +0.160), 24 drivers"
QString LaneOffsetText(const TLaneOffset& offset);
// The one sentence that says how to read the report, and, when drivers
// missed tracks, the one that says so.
QString LaneReadingText();
QString LaneMissingTracksText();

// The laps of a championship (csnr 0: every championship) that count, each
// with the driver of its heat row. False with the store's message on a failed read.
bool ReadLaneLaps(QSqlDatabase db, int csnr, uint32_t minimumMs, std::vector<TLaneLap>& laps, QString& error);
