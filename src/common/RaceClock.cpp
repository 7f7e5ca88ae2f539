#include "common/RaceClock.h"

#include <chrono>
#include <thread>
#include <time.h>

int64_t TSteadyPerfCounter::Frequency() const { return 1'000'000; }

int64_t TSteadyPerfCounter::Counter() const
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

uint32_t TSteadyPerfCounter::TickCountMs() const
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t ms = uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1'000'000u;
    return uint32_t(ms);  // wraps like the platform's tick count
}

void TSteadyPerfCounter::SleepMs(int64_t ms) const
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool HighResClockAvailable(const TPerfCounter& counter)
{
    const int64_t frequency = counter.Frequency();
    const int64_t first = counter.Counter();
    counter.SleepMs(100);
    const int64_t second = counter.Counter();
    return frequency != 0 && first != second;
}

TSystemClock::TSystemClock(const TPerfCounter& counter) : m_counter(&counter) {}

bool TSystemClock::CheckHighRes()
{
    const bool available = HighResClockAvailable(*m_counter);
    SetHighRes(available);
    return available;
}

int64_t TSystemClock::NowMs() const
{
    if (HighRes()) {
        const int64_t frequency = m_counter->Frequency();
        if (frequency == 1'000'000)
            return m_counter->Counter() /
                   1000;  // the usual microsecond counter: a constant divisor is cheap on the hot path
        if (frequency > 0)
            return m_counter->Counter() * 1000 / frequency;  // multiplication first, as the counter is exact
    }
    return int64_t(m_counter->TickCountMs());
}

int64_t TSystemClock::NowUs() const
{
    if (HighRes()) {
        const int64_t frequency = m_counter->Frequency();
        if (frequency == 1'000'000)
            return m_counter->Counter();
        if (frequency > 0)
            return int64_t(static_cast<__int128>(m_counter->Counter()) * 1'000'000 / frequency);
    }
    return int64_t(m_counter->TickCountMs()) * 1000;
}

void TSystemClock::SleepMs(int64_t ms) { m_counter->SleepMs(ms); }

int64_t TSimulatedClock::NowUs() const
{
    const int64_t step = m_stepUs.load(std::memory_order_relaxed);
    if (step == 0)
        return m_nowUs.load(std::memory_order_relaxed);
    return m_nowUs.fetch_add(step, std::memory_order_relaxed) + step;
}
