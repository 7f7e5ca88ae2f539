#pragma once

#include <atomic>
#include <cstdint>

// The race clock. Everything that measures race time (the race engine, the
// start lights, the simulated track) reads it through TRaceClock, so tests can
// hand in a simulated clock and run a whole race in milliseconds.
class TRaceClock {
public:
    virtual ~TRaceClock() = default;
    // Current time in whole milliseconds (signed 64-bit).
    virtual int64_t NowMs() const = 0;
    // Current time in microseconds; the simulated track uses it to place short
    // sensor pulses precisely. Same epoch as NowMs.
    virtual int64_t NowUs() const = 0;
    virtual void SleepMs(int64_t ms) = 0;
};

// The machine's counters as the clock check sees them. Injected so that a test
// can present a machine without a usable high-resolution counter.
class TPerfCounter {
public:
    virtual ~TPerfCounter() = default;
    virtual int64_t Frequency() const = 0;     // counts per second, 0 when there is none
    virtual int64_t Counter() const = 0;       // the high-resolution counter
    virtual uint32_t TickCountMs() const = 0;  // the system's millisecond tick count (wraps after 49.7 days)
    virtual void SleepMs(int64_t ms) const = 0;
};

// steady_clock counted in microseconds (frequency 1,000,000) and a
// CLOCK_MONOTONIC millisecond tick count. Microseconds rather than nanoseconds
// keep counter * 1000 well inside 64 bits for any realistic uptime.
class TSteadyPerfCounter final : public TPerfCounter {
public:
    int64_t Frequency() const override;
    int64_t Counter() const override;
    uint32_t TickCountMs() const override;
    void SleepMs(int64_t ms) const override;
};

// The clock check: read the frequency and the counter, sleep 100 ms, read the
// counter again; the counter is usable when the frequency is not 0 and the two
// readings differ.
bool HighResClockAvailable(const TPerfCounter& counter);

// The program's clock: counter * 1000 / frequency when the high-resolution
// counter is usable, else the millisecond tick count zero-extended to 64 bits.
class TSystemClock final : public TRaceClock {
public:
    explicit TSystemClock(const TPerfCounter& counter);
    // Another counter from now on (tests present machines without one).
    void SetCounter(const TPerfCounter& counter) { m_counter = &counter; }
    // Runs the clock check and switches the clock accordingly; returns its result.
    bool CheckHighRes();
    bool HighRes() const { return m_highRes.load(std::memory_order_relaxed); }
    void SetHighRes(bool on) { m_highRes.store(on, std::memory_order_relaxed); }

    int64_t NowMs() const override;
    int64_t NowUs() const override;
    void SleepMs(int64_t ms) override;

private:
    const TPerfCounter* m_counter;
    std::atomic<bool> m_highRes{true};
};

// A clock that moves only when told to. Reads may also step it forward by a
// fixed amount, so that a loop polling "as fast as it can" makes progress in a
// test without real time passing. Safe to read from one thread while another
// advances it.
class TSimulatedClock final : public TRaceClock {
public:
    explicit TSimulatedClock(int64_t startUs = 0) : m_nowUs(startUs) {}
    void AdvanceUs(int64_t us) { m_nowUs.fetch_add(us, std::memory_order_relaxed); }
    void AdvanceMs(int64_t ms) { AdvanceUs(ms * 1000); }
    void SetNowUs(int64_t us) { m_nowUs.store(us, std::memory_order_relaxed); }
    // Every NowMs/NowUs call moves the clock on by this many microseconds first.
    void SetStepPerReadUs(int64_t us) { m_stepUs.store(us, std::memory_order_relaxed); }

    int64_t NowMs() const override { return NowUs() / 1000; }
    int64_t NowUs() const override;
    void SleepMs(int64_t ms) override { AdvanceMs(ms); }

private:
    mutable std::atomic<int64_t> m_nowUs;
    std::atomic<int64_t> m_stepUs{0};
};
