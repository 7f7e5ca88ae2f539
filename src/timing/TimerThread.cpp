#include "timing/TimerThread.h"

#include "timing/RealTimeScheduling.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>

TUiThreadHost::TUiThreadHost(TRaceHost& uiHost, QObject* context, QSemaphore& release, std::function<void()> halted)
    : m_uiHost(uiHost), m_context(context), m_release(release), m_halted(std::move(halted))
{
}

template <typename Call>
void TUiThreadHost::OnUiThread(Call call)
{
    QObject* context = m_context.data();
    if (!context)
        return;  // the window is gone; nothing left to show
    // Called from the UI thread itself (never in the program) a blocking
    // queued call would deadlock; run it directly then.
    if (context->thread() == QThread::currentThread())
        call();
    else
        QMetaObject::invokeMethod(context, call, Qt::BlockingQueuedConnection);
}

void TUiThreadHost::ShowStartLights()
{
    OnUiThread([this] { m_uiHost.ShowStartLights(); });
}
void TUiThreadHost::SetStartLamp(int lamp, bool lit)
{
    OnUiThread([this, lamp, lit] { m_uiHost.SetStartLamp(lamp, lit); });
}
void TUiThreadHost::HideStartLights()
{
    OnUiThread([this] { m_uiHost.HideStartLights(); });
}
void TUiThreadHost::RefreshDisplay()
{
    OnUiThread([this] { m_uiHost.RefreshDisplay(); });
}
void TUiThreadHost::ShowFalseStartLamps()
{
    OnUiThread([this] { m_uiHost.ShowFalseStartLamps(); });
}
void TUiThreadHost::DisablePause()
{
    OnUiThread([this] { m_uiHost.DisablePause(); });
}

void TUiThreadHost::PlaySound(TRaceSound sound)
{
    // Posted, so the call may run after this adapter is gone: it holds only
    // the window's host, which lives as long as the context object (the
    // call is dropped with the context).
    TRaceHost* host = &m_uiHost;
    if (QObject* context = m_context.data())
        QMetaObject::invokeMethod(
            context, [host, sound] { host->PlaySound(sound); }, Qt::QueuedConnection);
}

void TUiThreadHost::WaitForRelease()
{
    m_isHalted.store(true);
    if (m_halted)
        m_halted();
    m_release.acquire();
    m_isHalted.store(false);
}

void TUiThreadHost::TrackInterfaceLost()
{
    // Posted like a sound: the engine does not wait for the message.
    TRaceHost* host = &m_uiHost;
    if (QObject* context = m_context.data())
        QMetaObject::invokeMethod(
            context, [host] { host->TrackInterfaceLost(); }, Qt::QueuedConnection);
}

TTimerThread::TTimerThread(TRaceClock& clock, TTrackIo& io, const TSettings& settings, TRaceState& state,
                           TTrackStates& tracks, TRaceHost& uiHost, QObject* uiContext, QObject* parent)
    : QThread(parent),
      m_state(state),
      m_host(uiHost, uiContext, m_release, [this] { emit halted(); }),
      m_engine(clock, io, settings, state, tracks, m_host)
{
    // Reset here, on the UI thread, rather than in the loop: a close of the
    // window right after Start must not be undone by the starting thread.
    m_state.RaceEnded.store(false);
    m_state.PauseRequested.store(false);
    m_state.PauseRequests.store(0);
}

TTimerThread::~TTimerThread() { Stop(); }

void TTimerThread::RequestPause() { ::RequestPause(m_state); }

void TTimerThread::ReleasePause()
{
    m_state.PauseRequested.store(false);
    m_release.release();
}

void TTimerThread::Stop()
{
    m_state.RaceEnded.store(true);
    // Wake a halted thread; an unused release is harmless, the race is over.
    if (isRunning())
        m_release.release();
    // Hand-overs keep arriving until the race body has returned, so they are
    // served while waiting. Not in an event loop of its own: once the
    // program is told to quit (a SIGTERM), a new event loop returns at once,
    // and waiting without serving them would never end.
    while (!wait(QDeadlineTimer(10)))
        QCoreApplication::processEvents();
}

void TTimerThread::run()
{
    m_engine.SetBreathing(UseTimingScheduling().kind == TTimingScheduling::RealTime);
    m_engine.Run();
}
