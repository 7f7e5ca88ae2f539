#pragma once

#include "LapCounter.h"

#include <QByteArray>
#include <cstdint>
#include <deque>
#include <functional>

// The counter's messages on their way to the PC: in the order sent, each
// held back as long as its bytes take on a wire of the given speed, a
// message split in two on request, all of it held while the counter is
// silent. A message's log line ("crossing ...") is written once its last
// byte is out, or its lost line when nobody was there to hear it.
class TOutgoingWire {
public:
    using TLog = std::function<void(const QByteArray&)>;
    // Writes bytes to the PC; false when nobody heard them.
    using TWrite = std::function<bool(const QByteArray&)>;

    // baud: bits per second, ten bits a byte; 0 sends at once.
    TOutgoingWire(int baud, TLog log) : m_baud(baud), m_log(std::move(log)) {}

    void Send(const TOutgoing& message);
    // The next message goes out in two halves, `gapMs` apart.
    void SplitNext(int64_t gapMs) { m_splitGapMs = gapMs; }
    // Writes what is due by `nowUs` (µs since the emulator started) unless
    // the counter is silent until after it.
    void Pump(int64_t nowUs, int64_t silentUntilMs, const TWrite& write);
    // A hang-up: what was not on the wire yet is lost.
    void Drop();

private:
    struct TPiece {
        QByteArray Bytes;
        int64_t NotBeforeUs = 0;
        int64_t GapUs = 0;  // after the piece before it is out
        int64_t DoneUs = -1;
        bool First = true;
        bool Last = true;
        QByteArray SentLine;
        QByteArray LostLine;
    };

    int64_t WireUs(qsizetype bytes) const { return m_baud > 0 ? bytes * 10'000'000ll / m_baud : 0; }

    int m_baud = 0;
    TLog m_log;
    std::deque<TPiece> m_pieces;
    int64_t m_wireFreeUs = 0;  // when the last piece's last byte was out
    int64_t m_splitGapMs = -1;
    bool m_unheard = false;  // a piece of the message being sent was lost
};
