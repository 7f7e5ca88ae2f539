#pragma once

#include "timing/RaceEngine.h"
#include "timing/RaceHost.h"

#include <QPointer>
#include <QSemaphore>
#include <QThread>

#include <atomic>
#include <functional>

// Hands the engine's host calls from the timing thread to the real host,
// which lives on the UI thread: window changes synchronously (the engine
// waits until they have run), sounds posted, the halt on a semaphore.
class TUiThreadHost final : public TRaceHost {
public:
    // uiHost is called only on the thread of context and must live as long
    // as context (normally it is that object).
    TUiThreadHost(TRaceHost& uiHost, QObject* context, QSemaphore& release, std::function<void()> halted);

    void ShowStartLights() override;
    void SetStartLamp(int lamp, bool lit) override;
    void HideStartLights() override;
    void RefreshDisplay() override;
    void ShowFalseStartLamps() override;
    void DisablePause() override;
    void PlaySound(TRaceSound sound) override;
    void WaitForRelease() override;
    void TrackInterfaceLost() override;

    // Whether the engine is halted at a pause right now (from before the
    // halted() report until the release is taken).
    bool IsHalted() const { return m_isHalted.load(); }

private:
    template <typename Call>
    void OnUiThread(Call call);

    TRaceHost& m_uiHost;
    QPointer<QObject> m_context;
    QSemaphore& m_release;
    std::function<void()> m_halted;
    std::atomic<bool> m_isHalted{false};
};

// The race on its own thread, real-time where the program allows it and the
// system grants it (RealTimeScheduling.h), else at normal priority. Created by the timer window
// on the UI thread with the window (or whatever implements TRaceHost there)
// as host; finished() reports the end of the race on the UI thread.
//
// Pause: RequestPause(), then wait for halted() before the pause dialog
// takes its copy of the records, then ReleasePause() (set RaceEnded first
// for "Finish Race"). A release given before the halt is kept, and as every
// request is served by exactly one halt, releases never pile up. A request
// the race has not taken yet may be withdrawn instead (TakePauseRequest on
// the UI thread); it then needs no release.
//
// Stopping: never wait() for the thread on the UI thread while it may be
// inside a synchronous hand-over to that same thread; that deadlocks. Use
// Stop(): it ends the race, releases a halt and keeps serving the hand-overs
// until the thread has finished, also while the program quits. The
// destructor does the same.
class TTimerThread final : public QThread {
    Q_OBJECT
public:
    TTimerThread(TRaceClock& clock, TTrackIo& io, const TSettings& settings, TRaceState& state, TTrackStates& tracks,
                 TRaceHost& uiHost, QObject* uiContext, QObject* parent = nullptr);
    ~TTimerThread() override;

    // Both on the UI thread.
    void RequestPause();
    void ReleasePause();
    // Ends the race and returns once the thread has finished.
    void Stop();
    // The race itself, to be set up before start().
    TRaceEngine& Engine() { return m_engine; }
    // The race is halted at a pause: a pause dialog opened late (after a
    // loss of the track interface) need not wait for halted().
    bool IsHalted() const { return m_host.IsHalted(); }

signals:
    // The thread has halted at a pause (queued to the receiver's thread).
    void halted();

protected:
    // The race loop (Execute).
    void run() override;

private:
    TRaceState& m_state;
    QSemaphore m_release;
    TUiThreadHost m_host;
    TRaceEngine m_engine;
};
