#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// The club's records, from every lap the store keeps: the fastest lap ever
// driven on each track, the same per championship, and each driver's best
// per track. A bouncing sensor can leave a "lap" of a fifth of a second, so
// a lap counts only from a minimum time on (RecordsChoice.h); a lap of time 0
// never counts. Of equal laps the one driven first holds the record: the
// earlier stored heat, then race, heat and lap number.

// Whether a lap time can stand as a record.
inline bool CountsForRecords(uint32_t ms, uint32_t minimumMs) { return ms > 0 && ms >= minimumMs; }

struct TLapRecord {
    uint32_t TimeMs = 0;  // 0: nobody holds it yet
    int Tracknr = 0;      // 1..4
    int DRVnr = 0;
    QString Driver;
    int CSnr = 0;
    QString Championship;
    int RCnr = 0;
    QString Race;
    int HTnr = 0;
    int RNDnr = 0;            // the lap's number in its heat
    int64_t StoredUtcMs = 0;  // when its heat was stored; 0: stored before Kobalap kept dates
    bool Held() const { return TimeMs > 0; }
};

// Tracks 1..4 are indices 0..3.
using TTrackRecords = std::array<TLapRecord, 4>;

struct TChampionshipRecords {
    int CSnr = 0;
    QString Name;
    TTrackRecords Tracks;
};

struct TRecordBook {
    uint32_t MinimumMs = 0;      // the minimum lap the book was read with
    TTrackRecords TrackRecords;  // over every championship
    // Every championship with at least one counted lap, in name order.
    QList<TChampionshipRecords> Championships;
    // One per driver and track he has a counted lap on, by driver name, then track.
    QList<TLapRecord> PersonalBests;
};

// Reads the whole book. On a failed read returns nothing, with the store's
// message in error.
std::optional<TRecordBook> ReadRecordBook(QSqlDatabase db, uint32_t minimumMs, QString& error);

// The date a record was set, "2026-12-09" in local time; "-" when unknown.
QString RecordDateText(int64_t storedUtcMs);
