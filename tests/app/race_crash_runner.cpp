// The whole program under a crash test, in the working directory it is given:
//   run <dir> <seed>                        a Timed heat from "Start Heat" to "Done"
//   recover <dir> <resume|finish|discard>   the next start, with that answer to the recovery question
// It says on stdout, a line at a time and at once, which phase the race is in
// and every lap the race screen has counted, so that whoever kills it knows
// what had been shown before the kill.
#include "app/AppContext.h"
#include "app/AppWindows.h"
#include "app/ChampionshipPage.h"
#include "app/KWLMainForm.h"
#include "app/Startup.h"
#include "common/LapValue.h"
#include "common/MessageBoxes.h"
#include "data/ChampionshipDrivers.h"
#include "data/RecordActions.h"
#include "hardware/SimulatedTrack.h"
#include "heats/HeatStore.h"
#include "heats/KWLHeats.h"
#include "results/KWLRoundResult.h"
#include "support/DialogSequence.h"
#include "support/EventWait.h"
#include "support/ModalProbe.h"
#include "timing/KWLPauseRace.h"
#include "timing/KWLTimer.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QSet>
#include <QTabWidget>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

namespace {

// Race time runs this much faster than real time, so that the start lights'
// 6.6 s and a one-minute heat pass in a few seconds while every step of the
// race runs as in the program. The journal's writer keeps real time.
constexpr int64_t SpeedUp = 20;

class TFastClock final : public TRaceClock {
public:
    int64_t NowUs() const override
    {
        return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - m_origin)
                   .count() *
               SpeedUp;
    }
    int64_t NowMs() const override { return NowUs() / 1000; }
    void SleepMs(int64_t ms) override { std::this_thread::sleep_for(std::chrono::microseconds(ms * 1000 / SpeedUp)); }

private:
    const std::chrono::steady_clock::time_point m_origin = std::chrono::steady_clock::now();
};

void Say(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

QStringList g_problems;

void Click(QWidget* window, const QString& name)
{
    auto* button = window ? window->findChild<QPushButton*>(name) : nullptr;
    if (button && button->isEnabled())
        button->click();
    else
        g_problems << QStringLiteral("no enabled %1").arg(name);
}

// The program as main() starts it, on the simulated track with laps of 2 to
// 3 s in race time, so that a heat counts some 100 laps.
struct TProgram {
    TFastClock raceClock;
    TAppContext context;
    TAppWindows windows;

    TProgram(const QString& dir, uint32_t seed)
    {
        QDir::setCurrent(dir);
        context.workingDirectory = dir;
        context.simulated = true;
        context.raceClock = &raceClock;
        TSettings settings;
        settings.BounceDelayMs = 1000;        // below the shortest lap
        settings.SustainSensorReadMs = 3000;  // long enough to be killed in
        TSensorMasks masks;
        WriteSettings(settings, masks, dir);
        TSimulatedTrackConfig cars;
        cars.BaseLapUs = {2'000'000, 2'300'000, 2'600'000, 2'900'000};
        cars.PulseUs = 200'000;  // 10 ms of real time: the poll loop sees it under load
        cars.JumpStartProbability = 0;
        context.port = std::make_unique<TSimulatedTrack>(raceClock, context.settings, context.masks, seed, cars);
        context.port->Open();
        // A message nobody expects is answered and told, never shown.
        Messages::BeginScript();
    }
    ~TProgram()
    {
        // The windows first: their grids still hold queries on the store.
        windows.MainForm.reset();
        ShutDown(context);
    }
};

// A Timed championship of one minute with four drivers, a race and its heats.
bool MakeChampionship(QSqlDatabase db)
{
    TRecordActions actions(db);
    if (actions.ChampionshipCount().value_or(0) > 0)
        return true;
    const std::optional<int> csnr = actions.AddChampionship(QStringLiteral("Crash"), 1, 1, true);
    if (!csnr ||
        !actions.AddDrivers(
            {QStringLiteral("Anna"), QStringLiteral("Bert"), QStringLiteral("Cees"), QStringLiteral("Dirk")}) ||
        !actions.AddRace(*csnr, QStringLiteral("Night")) || !TChampionshipDrivers(db, *csnr).Add({1, 2, 3, 4}))
        return false;
    THeatStore store(db, *csnr, 1);
    TDriverPool pool;
    pool.LoadDriverPool(*store.ChampionshipDrivers(), 1);
    return store.AppendHeats(GenerateHeatsA(pool, 4, {2, 3, 4, 1}, 0));
}

int Finish(int code)
{
    g_problems << Messages::Problems();
    for (const QString& problem : g_problems)
        Say(QStringLiteral("problem ") + problem);
    return g_problems.isEmpty() ? code : 1;
}

int Run(const QString& dir, uint32_t seed)
{
    TProgram program(dir, seed);
    if (const int code = CreateWindowsAndShow(program.context, program.windows); code >= 0)
        return code;
    if (!MakeChampionship(program.context.store.Database())) {
        Say(QStringLiteral("problem no championship"));
        return 1;
    }
    TKWL_Timer* timer = program.windows.Timer;
    std::mt19937 random(seed);
    auto draw = [&](int from, int to) { return std::uniform_int_distribution<int>(from, to)(random); };

    // The laps are read where the race waits for its display, so they stand still.
    QSet<QPair<int, int>> reported;
    int64_t shownElapsed = 0;
    bool awaitingGreen = false;
    QObject::connect(timer, &TKWL_Timer::DisplayRefreshed, timer, [&] {
        if (awaitingGreen && timer->Racing()) {
            awaitingGreen = false;
            Say(QStringLiteral("phase racing"));
        }
        shownElapsed = timer->State().Elapsed;
        for (int t = 1; t <= 4; ++t) {
            const TTrackState& track = timer->Tracks()[size_t(t - 1)];
            for (int lap = 1; lap <= std::min(LapsOf(track.Laps), MaxLapEntries); ++lap)
                if (track.LapTimes[size_t(lap)] != 0 && !reported.contains({t, lap})) {
                    reported.insert({t, lap});
                    Say(QStringLiteral("lap %1 %2 %3").arg(t).arg(lap).arg(track.LapTimes[size_t(lap)]));
                }
        }
    });
    // The race disables Pause by itself only as its time is up, before the
    // last sensor read.
    auto* pause = timer->findChild<QPushButton*>(QStringLiteral("ButtonPause"));
    struct TSustainWatch : QObject {
        std::function<void()> seen;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::EnabledChange)
                seen();
            return false;
        }
    } sustain;
    sustain.seen = [&] {
        if (!pause->isEnabled() && timer->Phase() == TTimerPhase::Racing && timer->Racing())
            Say(QStringLiteral("phase sustain"));
    };
    pause->installEventFilter(&sustain);

    // The first pause comes late enough for a kill while racing to find laps shown.
    std::vector<int64_t> pauses{draw(15000, 30000)};
    if (draw(0, 1))
        pauses.push_back(pauses[0] + draw(5000, 20000));
    const auto raceScreen = [&](QDialog* window) {
        Click(window, QStringLiteral("ButtonStart"));
        awaitingGreen = true;
        Say(QStringLiteral("phase countdown"));
        for (const int64_t at : pauses) {
            WaitUntil([&] { return (!awaitingGreen && shownElapsed >= at) || !timer->Racing(); }, 30000);
            if (!timer->Racing())
                break;
            TModalProbe held([&] { Click(window, QStringLiteral("ButtonPause")); },
                             [&](QDialog* dialog) {
                                 auto* pauseDialog = static_cast<TFKWLPauseRace*>(dialog);
                                 WaitUntil([&] { return !pauseDialog->WaitingForHalt(); }, 10000);
                                 Say(QStringLiteral("phase paused"));
                                 if (draw(0, 1))
                                     Click(dialog, QStringLiteral("ButtonPlus%1").arg(draw(1, 4)));
                                 WaitUntil([] { return false; }, draw(100, 300));
                                 awaitingGreen = true;
                                 Say(QStringLiteral("phase restart-countdown"));
                                 Click(dialog, QStringLiteral("ButtonOK"));
                             });
        }
        // A Timed result is looked over ("Edit Result") before it can be accepted.
        auto* edit = window->findChild<QPushButton*>(QStringLiteral("ButtonEditResult"));
        if (!WaitUntil([&] { return edit->isEnabled(); }, 30000))
            g_problems << QStringLiteral("the race never ended");
        TModalProbe([&] { edit->click(); }, [](QDialog* dialog) { Click(dialog, QStringLiteral("ButtonOK")); });
        Say(QStringLiteral("phase storing"));
        Click(window, QStringLiteral("ButtonOK"));
    };
    const auto lapView = [&](QDialog* dialog) { Click(dialog, QStringLiteral("ButtonOK")); };

    TChampionshipPage* page = program.windows.MainForm->ChampionshipPage();
    page->Reload(0);
    program.windows.MainForm->Pages()->setCurrentWidget(page);
    TModalProbe heats(
        [&] { Click(page, QStringLiteral("ButtonGotoHeats")); },
        [&](QDialog* window) {
            TDialogSequence heat([&] { Click(window, QStringLiteral("ButtonStartHeat")); }, {raceScreen, lapView});
            g_problems << heat.problems;
            Click(window, QStringLiteral("ButtonDone"));
        });
    Say(QStringLiteral("phase done"));
    return Finish(0);
}

// The next start answers the recovery question, then closes whatever the
// answer opens the way the race director would: a resumed race is finished
// from its pause, the result is accepted, the lap view and the heats window
// are closed.
int Recover(const QString& dir, TMessageAnswer answer)
{
    TProgram program(dir, 1);
    Messages::QueueAnswer(answer);
    // The heats window is left only after the lap view of its stored heat.
    bool lapViewClosed = false;
    bool clicking = false;
    QTimer autopilot;
    QObject::connect(&autopilot, &QTimer::timeout, [&] {
        QWidget* top = QApplication::activeModalWidget();
        if (!top)
            return;
        const auto button = [&](const char* name) -> QPushButton* {
            auto* found = top->findChild<QPushButton*>(QLatin1String(name));
            return found && found->isEnabled() ? found : nullptr;
        };
        QPushButton* next = nullptr;
        // A pause is finished; the look over a Timed result is taken as it is.
        if (qobject_cast<TFKWLPauseRace*>(top))
            next = button("ButtonFinishRace") ? button("ButtonFinishRace") : button("ButtonOK");
        else if (qobject_cast<TKWL_Timer*>(top))
            next = button("ButtonOK") ? button("ButtonOK") : button("ButtonEditResult");
        else if (qobject_cast<TKWL_RoundResults*>(top) && (next = button("ButtonOK")))
            lapViewClosed = true;
        else if (qobject_cast<TFKWLHeats*>(top) && lapViewClosed)
            next = button("ButtonDone");
        if (next && !clicking) {
            Say(QStringLiteral("closed %1").arg(QLatin1String(top->metaObject()->className())));
            // Clicked from outside this timer's handler: a click that opens a
            // dialog would otherwise hold the timer until that dialog closes.
            clicking = true;
            QTimer::singleShot(0, next, [&clicking, next] {
                clicking = false;
                next->click();
            });
        }
    });
    autopilot.start(5);
    const int code = CreateWindowsAndShow(program.context, program.windows);
    autopilot.stop();
    for (const TShownMessage& message : Messages::Shown())
        Say(QStringLiteral("message ") + QString(message.text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    return Finish(code < 0 ? 0 : code);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("run"))
        return Run(args[2], args[3].toUInt());
    const QHash<QString, TMessageAnswer> answers{{QStringLiteral("resume"), TMessageAnswer::Resume},
                                                 {QStringLiteral("finish"), TMessageAnswer::Finish},
                                                 {QStringLiteral("discard"), TMessageAnswer::Discard}};
    if (args.size() == 4 && args[1] == QLatin1String("recover") && answers.contains(args[3]))
        return Recover(args[2], answers[args[3]]);
    std::fprintf(stderr, "usage: race_crash_runner run <dir> <seed> | recover <dir> <resume|finish|discard>\n");
    return 2;
}
