#pragma once

#include "CounterWire.h"

#include <QByteArray>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

// What the emulated counter is told at start.
struct TLapCounterOptions {
    int64_t ClockStartMs = 0;     // the counter's clock when the emulator starts
    int64_t ClockPeriodMs = 500;  // how often it tells its clock; 0: never
    bool Acknowledge = true;      // whether it answers "are you there?"
    CounterWire::TLaneForm LaneForm = CounterWire::TLaneForm::TwoDigits;
};

// A message for the PC, with the log lines it earns once it is on the wire
// or once it is lost (empty: none).
struct TOutgoing {
    QByteArray Bytes;
    int64_t AtMs = 0;  // when the counter sent it, emulator ms
    QByteArray SentLine;
    QByteArray LostLine;
};

// A home-made lap counter as the PC sees it over the wire: its clock, which
// the PC sets to zero at the start of a race, its detections, which the PC
// stops at the end, and scripted cars that cross the line on time. Time is
// the emulator's own, in ms since it started, handed in by the caller, so
// that everything happens in the order of that time whenever the caller
// gets round to it: a crossing carries the time it was scripted for.
class TLapCounter {
public:
    using TLog = std::function<void(const QByteArray&)>;
    using TSend = std::function<void(TOutgoing)>;
    static constexpr int MaxLane = 255;

    TLapCounter(TLapCounterOptions options, TLog log, TSend send);

    // Runs everything that is due up to `nowMs` (clock messages, crossings),
    // in the order it happens.
    void AdvanceTo(int64_t nowMs);
    // A message from the PC (the body between '%' and '&').
    void Received(const QByteArray& body, int64_t nowMs);

    // A car on `lane` that crosses the line when the counter's clock reaches
    // the first of `lapMs` (or that long from now, if the clock is past it),
    // then after each further one in turn, and then no more; an empty list
    // takes it off. Each start (the PC zeroing the clock) lines up the cars
    // that have laps left to drive, to drive them all again from the first.
    void SetCar(int lane, std::vector<int64_t> lapMs, int64_t nowMs);
    void Cross(int lane, int64_t nowMs);
    // Nothing is sent for that long: no clock, no answers; crossings wait.
    void Silence(int64_t durationMs, int64_t nowMs) { m_silentUntil = nowMs + durationMs; }
    int64_t SilentUntil() const { return m_silentUntil; }

private:
    struct TCar {
        std::vector<int64_t> LapMs;
        size_t Next = 0;    // the lap being driven; all done at LapMs.size()
        int64_t DueMs = 0;  // when it ends, emulator ms
        bool Driving() const { return Next < LapMs.size(); }
    };

    // The next thing due at or before `limitMs`; false when there is none.
    bool RunNextDue(int64_t limitMs);
    void Crossed(int lane, int64_t atMs);
    void ZeroClock(int64_t nowMs);
    int64_t CounterMs(int64_t atMs) const { return atMs - m_zeroAt; }
    bool SilentAt(int64_t atMs) const { return atMs < m_silentUntil; }
    void Send(const QByteArray& bytes, int64_t atMs, const QByteArray& sentLine = {}, const QByteArray& lostLine = {});

    TLapCounterOptions m_options;
    TLog m_log;
    TSend m_send;
    int64_t m_zeroAt = 0;  // when the counter's clock was zero, emulator ms
    int64_t m_nextClockAt = 0;
    bool m_detecting = true;
    int64_t m_silentUntil = 0;
    std::array<TCar, MaxLane + 1> m_cars;  // by lane; 0 unused
};
