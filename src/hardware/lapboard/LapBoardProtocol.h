#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The lines the USB lap-sensor board and the program exchange (docs/lap-board.md):
// "<type> <seq> <fields>*<crc>\n", plain ASCII, a CRC-16 on every line and a
// sequence number per direction. Decoding works on fixed buffers and never
// allocates: it runs on the board's reader thread for every line.
namespace LapBoard {

inline constexpr int ProtocolVersion = 1;
// The longest line either side sends, line feed included.
inline constexpr std::size_t MaxLineLength = 48;

// CRC-16/MCRF4XX (reflected 0x8408, initial 0xFFFF, no final XOR): what
// avr-libc's _crc_ccitt_update gives the board for free.
uint16_t Crc16(const char* data, std::size_t size);

enum class TKind : uint8_t {
    Hello,      // K <seq> <protocol> <firmware>
    Heartbeat,  // H <seq> <time> <levels> <outputs>
    Event,      // E <seq> <time> <levels>
    Applied,    // A <seq> <pcseq> <time> <outputs>
    Refusal,    // X <seq> <reason>
};

struct TMessage {
    TKind Kind = TKind::Heartbeat;
    uint8_t Seq = 0;
    uint32_t TimeUs = 0;
    uint8_t Levels = 0;   // bit n-1: a car at sensor n
    uint8_t Outputs = 0;  // bit n-1: output line n on
    uint8_t PcSeq = 0;    // Applied: the command it answers
    int Protocol = 0;     // Hello
    // Hello: the firmware version; Refusal: the reason. Zero-terminated.
    std::array<char, 16> Text{};
};

enum class TDecode { Good, BadChecksum, BadFormat };

// One line without its line feed (a carriage return before it already
// dropped). Anything short of a perfect line is refused whole, so a damaged
// line is never taken for another.
TDecode DecodeLine(const char* line, std::size_t size, TMessage& message);

// A command to the board, line feed included, written to out (at least
// MaxLineLength bytes); returns its length. type is one of '?', 'O', 'Q',
// 'H'; outputs is used by 'O' only.
std::size_t FormatCommand(char type, uint8_t seq, uint8_t outputs, char* out);

// A board line as the firmware writes it, for tests and the board's own
// tools: body without checksum in, the whole line with "*CRC\n" out.
std::size_t SealLine(const char* body, std::size_t size, char* out);

}  // namespace LapBoard
