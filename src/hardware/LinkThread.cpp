#include "hardware/LinkThread.h"

#include <QThread>
#include <chrono>
#include <thread>

#ifdef Q_OS_UNIX
#include <pthread.h>
#include <sched.h>
#endif

namespace {

// A link spends its life waiting for the timer, but the moment it wakes
// with a message may be the moment it takes for it (the Control Unit's
// green): on a busy PC an ordinary thread may wake tens of ms late. A
// real-time thread that mostly sleeps takes no time from anyone.
void AskForRealTime()
{
#ifdef Q_OS_UNIX
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO) + 1;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);  // without the right, it stays ordinary
#endif
}

}  // namespace

TLinkThread::TLinkThread(std::atomic<bool>& stopRequested) : m_stopRequested(stopRequested) {}

TLinkThread::~TLinkThread() { Stop(); }

bool TLinkThread::Start(TMaker make, const TOptions& options, QString& problem,
                        const std::function<void(TLinkConversation&)>& connected)
{
    if (m_thread)
        return true;
    m_stopRequested.store(false);
    m_thread.reset(
        QThread::create([this, make = std::move(make), options, connected] { Run(make, options, connected); }));
    m_thread->start();
    m_firstConnect.acquire();
    problem = m_connected ? QString() : m_problem;
    if (!m_connected) {
        m_thread->wait();
        m_thread.reset();
    }
    return m_connected;
}

void TLinkThread::Stop()
{
    if (!m_thread)
        return;
    m_stopRequested.store(true);
    m_thread->wait();
    m_thread.reset();
}

void TLinkThread::Run(const TMaker& make, const TOptions& options,
                      const std::function<void(TLinkConversation&)>& connected)
{
    if (options.WakePromptly)
        AskForRealTime();
    const std::unique_ptr<TLinkConversation> link = make();
    m_connected = link->Connect();
    m_problem = link->ProblemText();
    if (connected)
        connected(*link);
    m_firstConnect.release();
    if (!m_connected)
        return;
    for (;;) {
        link->Serve();
        if (m_stopRequested.load())
            break;
        // Lost: the timer is tried again until it answers or we stop.
        while (!m_stopRequested.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(options.ReconnectMs));
            if (!m_stopRequested.load() && link->Connect())
                break;
        }
        if (m_stopRequested.load())
            break;
    }
    link->Finish();
}
