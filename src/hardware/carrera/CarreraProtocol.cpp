#include "hardware/carrera/CarreraProtocol.h"

#include <algorithm>
#include <cstdlib>

namespace CarreraProtocol {
namespace {

// Bit positions of the eight nibbles of a 32-bit value, in the order sent.
constexpr int U32Shifts[8] = {24, 28, 16, 20, 8, 12, 0, 4};

constexpr int EventSize = 1 + 1 + 8 + 1 + 1;  // '?', address, time, sector, checksum
constexpr int StatusSize = 2 + 8 + 1 + 1 + 2 + 1 + 1;
constexpr int ExtendedStatusSize = StatusSize + 2;

QByteArray Framed(QByteArray message, bool withChecksum)
{
    if (withChecksum)
        message.append(Nibble(Checksum(message.constData() + 1, int(message.size()) - 1)));
    return RequestStart + message + MessageEnd;
}

bool ChecksumHolds(const QByteArray& answer)
{
    const int last = int(answer.size()) - 1;
    return NibbleValue(answer[last]) == Checksum(answer.constData() + 1, last - 1);
}

// Every byte from `from` to before the checksum is a nibble byte.
bool AllNibbles(const QByteArray& answer, int from)
{
    for (int i = from; i < answer.size(); ++i)
        if (NibbleValue(answer[i]) < 0)
            return false;
    return true;
}

uint8_t ByteAt(const QByteArray& answer, int at)
{
    return uint8_t(NibbleValue(answer[at]) | (NibbleValue(answer[at + 1]) << 4));
}

uint32_t U32At(const QByteArray& answer, int at)
{
    uint32_t value = 0;
    for (int i = 0; i < 8; ++i)
        value |= uint32_t(NibbleValue(answer[at + i])) << U32Shifts[i];
    return value;
}

}  // namespace

char Nibble(unsigned value) { return char(0x30 + (value & 0x0f)); }

int NibbleValue(char byte)
{
    const int value = int(uint8_t(byte)) - 0x30;
    return value >= 0 && value <= 15 ? value : -1;
}

uint8_t Checksum(const char* data, int size)
{
    unsigned sum = 0;
    for (int i = 0; i < size; ++i)
        sum += uint8_t(data[i]);
    return uint8_t(sum & 0x0f);
}

QByteArray VersionRequest() { return Framed("0", false); }
QByteArray PollRequest() { return Framed("?", false); }
QByteArray PressRequest(TButton button) { return Framed(QByteArray("T") + Nibble(unsigned(button)), true); }
QByteArray ResetClockRequest() { return Framed(QByteArray("=") + Nibble(1) + Nibble(0), true); }

QByteArray SetWordRequest(int word, int address, int value, int repeat)
{
    const unsigned target = unsigned(word + 32 * address) & 0xff;
    QByteArray message("J");
    message += Nibble(target);
    message += Nibble(target >> 4);
    message += Nibble(unsigned(value));
    message += Nibble(unsigned(repeat));
    return Framed(message, true);
}

TAnswer ParseAnswer(char command, const QByteArray& answer)
{
    TAnswer parsed;
    if (answer.isEmpty() || answer[0] != command)
        return parsed;
    // An echo carries nothing that is used: its command is enough.
    if (command != '0' && command != '?') {
        parsed.Kind = TAnswer::TKind::Echo;
        return parsed;
    }
    if (answer.size() < 2 || !AllNibbles(answer, int(answer.size()) - 1) || !ChecksumHolds(answer))
        return parsed;

    if (command == '0') {
        // Four characters of the version: digits as a rule, taken as sent.
        if (answer.size() != 6)
            return parsed;
        parsed.Kind = TAnswer::TKind::Version;
        parsed.Version = answer.mid(1, 4);
        return parsed;
    }
    if (answer[1] == ':') {
        if ((answer.size() != StatusSize && answer.size() != ExtendedStatusSize) || !AllNibbles(answer, 2))
            return parsed;
        TStatus& status = parsed.Status;
        for (int i = 0; i < 8; ++i)
            status.Fuel[size_t(i)] = uint8_t(NibbleValue(answer[2 + i]));
        status.StartLight = uint8_t(NibbleValue(answer[10]));
        status.Mode = uint8_t(NibbleValue(answer[11]));
        status.PitMask = ByteAt(answer, 12);
        status.DisplayedCars = uint8_t(NibbleValue(answer[14]));
        status.Extended = answer.size() == ExtendedStatusSize;
        parsed.Kind = TAnswer::TKind::Status;
        return parsed;
    }
    const int address = NibbleValue(answer[1]);
    if (answer.size() != EventSize || !AllNibbles(answer, 1) || address < 1 || address > PaceCar)
        return parsed;
    parsed.Event = {uint8_t(address), U32At(answer, 2), uint8_t(NibbleValue(answer[10]))};
    parsed.Kind = TAnswer::TKind::TimerEvent;
    return parsed;
}

bool TEventFilter::IsNew(const TTimerEvent& event)
{
    if (m_hasLast && event == m_last)
        return false;
    m_hasLast = true;
    m_last = event;
    return true;
}

int64_t TClockExtender::Extend(uint32_t timeMs)
{
    constexpr int64_t Span = int64_t(1) << 32;
    if (!m_known) {
        m_known = true;
        m_last = timeMs;
        return m_last;
    }
    // The candidate nearest to the last time, in the span before or after it.
    const int64_t base = m_last - (m_last & (Span - 1));
    int64_t best = base + timeMs;
    for (const int64_t candidate : {base - Span + timeMs, base + Span + timeMs})
        if (candidate >= 0 && std::abs(candidate - m_last) < std::abs(best - m_last))
            best = candidate;
    m_last = std::max(m_last, best);
    return best;
}

}  // namespace CarreraProtocol
