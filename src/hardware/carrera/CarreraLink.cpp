#include "hardware/carrera/CarreraLink.h"

#include "hardware/ByteWire.h"
#include "hardware/carrera/CarreraChannels.h"

#include <algorithm>

using namespace CarreraProtocol;

namespace {

int64_t UsBetween(std::chrono::steady_clock::time_point from, std::chrono::steady_clock::time_point to)
{
    return std::chrono::duration_cast<std::chrono::microseconds>(to - from).count();
}

bool LampsOut(uint8_t light) { return light == 0 || light == 7; }
bool CountingDown(uint8_t light) { return light >= 2 && light <= 6; }

}  // namespace

TCarreraLink::TCarreraLink(std::unique_ptr<TByteWire> wire, QString device, TCarreraChannels& channels,
                           const TCarreraTimeouts& timeouts)
    : m_device(std::move(device)), m_channels(channels), m_timeouts(timeouts), m_wire(std::move(wire))
{
    m_received.reserve(512);
}

TCarreraLink::~TCarreraLink() = default;

bool TCarreraLink::Connect()
{
    if (!m_wire->Open(m_problem))
        return false;
    m_received.clear();
    m_portFailed = false;

    TAnswer answer;
    for (int attempt = 0; attempt < m_timeouts.VersionTries && !m_channels.StopRequested.load(); ++attempt) {
        answer = Ask(VersionRequest());
        if (answer.Kind == TAnswer::TKind::Version || m_portFailed)
            break;
    }
    if (answer.Kind != TAnswer::TKind::Version) {
        m_problem = QStringLiteral("No Carrera Control Unit answers on %1.").arg(m_device);
        m_wire->Close();
        return false;
    }
    uint32_t version = 0;
    for (int i = 0; i < 4; ++i)
        version |= uint32_t(uint8_t(answer.Version[i])) << (8 * i);
    m_channels.Version.store(version);

    // The CU's clock runs on while the cable is out, so its times stay
    // comparable over a new connection: only the first one opens an epoch.
    if (m_epoch == 0)
        m_epoch = m_channels.Epoch.fetch_add(1) + 1;
    else
        m_channels.Epoch.fetch_add(1);
    m_lastGood = TClock::now();
    m_lightKnown = false;
    m_channels.Connected.store(true);
    return true;
}

void TCarreraLink::Serve()
{
    while (!m_channels.StopRequested.load()) {
        ServeStop();
        ServeStart();
        ServeTower();
        const TClock::time_point sent = TClock::now();
        const TAnswer answer = Ask(PollRequest());
        const TClock::time_point received = TClock::now();
        if (answer.Kind == TAnswer::TKind::TimerEvent)
            TakeEvent(answer.Event, received);
        else if (answer.Kind == TAnswer::TKind::Status)
            TakeStatus(answer.Status, sent, received);
        if (m_portFailed || UsBetween(m_lastGood, TClock::now()) >= int64_t(m_timeouts.SilenceMs) * 1000) {
            Lose();
            return;
        }
    }
}

void TCarreraLink::Finish()
{
    m_channels.Connected.store(false);
    m_wire->Close();
}

void TCarreraLink::Lose()
{
    m_channels.Connected.store(false);
    m_wire->Close();
}

TAnswer TCarreraLink::Ask(const QByteArray& request)
{
    if (!m_wire->Send(request)) {
        m_portFailed = true;
        return {};
    }
    const char command = request.at(1);
    const TClock::time_point deadline = TClock::now() + std::chrono::milliseconds(m_timeouts.AnswerMs);
    for (;;) {
        QByteArray message;
        while (TakeMessage(message)) {
            if (!message.isEmpty() && message.at(0) == command) {
                const TAnswer answer = ParseAnswer(command, message);
                if (answer.Kind != TAnswer::TKind::Invalid)
                    m_lastGood = TClock::now();
                return answer;
            }
            // The CU answers every request in turn; an answer that comes
            // after its request was given up on (a busy PC can hold bytes
            // back for longer than the wait) is still the CU's word. A
            // poll's answer tells itself what it is, and a crossing must
            // not be lost to it being late: it is taken now.
            if (!message.isEmpty() && message.at(0) == '?')
                TakeLateAnswer(ParseAnswer('?', message));
        }
        const int64_t leftUs = UsBetween(TClock::now(), deadline);
        if (leftUs <= 0)
            return {};
        if (!m_wire->Receive(m_received, int(std::max<int64_t>(1, leftUs / 1000)))) {
            m_portFailed = true;
            return {};
        }
    }
}

bool TCarreraLink::TakeMessage(QByteArray& message)
{
    int end = -1;
    for (int i = 0; i < m_received.size() && end < 0; ++i)
        if (m_received.at(i) == MessageEnd || m_received.at(i) == OtherMessageEnd)
            end = i;
    if (end < 0) {
        // No end in sight: a stream of noise is not kept for ever.
        if (m_received.size() > 256)
            m_received.clear();
        return false;
    }
    // Noise before an answer is skipped: it begins at a command character.
    static constexpr char Commands[] = {'0', '?', 'T', '=', 'J', ':'};
    int begin = 0;
    while (begin < end &&
           std::find(std::begin(Commands), std::end(Commands), m_received.at(begin)) == std::end(Commands))
        ++begin;
    message = m_received.mid(begin, end - begin);
    m_received.remove(0, end + 1);
    return true;
}

void TCarreraLink::TakeLateAnswer(const TAnswer& answer)
{
    const TClock::time_point now = TClock::now();
    if (answer.Kind == TAnswer::TKind::Invalid)
        return;
    m_lastGood = now;
    if (answer.Kind == TAnswer::TKind::TimerEvent)
        TakeEvent(answer.Event, now);
    else if (answer.Kind == TAnswer::TKind::Status)
        TakeStatus(answer.Status, now, now);
}

void TCarreraLink::TakeEvent(const TTimerEvent& event, TClock::time_point received)
{
    if (!m_events.IsNew(event))
        return;
    // An event from before the last clock reset, told after it, has a time
    // the new clock has not reached yet: it belongs to no race of ours.
    if (m_resetSeen) {
        const int64_t sinceResetMs = UsBetween(m_resetAt, received) / 1000;
        if (sinceResetMs < (int64_t(1) << 31) && int64_t(event.TimeMs) > sinceResetMs + 1000)
            return;
    }
    const int64_t unitMs = m_clock.Extend(event.TimeMs);
    // An event reaches us a poll or so after it happened, never before: the
    // earliest zero any event implies is the closest. It may drift up again
    // slowly, as the two clocks' crystals differ.
    const TClock::time_point zero = received - std::chrono::milliseconds(unitMs);
    if (!m_clockKnown || zero < m_clockZero)
        m_clockZero = zero;
    else
        m_clockZero += std::min<TClock::duration>(zero - m_clockZero, std::chrono::microseconds(20));
    m_clockKnown = true;

    TCarreraChannels::TLastEvent& last = m_channels.LastEvents[size_t(event.Address - 1)];
    last.TimeMs.store(event.TimeMs, std::memory_order_relaxed);
    last.Sector.store(event.Sector, std::memory_order_relaxed);
    last.Count.fetch_add(1, std::memory_order_release);
    if (event.Sector == 1 && event.Address <= CarCount)
        m_channels.Arrivals.Push({int(event.Address), m_epoch, unitMs * 1000});
}

void TCarreraLink::TakeStatus(const TStatus& status, TClock::time_point sent, TClock::time_point received)
{
    for (size_t i = 0; i < status.Fuel.size(); ++i)
        m_channels.Fuel[i].store(status.Fuel[i], std::memory_order_relaxed);
    m_channels.Mode.store(status.Mode, std::memory_order_relaxed);
    m_channels.StartLight.store(status.StartLight, std::memory_order_relaxed);
    const uint8_t entered = uint8_t(status.PitMask & ~m_lastPitMask);
    for (int i = 0; i < 8; ++i)
        if (entered & (1u << i))
            m_channels.PitEntries[size_t(i)].fetch_add(1, std::memory_order_relaxed);
    m_lastPitMask = status.PitMask;
    m_channels.StatusKnown.store(true, std::memory_order_release);

    // The lamps went out between the last status that showed the countdown
    // and this one: the middle of that span is as close as the CU lets us
    // come to the green.
    if (m_lightKnown && CountingDown(m_lastLight) && LampsOut(status.StartLight)) {
        const TClock::time_point green = m_lastStatusAt + (sent + (received - sent) / 2 - m_lastStatusAt) / 2;
        m_channels.GreenUs.store(UnitUsAt(green), std::memory_order_relaxed);
        m_channels.GreenEpoch.store(m_epoch, std::memory_order_relaxed);
        m_channels.Greens.fetch_add(1, std::memory_order_release);
        m_starting = false;
        m_raceOn = true;
    }
    m_lastLight = status.StartLight;
    m_lightKnown = true;
    m_lastStatusAt = received;
}

bool TCarreraLink::Press(TButton button, TClock::time_point& sent, TClock::time_point& received)
{
    sent = TClock::now();
    const TAnswer answer = Ask(PressRequest(button));
    received = TClock::now();
    m_lastPress = received;
    // The CU now shows something else: wait for a status before judging the
    // lamps again.
    m_lightKnown = false;
    return answer.Kind == TAnswer::TKind::Echo;
}

void TCarreraLink::ServeStart()
{
    const uint32_t starts = m_channels.StartRequests.load(std::memory_order_acquire);
    if (starts != m_startsServed) {
        m_startsServed = starts;
        m_starting = true;
        m_resetPending = m_channels.ClockResetRequests.load(std::memory_order_relaxed) != m_resetsServed;
        m_resetsServed = m_channels.ClockResetRequests.load(std::memory_order_relaxed);
        m_lastPress = TClock::now() - std::chrono::hours(1);
    }
    // A race still running on the CU is stopped first (ServeStop).
    if (!m_starting || m_stopPending || !m_lightKnown || CountingDown(m_lastLight))
        return;
    if (m_resetPending) {
        m_resetPending = false;
        const TClock::time_point sent = TClock::now();
        if (Ask(ResetClockRequest()).Kind == TAnswer::TKind::Echo) {
            const TClock::time_point received = TClock::now();
            m_clockZero = sent + (received - sent) / 2;
            m_clockKnown = true;
            m_resetAt = received;
            m_resetSeen = true;
            // The filter keeps the last event: the CU may tell it again, and
            // its old time must not be taken for the new clock's.
            m_clock.Reset();
        }
    }
    if (UsBetween(m_lastPress, TClock::now()) < int64_t(m_timeouts.PressRepeatMs) * 1000)
        return;
    // Out or flashing: one press arms the start (all red); armed: the next
    // press runs the countdown. A press the lamps did not follow goes again.
    TClock::time_point sent, received;
    Press(TButton::StartEnter, sent, received);
}

void TCarreraLink::ServeStop()
{
    const uint32_t stops = m_channels.StopRequests.load(std::memory_order_acquire);
    if (stops != m_stopsServed) {
        // A start not yet under way is called off; one asked for after this
        // stop comes in a later round.
        m_stopsServed = stops;
        m_starting = false;
        m_stopPending = true;
    }
    // A countdown already running ends in a green the CU will not take
    // back: the stop waits for it.
    if (!m_stopPending || !m_lightKnown || CountingDown(m_lastLight))
        return;
    m_stopPending = false;
    TClock::time_point sent = TClock::now(), received = sent;
    // Only a race that runs is stopped by a press; otherwise the power is
    // off already and a press would arm a start.
    if (m_raceOn && LampsOut(m_lastLight) && !Press(TButton::StartEnter, sent, received)) {
        m_stopPending = true;
        return;
    }
    m_raceOn = false;
    m_channels.StopUs.store(UnitUsAt(sent + (received - sent) / 2), std::memory_order_relaxed);
    m_channels.StopEpoch.store(m_epoch, std::memory_order_relaxed);
    m_channels.Stops.fetch_add(1, std::memory_order_release);
}

void TCarreraLink::ServeTower()
{
    const uint32_t wanted = m_channels.Tower.load(std::memory_order_relaxed);
    if (wanted == m_towerSent)
        return;
    // Without a tower the words would go nowhere.
    if (!(m_channels.Mode.load(std::memory_order_relaxed) & 8)) {
        m_towerSent = wanted;
        return;
    }
    // One word between two polls, so the polls keep their pace.
    QByteArray request;
    if (m_towerNext < 4) {
        const int place = int((wanted >> (4 * m_towerNext)) & 0xF);
        request = place > 0 ? SetWordRequest(6, m_towerNext + 1, place, 1) : QByteArray();
    } else {
        const int laps = int(wanted >> 16) & 0xFF;
        request = SetWordRequest(m_towerNext == 4 ? 17 : 18, 7, m_towerNext == 4 ? laps >> 4 : laps & 0xF, 1);
    }
    if (!request.isEmpty())
        Ask(request);
    if (++m_towerNext == 6) {
        m_towerNext = 0;
        m_towerSent = wanted;
    }
}

int64_t TCarreraLink::UnitUsAt(TClock::time_point moment) const
{
    if (!m_clockKnown)
        return 0;
    return UsBetween(m_clockZero, moment);
}
