#include "support/TestSupport.h"
#include "timing/KWLStopLicht.h"
#include "timing/RaceWindowHost.h"
#include "timing/SoundPlayer.h"
#include "timing/TimerThread.h"

#include <QEventLoop>
#include <QThread>
#include <QtTest>

namespace {
// The UI-side host with its start lights and (silent) sounds.
struct THostRig {
    TTestWorkDir dir;
    QWidget mainWindow;
    TFKWLStopLicht* lights = new TFKWLStopLicht(&mainWindow);
    TSoundPlayer sounds;
    TRaceWindowHost host{*lights, sounds};
    QWidget timerWindow;
    QStringList requests;

    THostRig()
    {
        timerWindow.setGeometry(50, 60, 800, 600);
        QObject::connect(&host, &TRaceWindowHost::RefreshDisplayRequested, [this] { requests << "refresh"; });
        QObject::connect(&host, &TRaceWindowHost::FalseStartLampsRequested, [this] { requests << "false starts"; });
        QObject::connect(&host, &TRaceWindowHost::PauseDisableRequested, [this] { requests << "pause off"; });
    }
};
}  // namespace

class TestRaceWindowHost : public QObject {
    Q_OBJECT
private slots:
    // The lights lie exactly over the timer window as it stands when they
    // come on, with every lamp out, also after a countdown that lit them.
    void lightsCoverTheTimerWindow()
    {
        THostRig rig;
        rig.host.SetCoveredWindow(&rig.timerWindow);
        rig.lights->SetLamp(3, true);
        rig.lights->SetLamp(5, true);
        rig.timerWindow.setGeometry(70, 80, 900, 640);
        rig.host.ShowStartLights();
        QVERIFY(rig.lights->isVisible());
        QCOMPARE(rig.lights->geometry(), QRect(70, 80, 900, 640));
        QCOMPARE(rig.lights->LampRect(1), TFKWLStopLicht::LampGeometry(1, 900, 640));
        for (int lamp = 1; lamp <= TFKWLStopLicht::LampCount; ++lamp)
            QVERIFY(!rig.lights->LampLit(lamp));
        rig.host.SetStartLamp(2, true);
        QVERIFY(rig.lights->LampLit(2));
        rig.host.HideStartLights();
        QVERIFY(!rig.lights->isVisible());
    }

    void withoutATimerWindowTheGivenPlacementRules()
    {
        THostRig rig;
        TWindowPlacement placement;
        placement.left = 11;
        placement.top = 12;
        placement.width = 713;
        placement.height = 500;
        rig.host.SetPlacement(placement);
        rig.host.ShowStartLights();
        QCOMPARE(rig.lights->geometry(), QRect(11, 12, 713, 500));
    }

    void timerWindowStepsGoOutAsSignals()
    {
        THostRig rig;
        rig.host.RefreshDisplay();
        rig.host.ShowFalseStartLamps();
        rig.host.DisablePause();
        rig.host.WaitForRelease();  // never blocks the UI thread
        QCOMPARE(rig.requests, (QStringList{"refresh", "false starts", "pause off"}));
    }

    // The way the timer thread uses it: every window step runs on the UI
    // thread and has been carried out when the timing thread's call returns;
    // a sound is only posted.
    void drivenFromTheTimingThread()
    {
        THostRig rig;
        rig.host.SetCoveredWindow(&rig.timerWindow);
        QList<QThread*> signalThreads;
        connect(
            &rig.host, &TRaceWindowHost::RefreshDisplayRequested, this,
            [&signalThreads] { signalThreads << QThread::currentThread(); }, Qt::DirectConnection);
        QList<bool> seen;  // what the timing thread finds after each call
        QSemaphore release;
        TUiThreadHost threadSide(rig.host, &rig.host, release, {});
        TFKWLStopLicht* lights = rig.lights;
        std::unique_ptr<QThread> timing(QThread::create([&] {
            threadSide.ShowStartLights();
            seen << lights->isVisible();
            for (int lamp = 1; lamp <= TFKWLStopLicht::LampCount; ++lamp) {
                threadSide.PlaySound(TRaceSound(lamp - 1));
                threadSide.SetStartLamp(lamp, true);
                seen << lights->LampLit(lamp);
            }
            threadSide.RefreshDisplay();
            threadSide.HideStartLights();
            seen << !lights->isVisible();
        }));
        QEventLoop loop;
        connect(timing.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        timing->start();
        loop.exec();
        timing->wait();
        QCOMPARE(seen, QList<bool>(7, true));
        QCOMPARE(signalThreads, QList<QThread*>{QThread::currentThread()});
        QCoreApplication::processEvents();  // the posted sounds find no files and are left out
    }
};

QTEST_MAIN(TestRaceWindowHost)
#include "tst_racewindowhost.moc"
