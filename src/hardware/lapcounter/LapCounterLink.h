#pragma once

#include "hardware/LinkThread.h"
#include "hardware/lapcounter/LapCounterChannels.h"
#include "hardware/lapcounter/LapCounterProtocol.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <chrono>
#include <cstdint>
#include <memory>

class TByteWire;

// How long the conversation waits for what.
struct TLapCounterTimeouts {
    int AcknowledgeMs = 500;  // the counter answers "are you there?" this soon
    // An Arduino restarts when its port is opened and listens after ~1.5 s:
    // the question goes again until then.
    int HelloTries = 6;
    // A counter silent this long beyond the rhythm of its clock messages is lost.
    int SilenceMarginMs = 1000;
    int ReconnectMs = 500;
    int PollMs = 2;  // the longest a race start or stop waits to be sent
    // After the clock went to zero, messages stamped before it may still be
    // on their way for this long.
    int InFlightMs = 200;
};

// Requests from the program to the counter, in the order asked.
enum class TLapCounterRequest : uint8_t { Start, Stop };

// The conversation with a lap counter, run on its own link thread: "are
// you there?" at connect where the wire needs it, then laps and clock
// messages as they come, a race start or stop sent when the program asks.
// Blocking calls on a thread of its own keep the window and the race loop
// free of the wire. `where` names the counter in what is said of it.
class TLapCounterLink final : public TLinkConversation {
public:
    TLapCounterLink(std::unique_ptr<TByteWire> wire, QString where, bool needsAcknowledge,
                    TLapCounterChannels& channels, TSpscRing<TLapCounterRequest, 16>& requests,
                    const TLapCounterTimeouts& timeouts);
    ~TLapCounterLink() override;
    TLapCounterLink(const TLapCounterLink&) = delete;
    TLapCounterLink& operator=(const TLapCounterLink&) = delete;

    // Opens the wire and, on a serial line, waits for the acknowledge.
    bool Connect() override;
    // Serves a connected counter until it is lost or a stop is requested.
    void Serve() override;
    // Tells the counter the race is over and closes the wire.
    void Finish() override;

    // Why Connect failed, naming the counter.
    QString ProblemText() const override { return m_problem; }

private:
    using TClock = std::chrono::steady_clock;

    // Reads what came within waitMs and takes its messages; false when the
    // wire is gone.
    bool ReadSome(int waitMs);
    void Take(const LapCounter::TMessage& message, TClock::time_point received);
    // A message stamped before the last clock reset that arrived after it.
    bool FromBeforeReset(int64_t counterMs, TClock::time_point received) const;
    void TakeClock(int64_t counterMs, TClock::time_point received);
    void TakeLap(uint32_t lane, int64_t counterMs, TClock::time_point received);
    bool SendRequests();
    bool Silent(TClock::time_point now) const;
    void NewEpoch();
    void Lose();

    std::unique_ptr<TByteWire> m_wire;
    QString m_where;
    bool m_needsAcknowledge = true;
    TLapCounterChannels& m_channels;
    TSpscRing<TLapCounterRequest, 16>& m_requests;
    TLapCounterTimeouts m_timeouts;
    QString m_problem;

    LapCounter::TReader m_reader;
    QByteArray m_received;
    bool m_acknowledged = false;
    uint32_t m_epoch = 0;
    TLapCounterChannels::TAnchors m_anchors;

    bool m_resetSent = false;
    TClock::time_point m_resetSentAt;
    bool m_detecting = true;  // no stop sent since the last start
    TClock::time_point m_lastHeard;
    // The rhythm of the clock messages: the longest of the last few gaps.
    bool m_clockHeard = false;
    TClock::time_point m_lastClockAt;
    std::array<int64_t, 4> m_clockGapsMs{};
    int m_clockGaps = 0;
};
