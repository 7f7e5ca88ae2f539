#pragma once

// The race loop busy-polls the port; when another program keeps the cores
// busy, its polls come late and so do the lap times. On a machine with a core
// to spare the timing thread therefore asks for real-time (SCHED_FIFO)
// scheduling, so it is no longer preempted by ordinary work. With one core
// only, a real-time busy-polling thread would starve the window, so it is
// not asked for there.

#include <QString>

#include <chrono>

// What the timing thread got, as the Info page shows it.
struct TTimingScheduling {
    enum Kind { NotTried, RealTime, Normal };
    // Reasons for normal scheduling that are not an errno of the system call.
    static constexpr int OneCoreOnly = -1;
    static constexpr int SwitchedOff = -2;
    static constexpr int Unsupported = -3;

    Kind kind = NotTried;
    int Priority = 0;  // the real-time priority granted
    int Reason = 0;    // why normal: an errno (EPERM, ...) or one of the above

    bool operator==(const TTimingScheduling&) const = default;
};

// The few system calls behind the choice, replaceable in tests so the policy
// can be checked without privileges.
class TThreadScheduler {
public:
    virtual ~TThreadScheduler() = default;
    virtual int MinFifoPriority() const = 0;
    virtual int MaxFifoPriority() const = 0;
    // Puts the calling thread under SCHED_FIFO at priority; 0 or an errno.
    virtual int SetFifo(int priority) = 0;
    // The calling thread's real-time priority as read back, or -1 when it is
    // not scheduled SCHED_FIFO.
    virtual int FifoPriority() const = 0;
};

// The real calls for the calling thread (pthreads); elsewhere they fail with
// ENOSYS so the result is normal scheduling.
TThreadScheduler& SystemThreadScheduler();

// The priority asked for: modest, so the system's own real-time threads
// (interrupt handling, audio) still come first.
constexpr int TimingThreadPriority = 10;

// The decision on its own: asks for SCHED_FIFO on the calling thread when
// enabled and there are two or more cores.
TTimingScheduling ChooseTimingScheduling(TThreadScheduler& scheduler, unsigned coreCount, bool enabled);

// The process-wide switch, off unless the program turns it on at start-up:
// test programs and tools run several timing threads at once on a small
// machine, and real-time busy-polling threads there would starve each other.
void EnableRealTimeTiming(bool enabled);
bool RealTimeTimingEnabled();

// Called by the timing thread first thing: applies the choice to the calling
// thread and records it for the Info page.
// The machine's core count; a machine that does not tell counts as one.
TTimingScheduling UseTimingScheduling();
TTimingScheduling UseTimingScheduling(TThreadScheduler& scheduler, unsigned coreCount);

// The last recorded outcome; NotTried before any timing thread has run.
TTimingScheduling LastTimingScheduling();
// The recorded outcome, or, before any race, what a race will get: probed
// once on a short-lived thread of its own.
TTimingScheduling ProbedTimingScheduling();

// For the poll loop of a real-time thread. The kernel lets real-time threads
// have only 950 ms of each second (the default limit); a loop that never
// sleeps is then stopped for some 50 ms once a second, long enough to miss a
// car. Called on every poll, this gives the core away for 0.1 ms once a
// millisecond, so ordinary threads get their share in small pieces instead.
// Allocates and locks nothing; does nothing when not active.
class TTimingBreather {
public:
    explicit TTimingBreather(bool active) : m_active(active) {}
    void Breathe();

private:
    bool m_active;
    std::chrono::steady_clock::time_point m_last = std::chrono::steady_clock::now();
};

// "Timing thread: real-time scheduling (SCHED_FIFO, priority 10)" and the like.
QString TimingSchedulingText(const TTimingScheduling& scheduling);
