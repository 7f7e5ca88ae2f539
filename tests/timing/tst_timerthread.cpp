#include "common/MaskFile.h"
#include "common/RaceClock.h"
#include "common/Settings.h"
#include "common/TrackIo.h"
#include "support/TestSupport.h"
#include "timing/RaceDisplay.h"
#include "timing/TimerThread.h"

#include <QtTest>

#include <functional>
#include <memory>

namespace {

// The window side of a race, on the test's thread: it counts what it is
// asked to do, and checks that it is asked on its own thread.
class TWindowHost final : public QObject, public TRaceHost {
public:
    TWindowHost(TRaceState& state, TTrackStates& tracks, const TSettings& settings)
        : m_state(state), m_tracks(tracks), m_settings(settings)
    {
    }
    void ShowStartLights() override
    {
        OnThisThread();
        ++Shows;
    }
    void SetStartLamp(int, bool) override
    {
        OnThisThread();
        ++Lamps;
    }
    void HideStartLights() override { OnThisThread(); }
    void RefreshDisplay() override
    {
        OnThisThread();
        ::RefreshDisplay(m_state, m_tracks, m_settings);
        ++Refreshes;
    }
    void ShowFalseStartLamps() override { OnThisThread(); }
    void DisablePause() override
    {
        OnThisThread();
        ++PauseDisabled;
    }
    void PlaySound(TRaceSound) override
    {
        OnThisThread();
        ++Sounds;
    }
    void WaitForRelease() override { ++WrongThread; }  // never forwarded

    int Shows = 0;
    int Lamps = 0;
    int Refreshes = 0;
    int PauseDisabled = 0;
    int Sounds = 0;
    int WrongThread = 0;

private:
    void OnThisThread()
    {
        if (QThread::currentThread() != thread())
            ++WrongThread;
    }
    TRaceState& m_state;
    TTrackStates& m_tracks;
    const TSettings& m_settings;
};

// A race that never ends by itself: one driver, no sensor ever set, a lap
// target nobody reaches. The simulated clock moves with every read of it.
struct TThreadRig {
    TThreadRig() : Tracks(std::make_unique<TTrackStates>()), Io(Port, Settings, Masks), Host(State, *Tracks, Settings)
    {
        Clock.SetStepPerReadUs(200);
        Settings.Sounds.fill(true);
        State.RaceKind = TRaceKind::Lap;
        State.RaceLength = 1000;
        (*Tracks)[0].Active = true;
    }
    std::unique_ptr<TTimerThread> Start(QObject* receiver)
    {
        auto thread = std::make_unique<TTimerThread>(Clock, Io, Settings, State, *Tracks, Host, &Host);
        QObject::connect(thread.get(), &TTimerThread::halted, receiver, [this] { ++Halts; });
        QObject::connect(thread.get(), &QThread::finished, receiver, [this] { ++Finished; });
        thread->start();
        return thread;
    }

    TSimulatedClock Clock;
    TSettings Settings;
    TSensorMasks Masks;
    TScriptedPort Port;
    TRaceState State;
    std::unique_ptr<TTrackStates> Tracks;
    TTrackIo Io;
    TWindowHost Host;
    int Halts = 0;
    int Finished = 0;
};

// Runs the test thread's events (the thread's hand-overs among them) until
// the condition holds; blocks between events rather than sleeping.
bool ProcessUntil(const std::function<bool()>& condition)
{
    QDeadlineTimer deadline(30000);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    return true;
}

}  // namespace

class TstTimerThread : public QObject {
    Q_OBJECT

private slots:
    void init() { m_workDir = std::make_unique<TTestWorkDir>(); }
    void cleanup() { m_workDir.reset(); }

    void pauseAndReleaseInAnyOrder_data();
    void pauseAndReleaseInAnyOrder();
    void stopWhileHalted();
    void stopDuringStartLights();
    void raceEndsByItself();
    // Last: it tells the application to quit, which no later test survives.
    void stopWhileTheProgramQuits();

private:
    std::unique_ptr<TTestWorkDir> m_workDir;
};

void TstTimerThread::pauseAndReleaseInAnyOrder_data()
{
    QTest::addColumn<int>("mode");  // 0: release before the halt, 1: after it, 2: alternating
    QTest::addColumn<int>("pauses");
    QTest::newRow("release before halt") << 0 << 200;
    QTest::newRow("release after halt") << 1 << 100;
    QTest::newRow("alternating") << 2 << 200;
}

void TstTimerThread::pauseAndReleaseInAnyOrder()
{
    QFETCH(int, mode);
    QFETCH(int, pauses);
    TThreadRig rig;
    auto thread = rig.Start(this);
    for (int i = 0; i < pauses; ++i) {
        const bool afterHalt = mode == 1 || (mode == 2 && i % 2 == 1);
        thread->RequestPause();
        if (afterHalt)
            QVERIFY(ProcessUntil([&] { return rig.Halts == i + 1; }));
        thread->ReleasePause();
    }
    // Every request is served by one halt, and every halt was let go.
    QVERIFY(ProcessUntil([&] { return rig.Halts == pauses; }));
    // ...and the last restart reaches green.
    QVERIFY(ProcessUntil([&] { return rig.Host.Lamps == 5 * (1 + pauses); }));
    QVERIFY(!rig.State.RaceEnded.load());
    QCOMPARE(rig.Finished, 0);
    thread->Stop();
    QVERIFY(thread->isFinished());
    QVERIFY(ProcessUntil([&] { return rig.Finished == 1; }));
    QCOMPARE(rig.Host.WrongThread, 0);
    QCOMPARE(rig.Host.PauseDisabled, 1);
    // Start lights once for the start and once per restart.
    QCOMPARE(rig.Host.Shows, 1 + pauses);
    QCOMPARE(rig.Host.Lamps, 5 * (1 + pauses));
    QCOMPARE(rig.Io.OutputImage(), uint8_t(0));
}

void TstTimerThread::stopWhileHalted()
{
    TThreadRig rig;
    auto thread = rig.Start(this);
    thread->RequestPause();
    QVERIFY(ProcessUntil([&] { return rig.Halts == 1; }));
    thread->Stop();  // "Finish Race" or a closed window while the dialog is up
    QVERIFY(thread->isFinished());
    QVERIFY(ProcessUntil([&] { return rig.Finished == 1; }));
    QCOMPARE(rig.Host.Shows, 1);  // no restart lights
    QCOMPARE(rig.Host.WrongThread, 0);
}

void TstTimerThread::stopDuringStartLights()
{
    TThreadRig rig;
    auto thread = rig.Start(this);
    thread->Stop();
    QVERIFY(thread->isFinished());
    QVERIFY(ProcessUntil([&] { return rig.Finished == 1; }));
    QCOMPARE(rig.Io.OutputImage(), uint8_t(0));
    QCOMPARE(rig.Host.WrongThread, 0);
}

void TstTimerThread::raceEndsByItself()
{
    TThreadRig rig;
    rig.State.RaceKind = TRaceKind::Timed;
    rig.State.RaceLength = 2;
    auto thread = rig.Start(this);
    QVERIFY(ProcessUntil([&] { return rig.Finished == 1; }));
    QVERIFY(rig.State.RaceEnded.load());
    QVERIFY(rig.Host.Refreshes > 0);
    QVERIFY(rig.Host.Sounds >= 6);  // four lights, start, finish (posted)
    QCOMPARE(rig.Host.WrongThread, 0);
}

void TstTimerThread::stopWhileTheProgramQuits()
{
    TThreadRig rig;
    auto thread = rig.Start(this);
    QVERIFY(ProcessUntil([&] { return rig.Host.Refreshes > 0; }));
    // As a SIGTERM does: from now on an event loop returns at once.
    QCoreApplication::exit(0);
    QEventLoop refused;
    QCOMPARE(refused.exec(), -1);
    thread->Stop();  // the race's last hand-overs must still be served
    QVERIFY(thread->isFinished());
    QCOMPARE(rig.Host.PauseDisabled, 1);
    QCOMPARE(rig.Io.OutputImage(), uint8_t(0));
}

QTEST_GUILESS_MAIN(TstTimerThread)
#include "tst_timerthread.moc"
