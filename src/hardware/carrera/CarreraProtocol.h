#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>

// The Carrera DIGITAL 124/132 Control Unit's messages, apart from any port.
//
// The PC frames a request as '"', the message and '$'; the CU answers every
// request with a message that starts with the request's command character
// and ends with '$' (some units end it with '#'). Inside a message a 4-bit
// value v is the byte 0x30 + v, an 8-bit value two such bytes low nibble
// first, a 32-bit value eight of them (bits 24-27, 28-31, 16-19, 20-23,
// 8-11, 12-15, 0-3, 4-7). The byte before the end is a checksum: the sum of
// every byte after the command character, modulo 16, as a nibble byte.
namespace CarreraProtocol {

inline constexpr char RequestStart = '"';
inline constexpr char MessageEnd = '$';
inline constexpr char OtherMessageEnd = '#';

// Controller addresses in events and masks: 1..6 the cars, 7 the ghost car,
// 8 the pace car.
inline constexpr int CarCount = 6;
inline constexpr int GhostCar = 7;
inline constexpr int PaceCar = 8;

// The CU's buttons for the 'T' request.
enum class TButton : uint8_t { PaceCar = 1, StartEnter = 2, Speed = 5, Brake = 6, Fuel = 7, Code = 8 };

char Nibble(unsigned value);
// The value of a nibble byte, or -1 for a byte that is none.
int NibbleValue(char byte);
uint8_t Checksum(const char* data, int size);

// Whole requests, framed, ready for the wire.
QByteArray VersionRequest();
QByteArray PollRequest();
QByteArray PressRequest(TButton button);
QByteArray ResetClockRequest();
// Word `word` of controller `address` set to value (0..15), sent `repeat` times.
QByteArray SetWordRequest(int word, int address, int value, int repeat);

struct TTimerEvent {
    uint8_t Address = 0;  // 1..8
    uint32_t TimeMs = 0;  // the CU's clock at the crossing
    uint8_t Sector = 0;   // 1: the start/finish line
    bool operator==(const TTimerEvent&) const = default;
};

struct TStatus {
    std::array<uint8_t, 8> Fuel{};  // 0..15 per address
    uint8_t StartLight = 0;         // 0/7 off, 1 all red, 2..6 the countdown, 8/9 flashing
    uint8_t Mode = 0;               // 1 fuel, 2 real fuel, 4 pit-lane adapter, 8 position tower
    uint8_t PitMask = 0;            // bit n-1: car n is in the pit lane
    uint8_t DisplayedCars = 0;      // 6 or 8
    bool Extended = false;          // the longer status of recent units
    bool operator==(const TStatus&) const = default;
};

struct TAnswer {
    enum class TKind { Invalid, Version, TimerEvent, Status, Echo };
    TKind Kind = TKind::Invalid;
    QByteArray Version;  // four characters
    TTimerEvent Event;
    TStatus Status;
};

// One answer to a request whose command character was `command`, as read up
// to and without its end byte. Anything that does not check out exactly
// (wrong command, length, a byte that is no nibble, the checksum) is Invalid:
// a damaged answer is never half believed.
TAnswer ParseAnswer(char command, const QByteArray& answer);

// The CU answers a poll with its last event until a new one comes: an event
// equal to the one before is the same crossing told again.
class TEventFilter {
public:
    bool IsNew(const TTimerEvent& event);
    void Reset() { m_hasLast = false; }

private:
    bool m_hasLast = false;
    TTimerEvent m_last;
};

// The CU's clock is 32 bits of milliseconds from its power-on and wraps after
// some 49.7 days; this carries it on in 64 bits. A time a little before the
// last one (an old event told late) is taken as before it, not as a wrap.
class TClockExtender {
public:
    int64_t Extend(uint32_t timeMs);
    void Reset() { m_known = false; }

private:
    bool m_known = false;
    int64_t m_last = 0;
};

}  // namespace CarreraProtocol
