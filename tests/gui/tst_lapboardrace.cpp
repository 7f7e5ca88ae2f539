// Races timed by the lap-sensor board: its real firmware runs in simulation
// behind a pseudo-terminal, scripted cars cross its sensors at exact times,
// and the program's board backend times the race through the race window.
#include "common/MaskFile.h"
#include "common/RaceClock.h"
#include "common/Settings.h"
#include "common/TrackIo.h"
#include "hardware/lapboard/LapBoardPort.h"
#include "lapboard/SimulatedBoard.h"
#include "support/ModalProbe.h"
#include "support/TestSupport.h"
#include "timing/KWLPauseRace.h"
#include "timing/KWLStopLicht.h"
#include "timing/KWLTimer.h"

#include <QPushButton>
#include <QtTest>

namespace {

const QString Harness = QStringLiteral(KOBALAP_LAPBOARD_SIM);
const QString Firmware = QStringLiteral(KOBALAP_LAPBOARD_ELF);

// Lap times in whole ms; the first crossing comes a fraction of a ms off the
// green, so rounding is part of what is checked.
constexpr double FirstCrossingMs = 700.3;
const QList<int> LapsOfTrack1{700, 455, 512, 498, 601, 477, 530, 444, 505, 560,
                              489, 470, 515, 533, 461, 492, 508, 476, 544, 499};
const QList<int> LapsOfTrack2{700, 520, 540, 515, 505, 580, 530, 525, 511, 560,
                              520, 502, 518, 547, 533, 512, 529, 531, 524, 538};

QStringList Crossings(int track, const QList<int>& laps, int count)
{
    QStringList script;
    double at = FirstCrossingMs - laps[0];
    for (int lap = 0; lap < count; ++lap) {
        at += laps[lap];
        script << QStringLiteral("cross %1 %2").arg(track).arg(at, 0, 'f', 1);
    }
    return script;
}

bool ProcessUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// A loaded machine may leave the simulated board unscheduled, and so
// unheard, for longer than the half second after which a real board counts
// as lost; the race would pause by itself. A pulled cable still shows at once
// as the port's error, which is how these races see it.
TLapBoardTimeouts SimulatedBoardTimeouts()
{
    TLapBoardTimeouts timeouts;
    timeouts.SilenceMs = 10000;
    return timeouts;
}

// A race window on the real clock over the board.
struct TBoardRig {
    explicit TBoardRig(const QString& device) : Port(device, Masks, SimulatedBoardTimeouts())
    {
        Settings.Sounds.fill(false);
        Settings.BounceDelayMs = 200;
        Port.Open();
        Io = std::make_unique<TTrackIo>(Port, Settings, Masks);
        Pause = std::make_unique<TFKWLPauseRace>(Settings);
        Timer = std::make_unique<TKWL_Timer>(Clock, *Io, Settings, QDir::currentPath());
        Timer->SetRaceWindows(Lights, *Pause);
    }

    // A Lap race of `laps`; drive runs inside the window and ends with it.
    void Run(int laps, const std::function<void(TKWL_Timer&)>& drive,
             const std::array<QString, 4>& drivers = {QStringLiteral("Anna"), QStringLiteral("Ben"), {}, {}})
    {
        const TWindowPlacement placement{0, 20, 30, 800, 600};
        TModalProbe probe([&] { Timer->StartRace(QStringLiteral("Lap"), laps, drivers, {}, placement); },
                          [&](QDialog*) { drive(*Timer); });
    }

    QList<int> LapTimes(int track, int count) const
    {
        QList<int> times;
        for (int lap = 1; lap <= count; ++lap)
            times << int(Timer->Tracks()[size_t(track - 1)].LapTimes[size_t(lap)]);
        return times;
    }

    TSettings Settings;
    TSensorMasks Masks;
    TSteadyPerfCounter Counter;
    TSystemClock Clock{Counter};
    TLapBoardPort Port;
    std::unique_ptr<TTrackIo> Io;
    TFKWLStopLicht Lights;
    std::unique_ptr<TFKWLPauseRace> Pause;
    std::unique_ptr<TKWL_Timer> Timer;  // last: goes first
};

bool Finished(const TKWL_Timer& timer) { return !timer.Racing() && timer.Phase() == TTimerPhase::FinishedLap; }

}  // namespace

class TstLapBoardRace : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        if (Harness.isEmpty())
            QSKIP(
                "The AVR toolchain or simavr is missing (scripts/install-deps.sh installs gcc-avr, avr-libc, "
                "simavr and libsimavr-dev): the board's firmware cannot run here.");
        m_workDir = std::make_unique<TTestWorkDir>();
    }
    void cleanup() { m_workDir.reset(); }

    void lapTimesAreTheBoardsToTheMillisecond()
    {
        TSimulatedBoard board(
            Harness, Firmware,
            QStringList{"pulse 20"} + Crossings(1, LapsOfTrack1, 20) + Crossings(2, LapsOfTrack2, 20));
        QVERIFY(!board.Device().isEmpty());
        TBoardRig rig(board.Device());
        QVERIFY2(rig.Port.DriverReady(), qPrintable(rig.Port.ErrorText()));

        bool finished = false;
        rig.Run(20, [&](TKWL_Timer& timer) {
            timer.findChild<QPushButton*>(QStringLiteral("ButtonStart"))->click();
            finished = ProcessUntil([&] { return Finished(timer); }, 60000);
            timer.findChild<QPushButton*>(QStringLiteral("ButtonOK"))->click();
        });
        QVERIFY(finished);
        QCOMPARE(rig.LapTimes(1, 20), LapsOfTrack1);
        QCOMPARE(rig.LapTimes(2, 20), LapsOfTrack2);
        QVERIFY(board.TimeOf(QStringLiteral("GREEN")) > 0);
    }

    void unpluggedBoardPausesTheRaceAndKeepsItsLaps()
    {
        // Five laps, then the cable is pulled in the middle of the sixth.
        TSimulatedBoard board(Harness, Firmware,
                              QStringList{"pulse 20"} + Crossings(1, LapsOfTrack1, 5) + QStringList{"unplug 3100"});
        QVERIFY(!board.Device().isEmpty());
        TBoardRig rig(board.Device());
        QVERIFY(rig.Port.DriverReady());
        TMessageScript messages;
        messages.Answer(TMessageAnswer::Ok);
        messages.Answer(TMessageAnswer::Ok);

        // The race pauses by itself; the marshal finishes it there. The
        // dialog runs its own loop, so it is answered from a timer inside it.
        bool paused = false;
        QTimer marshal;
        QObject::connect(&marshal, &QTimer::timeout, [&] {
            auto* pause = qobject_cast<TFKWLPauseRace*>(QApplication::activeModalWidget());
            if (!pause || pause->WaitingForHalt())
                return;
            paused = true;
            marshal.stop();
            pause->findChild<QPushButton*>(QStringLiteral("ButtonFinishRace"))->click();
        });
        marshal.start(20);
        bool finished = false;
        bool restarted = false;
        rig.Run(20, [&](TKWL_Timer& timer) {
            timer.findChild<QPushButton*>(QStringLiteral("ButtonStart"))->click();
            finished = ProcessUntil([&] { return Finished(timer); }, 30000);
            // No new race starts on a board that is still gone.
            timer.findChild<QPushButton*>(QStringLiteral("ButtonStart"))->click();
            restarted = timer.Racing();
            timer.findChild<QPushButton*>(QStringLiteral("ButtonOK"))->click();
        });
        QVERIFY(paused);
        QVERIFY(finished);
        QVERIFY(!restarted);
        QCOMPARE(messages.Texts().size(), 2);
        QVERIFY(messages.Texts()[0].startsWith(QLatin1String("The lap-sensor board stopped answering.")));
        QVERIFY(messages.Texts()[1].startsWith(QLatin1String("The lap-sensor board is not answering.")));
        QCOMPARE(rig.LapTimes(1, 6), LapsOfTrack1.mid(0, 5) + QList<int>{0});
        // The board switched its outputs off by itself once the PC fell silent.
        const int64_t unplugged = board.TimeOf(QStringLiteral("UNPLUG"));
        const int64_t off = board.TimeOf(QStringLiteral("OUT 00"), unplugged);
        QVERIFY(unplugged > 0 && off > unplugged);
        QVERIFY2(off - unplugged <= 600'000, qPrintable(QString::number(off - unplugged)));
        VERIFY_MESSAGES_SETTLED();
    }

    void boardBackAfterAPauseLetsTheRaceGoOn()
    {
        // Five laps, the cable out at 3.1 s and back at 4.5 s; the race goes
        // on from the pause dialog, and the board times the laps after it.
        const QString link = QDir::current().filePath(QStringLiteral("board"));
        TSimulatedBoard board(Harness, Firmware,
                              QStringList{"pulse 20"} + Crossings(1, LapsOfTrack1, 5) +
                                  QStringList{"unplug 3100", "replug 4500", "cross 1 15000.3", "cross 1 15500.3",
                                              "cross 1 16012.3", "cross 1 16530.3"},
                              link);
        QVERIFY(!board.Device().isEmpty());
        TBoardRig rig(board.Device());
        QVERIFY(rig.Port.DriverReady());
        TMessageScript messages;
        messages.Answer(TMessageAnswer::Ok);

        // The marshal goes on once the board answers again.
        QTimer marshal;
        QObject::connect(&marshal, &QTimer::timeout, [&] {
            auto* pause = qobject_cast<TFKWLPauseRace*>(QApplication::activeModalWidget());
            if (pause && !pause->WaitingForHalt() && rig.Port.Connected())
                pause->findChild<QPushButton*>(QStringLiteral("ButtonOK"))->click();
        });
        marshal.start(20);
        bool finished = false;
        rig.Run(9,
                [&](TKWL_Timer& timer) {
                    timer.findChild<QPushButton*>(QStringLiteral("ButtonStart"))->click();
                    finished = ProcessUntil([&] { return Finished(timer); }, 40000);
                    timer.findChild<QPushButton*>(QStringLiteral("ButtonOK"))->click();
                },
                {QStringLiteral("Anna"), {}, {}, {}});
        QVERIFY(finished);
        QCOMPARE(rig.Port.Connections(), 2u);
        const QList<int> laps = rig.LapTimes(1, 9);
        QCOMPARE(laps.mid(0, 5), LapsOfTrack1.mid(0, 5));
        // Lap 6 spans the pause; its time is the race time without it.
        QVERIFY2(laps[5] > 0, qPrintable(QString::number(laps[5])));
        QCOMPARE(laps.mid(6), (QList<int>{500, 512, 518}));
        QCOMPARE(messages.Texts().size(), 1);
        VERIFY_MESSAGES_SETTLED();
    }

private:
    std::unique_ptr<TTestWorkDir> m_workDir;
};

QTEST_MAIN(TstLapBoardRace)
#include "tst_lapboardrace.moc"
