#pragma once

#include <cstddef>
#include <cstdint>

// The free lap-counter protocol that DIY counters (Arduino sketches) and some
// transponder decoders speak, over a serial line or TCP. Every message is
// '%', a body, '&'; times are milliseconds in hexadecimal of any number of
// digits. The reader works on a fixed buffer and never allocates: it runs on
// the counter's link thread for every byte that comes.
namespace LapCounter {

// What the PC sends.
inline constexpr char Hello[] = "%C&";      // are you there?
inline constexpr char RaceStart[] = "%I&";  // the counter's clock to zero
inline constexpr char RaceStop[] = "%F&";   // send no more detections
inline constexpr int RequestLength = 3;

// The longest body taken. Far more than any real message (a 32-bit lane and
// a 64-bit time), so that only a runaway stream is overlong.
inline constexpr std::size_t MaxBodyLength = 40;

enum class TKind : uint8_t {
    Acknowledge,  // A
    Clock,        // T<time>
    Lap,          // L<lane><time>, the lane two digits or any number then ','
};

struct TMessage {
    TKind Kind = TKind::Acknowledge;
    uint32_t Lane = 0;  // Lap: the lane (transponder) number
    int64_t Ms = 0;     // Clock, Lap: the counter's race time
};

// One body (between '%' and '&'). Anything not exactly one of the messages
// above is refused whole, so a damaged message is never taken for another.
bool DecodeBody(const char* body, std::size_t size, TMessage& message);

// Cuts the byte stream into messages. Line ends and blanks between messages
// are allowed (a sketch may println); anything else outside a message, a
// message cut short by the next '%', an overlong one and a body that does not
// decode each count as one dropped message.
class TReader {
public:
    // Takes one byte; true when it completed a good message, then in `message`.
    bool Feed(char byte, TMessage& message);
    // Forgets a message begun (the line was lost or reopened).
    void Reset();

    uint32_t Dropped() const { return m_dropped; }
    // How many bytes the last message completed had, '%' and '&' included.
    int LastLength() const { return m_lastLength; }

private:
    enum class TState : uint8_t { Between, InMessage, Garbage, Overlong };

    void Drop() { ++m_dropped; }

    TState m_state = TState::Between;
    char m_body[MaxBodyLength]{};
    std::size_t m_size = 0;
    uint32_t m_dropped = 0;
    int m_lastLength = 0;
};

}  // namespace LapCounter
