#include "LapCounter.h"

#include <utility>

namespace {

QByteArray Number(int64_t value) { return QByteArray::number(qlonglong(value)); }

}  // namespace

TLapCounter::TLapCounter(TLapCounterOptions options, TLog log, TSend send)
    : m_options(options),
      m_log(std::move(log)),
      m_send(std::move(send)),
      m_zeroAt(-options.ClockStartMs),
      m_nextClockAt(options.ClockPeriodMs)
{
}

void TLapCounter::AdvanceTo(int64_t nowMs)
{
    while (RunNextDue(nowMs)) {
    }
}

bool TLapCounter::RunNextDue(int64_t limitMs)
{
    // Ties go to the clock first, then the cars by lane.
    const bool clock = m_options.ClockPeriodMs > 0 && m_nextClockAt <= limitMs;
    int64_t at = clock ? m_nextClockAt : limitMs + 1;
    int lane = 0;
    for (int i = 1; i <= MaxLane; ++i) {
        const TCar& car = m_cars[size_t(i)];
        if (car.Driving() && car.DueMs < at) {
            at = car.DueMs;
            lane = i;
        }
    }
    if (lane != 0) {
        Crossed(lane, at);
        return true;
    }
    if (!clock)
        return false;
    // A silent counter tells no clock; it goes on from the next period.
    if (!SilentAt(at))
        Send(CounterWire::Clock(CounterMs(at)), at);
    m_nextClockAt += m_options.ClockPeriodMs;
    return true;
}

void TLapCounter::Crossed(int lane, int64_t atMs)
{
    TCar& car = m_cars[size_t(lane)];
    if (++car.Next < car.LapMs.size())
        car.DueMs = atMs + car.LapMs[car.Next];
    Cross(lane, atMs);
}

void TLapCounter::Cross(int lane, int64_t nowMs)
{
    const QByteArray what = Number(lane) + ' ' + Number(CounterMs(nowMs));
    if (!m_detecting)
        return m_log("held " + what);
    Send(CounterWire::Lap(lane, CounterMs(nowMs), m_options.LaneForm), nowMs, "crossing " + what, "lost " + what);
}

void TLapCounter::SetCar(int lane, std::vector<int64_t> lapMs, int64_t nowMs)
{
    TCar& car = m_cars[size_t(lane)];
    car.LapMs = std::move(lapMs);
    car.Next = 0;
    if (car.LapMs.empty())
        return;
    const int64_t fromZero = m_zeroAt + car.LapMs.front();
    car.DueMs = fromZero >= nowMs ? fromZero : nowMs + car.LapMs.front();
}

void TLapCounter::Received(const QByteArray& body, int64_t nowMs)
{
    if (body == "C") {
        m_log("hello");
        // A silent counter hears the PC but does not answer; it answers no
        // later either, as a counter that missed the question would not.
        if (m_options.Acknowledge && !SilentAt(nowMs))
            Send(CounterWire::Acknowledge(), nowMs, "ack");
    } else if (body == "I") {
        m_log("start " + Number(CounterMs(nowMs)));
        ZeroClock(nowMs);
    } else if (body == "F") {
        m_log("stop");
        m_detecting = false;
    } else {
        m_log("unknown " + CounterWire::Printable(CounterWire::MessageStart + body + CounterWire::MessageEnd));
    }
}

void TLapCounter::ZeroClock(int64_t nowMs)
{
    m_zeroAt = nowMs;
    m_nextClockAt = nowMs + m_options.ClockPeriodMs;
    m_detecting = true;
    // The cars still to drive line up again and start their laps over from
    // the new zero. The PC zeroes the clock as the countdown begins and again
    // at the green, so the first lap counts from the green.
    for (TCar& car : m_cars) {
        if (!car.Driving())
            continue;
        car.Next = 0;
        car.DueMs = nowMs + car.LapMs.front();
    }
}

void TLapCounter::Send(const QByteArray& bytes, int64_t atMs, const QByteArray& sentLine, const QByteArray& lostLine)
{
    m_send({bytes, atMs, sentLine, lostLine});
}
