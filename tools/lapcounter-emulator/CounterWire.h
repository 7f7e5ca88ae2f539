#pragma once

#include <QByteArray>
#include <cstdint>

// The free lap-counter protocol as the counter writes and reads it: every
// message is '%', a body and '&'; times are ms in uppercase hexadecimal.
// Written here and not taken from the program, so that the emulator checks
// the program's reading of the wire instead of agreeing with it.
namespace CounterWire {

constexpr char MessageStart = '%';
constexpr char MessageEnd = '&';

// How a lap message writes its lane: two hex digits ("%L01...") or any
// number of them and a comma ("%L1,...").
enum class TLaneForm { TwoDigits, Comma };

QByteArray Acknowledge();
QByteArray Clock(int64_t counterMs);
QByteArray Lap(int lane, int64_t counterMs, TLaneForm form);

// The bytes of `text` with "\xNN" made into the byte NN; false when an
// escape is not two hex digits.
bool Unescape(const QByteArray& text, QByteArray& bytes);
// Bytes fit for a log line: the unprintable ones, space and the backslash as "\xNN".
QByteArray Printable(const QByteArray& bytes);

// The PC's messages in the bytes from the PC: '%' starts one, '&' ends it.
// Bytes between messages are line noise and are dropped.
class TRequestReader {
public:
    // True when `byte` completed a message, whose body is then in `body`.
    bool Feed(char byte, QByteArray& body);
    void Reset() { m_inside = false; }

private:
    // Far longer than any request: a lost '&', so the reader starts over.
    static constexpr int MaxBody = 32;
    bool m_inside = false;
    QByteArray m_body;
};

}  // namespace CounterWire
