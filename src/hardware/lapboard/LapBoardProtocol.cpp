#include "hardware/lapboard/LapBoardProtocol.h"

#include <cstring>

namespace LapBoard {

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;  // lower case is not ours: the board writes upper case only
}

// Reads exactly `digits` hex digits at text[pos] and moves pos past them.
bool ReadHex(const char* text, std::size_t size, std::size_t& pos, int digits, uint32_t& value)
{
    if (pos + std::size_t(digits) > size)
        return false;
    uint32_t result = 0;
    for (int i = 0; i < digits; ++i) {
        const int digit = HexValue(text[pos + std::size_t(i)]);
        if (digit < 0)
            return false;
        result = (result << 4) | uint32_t(digit);
    }
    pos += std::size_t(digits);
    value = result;
    return true;
}

bool ReadSpace(const char* text, std::size_t size, std::size_t& pos)
{
    if (pos >= size || text[pos] != ' ')
        return false;
    ++pos;
    return true;
}

// A word of printable characters other than space and '*' (firmware
// version, refusal reason), at most out's size - 1.
bool ReadWord(const char* text, std::size_t size, std::size_t& pos, std::array<char, 16>& out)
{
    std::size_t length = 0;
    while (pos + length < size && text[pos + length] > ' ' && text[pos + length] < 127)
        ++length;
    if (length == 0 || length >= out.size())
        return false;
    std::memcpy(out.data(), text + pos, length);
    out[length] = '\0';
    pos += length;
    return true;
}

bool ReadDecimal(const char* text, std::size_t size, std::size_t& pos, int& value)
{
    std::size_t digits = 0;
    int result = 0;
    while (pos < size && text[pos] >= '0' && text[pos] <= '9' && digits < 6) {
        result = result * 10 + (text[pos] - '0');
        ++pos;
        ++digits;
    }
    if (digits == 0 || (pos < size && text[pos] >= '0' && text[pos] <= '9'))
        return false;
    value = result;
    return true;
}

void WriteHex(char* out, std::size_t& pos, uint32_t value, int digits)
{
    for (int i = digits - 1; i >= 0; --i)
        out[pos++] = HexDigits[(value >> (4 * i)) & 0xF];
}

bool DecodeBody(const char* text, std::size_t size, TMessage& m)
{
    if (size < 4)
        return false;
    std::size_t pos = 1;
    uint32_t value = 0;
    if (!ReadSpace(text, size, pos) || !ReadHex(text, size, pos, 2, value))
        return false;
    m.Seq = uint8_t(value);
    switch (text[0]) {
    case 'K':
        m.Kind = TKind::Hello;
        if (!ReadSpace(text, size, pos) || !ReadDecimal(text, size, pos, m.Protocol))
            return false;
        if (!ReadSpace(text, size, pos) || !ReadWord(text, size, pos, m.Text))
            return false;
        break;
    case 'H':
    case 'E':
        m.Kind = text[0] == 'H' ? TKind::Heartbeat : TKind::Event;
        if (!ReadSpace(text, size, pos) || !ReadHex(text, size, pos, 8, m.TimeUs))
            return false;
        if (!ReadSpace(text, size, pos) || !ReadHex(text, size, pos, 1, value))
            return false;
        m.Levels = uint8_t(value);
        if (m.Kind == TKind::Heartbeat) {
            if (!ReadSpace(text, size, pos) || !ReadHex(text, size, pos, 2, value))
                return false;
            m.Outputs = uint8_t(value);
        }
        break;
    case 'A':
        m.Kind = TKind::Applied;
        if (!ReadSpace(text, size, pos) || !ReadHex(text, size, pos, 2, value))
            return false;
        m.PcSeq = uint8_t(value);
        if (!ReadSpace(text, size, pos) || !ReadHex(text, size, pos, 8, m.TimeUs))
            return false;
        if (!ReadSpace(text, size, pos) || !ReadHex(text, size, pos, 2, value))
            return false;
        m.Outputs = uint8_t(value);
        break;
    case 'X':
        m.Kind = TKind::Refusal;
        if (!ReadSpace(text, size, pos) || !ReadWord(text, size, pos, m.Text))
            return false;
        break;
    default: return false;
    }
    return pos == size;  // nothing may follow the last field
}

}  // namespace

uint16_t Crc16(const char* data, std::size_t size)
{
    uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= uint8_t(data[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0x8408) : uint16_t(crc >> 1);
    }
    return crc;
}

TDecode DecodeLine(const char* line, std::size_t size, TMessage& message)
{
    // "<body>*XXXX"
    if (size < 6 || size >= MaxLineLength || line[size - 5] != '*')
        return TDecode::BadFormat;
    const std::size_t bodySize = size - 5;
    std::size_t pos = bodySize + 1;
    uint32_t crc = 0;
    if (!ReadHex(line, size, pos, 4, crc))
        return TDecode::BadFormat;
    if (uint16_t(crc) != Crc16(line, bodySize))
        return TDecode::BadChecksum;
    TMessage decoded;
    if (!DecodeBody(line, bodySize, decoded))
        return TDecode::BadFormat;
    message = decoded;
    return TDecode::Good;
}

std::size_t SealLine(const char* body, std::size_t size, char* out)
{
    std::memcpy(out, body, size);
    std::size_t pos = size;
    out[pos++] = '*';
    WriteHex(out, pos, Crc16(body, size), 4);
    out[pos++] = '\n';
    return pos;
}

std::size_t FormatCommand(char type, uint8_t seq, uint8_t outputs, char* out)
{
    char body[16];
    std::size_t pos = 0;
    body[pos++] = type;
    body[pos++] = ' ';
    WriteHex(body, pos, seq, 2);
    if (type == 'O') {
        body[pos++] = ' ';
        WriteHex(body, pos, outputs, 2);
    }
    return SealLine(body, pos, out);
}

}  // namespace LapBoard
