#include "timing/RaceJournalFormat.h"

#include <array>
#include <cstring>

namespace RaceJournalFormat {
namespace {

// CRC-32 as zlib and PNG have it (reflected 0xEDB88320), so a journal can be
// checked with any common tool.
constexpr std::array<uint32_t, 256> MakeCrcTable()
{
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr std::array<uint32_t, 256> CrcTable = MakeCrcTable();

void PutU16(char* out, uint16_t v)
{
    out[0] = char(v & 0xff);
    out[1] = char(v >> 8);
}
void PutU32(char* out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[i] = char((v >> (8 * i)) & 0xff);
}
uint32_t GetU32(const char* in)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= uint32_t(uint8_t(in[i])) << (8 * i);
    return v;
}
uint16_t GetU16(const char* in) { return uint16_t(uint8_t(in[0]) | uint16_t(uint8_t(in[1])) << 8); }

}  // namespace

uint32_t Crc32(const char* data, std::size_t size, uint32_t crc)
{
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i)
        crc = CrcTable[(crc ^ uint8_t(data[i])) & 0xff] ^ (crc >> 8);
    return ~crc;
}

QByteArray Header()
{
    QByteArray header(Magic, sizeof Magic);
    header.append(char(Version));
    return header;
}

bool AppendRecord(QByteArray& out, TKind kind, const QByteArray& payload)
{
    if (payload.size() > MaxPayload)
        return false;
    const qsizetype start = out.size();
    out.resize(start + RecordOverhead + payload.size());
    char* p = out.data() + start;
    PutU16(p, uint16_t(payload.size()));
    p[2] = char(kind);
    if (!payload.isEmpty())
        std::memcpy(p + 3, payload.constData(), size_t(payload.size()));
    PutU32(p + 3 + payload.size(), Crc32(p, size_t(3 + payload.size())));
    return true;
}

int EncodeLap(const TLap& lap, char* out)
{
    PutU16(out, LapPayloadSize);
    out[2] = char(TKind::Lap);
    out[3] = char(lap.Track);
    PutU32(out + 4, uint32_t(lap.Lap));
    PutU32(out + 8, lap.LapMs);
    PutU32(out + 12, lap.RaceMs);
    PutU32(out + 16, Crc32(out, 16));
    return LapPayloadSize + RecordOverhead;
}

bool DecodeLap(const QByteArray& payload, TLap& lap)
{
    if (payload.size() != LapPayloadSize || payload[0] < 1 || payload[0] > 4)
        return false;
    lap.Track = uint8_t(payload[0]);
    lap.Lap = int32_t(GetU32(payload.constData() + 1));
    lap.LapMs = GetU32(payload.constData() + 5);
    lap.RaceMs = GetU32(payload.constData() + 9);
    return true;
}

TReadOutcome Read(const QByteArray& file)
{
    TReadOutcome outcome;
    if (file.size() < HeaderSize || std::memcmp(file.constData(), Magic, sizeof Magic) != 0 ||
        uint8_t(file[7]) != Version) {
        outcome.DroppedBytes = file.size();
        return outcome;
    }
    outcome.HeaderValid = true;
    qsizetype at = HeaderSize;
    while (at < file.size()) {
        const qsizetype left = file.size() - at;
        if (left < RecordOverhead)
            break;
        const char* p = file.constData() + at;
        const int length = GetU16(p);
        const uint8_t kind = uint8_t(p[2]);
        if (left < RecordOverhead + length || GetU32(p + 3 + length) != Crc32(p, size_t(3 + length)) ||
            kind < uint8_t(TKind::Race) || kind > uint8_t(TKind::Event))
            break;
        outcome.Records.push_back({TKind(kind), QByteArray(p + 3, length)});
        at += RecordOverhead + length;
    }
    outcome.DroppedBytes = file.size() - at;
    return outcome;
}

}  // namespace RaceJournalFormat
