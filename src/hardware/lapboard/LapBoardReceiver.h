#pragma once

#include "hardware/lapboard/LapBoardProtocol.h"

#include <array>
#include <cstddef>
#include <cstdint>

// What the receiver makes of the board's lines. Called on the reader thread.
class TLapBoardSink {
public:
    virtual ~TLapBoardSink() = default;
    // The board's hello. restarted: it began afresh (its clock and numbering
    // too); otherwise this answers our "?" and its number follows on.
    // Lines are passed on only after a hello of our protocol version.
    virtual void Hello(int protocol, const char* firmware, bool restarted) = 0;
    // A car arrived at sensor 1..4 at this board time (microseconds since
    // the hello, extended past the 32-bit wrap).
    virtual void Arrival(int sensor, int64_t boardUs) = 0;
    // The sensors' levels as last reported (bit n-1: a car at sensor n).
    virtual void Levels(uint8_t levels) = 0;
    // The PC's command pcSeq was applied at boardUs; outputs now show this.
    virtual void Applied(uint8_t pcSeq, int64_t boardUs, uint8_t outputs) = 0;
    // The board refused a line of ours (damaged on the way): resend.
    virtual void Refused() = 0;
};

// Why lines were not taken, counted since the last Reset.
struct TLapBoardFaults {
    int64_t Damaged = 0;  // bad checksum, bad format, too long
    int64_t Gaps = 0;     // sequence numbers skipped: lines lost on the way
    int64_t Lost = 0;     // the board itself dropped sensor changes
    int64_t GoodLines = 0;
};

// Splits the byte stream from the board into lines and turns good ones
// into calls on the sink. Every check the protocol offers is made: the
// checksum, the format, the sequence number. A car's arrival is reported
// only from an event line whose predecessor holding the levels was
// received too; across a lost line the new levels are taken as they are
// and no lap mark is made from them. Fixed buffers, no allocation.
class TLapBoardReceiver {
public:
    // Bytes as they come from the port, in chunks of any size.
    void Feed(const char* data, std::size_t size, TLapBoardSink& sink);
    // A new connection: no partial line, no expected number, no time base.
    void Reset();

    const TLapBoardFaults& Faults() const { return m_faults; }

private:
    void TakeLine(TLapBoardSink& sink);
    void TakeMessage(const LapBoard::TMessage& message, TLapBoardSink& sink);
    int64_t ExtendTime(uint32_t timeUs);

    std::array<char, LapBoard::MaxLineLength> m_line{};
    std::size_t m_length = 0;
    bool m_overlong = false;  // dropping bytes up to the next line feed

    bool m_greeted = false;  // a hello of our protocol version came
    bool m_haveSeq = false;
    uint8_t m_lastSeq = 0;
    // Whether m_levels is what the board last reported, with no line lost
    // since: only then does a change make a lap mark.
    bool m_levelsTrusted = false;
    uint8_t m_levels = 0;

    bool m_haveTime = false;
    uint32_t m_lastTime = 0;
    int64_t m_lastExtended = 0;

    TLapBoardFaults m_faults;
};
