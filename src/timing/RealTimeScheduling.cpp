#include "timing/RealTimeScheduling.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <thread>

#if !defined(_WIN32) && __has_include(<pthread.h>)
#define KOBALAP_HAS_PTHREADS 1
#include <pthread.h>
#include <sched.h>
#endif

namespace {
#ifdef KOBALAP_HAS_PTHREADS
class TPthreadScheduler final : public TThreadScheduler {
public:
    int MinFifoPriority() const override { return sched_get_priority_min(SCHED_FIFO); }
    int MaxFifoPriority() const override { return sched_get_priority_max(SCHED_FIFO); }
    int SetFifo(int priority) override
    {
        sched_param param{};
        param.sched_priority = priority;
        return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
    }
    int FifoPriority() const override
    {
        int policy = 0;
        sched_param param{};
        if (pthread_getschedparam(pthread_self(), &policy, &param) != 0 || policy != SCHED_FIFO)
            return -1;
        return param.sched_priority;
    }
};
#else
class TPthreadScheduler final : public TThreadScheduler {
public:
    int MinFifoPriority() const override { return 0; }
    int MaxFifoPriority() const override { return 0; }
    int SetFifo(int) override { return ENOSYS; }
    int FifoPriority() const override { return -1; }
};
#endif

std::atomic<bool> g_enabled{false};

// The outcome packed into one word, so the Info page on the UI thread reads
// what the timing thread wrote without a lock: kind in bits 0..7, priority in
// 8..23, reason in 32..63.
std::atomic<uint64_t> g_last{0};
static_assert(std::atomic<uint64_t>::is_always_lock_free);

uint64_t Pack(const TTimingScheduling& scheduling)
{
    return uint64_t(uint8_t(scheduling.kind)) | (uint64_t(uint16_t(scheduling.Priority)) << 8) |
           (uint64_t(uint32_t(scheduling.Reason)) << 32);
}

TTimingScheduling Unpack(uint64_t word)
{
    TTimingScheduling scheduling;
    scheduling.kind = TTimingScheduling::Kind(word & 0xFF);
    scheduling.Priority = int(int16_t(uint16_t(word >> 8)));
    scheduling.Reason = int(int32_t(uint32_t(word >> 32)));
    return scheduling;
}

TTimingScheduling Normal(int reason) { return {TTimingScheduling::Normal, 0, reason}; }
}  // namespace

TThreadScheduler& SystemThreadScheduler()
{
    static TPthreadScheduler scheduler;
    return scheduler;
}

TTimingScheduling ChooseTimingScheduling(TThreadScheduler& scheduler, unsigned coreCount, bool enabled)
{
    if (!enabled)
        return Normal(TTimingScheduling::SwitchedOff);
    if (coreCount < 2)
        return Normal(TTimingScheduling::OneCoreOnly);
    const int low = scheduler.MinFifoPriority();
    const int high = scheduler.MaxFifoPriority();
    if (low < 0 || high < low)
        return Normal(TTimingScheduling::Unsupported);
    if (const int error = scheduler.SetFifo(std::clamp(TimingThreadPriority, low, high)))
        return Normal(error);
    // What the system says the thread has now, not what was asked for.
    const int granted = scheduler.FifoPriority();
    if (granted < 0)
        return Normal(TTimingScheduling::Unsupported);
    return {TTimingScheduling::RealTime, granted, 0};
}

void EnableRealTimeTiming(bool enabled) { g_enabled.store(enabled); }

bool RealTimeTimingEnabled() { return g_enabled.load(); }

TTimingScheduling UseTimingScheduling(TThreadScheduler& scheduler, unsigned coreCount)
{
    const TTimingScheduling scheduling = ChooseTimingScheduling(scheduler, coreCount, RealTimeTimingEnabled());
    g_last.store(Pack(scheduling));
    return scheduling;
}

TTimingScheduling UseTimingScheduling()
{
    return UseTimingScheduling(SystemThreadScheduler(), std::thread::hardware_concurrency());
}

TTimingScheduling LastTimingScheduling() { return Unpack(g_last.load()); }

TTimingScheduling ProbedTimingScheduling()
{
    const TTimingScheduling last = LastTimingScheduling();
    if (last.kind != TTimingScheduling::NotTried)
        return last;
    // A thread of its own, so the caller's scheduling stays as it is; the
    // probe thread ends straight after.
    std::thread probe([] { UseTimingScheduling(); });
    probe.join();
    return LastTimingScheduling();
}

void TTimingBreather::Breathe()
{
    if (!m_active)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - m_last < std::chrono::milliseconds(1))
        return;
    std::this_thread::sleep_for(std::chrono::microseconds(100));
    m_last = std::chrono::steady_clock::now();
}

QString TimingSchedulingText(const TTimingScheduling& scheduling)
{
    const QString normal = QStringLiteral("Timing thread: normal scheduling (%1)");
    switch (scheduling.kind) {
    case TTimingScheduling::NotTried: return normal.arg(QStringLiteral("not yet started"));
    case TTimingScheduling::RealTime:
        return QStringLiteral("Timing thread: real-time scheduling (SCHED_FIFO, priority %1)").arg(scheduling.Priority);
    case TTimingScheduling::Normal: break;
    }
    switch (scheduling.Reason) {
    case TTimingScheduling::OneCoreOnly: return normal.arg(QStringLiteral("one core only"));
    case TTimingScheduling::SwitchedOff: return normal.arg(QStringLiteral("real-time switched off"));
    case EPERM:
    case EACCES: return normal.arg(QStringLiteral("real-time not permitted"));
    default: return normal.arg(QStringLiteral("real-time not available"));
    }
}
