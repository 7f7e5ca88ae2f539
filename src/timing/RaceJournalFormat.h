#pragma once

#include "common/SpscRing.h"

#include <QByteArray>
#include <cstdint>
#include <vector>

// The race journal on disk: a header, then records appended one after the
// other as the race runs. Each record carries its length and a CRC-32 over
// length, kind and payload, so that a tail torn by a crash or a power cut,
// or bytes damaged on disk, are found and dropped rather than misread.
// Reading stops at the first record that does not check out: nothing after
// it is trusted, since a damaged length would put every later boundary in
// the wrong place.
//
//   file:   "KOBAJRN" version(1 byte)  record*
//   record: length(u16 LE, payload bytes)  kind(u8)  payload  crc32(u32 LE)
namespace RaceJournalFormat {

inline constexpr char Magic[7] = {'K', 'O', 'B', 'A', 'J', 'R', 'N'};
inline constexpr uint8_t Version = 1;
inline constexpr int HeaderSize = 8;
inline constexpr int RecordOverhead = 2 + 1 + 4;
inline constexpr int MaxPayload = 0xffff;

enum class TKind : uint8_t {
    Race = 1,   // what is raced: a description written at "Start"
    Lap = 2,    // one counted lap, from the timing thread's ring
    Event = 3,  // a race-control step: start, false start, pause, resume, finish, cancel, end
};

// A lap as the timing thread hands it on: fixed size, nothing to allocate.
struct TLap {
    uint8_t Track = 0;  // 1..4
    // The lap's number: from 1, unless laps taken away by hand left the
    // count at or below zero when it was driven.
    int32_t Lap = 0;
    uint32_t LapMs = 0;   // its time
    uint32_t RaceMs = 0;  // race time at the crossing
    bool operator==(const TLap&) const = default;
};
inline constexpr int LapPayloadSize = 13;
// From the timing thread to the journal's writer.
using TLapRing = TSpscRing<TLap, 1024>;

struct TRecord {
    TKind Kind = TKind::Event;
    QByteArray Payload;
    bool operator==(const TRecord&) const = default;
};

struct TReadOutcome {
    bool HeaderValid = false;
    std::vector<TRecord> Records;  // every whole record before the first bad one
    int64_t DroppedBytes = 0;      // the tail that was not trusted
};

uint32_t Crc32(const char* data, std::size_t size, uint32_t crc = 0);

QByteArray Header();
// Appends one record to out; false (out unchanged) for a payload too long.
bool AppendRecord(QByteArray& out, TKind kind, const QByteArray& payload);
// The lap record written straight into a fixed buffer, for the writer's hot
// path: returns the bytes used (LapPayloadSize + RecordOverhead).
int EncodeLap(const TLap& lap, char* out);
bool DecodeLap(const QByteArray& payload, TLap& lap);

TReadOutcome Read(const QByteArray& file);

}  // namespace RaceJournalFormat
