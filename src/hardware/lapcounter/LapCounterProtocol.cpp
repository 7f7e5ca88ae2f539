#include "hardware/lapcounter/LapCounterProtocol.h"

namespace LapCounter {

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// At least one digit, all of them hexadecimal, the value within `limit`.
// Leading zeros are free: "any number of digits" includes padded ones.
bool ParseHex(const char* text, std::size_t size, uint64_t limit, uint64_t& value)
{
    if (size == 0)
        return false;
    value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const int digit = HexValue(text[i]);
        if (digit < 0 || value > (limit - uint64_t(digit)) / 16)
            return false;
        value = value * 16 + uint64_t(digit);
    }
    return true;
}

constexpr uint64_t MaxMs = uint64_t(INT64_MAX) / 1000;  // the program keeps µs
constexpr uint64_t MaxLane = UINT32_MAX;

bool DecodeLap(const char* text, std::size_t size, TMessage& message)
{
    std::size_t laneDigits = 2;
    std::size_t timeFrom = 2;
    for (std::size_t i = 0; i < size; ++i) {
        if (text[i] == ',') {
            laneDigits = i;
            timeFrom = i + 1;
            break;
        }
    }
    uint64_t lane = 0;
    uint64_t ms = 0;
    if (size < timeFrom || !ParseHex(text, laneDigits, MaxLane, lane) ||
        !ParseHex(text + timeFrom, size - timeFrom, MaxMs, ms))
        return false;
    message.Kind = TKind::Lap;
    message.Lane = uint32_t(lane);
    message.Ms = int64_t(ms);
    return true;
}

}  // namespace

bool DecodeBody(const char* body, std::size_t size, TMessage& message)
{
    if (size == 0)
        return false;
    const char* rest = body + 1;
    const std::size_t restSize = size - 1;
    switch (body[0]) {
    case 'A':
        if (restSize != 0)
            return false;
        message = TMessage{};
        return true;
    case 'T': {
        uint64_t ms = 0;
        if (!ParseHex(rest, restSize, MaxMs, ms))
            return false;
        message = TMessage{TKind::Clock, 0, int64_t(ms)};
        return true;
    }
    case 'L': return DecodeLap(rest, restSize, message);
    default: return false;
    }
}

bool TReader::Feed(char byte, TMessage& message)
{
    if (byte == '%') {
        // A message begun and not ended lost its end on the way.
        if (m_state == TState::InMessage || m_state == TState::Garbage)
            Drop();
        m_state = TState::InMessage;
        m_size = 0;
        return false;
    }
    switch (m_state) {
    case TState::Between:
        if (byte == '\r' || byte == '\n' || byte == ' ' || byte == '\t' || byte == '\0')
            return false;
        m_state = TState::Garbage;
        return false;
    case TState::Garbage:
    case TState::Overlong:
        // Up to the next '%'; an '&' may end the rubbish too.
        if (byte == '&') {
            if (m_state == TState::Garbage)
                Drop();
            m_state = TState::Between;
        }
        return false;
    case TState::InMessage: break;
    }
    if (byte == '&') {
        m_state = TState::Between;
        if (!DecodeBody(m_body, m_size, message)) {
            Drop();
            return false;
        }
        m_lastLength = int(m_size) + 2;
        return true;
    }
    if (m_size == MaxBodyLength) {
        Drop();
        m_state = TState::Overlong;
        return false;
    }
    m_body[m_size++] = byte;
    return false;
}

void TReader::Reset()
{
    if (m_state == TState::InMessage || m_state == TState::Garbage)
        Drop();
    m_state = TState::Between;
    m_size = 0;
}

}  // namespace LapCounter
