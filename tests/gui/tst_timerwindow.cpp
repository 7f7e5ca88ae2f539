#include "common/AppInfo.h"
#include "common/FittedLabel.h"
#include "common/LapValue.h"
#include "common/MaskFile.h"
#include "common/RaceClock.h"
#include "common/RaceTime.h"
#include "common/Settings.h"
#include "common/TrackIo.h"
#include "hardware/SimulatedTrack.h"
#include "spectator/SpectatorBoard.h"
#include "spectator/SpectatorJson.h"
#include "support/ModalProbe.h"
#include "support/RecordingSpeaker.h"
#include "support/StoreRig.h"
#include "support/TestSupport.h"
#include "timing/FuelGauge.h"
#include "timing/KWLPauseRace.h"
#include "timing/KWLStopLicht.h"
#include "timing/KWLTimer.h"
#include "timing/RaceDisplay.h"
#include "timing/RaceGauge.h"
#include "timing/TrackPanel.h"
#include "voice/Announcer.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

using TNames = std::array<QString, 4>;
using TTotals = std::array<int32_t, 4>;

// Races run on the simulated clock; this bounds how long a test waits for
// one in real time, should the race never end.
constexpr int RaceTimeoutMs = 60000;
constexpr int NeverEnds = 100000;  // laps: a Lap race nobody finishes

// Answers the next pause dialog that opens, from inside its modal loop. A
// dialog the answer leaves open is cancelled so that the test cannot hang.
class TPauseAnswer {
public:
    explicit TPauseAnswer(std::function<void(TFKWLPauseRace&)> respond) : m_respond(std::move(respond))
    {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<TFKWLPauseRace*>(QApplication::activeModalWidget());
            if (!dialog || (dialog->WaitingForHalt() && !m_beforeHalt))
                return;
            m_timer.stop();
            ++Answered;
            m_respond(*dialog);
            if (dialog->isVisible()) {
                LeftOpen = true;
                dialog->reject();
            }
        });
        m_timer.start();
    }

    int Answered = 0;
    bool LeftOpen = false;

    // Answers as soon as the dialog is up, before the race has halted.
    TPauseAnswer& BeforeHalt()
    {
        m_beforeHalt = true;
        return *this;
    }

private:
    std::function<void(TFKWLPauseRace&)> m_respond;
    bool m_beforeHalt = false;
    QTimer m_timer;
};

void Click(QWidget& window, const char* name)
{
    auto* button = window.findChild<QPushButton*>(QLatin1String(name));
    QVERIFY2(button, name);
    button->click();
}

QLabel* Label(QWidget& window, const QString& name) { return window.findChild<QLabel*>(name); }

QString LabelText(QWidget& window, const QString& name)
{
    QLabel* label = Label(window, name);
    return label ? label->text() : QStringLiteral("<no %1>").arg(name);
}

// The enabled race buttons, in a fixed order.
QString Enabled(QWidget& window)
{
    QStringList names;
    for (const char* name : {"Start", "Pause", "OK", "Cancel", "EditResult"}) {
        auto* button = window.findChild<QPushButton*>(QStringLiteral("Button") + QLatin1String(name));
        if (button && button->isEnabled())
            names << QLatin1String(name);
    }
    return names.join(QLatin1Char(' '));
}

// Runs this thread's events (the race's hand-overs among them) until the
// condition holds. It blocks between events instead of sleeping, so the
// race on the simulated clock runs at full speed.
bool ProcessUntil(const std::function<bool()>& condition)
{
    QDeadlineTimer deadline(RaceTimeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    return true;
}

bool WaitFinished(TKWL_Timer& timer)
{
    return ProcessUntil([&] {
        return !timer.Racing() &&
               (timer.Phase() == TTimerPhase::FinishedLap || timer.Phase() == TTimerPhase::FinishedTimed);
    });
}

// Where the ink of `text` falls when the label paints it (vertically
// centred, left- or right-aligned), in the label's parent's coordinates.
QRect InkRect(const QLabel& label, const QString& text)
{
    const QFontMetrics metrics = label.fontMetrics();
    const QRect inside = label.contentsRect();
    const int x = label.alignment().testFlag(Qt::AlignRight) ? inside.right() + 1 - metrics.horizontalAdvance(text)
                                                             : inside.left();
    const int baseline = inside.top() + (inside.height() - metrics.height()) / 2 + metrics.ascent();
    return metrics.tightBoundingRect(text).translated(x, baseline).translated(label.pos());
}

// Esc as the marshal presses it: to whatever has the keyboard.
void PressEsc(TKWL_Timer& timer)
{
    QWidget* target = QApplication::focusWidget();
    if (!target || target->window() != &timer)
        target = &timer;
    QTest::keyClick(target, Qt::Key_Escape);
}

// Runs `Then` once, when the watched widget is shown.
class TOnShow : public QObject {
public:
    std::function<void()> Then;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && Then) {
            const std::function<void()> then = std::move(Then);
            Then = nullptr;
            then();
        }
        return QObject::eventFilter(watched, event);
    }
};

TSimulatedTrackConfig Jumps(double probability)
{
    TSimulatedTrackConfig config;
    config.JumpStartProbability = probability;
    return config;
}

// The simulated track said to have no outputs, as a lap counter without any.
class TWithoutOutputs final : public TPortDriver {
public:
    explicit TWithoutOutputs(TPortDriver& track) : m_track(track) { m_ready = track.DriverReady(); }
    bool Open() override { return m_track.Open(); }
    void Close() override { m_track.Close(); }
    bool ReadPort(uint32_t address, TPortSize size, uint32_t& value) override
    {
        return m_track.ReadPort(address, size, value);
    }
    void WritePort(uint32_t address, TPortSize size, uint32_t value) override
    {
        m_track.WritePort(address, size, value);
    }
    QString Description() const override { return m_track.Description(); }
    bool HasOutputs() const override { return false; }

private:
    TPortDriver& m_track;
};

// One timer window with its start lights, pause dialog and a simulated
// track on a simulated clock.
struct TRig {
    explicit TRig(double jumpStarts = 0.0, uint32_t seed = 7, bool outputs = true)
    {
        Settings.Sounds.fill(false);
        Clock.SetStepPerReadUs(500);
        Track = std::make_unique<TSimulatedTrack>(Clock, Settings, Masks, seed, Jumps(jumpStarts));
        Track->Open();
        if (!outputs)
            Outputless = std::make_unique<TWithoutOutputs>(*Track);
        Io = std::make_unique<TTrackIo>(outputs ? static_cast<TPortDriver&>(*Track) : *Outputless, Settings, Masks);
        Lights = std::make_unique<TFKWLStopLicht>();
        Pause = std::make_unique<TFKWLPauseRace>(Settings);
        Timer = std::make_unique<TKWL_Timer>(Clock, *Io, Settings, QDir::currentPath());
        Timer->SetRaceWindows(*Lights, *Pause);
        QObject::connect(Timer.get(), &TKWL_Timer::DisplayRefreshed, [this] { ++Refreshes; });
        Placement.left = 20;
        Placement.top = 30;
        Placement.width = 800;
        Placement.height = 600;
    }

    // StartRace; `drive` runs inside the window's modal loop and is to
    // close it.
    bool Run(const QString& type, int length, const TNames& names, const std::function<void(TKWL_Timer&)>& drive,
             const TTotals& totals = {})
    {
        bool accepted = false;
        TModalProbe probe([&] { accepted = Timer->StartRace(type, length, names, totals, Placement); },
                          [&](QDialog*) {
                              if (drive)
                                  drive(*Timer);
                          });
        Opened = probe.opened;
        LeftOpen = probe.leftOpen;
        return accepted;
    }

    TTrackState Track1() const { return Timer->Tracks()[0]; }
    // The races called out to a recording speaker, every kind switched on.
    TRecordingSpeaker& CallOut()
    {
        Announcer = std::make_unique<TAnnouncer>(Clock, std::make_unique<TRecordingSpeaker>());
        TAnnouncementChoice choice;
        choice.Enabled = true;
        Announcer->SetChoice(choice);
        Timer->SetAnnouncer(Announcer.get());
        return static_cast<TRecordingSpeaker&>(Announcer->Speaker());
    }
    bool WaitRefreshes(int more)
    {
        const int target = Refreshes + more;
        return ProcessUntil([&] { return Refreshes >= target; });
    }

    TSettings Settings;
    TSensorMasks Masks;
    TSimulatedClock Clock;
    std::unique_ptr<TSimulatedTrack> Track;
    std::unique_ptr<TWithoutOutputs> Outputless;
    std::unique_ptr<TTrackIo> Io;
    std::unique_ptr<TFKWLStopLicht> Lights;
    std::unique_ptr<TFKWLPauseRace> Pause;
    int Refreshes = 0;
    QPointer<QDialog> Opened;
    bool LeftOpen = false;
    TWindowPlacement Placement;
    std::unique_ptr<TAnnouncer> Announcer;
    std::unique_ptr<TKWL_Timer> Timer;  // last: goes first, before what it uses
};

const TNames OneDriver{QStringLiteral("Anna"), {}, {}, {}};

}  // namespace

class TstTimerWindow : public QObject {
    Q_OBJECT

private slots:
    void init() { m_workDir = std::make_unique<TTestWorkDir>(); }
    void cleanup() { m_workDir.reset(); }

    void noDriversWarnsAndOpensNothing();
    void unwritableJournalIsSaidOnceAndTheRaceRuns();
    void noOutputsSaidAtTheFirstStartOnly();
    void windowLooksAsSetUp();
    void layoutFitsTheWindow_data();
    void layoutFitsTheWindow();
    void carriedTotals_data();
    void carriedTotals();
    void escapeDoesNothingWhenPauseIsDisabled();
    void escapePausesARunningRace();
    void pauseDialogOpensAtOnce_data();
    void pauseDialogOpensAtOnce();
    void driverAboveTheTimedTracks_data();
    void driverAboveTheTimedTracks();
    void buttonsThroughARace_data();
    void buttonsThroughARace();
    void editResultTwiceAddsSectionsOnce();
    void finishRaceShowsThePenalisedResult();
    void closingEndsTheRace_data();
    void closingEndsTheRace();
    void startAgainRerunsFromZero();
    void captionShowsTheReadRateDuringARace();
    void gaugePaintsItsShare();
    void fuelAndPitsOnThePanel_data();
    void fuelAndPitsOnThePanel();
    void raceIsCalledOutInOrder();
    void recordsFallDuringHeat();

private:
    std::unique_ptr<TTestWorkDir> m_workDir;
};

void TstTimerWindow::noDriversWarnsAndOpensNothing()
{
    TMessageScript messages;
    messages.Answer(TMessageAnswer::Ok);
    TRig rig;
    for (int line = 1; line <= 4; ++line)
        rig.Io->SetOutputLine(line, true);

    const bool accepted = rig.Run(QStringLiteral("Lap"), 10, TNames{}, nullptr, TTotals{1, 2, 3, 4});
    QVERIFY(!accepted);
    QVERIFY(!rig.Opened);
    QVERIFY(!rig.Timer->isVisible());
    QCOMPARE(messages.Texts(), QStringList{QStringLiteral("No drivers where selected!")});
    QCOMPARE(Messages::Shown().first().kind, TMessageKind::Warning);
    QCOMPARE(Messages::Shown().first().buttons, TMessageButtons::Ok);
    // The power is switched off before the names are looked at.
    QCOMPARE(rig.Io->OutputImage() & 0x0F, 0);
    VERIFY_MESSAGES_SETTLED();
}

void TstTimerWindow::unwritableJournalIsSaidOnceAndTheRaceRuns()
{
    TMessageScript messages;
    messages.Answer(TMessageAnswer::Ok);
    TRig rig;
    // A file where the journal's folder should be: no journal can be made there.
    QFile blocker(m_workDir->File(QStringLiteral("blocker")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    rig.Timer->SetJournalFile(m_workDir->File(QStringLiteral("blocker/race.kjr")));
    const bool accepted = rig.Run(QStringLiteral("Lap"), 2, OneDriver, [&](TKWL_Timer& timer) {
        Click(timer, "ButtonStart");
        QVERIFY(WaitFinished(timer));
        Click(timer, "ButtonOK");
    });
    QVERIFY(accepted);
    QCOMPARE(LapsOf(rig.Track1().Laps), 2);
    QCOMPARE(messages.Texts().size(), 1);
    QVERIFY(messages.Texts().first().startsWith(QStringLiteral("Laps of this race cannot be kept safe: ")));
    QVERIFY(Messages::Shown().first().detail.contains(QStringLiteral("blocker")));
    VERIFY_MESSAGES_SETTLED();
}

// An interface without outputs is said once, at the first start of the run
// (one race window serves it); the race runs all the same, and so does the next.
void TstTimerWindow::noOutputsSaidAtTheFirstStartOnly()
{
    TMessageScript messages;
    messages.Answer(TMessageAnswer::Ok);
    TRig rig(0.0, 7, false);
    for (int race = 0; race < 2; ++race) {
        const bool accepted = rig.Run(QStringLiteral("Lap"), 2, OneDriver, [&](TKWL_Timer& timer) {
            Click(timer, "ButtonStart");
            QVERIFY(WaitFinished(timer));
            Click(timer, "ButtonOK");
        });
        QVERIFY(accepted);
        QCOMPARE(LapsOf(rig.Track1().Laps), 2);
    }
    QCOMPARE(messages.Texts().size(), 1);
    QCOMPARE(Messages::Shown().first().kind, TMessageKind::Information);
    VERIFY_MESSAGES_SETTLED();
}

void TstTimerWindow::windowLooksAsSetUp()
{
    TRig rig;
    rig.Settings.Foreground[0] = 0x00FF8000;  // $00BBGGRR: blue ff, green 80
    rig.Settings.Background[0] = 0x00400020;
    rig.Settings.Foreground[3] = 0x000000FF;
    rig.Settings.Background[3] = 0x000000D5;
    rig.Timer->setWindowTitle(QStringLiteral("something else"));
    const TNames names{QStringLiteral("Anna"), {}, QStringLiteral("Carl"), QStringLiteral("Dora")};
    rig.Run(QStringLiteral("Lap"), 10, names, [&](TKWL_Timer& timer) {
        QCOMPARE(timer.windowTitle(), QStringLiteral(" K.O.B.A. v2.2- Timer"));
        QCOMPARE(timer.geometry(), QRect(20, 30, 800, 600));
        const Qt::WindowFlags flags = timer.windowFlags();
        QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowSystemMenuHint));

        QCOMPARE(LabelText(timer, "LabelName1"), QStringLiteral("Anna"));
        QCOMPARE(LabelText(timer, "LabelName2"), QString());
        QCOMPARE(LabelText(timer, "LabelName3"), QStringLiteral("Carl"));
        QCOMPARE(LabelText(timer, "LabelClock"), QStringLiteral("0:00"));

        const QColor fore(0x00, 0x80, 0xFF);
        const QColor back(0x20, 0x00, 0x40);
        QCOMPARE(timer.Panel(1)->palette().color(QPalette::Window), fore);
        QCOMPARE(timer.Panel(1)->Gauge()->ForeColour(), fore);
        QCOMPARE(timer.Panel(1)->Gauge()->BackColour(), back);
        QCOMPARE(timer.Panel(4)->Gauge()->ForeColour(), QColor(Qt::red));
        QCOMPARE(timer.Panel(4)->Gauge()->BackColour(), QColor(0xD5, 0, 0));
        for (int n = 1; n <= 4; ++n) {
            QVERIFY(!timer.Panel(n)->Lamp()->isVisible());
            QCOMPARE(timer.Panel(n)->Gauge()->Value(), 0);
        }
        QVERIFY(!timer.findChild<QPushButton*>(QStringLiteral("ButtonEditResult"))->isVisible());
        Click(timer, "ButtonCancel");
    });
    QVERIFY(rig.Opened);
    QVERIFY(!rig.LeftOpen);
    // Active follows the names; the race records are the window's.
    QVERIFY(rig.Timer->Tracks()[0].Active);
    QVERIFY(!rig.Timer->Tracks()[1].Active);
    QVERIFY(rig.Timer->Tracks()[3].Active);
    QCOMPARE(rig.Timer->Tracks()[2].DriverName, QStringLiteral("Carl"));
    QCOMPARE(rig.Timer->State().RaceKind, TRaceKind::Lap);
    QCOMPARE(rig.Timer->State().TargetLaps, 10);
}

void TstTimerWindow::layoutFitsTheWindow_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("tracks");
    QTest::newRow("600 wide, 2 tracks") << 600 << 2;
    QTest::newRow("709 wide, 4 tracks") << 709 << 4;
    QTest::newRow("1200 wide, 2 tracks") << 1200 << 2;
    QTest::newRow("1200 wide, 4 tracks") << 1200 << 4;
}

void TstTimerWindow::layoutFitsTheWindow()
{
    QFETCH(int, width);
    QFETCH(int, tracks);
    TRig rig;
    rig.Settings.Tracks = tracks;
    rig.Placement.width = width;
    rig.Placement.height = 900;
    const TNames names{QStringLiteral("Anna"), QStringLiteral("Ben"), QStringLiteral("Carl"), QStringLiteral("Dora")};
    rig.Run(QStringLiteral("Timed"), 300, names, [&](TKWL_Timer& timer) {
        const TTimerLayout expected = TimerLayout(width, tracks);
        QCOMPARE(timer.Layout().W, expected.W);
        for (int n = 1; n <= 4; ++n) {
            QCOMPARE(timer.Panel(n)->isVisible(), n <= tracks);
            QCOMPARE(timer.Panel(n)->geometry(), expected.Panels[size_t(n - 1)]);
        }
        auto* bottom = timer.findChild<QWidget*>(QStringLiteral("PanelBottom"));
        QVERIFY(bottom && bottom->isVisible());
        QCOMPARE(bottom->geometry(), expected.Bottom);
        QCOMPARE(bottom->geometry().top(), timer.Panel(tracks)->geometry().bottom() + 3);

        // Nothing a race shows is cut off, whatever the font: the ink of each
        // label's widest (and tallest) text lies inside the label and its
        // panel, clear of the false-start lamp. A label is fitted by lowering
        // its size only; under the Arial-compatible font the texts of a usual
        // race keep the laid-out size.
        const QString family = qEnvironmentVariable("KOBALAP_TEST_FAMILY");
        const bool arialMetrics = family == QLatin1String("Liberation Sans");
        TTrackPanel* panel = timer.Panel(1);
        auto* clock = timer.findChild<TFittedLabel*>(QStringLiteral("LabelClock"));
        const int small = expected.Panel.SmallPoints;
        struct TShown {
            TFittedLabel* label;
            QString text;
            int laidOut;
            bool usual;
        };
        const QList<TShown> widest{
            {panel->CurrentLapLabel(), QStringLiteral("00.000"), expected.Panel.CurrentLapPoints, true},
            {panel->CurrentLapLabel(), QStringLiteral("10.938"), expected.Panel.CurrentLapPoints, true},
            {panel->AverageLabel(), QStringLiteral("Av: 10.938"), small, true},
            {panel->FastestLabel(), QStringLiteral("Fa: 99.999"), small, true},
            {panel->NameLabel(), QStringLiteral("\u00C4gyp Quigley"), small, true},  // accent and descenders
            // Laid out to end at the lamp, which can cost the laps a point.
            {panel->LapsLabel(), QStringLiteral("12.00/3:41.207"), small, false},
            {panel->LapsLabel(), QStringLiteral("123.45/9:41.207"), small, false},
            {panel->LapsLabel(), QStringLiteral("1234.56/999:59.999"), small, false},
            {clock, QStringLiteral("59:59"), expected.ClockPoints, true},
            {clock, QStringLiteral("999:59"), expected.ClockPoints, false},
            {panel->PitStopsLabel(), QStringLiteral("Pit 99"), expected.Panel.PitStopsPoints, true},
        };
        QList<QPair<QLabel*, QRect>> panelInks;
        for (const TShown& shown : widest) {
            QLabel* label = shown.label;
            shown.label->ShowText(shown.text);
            const QString name = label->objectName() + QStringLiteral(" \"") + shown.text + QLatin1Char('"');
            const QRect ink = InkRect(*label, shown.text);
            const QRect room = label->geometry().intersected(label->parentWidget()->rect());
            QVERIFY2(room.contains(ink), qPrintable(QStringLiteral("%1: ink %2,%3 %4x%5 in %6,%7 %8x%9")
                                                        .arg(name)
                                                        .arg(ink.x())
                                                        .arg(ink.y())
                                                        .arg(ink.width())
                                                        .arg(ink.height())
                                                        .arg(room.x())
                                                        .arg(room.y())
                                                        .arg(room.width())
                                                        .arg(room.height())));
            if (label->parentWidget() == panel->Client()) {
                QVERIFY2(!ink.intersects(panel->Lamp()->geometry()), qPrintable(name));
                panelInks.append({label, ink});
            }
            const int points = label->font().pointSize();
            QVERIFY2(points <= shown.laidOut && (points == shown.laidOut || !arialMetrics || !shown.usual),
                     qPrintable(QStringLiteral("%1: %2 pt, laid out %3").arg(name).arg(points).arg(shown.laidOut)));
            if (!family.isEmpty())
                QCOMPARE(QFontInfo(label->font()).family(), family);
        }
        QVERIFY(panel->CurrentLapLabel()->font().bold());
        QVERIFY(!panel->NameLabel()->font().bold());
        QCOMPARE(panel->AverageLabel()->geometry(), expected.Panel.Average);
        QCOMPARE(panel->LapsLabel()->geometry(), expected.Panel.Laps);
        // The big digits keep their right edge where it is laid out.
        const QRect lap = panel->CurrentLapLabel()->geometry();
        QCOMPARE(lap.x() + lap.width(), expected.Panel.CurrentLap.x() + expected.Panel.CurrentLap.width());
        QCOMPARE(panel->Lamp()->geometry(), expected.Panel.Lamp);
        // A control unit's fuel bar and pit count (the last ink) cover no other text.
        const QRect readings = panel->FuelGauge()->geometry().united(panelInks.takeLast().second);
        QVERIFY(panel->Client()->rect().contains(readings));
        for (const auto& [label, ink] : panelInks)
            QVERIFY2(!ink.intersects(readings), qPrintable(label->objectName()));

        for (auto* button : bottom->findChildren<QPushButton*>()) {
            QVERIFY2(bottom->rect().contains(button->geometry()), qPrintable(button->objectName()));
            QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) < button->width() - 8,
                     qPrintable(button->objectName()));
        }
        // Laid out again when the window is resized.
        timer.resize(1000, 700);
        QCOMPARE(timer.Layout().W, 991);
        QCOMPARE(timer.Panel(1)->width(), 991);
        Click(timer, "ButtonCancel");
    });
    QVERIFY(!rig.LeftOpen);
}

void TstTimerWindow::carriedTotals_data()
{
    QTest::addColumn<bool>("showTotals");
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("carried");
    QTest::addColumn<int>("kept");
    QTest::addColumn<QString>("laps");

    QTest::newRow("lap race, totals shown") << true << "Lap" << 221207 << 221207 << "0/3:41.207";
    QTest::newRow("lap race, totals off") << false << "Lap" << 221207 << 0 << "0/0:00.000";
    QTest::newRow("timed race, totals shown") << true << "Timed" << 23045 << 23045 << "23.45/0:00.000";
    QTest::newRow("timed race, totals off") << false << "Timed" << 23045 << 0 << "0.00/0:00.000";
}

void TstTimerWindow::carriedTotals()
{
    QFETCH(bool, showTotals);
    QFETCH(QString, type);
    QFETCH(int, carried);
    QFETCH(int, kept);
    QFETCH(QString, laps);
    TRig rig;
    rig.Settings.ShowTotals = showTotals;
    const TNames names{QStringLiteral("Anna"), QStringLiteral("Ben"), {}, {}};
    const bool accepted = rig.Run(
        type, 60, names,
        [&](TKWL_Timer& timer) {
            QCOMPARE(LabelText(timer, "LabelLaps1"), laps);
            Click(timer, "ButtonCancel");
        },
        TTotals{carried, carried, carried, carried});
    QVERIFY(!accepted);
    for (int32_t total : rig.Timer->State().CarriedTotals)
        QCOMPARE(total, kept);
}

void TstTimerWindow::escapeDoesNothingWhenPauseIsDisabled()
{
    TRig rig;
    TPauseAnswer unexpected([](TFKWLPauseRace& dialog) { dialog.reject(); });
    const bool accepted = rig.Run(QStringLiteral("Lap"), 1, OneDriver, [&](TKWL_Timer& timer) {
        PressEsc(timer);
        QVERIFY(timer.isVisible());
        QCOMPARE(Enabled(timer), QStringLiteral("Start Cancel"));

        Click(timer, "ButtonStart");
        QVERIFY(WaitFinished(timer));
        PressEsc(timer);
        QVERIFY(timer.isVisible());
        QCOMPARE(Enabled(timer), QStringLiteral("Start OK Cancel"));
        QCoreApplication::processEvents();
        Click(timer, "ButtonOK");
    });
    QVERIFY(accepted);
    QVERIFY(!rig.LeftOpen);
    QCOMPARE(unexpected.Answered, 0);
    QCOMPARE(rig.Track1().Laps, 1000);
}

void TstTimerWindow::escapePausesARunningRace()
{
    TRig rig;
    QString buttonsWhilePaused;
    bool endedWhilePaused = true;
    rig.Run(QStringLiteral("Lap"), NeverEnds, OneDriver, [&](TKWL_Timer& timer) {
        Click(timer, "ButtonStart");
        QVERIFY(rig.WaitRefreshes(3));
        {
            TPauseAnswer answer([&](TFKWLPauseRace& dialog) {
                buttonsWhilePaused = Enabled(timer);
                endedWhilePaused = timer.State().RaceEnded.load();
                QVERIFY(timer.State().PauseRequested.load());
                Click(dialog, "ButtonOK");
            });
            PressEsc(timer);
            QCOMPARE(answer.Answered, 1);
            QVERIFY(!answer.LeftOpen);
        }
        QVERIFY(timer.isVisible());
        QVERIFY(timer.Racing());
        QCOMPARE(Enabled(timer), QStringLiteral("Pause"));
        QVERIFY(!timer.State().PauseRequested.load());
        // The race goes on after the restart lights.
        QVERIFY(rig.WaitRefreshes(3));
        QVERIFY(timer.Racing());
        timer.reject();
    });
    QVERIFY(!rig.LeftOpen);
    QCOMPARE(buttonsWhilePaused, QString());
    QVERIFY(!endedWhilePaused);
}

void TstTimerWindow::pauseDialogOpensAtOnce_data()
{
    QTest::addColumn<bool>("untilHalted");
    QTest::addColumn<QString>("enabled");
    // Cancelled before the race got to the request: the race never stops.
    QTest::newRow("cancelled at once") << false << QStringLiteral("ButtonCancel");
    // Left open: once the race has halted the edits come alive.
    QTest::newRow("until the race halts")
        << true << QStringLiteral("ButtonMinus2 ButtonPlus1 ButtonOK ButtonFinishRace ButtonCancel");
}

void TstTimerWindow::pauseDialogOpensAtOnce()
{
    QFETCH(bool, untilHalted);
    QFETCH(QString, enabled);
    TRig rig;
    TOnShow lightsShown;
    rig.Lights->installEventFilter(&lightsShown);
    QString seen;
    bool waitingAtOnce = false;
    rig.Run(QStringLiteral("Lap"), NeverEnds, OneDriver, [&](TKWL_Timer& timer) {
        // Pause pressed during the countdown, with the clock standing still
        // so that the race cannot reach green and halt meanwhile.
        lightsShown.Then = [&] {
            rig.Clock.SetStepPerReadUs(0);
            QTimer::singleShot(0, &timer, [&] { Click(timer, "ButtonPause"); });
        };
        TPauseAnswer answer([&](TFKWLPauseRace& dialog) {
            waitingAtOnce = dialog.WaitingForHalt();
            if (untilHalted) {
                rig.Clock.SetStepPerReadUs(500);
                QVERIFY(ProcessUntil([&] { return !dialog.WaitingForHalt(); }));
            }
            QStringList names;
            for (const char* name : {"ButtonMinus2", "ButtonPlus1", "ButtonOK", "ButtonFinishRace", "ButtonCancel"})
                if (dialog.findChild<QPushButton*>(QLatin1String(name))->isEnabled())
                    names << QLatin1String(name);
            seen = names.join(QLatin1Char(' '));
            Click(dialog, untilHalted ? "ButtonFinishRace" : "ButtonCancel");
            rig.Clock.SetStepPerReadUs(500);
        });
        answer.BeforeHalt();
        Click(timer, "ButtonStart");
        QVERIFY(ProcessUntil([&] { return answer.Answered == 1; }));
        QVERIFY(!answer.LeftOpen);
        if (untilHalted) {
            QVERIFY(WaitFinished(timer));
        } else {
            QVERIFY(rig.WaitRefreshes(3));
            QCOMPARE(Enabled(timer), QStringLiteral("Pause"));
            QCOMPARE(timer.State().PausedTotal, int64_t(0));
        }
        timer.reject();
    });
    QVERIFY(!rig.LeftOpen);
    QVERIFY(waitingAtOnce);
    QCOMPARE(seen, enabled);
}

void TstTimerWindow::driverAboveTheTimedTracks_data()
{
    QTest::addColumn<bool>("withTrack1");
    QTest::newRow("only track 3") << false;
    QTest::newRow("tracks 1 and 3") << true;
}

void TstTimerWindow::driverAboveTheTimedTracks()
{
    QFETCH(bool, withTrack1);
    TMessageScript messages;  // no message expected
    TRig rig;
    rig.Settings.Tracks = 2;
    // One power line for every car: car 3 drives and crosses its sensor.
    rig.Settings.MultiplePowerSignals = false;
    const TNames names{withTrack1 ? QStringLiteral("Anna") : QString(), {}, QStringLiteral("Carl"), {}};
    const bool accepted = rig.Run(QStringLiteral("Lap"), 2, names, [&](TKWL_Timer& timer) {
        QVERIFY(timer.Panel(1)->isVisible());
        QVERIFY(timer.Panel(2)->isVisible());
        QVERIFY(!timer.Panel(3)->isVisible());
        Click(timer, "ButtonStart");
        QVERIFY(WaitFinished(timer));
        Click(timer, "ButtonOK");
    });
    QVERIFY(rig.Opened);
    QVERIFY(accepted);
    const TTrackState& carl = rig.Timer->Tracks()[2];
    QVERIFY(carl.Active);
    QCOMPARE(carl.Laps, 0);
    QCOMPARE(carl.TotalTime, 0u);
    QVERIFY(!carl.FalseStart);
    if (withTrack1) {
        QVERIFY(rig.Track->Crossings(3) >= 2);
        QCOMPARE(rig.Track1().Laps, 2000);
    }
    VERIFY_MESSAGES_SETTLED();
}

void TstTimerWindow::buttonsThroughARace_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("length");
    QTest::newRow("lap race") << "Lap" << 2;
    QTest::newRow("timed race") << "Timed" << 15;
}

void TstTimerWindow::buttonsThroughARace()
{
    QFETCH(QString, type);
    QFETCH(int, length);
    const bool timed = type != QLatin1String("Lap");
    TRig rig;
    QStringList seen;
    const bool accepted = rig.Run(type, length, OneDriver, [&](TKWL_Timer& timer) {
        QCOMPARE(timer.findChild<QPushButton*>(QStringLiteral("ButtonEditResult"))->isVisible(), timed);
        seen << Enabled(timer);
        Click(timer, "ButtonStart");
        seen << Enabled(timer);
        QVERIFY(WaitFinished(timer));
        seen << Enabled(timer);
        if (timed) {
            // Not before the sections of the last lap had their chance.
            Click(timer, "ButtonOK");
            QVERIFY(timer.isVisible());
            // Any close of the edit enables OK, even one that changes nothing.
            TPauseAnswer answer([](TFKWLPauseRace& dialog) { Click(dialog, "ButtonCancel"); });
            Click(timer, "ButtonEditResult");
            QCOMPARE(answer.Answered, 1);
            seen << Enabled(timer);
        }
        Click(timer, "ButtonOK");
    });
    QVERIFY(accepted);
    QVERIFY(!rig.LeftOpen);
    QStringList expected{QStringLiteral("Start Cancel"), QStringLiteral("Pause")};
    if (timed)
        expected << QStringLiteral("Start Cancel EditResult") << QStringLiteral("Start OK Cancel EditResult");
    else
        expected << QStringLiteral("Start OK Cancel");
    QCOMPARE(seen, expected);
    QVERIFY(rig.Timer->State().Accepted);
}

void TstTimerWindow::editResultTwiceAddsSectionsOnce()
{
    TRig rig;
    int32_t driven = 0;
    int32_t afterFirst = 0;
    int32_t afterSecond = 0;
    QString secondEditShowed;
    QString labelAfterFirst;
    const bool accepted = rig.Run(QStringLiteral("Timed"), 15, OneDriver, [&](TKWL_Timer& timer) {
        Click(timer, "ButtonStart");
        QVERIFY(WaitFinished(timer));
        driven = timer.Tracks()[0].Laps;
        {
            TPauseAnswer answer([](TFKWLPauseRace& dialog) {
                auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("EditSections1"));
                QVERIFY(edit && edit->isVisible());
                edit->setText(QStringLiteral("45"));
                Click(dialog, "ButtonOK");
            });
            const int refreshes = rig.Refreshes;
            Click(timer, "ButtonEditResult");
            QCOMPARE(answer.Answered, 1);
            QCOMPARE(rig.Refreshes, refreshes + 1);
        }
        afterFirst = timer.Tracks()[0].Laps;
        labelAfterFirst = LabelText(timer, "LabelLaps1");
        {
            TPauseAnswer answer([&](TFKWLPauseRace& dialog) {
                secondEditShowed = dialog.findChild<QLineEdit*>(QStringLiteral("EditSections1"))->text();
                Click(dialog, "ButtonOK");
            });
            Click(timer, "ButtonEditResult");
            QCOMPARE(answer.Answered, 1);
        }
        afterSecond = timer.Tracks()[0].Laps;
        QCOMPARE(LabelText(timer, "LabelLaps1"), labelAfterFirst);
        Click(timer, "ButtonOK");
    });
    QVERIFY(accepted);
    QVERIFY(driven >= 1000);
    QCOMPARE(driven % 1000, 0);
    QCOMPARE(afterFirst, driven + 45);
    QCOMPARE(afterSecond, afterFirst);
    QCOMPARE(secondEditShowed, QStringLiteral("0"));
    const TTrackState track = rig.Track1();
    QCOMPARE(labelAfterFirst,
             FormatLapValue(driven + 45, 100) + QLatin1Char('/') + FormatRaceTime(track.TotalTime, 3, true));
}

void TstTimerWindow::finishRaceShowsThePenalisedResult()
{
    // Every car jumps the start: track 1 gets the false-start penalty.
    TRig rig(1.0);
    QString buttonsWhilePaused;
    int64_t releasedAtMs = 0;
    int64_t endedAtMs = 0;
    rig.Run(QStringLiteral("Lap"), NeverEnds, OneDriver, [&](TKWL_Timer& timer) {
        Click(timer, "ButtonStart");
        // Some laps driven ("2.00/0:13.650"); the race may be further on by
        // the time this looks.
        QVERIFY(
            ProcessUntil([&] { return LabelText(timer, "LabelLaps1").section(QLatin1Char('.'), 0, 0).toInt() >= 2; }));
        QVERIFY(timer.Panel(1)->Lamp()->isVisible());
        QVERIFY(!timer.Panel(2)->Lamp()->isVisible());
        QVERIFY(ProcessUntil([&] { return !rig.Lights->isVisible(); }));
        {
            TPauseAnswer answer([&](TFKWLPauseRace& dialog) {
                buttonsWhilePaused = Enabled(timer);
                Click(dialog, "ButtonFinishRace");
            });
            Click(timer, "ButtonPause");
            QCOMPARE(answer.Answered, 1);
        }
        releasedAtMs = rig.Clock.NowMs();
        QVERIFY(WaitFinished(timer));
        endedAtMs = rig.Clock.NowMs();
        QCOMPARE(Enabled(timer), QStringLiteral("Start OK Cancel"));
        const TTrackState& track = timer.Tracks()[0];
        QVERIFY(track.FalseStart);
        QVERIFY(timer.Panel(1)->Lamp()->isVisible());
        // The laps label shows the total time with the penalty in it.
        QCOMPARE(LabelText(timer, "LabelLaps1"),
                 FormatLapValue(track.Laps, 100) + QLatin1Char('/') + FormatRaceTime(track.TotalTime, 3, true));
        QVERIFY(track.TotalTime >= uint32_t(rig.Settings.LapFalseStartMs) + track.LapTimes[1]);
        Click(timer, "ButtonCancel");
    });
    QVERIFY(!rig.LeftOpen);
    QCOMPARE(buttonsWhilePaused, QString());
    // No restart countdown (6600 ms of lights) after "Finish Race".
    QVERIFY2(endedAtMs - releasedAtMs < 2000, qPrintable(QString::number(endedAtMs - releasedAtMs)));
    QVERIFY(rig.Timer->State().RaceEnded.load());
}

void TstTimerWindow::closingEndsTheRace_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("reject") << "reject";
    QTest::newRow("close event") << "close";
    QTest::newRow("hidden") << "hide";
    QTest::newRow("during the countdown") << "countdown";
    QTest::newRow("from a display refresh") << "refresh";
    QTest::newRow("while the pause dialog is open") << "paused";
    QTest::newRow("while the pause dialog waits for the halt") << "pausing";
}

void TstTimerWindow::closingEndsTheRace()
{
    QFETCH(QString, how);
    TRig rig;
    TOnShow lightsShown;
    rig.Lights->installEventFilter(&lightsShown);
    bool heldWhileDialogOpen = false;
    const bool accepted = rig.Run(QStringLiteral("Lap"), NeverEnds, OneDriver, [&](TKWL_Timer& timer) {
        if (how == QLatin1String("countdown")) {
            // Inside the race's hand-over that shows the lights: the close
            // must not wait for the race, which waits for it.
            lightsShown.Then = [&timer] { timer.reject(); };
            Click(timer, "ButtonStart");
            QVERIFY(ProcessUntil([&] { return !timer.isVisible(); }));
            return;
        }
        Click(timer, "ButtonStart");
        QVERIFY(rig.WaitRefreshes(3));
        if (how == QLatin1String("reject")) {
            timer.reject();
        } else if (how == QLatin1String("close")) {
            timer.close();
        } else if (how == QLatin1String("hide")) {
            timer.hide();
        } else if (how == QLatin1String("refresh")) {
            // Inside the race's own refresh hand-over.
            QObject::connect(
                &timer, &TKWL_Timer::DisplayRefreshed, &timer, [&timer] { timer.reject(); }, Qt::SingleShotConnection);
            QVERIFY(ProcessUntil([&] { return !timer.isVisible(); }));
        } else if (how == QLatin1String("paused")) {
            TPauseAnswer answer([&](TFKWLPauseRace& dialog) {
                timer.reject();
                // The halted race waits for the dialog, which may still
                // write its edits back.
                QCoreApplication::processEvents();
                heldWhileDialogOpen = timer.Racing();
                Click(dialog, "ButtonPlus1");
                Click(dialog, "ButtonOK");
            });
            Click(timer, "ButtonPause");
            QCOMPARE(answer.Answered, 1);
            QVERIFY(heldWhileDialogOpen);
        } else if (how == QLatin1String("pausing")) {
            // The dialog has nothing left to pause and goes by itself.
            // The clock stands still, so the race cannot finish its sustain
            // read and halt before the window is closed.
            bool closedItself = false;
            TPauseAnswer answer([&](TFKWLPauseRace& dialog) {
                QVERIFY(dialog.WaitingForHalt());
                timer.reject();
                rig.Clock.SetStepPerReadUs(500);
                closedItself = ProcessUntil([&] { return !dialog.isVisible(); });
            });
            answer.BeforeHalt();
            rig.Clock.SetStepPerReadUs(0);
            Click(timer, "ButtonPause");
            QVERIFY(closedItself);
        }
        QVERIFY(!timer.isVisible());
    });
    QVERIFY(!accepted);
    QVERIFY(!rig.LeftOpen);
    // StartRace returns only once the race is over.
    QVERIFY(!rig.Timer->Racing());
    QVERIFY(rig.Timer->State().RaceEnded.load());
    QVERIFY(!rig.Timer->State().PauseRequested.load());
    // Power and lights are off, the start lights gone.
    QCOMPARE(rig.Io->OutputImage(), uint8_t(0));
    QVERIFY(!rig.Lights->isVisible());
}

void TstTimerWindow::startAgainRerunsFromZero()
{
    TRig rig(1.0);
    const TNames names{QStringLiteral("Anna"), QStringLiteral("Ben"), {}, {}};
    TTrackState first;
    QStringList resetTexts;
    QList<bool> lampsAtRestart;
    QList<int> gaugesAtRestart;
    const bool accepted = rig.Run(QStringLiteral("Lap"), 2, names, [&](TKWL_Timer& timer) {
        Click(timer, "ButtonStart");
        QVERIFY(WaitFinished(timer));
        first = timer.Tracks()[0];
        QVERIFY(timer.Panel(1)->Lamp()->isVisible());
        QVERIFY(timer.Panel(2)->Lamp()->isVisible());
        QVERIFY(!timer.Panel(3)->Lamp()->isVisible());
        // What the window shows is what the records hold.
        QCOMPARE(LabelText(timer, "LabelLastLap1"), FormatRaceTime(first.LastLap, 3, false));
        QCOMPARE(LabelText(timer, "LabelAverage1"),
                 QStringLiteral("Av: ") + FormatRaceTime(first.AverageLap, 3, false));
        QCOMPARE(LabelText(timer, "LabelFastest1"),
                 QStringLiteral("Fa: ") + FormatRaceTime(first.FastestLap, 3, false));
        QCOMPARE(LabelText(timer, "LabelLaps1"), QStringLiteral("2.00/") + FormatRaceTime(first.TotalTime, 3, true));
        QCOMPARE(timer.Panel(1)->Gauge()->Value(), 100);

        Click(timer, "ButtonStart");
        resetTexts << LabelText(timer, "LabelLastLap1") << LabelText(timer, "LabelAverage1")
                   << LabelText(timer, "LabelFastest1") << LabelText(timer, "LabelLaps1")
                   << LabelText(timer, "LabelClock") << Enabled(timer);
        for (int n = 1; n <= 4; ++n) {
            lampsAtRestart << timer.Panel(n)->Lamp()->isVisible();
            gaugesAtRestart << timer.Panel(n)->Gauge()->Value();
        }
        QVERIFY(WaitFinished(timer));
        Click(timer, "ButtonOK");
    });
    QVERIFY(accepted);
    QCOMPARE(resetTexts,
             (QStringList{QStringLiteral("00.000"), QStringLiteral("Av: 00.000"), QStringLiteral("Fa: 00.000"),
                          QStringLiteral("0/0:00.000"), QStringLiteral("0:00"), QStringLiteral("Pause")}));
    QCOMPARE(lampsAtRestart, (QList<bool>{false, false, false, false}));
    QCOMPARE(gaugesAtRestart, (QList<int>{0, 0, 0, 0}));
    QCOMPARE(first.Laps, 2000);
    const TTrackState second = rig.Track1();
    QCOMPARE(second.Laps, 2000);
    QVERIFY(second.LapTimes[1] > 0);
    QVERIFY(second.LapTimes[2] > 0);
    QCOMPARE(second.LapTimes[3], 0u);
    QVERIFY(second.FalseStart);
    // A two-lap race with the false-start penalty, not both races added up.
    QVERIFY(second.TotalTime < first.TotalTime + 10000);
    QVERIFY(second.TotalTime + 10000 > first.TotalTime);
}

void TstTimerWindow::captionShowsTheReadRateDuringARace()
{
    TRig rig;
    QString raceCaption;
    QString raceClock;
    for (int run = 0; run < 2; ++run) {
        QString shownCaption;
        rig.Run(QStringLiteral("Timed"), 600, OneDriver, [&](TKWL_Timer& timer) {
            shownCaption = timer.windowTitle();
            if (run == 1) {
                Click(timer, "ButtonCancel");
                return;
            }
            // Taken at the refresh that first changes the caption.
            QObject::connect(&timer, &TKWL_Timer::DisplayRefreshed, &timer, [&] {
                if (raceCaption.isEmpty() && timer.windowTitle() != shownCaption) {
                    raceCaption = timer.windowTitle();
                    raceClock = LabelText(timer, "LabelClock");
                }
            });
            Click(timer, "ButtonStart");
            QVERIFY(ProcessUntil([&] { return !raceCaption.isEmpty(); }));
            timer.reject();
        });
        // Each showing starts with the plain caption.
        QCOMPARE(shownCaption, Kobalap::SubCaption(QStringLiteral("Timer")));
    }
    const QString prefix = QStringLiteral(" K.O.B.A. v2.2- Timer     Sensor reads/sec: ");
    QVERIFY2(raceCaption.startsWith(prefix), qPrintable(raceCaption));
    bool number = false;
    QVERIFY(raceCaption.mid(prefix.size()).toLongLong(&number) > 0);
    QVERIFY(number);
    // A Timed race counts down from its length: a little over one second of
    // ten minutes has gone by at the first change.
    QVERIFY2(raceClock == QLatin1String("9:59") || raceClock == QLatin1String("9:58"), qPrintable(raceClock));
}

void TstTimerWindow::gaugePaintsItsShare()
{
    TRaceGauge gauge;
    gauge.resize(200, 20);
    gauge.SetColours(QColor(255, 0, 0), QColor(0, 0, 213));
    gauge.SetValue(25);
    const QImage half = gauge.grab().toImage();
    QCOMPARE(half.pixelColor(0, 10), QColor(255, 0, 0));
    QCOMPARE(half.pixelColor(49, 10), QColor(255, 0, 0));
    QCOMPARE(half.pixelColor(50, 10), QColor(0, 0, 213));
    QCOMPARE(half.pixelColor(199, 19), QColor(0, 0, 213));
    gauge.SetValue(250);
    QCOMPARE(gauge.Value(), 100);
    QCOMPARE(gauge.grab().toImage().pixelColor(199, 0), QColor(255, 0, 0));
    gauge.SetValue(-3);
    QCOMPARE(gauge.grab().toImage().pixelColor(0, 0), QColor(0, 0, 213));
}

void TstTimerWindow::fuelAndPitsOnThePanel_data()
{
    QTest::addColumn<bool>("driver");
    QTest::addColumn<int>("fuel");
    QTest::addColumn<int>("pits");
    QTest::addColumn<int>("shownFuel");    // -1: no bar
    QTest::addColumn<QString>("pitText");  // empty: none
    QTest::newRow("neither reported") << true << -1 << -1 << -1 << "";
    QTest::newRow("full tank, no stop yet") << true << 15 << 0 << 15 << "Pit 0";
    QTest::newRow("empty, stops not counted") << true << 0 << -1 << 0 << "";
    QTest::newRow("stops only") << true << -1 << 12 << -1 << "Pit 12";
    QTest::newRow("no driver on the track") << false << 9 << 3 << -1 << "";
}

void TstTimerWindow::fuelAndPitsOnThePanel()
{
    QFETCH(bool, driver);
    QFETCH(int, fuel);
    QFETCH(int, pits);
    QFETCH(int, shownFuel);
    QFETCH(QString, pitText);
    TSettings settings;
    TRaceState state;
    auto tracks = std::make_unique<TTrackStates>();
    TTrackPanel panel(1);
    // Refreshed as the window does it, after readings that must give way.
    for (const auto& [active, f, p] : {std::tuple{true, 7, 5}, std::tuple{driver, fuel, pits}}) {
        (*tracks)[0].Active = active;
        (*tracks)[0].Fuel = f;
        (*tracks)[0].PitStops = p;
        const TTrackDisplay shown = RefreshDisplay(state, *tracks, settings).Tracks[0];
        panel.ShowFuel(shown.Fuel);
        panel.ShowPitStops(shown.PitStops);
    }
    QCOMPARE(panel.FuelGauge()->isVisibleTo(&panel) ? panel.FuelGauge()->Fuel() : -1, shownFuel);
    QCOMPARE(panel.PitStopsLabel()->isVisibleTo(&panel) ? panel.PitStopsLabel()->text() : QString(), pitText);
}

// A heat on the simulated track with both cars jumping the start, called out
// through a recording speaker: what is said, in the order it is said.
void TstTimerWindow::raceIsCalledOutInOrder()
{
    TRig rig(1.0);
    TRecordingSpeaker& speaker = rig.CallOut();
    RaceJournalRecords::TRaceOrigin heat;
    heat.Heat = true;
    heat.HTnr = 3;
    rig.Timer->SetRaceOrigin(heat);

    const QString finish = QStringLiteral("Finish. First, Anna. Second, Bert.");
    rig.Run(QStringLiteral("Lap"), 8, TNames{QStringLiteral("Anna"), QStringLiteral("Bert"), {}, {}},
            [&](TKWL_Timer& timer) {
                Click(timer, "ButtonStart");
                QVERIFY(WaitFinished(timer));
                QVERIFY(ProcessUntil([&] { return speaker.said.contains(finish); }));
                Click(timer, "ButtonOK");
            });

    // Anna's car is the faster: she leads from her first lap, so nobody
    // takes the lead from her; her fastest laps come as they are driven.
    QStringList fixed;
    uint32_t lastFastest = NoFastestLap;
    for (const QString& phrase : speaker.said) {
        if (!phrase.startsWith(QLatin1String("Fastest lap, Anna, "))) {
            fixed << phrase;
            continue;
        }
        const auto seconds = QStringView(phrase).mid(19).toDouble();
        QVERIFY2(seconds * 1000 < lastFastest, qPrintable(phrase));
        lastFastest = uint32_t(seconds * 1000);
    }
    QCOMPARE(fixed, (QStringList{"Heat 3. Track 1, Anna. Track 2, Bert.", "False start, track 1. False start, track 2",
                                 "5 laps to go", "Last lap", finish}));
    QCOMPARE(rig.Announcer->Dropped(), 0);
}

// A championship heat against the records a stored heat set: Anna's laps on
// track 1 against the track record, Bert's on track 2 against his own best
// there (the track's record, Cor's, is out of his reach). Every lap that
// broke one is flashed on its panel, shown to the spectators and said.
void TstTimerWindow::recordsFallDuringHeat()
{
    TStoreRig store;
    for (const char* name : {"Anna", "Bert", "Cor"})
        store.Exec(R"(INSERT INTO "KWL_Drivers.DB" ("Driver Name") VALUES (?))", {QString::fromLatin1(name)});
    // Heat 1: Anna 6.300 on track 1; Bert 6.700 and Cor 5.000 on track 2 in
    // another race; a 0.4 s bounce on track 1 is no lap.
    for (const QVariantList& row : QList<QVariantList>{{1, 1, 1, 1, 1}, {1, 1, 1, 2, 2}, {1, 2, 1, 2, 3}})
        store.Exec(R"(INSERT INTO "KWL_HeatDetail.DB" VALUES (?, ?, ?, ?, ?, 0, 0, 0))", row);
    for (const QVariantList& row : QList<QVariantList>{{1, 1, 1, 1, 1, 6400},
                                                       {1, 1, 1, 1, 2, 6300},
                                                       {1, 1, 1, 1, 3, 400},
                                                       {1, 1, 1, 2, 1, 6700},
                                                       {1, 2, 1, 2, 1, 5000}})
        store.Exec(R"(INSERT INTO "KWL_HeatDetailLaps.DB" VALUES (?, ?, ?, ?, ?, ?, 0))", row);
    QString error;
    const std::optional<TLapsToBeat> toBeat = ReadLapsToBeat(store.Db(), 1, 1, 2, {1, 2, 0, 0}, 1000, error);
    QVERIFY2(toBeat, qPrintable(error));
    QCOMPARE(toBeat->TrackRecord, (std::array<uint32_t, 4>{6300, 5000, 0, 0}));
    QCOMPARE(toBeat->PersonalBest, (std::array<uint32_t, 4>{6300, 6700, 0, 0}));

    TRig rig;
    TRecordingSpeaker& speaker = rig.CallOut();
    TSnapshotPublisher feed;
    TSpectatorBoard board(feed, rig.Settings);
    rig.Timer->SetSpectatorBoard(&board);
    rig.Timer->SetLapsToBeat(*toBeat);

    // What each refresh showed: the panels' flashes, and the spectators'
    // marks on the screen and in the page's document.
    QStringList shown;
    QObject::connect(rig.Timer.get(), &TKWL_Timer::DisplayRefreshed, [&] {
        QHash<int, QString> onPage;
        for (const QJsonValue driver : QJsonDocument::fromJson(SpectatorDocument(board))["drivers"].toArray())
            onPage.insert(driver["track"].toInt(), driver["record"].toString());
        for (int track = 1; track <= 2; ++track) {
            QLabel* mark = rig.Timer->Panel(track)->RecordLabel();
            if (mark->isVisible())
                shown << QStringLiteral("%1 %2 / %3 / %4")
                             .arg(track)
                             .arg(mark->text(), RecordMarkText(board.RecordMark(track)), onPage.value(track));
        }
    });
    rig.Run(QStringLiteral("Lap"), 8, TNames{QStringLiteral("Anna"), QStringLiteral("Bert"), {}, {}},
            [&](TKWL_Timer& timer) {
                Click(timer, "ButtonStart");
                QVERIFY(WaitFinished(timer));
                Click(timer, "ButtonOK");
            });
    shown.removeDuplicates();
    QCOMPARE(shown, (QStringList{"1 Track record / Track record / Track record",
                                 "2 Personal best / Personal best / Personal best"}));

    // Said: every lap that beat the mark standing then, and no fastest lap
    // of those twice.
    QStringList expected;
    for (int track = 1; track <= 2; ++track) {
        uint32_t mark = toBeat->PersonalBest[size_t(track - 1)];
        for (int lap = 1; lap <= 8; ++lap) {
            const uint32_t ms = rig.Timer->Tracks()[size_t(track - 1)].LapTimes[size_t(lap)];
            if (ms < mark)
                expected << QStringLiteral("%1, %2, %3")
                                .arg(track == 1 ? "Track record" : "Personal best", track == 1 ? "Anna" : "Bert",
                                     AnnouncementRules::SpokenLapTime(ms));
            mark = std::min(mark, ms);
        }
    }
    QStringList records;
    for (const QString& phrase : speaker.said)
        if (phrase.startsWith(QLatin1String("Track record")) || phrase.startsWith(QLatin1String("Personal best")))
            records << phrase;
    records.sort();
    expected.sort();
    QVERIFY(!expected.isEmpty());
    QCOMPARE(records, expected);
    for (const QString& phrase : speaker.said)
        QVERIFY2(!phrase.startsWith(QLatin1String("Fastest lap, Anna")) ||
                     !expected.contains(QStringLiteral("Track record, Anna") + phrase.mid(17)),
                 qPrintable(phrase));
}

QTEST_MAIN(TstTimerWindow)
#include "tst_timerwindow.moc"
