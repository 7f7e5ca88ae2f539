#include "hardware/lapcounter/LapCounterLink.h"

#include "hardware/ByteWire.h"

#include <algorithm>

namespace {

int64_t SteadyUs(std::chrono::steady_clock::time_point moment)
{
    return std::chrono::duration_cast<std::chrono::microseconds>(moment.time_since_epoch()).count();
}

int64_t MsBetween(std::chrono::steady_clock::time_point from, std::chrono::steady_clock::time_point to)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

// A counter's clock runs on its own crystal and the message takes its time on
// the wire: a little leeway before a time counts as from before the reset.
constexpr int64_t ResetLeewayMs = 50;

}  // namespace

TLapCounterLink::TLapCounterLink(std::unique_ptr<TByteWire> wire, QString where, bool needsAcknowledge,
                                 TLapCounterChannels& channels, TSpscRing<TLapCounterRequest, 16>& requests,
                                 const TLapCounterTimeouts& timeouts)
    : m_wire(std::move(wire)),
      m_where(std::move(where)),
      m_needsAcknowledge(needsAcknowledge),
      m_channels(channels),
      m_requests(requests),
      m_timeouts(timeouts)
{
}

TLapCounterLink::~TLapCounterLink() = default;

bool TLapCounterLink::Connect()
{
    m_problem.clear();
    if (!m_wire->Open(m_problem))
        return false;
    m_reader.Reset();
    m_received.clear();
    m_acknowledged = false;
    m_wire->Discard();
    // A new connection: whatever comes from here on, even during the
    // greeting, is not set against times from before it.
    NewEpoch();
    m_resetSent = false;
    // Over TCP the connection itself says the counter is there; the question
    // is still asked, and a counter that answers it is welcome.
    const int tries = m_needsAcknowledge ? std::max(m_timeouts.HelloTries, 1) : 1;
    for (int attempt = 0; attempt < tries && !m_acknowledged; ++attempt) {
        if (!m_wire->Send(QByteArray(LapCounter::Hello)))
            break;
        if (!m_needsAcknowledge)
            break;
        const TClock::time_point deadline = TClock::now() + std::chrono::milliseconds(m_timeouts.AcknowledgeMs);
        while (!m_acknowledged && TClock::now() < deadline) {
            const int left = int(std::max<int64_t>(MsBetween(TClock::now(), deadline), 1));
            if (!ReadSome(left))
                break;
        }
    }
    if (m_needsAcknowledge && !m_acknowledged) {
        m_problem = QStringLiteral("The lap counter on %1 does not answer.").arg(m_where);
        m_wire->Close();
        return false;
    }
    m_detecting = true;
    m_clockHeard = false;
    m_clockGaps = 0;
    m_lastHeard = TClock::now();
    m_channels.Connected.store(true);
    return true;
}

void TLapCounterLink::NewEpoch()
{
    m_epoch = m_channels.Epoch.fetch_add(1) + 1;
    m_anchors = TLapCounterChannels::TAnchors{};
    m_anchors.Epoch = m_epoch;
    m_channels.PublishAnchors(m_anchors);
}

void TLapCounterLink::Serve()
{
    while (!m_channels.StopRequested.load()) {
        if (!SendRequests() || !ReadSome(m_timeouts.PollMs) || Silent(TClock::now())) {
            Lose();
            return;
        }
    }
}

void TLapCounterLink::Finish()
{
    if (m_channels.Connected.load()) {
        m_wire->Send(QByteArray(LapCounter::RaceStop));
        m_channels.Connected.store(false);
    }
    m_wire->Close();
}

bool TLapCounterLink::ReadSome(int waitMs)
{
    m_received.resize(0);
    if (!m_wire->Receive(m_received, waitMs))
        return false;
    const TClock::time_point received = TClock::now();
    LapCounter::TMessage message;
    for (const char byte : std::as_const(m_received))
        if (m_reader.Feed(byte, message))
            Take(message, received);
    m_channels.Dropped.store(m_reader.Dropped(), std::memory_order_relaxed);
    return true;
}

void TLapCounterLink::Take(const LapCounter::TMessage& message, TClock::time_point received)
{
    m_lastHeard = received;
    switch (message.Kind) {
    case LapCounter::TKind::Acknowledge: m_acknowledged = true; break;
    case LapCounter::TKind::Clock: TakeClock(message.Ms, received); break;
    case LapCounter::TKind::Lap: TakeLap(message.Lane, message.Ms, received); break;
    }
}

bool TLapCounterLink::FromBeforeReset(int64_t counterMs, TClock::time_point received) const
{
    if (!m_resetSent)
        return false;
    const int64_t sinceReset = MsBetween(m_resetSentAt, received);
    // Later than the window, the counter has long had the reset: a time
    // beyond it is a counter that keeps its own clock, and its laps count.
    return sinceReset < m_timeouts.InFlightMs && counterMs > sinceReset + ResetLeewayMs;
}

void TLapCounterLink::TakeClock(int64_t counterMs, TClock::time_point received)
{
    if (m_clockHeard) {
        std::rotate(m_clockGapsMs.rbegin(), m_clockGapsMs.rbegin() + 1, m_clockGapsMs.rend());
        m_clockGapsMs[0] = MsBetween(m_lastClockAt, received);
        m_clockGaps = std::min<int>(m_clockGaps + 1, int(m_clockGapsMs.size()));
    }
    m_clockHeard = true;
    m_lastClockAt = received;
    if (FromBeforeReset(counterMs, received))
        return;
    // The counter read its clock as the message started out: the wire's time
    // for the message lies between.
    m_anchors.ClockKnown = true;
    m_anchors.ClockPcUs = SteadyUs(received) - m_wire->TransferUs(m_reader.LastLength());
    m_anchors.ClockCounterUs = counterMs * 1000;
    m_channels.PublishAnchors(m_anchors);
}

void TLapCounterLink::TakeLap(uint32_t lane, int64_t counterMs, TClock::time_point received)
{
    if (FromBeforeReset(counterMs, received))
        return;
    if (lane < 1 || lane > 4) {
        uint32_t none = 0;
        m_channels.StrayLane.compare_exchange_strong(none, lane);
        return;
    }
    m_channels.LastLapPcMs[lane - 1].store(SteadyUs(received) / 1000, std::memory_order_relaxed);
    m_channels.Arrivals.Push({int(lane), m_epoch, counterMs * 1000});
}

bool TLapCounterLink::SendRequests()
{
    TLapCounterRequest request;
    while (m_requests.Take(request)) {
        if (request == TLapCounterRequest::Stop) {
            if (!m_wire->Send(QByteArray(LapCounter::RaceStop)))
                return false;
            m_detecting = false;
            continue;
        }
        if (!m_wire->Send(QByteArray(LapCounter::RaceStart)))
            return false;
        const TClock::time_point sent = TClock::now();
        // A new clock: times from before it are not set against times after.
        NewEpoch();
        m_anchors.ResetKnown = true;
        m_anchors.ResetPcUs = SteadyUs(sent) + m_wire->TransferUs(LapCounter::RequestLength);
        m_channels.PublishAnchors(m_anchors);
        m_channels.StartsSent.fetch_add(1, std::memory_order_release);
        m_resetSent = true;
        m_resetSentAt = sent;
        m_detecting = true;
        m_lastHeard = sent;
    }
    return true;
}

bool TLapCounterLink::Silent(TClock::time_point now) const
{
    // Only a counter that keeps a rhythm can be heard to stop, and only while
    // it should be sending: some stay quiet between races.
    if (!m_detecting || m_clockGaps == 0)
        return false;
    const int64_t rhythmMs = *std::max_element(m_clockGapsMs.begin(), m_clockGapsMs.begin() + m_clockGaps);
    return MsBetween(m_lastHeard, now) > rhythmMs + m_timeouts.SilenceMarginMs;
}

void TLapCounterLink::Lose()
{
    m_channels.Connected.store(false);
    m_wire->Close();
    m_reader.Reset();
}
