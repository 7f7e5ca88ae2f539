#include "timing/KWLTimer.h"

#include "common/AppInfo.h"
#include "common/FittedFont.h"
#include "common/FittedLabel.h"
#include "common/MessageBoxes.h"
#include "common/PlaceWindow.h"
#include "common/RaceClock.h"
#include "common/SettingColour.h"
#include "common/Settings.h"
#include "common/TrackIo.h"
#include "hardware/lapcounter/LapCounterPort.h"
#include "hardware/zlportio.h"
#include "spectator/RaceSnapshot.h"
#include "spectator/SpectatorBoard.h"
#include "timing/KWLPauseRace.h"
#include "timing/RaceDisplay.h"
#include "timing/RaceGauge.h"
#include "timing/RaceJournalFile.h"
#include "timing/RaceJournalReplay.h"
#include "timing/RaceJournalWriter.h"
#include "timing/RaceRules.h"
#include "timing/RaceWindowHost.h"
#include "timing/SoundPlayer.h"
#include "timing/TimerThread.h"
#include "timing/TrackPanel.h"
#include "voice/Announcer.h"

#include <QDateTime>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

#include <algorithm>
#include <utility>

namespace {

const QColor Silver(192, 192, 192);

// The timers that can stop answering, each told in its own words.
enum class TTimerKind { ControlUnit, LapCounter, LapBoard };

TTimerKind KindOf(TPortDriver& port)
{
    if (port.RaceControl())
        return TTimerKind::ControlUnit;
    if (dynamic_cast<const TLapCounterPort*>(&port))
        return TTimerKind::LapCounter;
    return TTimerKind::LapBoard;
}

}  // namespace

TKWL_Timer::TKWL_Timer(TRaceClock& clock, TTrackIo& io, const TSettings& settings, const QString& soundFolder,
                       QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_clock(clock),
      m_io(io),
      m_settings(settings),
      m_tracks(std::make_unique<TTrackStates>())
{
    setObjectName(QStringLiteral("TKWL_Timer"));
    m_sounds = new TSoundPlayer(soundFolder, this);
    BuildWindow();
}

TKWL_Timer::~TKWL_Timer()
{
    StopRace();
    m_thread.reset();
}

void TKWL_Timer::BuildWindow()
{
    setWindowTitle(Kobalap::SubCaption(QStringLiteral("Timer")));
    setFont(QFont(QStringLiteral("MS Sans Serif")));
    resize(755, 547);

    for (int n = 1; n <= 4; ++n)
        m_panels[size_t(n - 1)] = new TTrackPanel(n, this);

    m_bottom = new QFrame(this);
    m_bottom->setObjectName(QStringLiteral("PanelBottom"));
    m_bottom->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_bottom->setLineWidth(1);
    QPalette silver = m_bottom->palette();
    silver.setColor(QPalette::Window, Silver);
    silver.setColor(QPalette::WindowText, Qt::black);
    m_bottom->setPalette(silver);
    m_bottom->setAutoFillBackground(true);

    m_clockLabel = new TFittedLabel(QStringLiteral("0:00"), m_bottom);
    m_clockLabel->setObjectName(QStringLiteral("LabelClock"));
    m_clockLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    m_start = MakeButton(m_bottom, QStringLiteral("ButtonStart"), QStringLiteral("Start"), 16);
    m_pauseButton = MakeButton(m_bottom, QStringLiteral("ButtonPause"), QStringLiteral("Pause"), 16);
    m_ok = MakeButton(m_bottom, QStringLiteral("ButtonOK"), QStringLiteral("OK"), 13);
    m_cancel = MakeButton(m_bottom, QStringLiteral("ButtonCancel"), QStringLiteral("Cancel"), 13);
    m_editResult = MakeButton(m_bottom, QStringLiteral("ButtonEditResult"), QStringLiteral("Edit Result"), 13);
    m_editResult->hide();
    connect(m_start, &QPushButton::clicked, this, &TKWL_Timer::StartClick);
    connect(m_pauseButton, &QPushButton::clicked, this, &TKWL_Timer::PauseClick);
    connect(m_ok, &QPushButton::clicked, this, &TKWL_Timer::OKClick);
    connect(m_cancel, &QPushButton::clicked, this, &TKWL_Timer::CancelClick);
    connect(m_editResult, &QPushButton::clicked, this, &TKWL_Timer::EditResultClick);

    SetPhase(TTimerPhase::Ready);
    ApplyColours();
    ApplyLayout();
}

QPushButton* TKWL_Timer::MakeButton(QWidget* parent, const QString& name, const QString& text, int pixelSize)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    QFont font = button->font();
    font.setBold(true);
    font.setPixelSize(pixelSize);
    button->setFont(font);
    // Enter must not press a race button that merely happens to be the
    // dialog's default; a button is pressed by clicking it or with Space.
    button->setAutoDefault(false);
    return button;
}

void TKWL_Timer::SetRaceWindows(TFKWLStopLicht& lights, TFKWLPauseRace& pause)
{
    m_pause = &pause;
    delete m_host;
    m_host = new TRaceWindowHost(lights, *m_sounds, this);
    m_host->SetCoveredWindow(this);
    // Direct connections: the race waits while these run, so they see the
    // records standing still.
    connect(m_host, &TRaceWindowHost::RefreshDisplayRequested, this, &TKWL_Timer::RefreshRequested);
    connect(m_host, &TRaceWindowHost::FalseStartLampsRequested, this, &TKWL_Timer::FalseStartLampsRequested);
    connect(m_host, &TRaceWindowHost::PauseDisableRequested, this, &TKWL_Timer::PauseDisableRequested);
    connect(m_host, &TRaceWindowHost::TrackInterfaceLostRequested, this, &TKWL_Timer::TrackInterfaceLostRequested);
}

bool TKWL_Timer::PrepareRace(TRaceKind kind, int32_t raceLength, const std::array<QString, 4>& driverNames,
                             const std::array<int32_t, 4>& carriedTotals, const TWindowPlacement& placement)
{
    m_state.RaceKind = kind;
    m_editResult->setVisible(m_state.RaceKind == TRaceKind::Timed);
    m_state.RaceLength = raceLength;
    m_state.TargetLaps = m_state.RaceKind == TRaceKind::Lap ? raceLength : TimedTargetLaps;

    bool anyDriver = false;
    for (int n = 1; n <= 4; ++n) {
        TTrackState& track = (*m_tracks)[size_t(n - 1)];
        track.DriverName = driverNames[size_t(n - 1)].left(255);
        track.Active = !track.DriverName.isEmpty();
        anyDriver = anyDriver || track.Active;
        m_io.SetOutputLine(n, false);
        Panel(n)->NameLabel()->ShowText(track.DriverName);
    }

    if (m_settings.ShowTotals)
        m_state.CarriedTotals = carriedTotals;
    else
        m_state.CarriedTotals.fill(0);

    PlaceWindow(*this, placement);
    m_state.Accepted = false;
    m_journalOpen = false;
    m_journalWarned = false;
    m_journaledSecond = -1;
    return anyDriver;
}

bool TKWL_Timer::StartRace(const QString& raceType, int32_t raceLength, const std::array<QString, 4>& driverNames,
                           const std::array<int32_t, 4>& carriedTotals, const TWindowPlacement& placement)
{
    const TRaceKind kind = raceType == QLatin1String("Lap") ? TRaceKind::Lap : TRaceKind::Timed;
    m_raceLapsToBeat = std::exchange(m_lapsToBeat, {});
    m_recordWatch.Start(m_raceLapsToBeat);
    if (!PrepareRace(kind, raceLength, driverNames, carriedTotals, placement)) {
        m_origin = {};
        Messages::Warning(QStringLiteral("No drivers where selected!"), {}, parentWidget());
        return false;
    }
    Announce(TRaceEvent::TType::LineUp);
    exec();
    return CloseRace();
}

bool TKWL_Timer::ResumeRace(const TRecoveredRace& race, const TWindowPlacement& placement)
{
    m_raceLapsToBeat = std::exchange(m_lapsToBeat, {});
    m_recordWatch.Start(m_raceLapsToBeat);
    if (!PrepareRace(race.Race.Kind, race.Race.Length, race.Race.Drivers, race.Race.CarriedTotals, placement)) {
        m_origin = {};
        return false;
    }
    // The journal's records, with this window's names and tracks in use.
    for (size_t n = 0; n < 4; ++n) {
        const TTrackState& kept = (*race.Tracks)[n];
        TTrackState& track = (*m_tracks)[n];
        const QString name = track.DriverName;
        const bool active = track.Active;
        track = kept;
        track.DriverName = name;
        track.Active = active;
    }
    m_state.SectionsToAdd = race.SectionsToAdd;
    m_state.Elapsed = race.ElapsedMs;
    m_state.LastShownElapsed = -1000;  // the clock shows at once
    m_state.PausedTotal = 0;
    m_resumed = &race;
    // The laps before the crash were seen then: only later ones are news.
    m_recordWatch.Look(*m_tracks, m_settings.SectionsPerLap);
    Announce(TRaceEvent::TType::LineUp);
    exec();
    m_resumed = nullptr;
    return CloseRace();
}

bool TKWL_Timer::CloseRace()
{
    // However the window went away, no race outlives it.
    StopRace();
    m_thread.reset();
    if (m_journalOpen) {
        // An accepted heat's journal stays until its result is stored.
        m_journal->Finish(!(m_state.Accepted && m_origin.Heat));
        m_journalOpen = false;
    }
    m_origin = {};
    return m_state.Accepted;
}

void TKWL_Timer::SetAnnouncer(TAnnouncer* announcer)
{
    m_announcer = announcer;
    if (m_announcer)
        m_announcer->SetWaves(m_sounds);
}

void TKWL_Timer::Announce(TRaceEvent::TType type, const std::array<TRecordWatch::TFall, 4>& records)
{
    // Off (as by default), the records are not even copied.
    if (!m_announcer || !m_announcer->Choice().Enabled)
        return;
    TRaceEvent event;
    event.Type = type;
    event.AtMs = m_clock.NowMs();
    event.Heat = m_origin.Heat ? m_origin.HTnr : 0;
    event.Race = MakeRaceSnapshot(*m_tracks, m_state, TimedTrackCount(m_settings), m_settings.SectionsPerLap);
    UpdateRaceSnapshot(event.Race, *m_tracks, m_state);
    event.Records = records;
    m_announcer->Hear(event);
}

void TKWL_Timer::SetJournalFile(const QString& path)
{
    m_journal = path.isEmpty() ? nullptr : std::make_unique<TRaceJournalWriter>(path);
}

QString TKWL_Timer::JournalFile() const { return m_journal ? m_journal->Path() : QString(); }

void TKWL_Timer::ClearJournal()
{
    if (m_journal && !m_journalOpen)
        RaceJournalFile::Clear(m_journal->Path());
}

void TKWL_Timer::JournalEvent(const RaceJournalRecords::TEvent& event)
{
    if (m_journalOpen)
        m_journal->Event(RaceJournalRecords::EncodeEvent(event));
}

RaceJournalRecords::TEvent TKWL_Timer::EventWithFigures(RaceJournalRecords::TEventType type, int64_t elapsedMs) const
{
    return RaceJournalRecords::MakeEvent(type, elapsedMs, *m_tracks, m_state);
}

void TKWL_Timer::WarnJournal(const QString& error)
{
    if (m_journalWarned)
        return;
    m_journalWarned = true;
    Messages::Warning(QStringLiteral("Laps of this race cannot be kept safe: the race journal cannot be written, so "
                                     "a crash or a power cut would lose the race. The race can still be run."),
                      error, this);
}

bool TKWL_Timer::Racing() const { return m_thread && m_thread->isRunning(); }

void TKWL_Timer::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A window brought back from the task bar is shown again by the system;
    // that is no new race screen and must not touch a running race.
    if (event->spontaneous())
        return;
    SetPhase(TTimerPhase::Ready);
    ApplyColours();
    setWindowTitle(Kobalap::SubCaption(QStringLiteral("Timer")));
    ResetDisplay();
    ApplyLayout();
    if (m_resumed) {
        // The laps so far at once; the race is taken up once the window is up.
        SetPhase(TTimerPhase::Paused);
        RefreshRequested();
        QMetaObject::invokeMethod(this, &TKWL_Timer::TakeUpRace, Qt::QueuedConnection);
    }
}

void TKWL_Timer::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    ApplyLayout();
}

void TKWL_Timer::keyPressEvent(QKeyEvent* event)
{
    // Esc is the marshal's quick pause, never a way to close the race screen.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        if (m_pauseButton->isEnabled())
            PauseClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TKWL_Timer::done(int result)
{
    EndRace();
    QDialog::done(result);
}

void TKWL_Timer::EndRace()
{
    m_state.RaceEnded.store(true);
    // A race halted at a pause must be let go to end. While the pause dialog
    // is open it is let go when the dialog closes: the dialog may still
    // write its edits back, and the race must not run meanwhile.
    if (m_thread && !m_pauseOpen)
        m_thread->ReleasePause();
}

void TKWL_Timer::StopRace()
{
    EndRace();
    if (m_thread)
        m_thread->Stop();
}

void TKWL_Timer::ApplyLayout()
{
    m_layout = TimerLayout(width(), TimedTrackCount(m_settings));
    for (size_t n = 0; n < m_panels.size(); ++n) {
        TTrackPanel* panel = m_panels[n];
        panel->setGeometry(m_layout.Panels[n]);
        panel->setVisible(m_layout.Shown[n]);
        panel->ApplyLayout(m_layout.Panel);
    }
    m_bottom->setGeometry(m_layout.Bottom);
    m_bottom->show();

    QFont clockFont(QStringLiteral("Arial"));
    clockFont.setBold(true);
    clockFont.setPointSize(std::max(m_layout.ClockPoints, 1));
    m_clockLabel->setFont(clockFont);
    m_clockLabel->setGeometry(m_layout.Clock);
    // "59:59" at the laid-out size; a longer race's clock is fitted as it
    // gets there.
    m_clockLabel->Fit(clockFont, DigitVariants(QStringLiteral("00:00")));
    m_start->setGeometry(m_layout.Start);
    m_pauseButton->setGeometry(m_layout.Pause);
    m_editResult->setGeometry(m_layout.EditResult);
    m_ok->setGeometry(m_layout.OK);
    m_cancel->setGeometry(m_layout.Cancel);
}

void TKWL_Timer::ApplyColours()
{
    for (size_t n = 0; n < m_panels.size(); ++n)
        m_panels[n]->SetColours(ColourOfSetting(m_settings.Foreground[n]), ColourOfSetting(m_settings.Background[n]));
}

void TKWL_Timer::ResetDisplay()
{
    const TResetTexts texts = ResetTexts(m_state, m_settings.SectionsPerLap);
    m_clockLabel->ShowText(texts.Clock);
    const int trackCount = TimedTrackCount(m_settings);
    for (int n = 0; n < trackCount; ++n) {
        TTrackPanel* panel = m_panels[size_t(n)];
        const TTrackResetTexts& track = texts.Tracks[size_t(n)];
        panel->CurrentLapLabel()->ShowText(track.LastLap);
        panel->AverageLabel()->ShowText(track.Average);
        panel->FastestLabel()->ShowText(track.Fastest);
        panel->LapsLabel()->ShowText(track.Laps);
        panel->Lamp()->hide();
        // Until the new race's first refresh says what the unit reports.
        panel->ShowFuel(-1);
        panel->ShowPitStops(-1);
        panel->ClearRecord();
    }
    for (TTrackPanel* panel : m_panels)
        panel->Gauge()->SetValue(0);
}

void TKWL_Timer::SetPhase(TTimerPhase phase)
{
    m_phase = phase;
    const TTimerButtons buttons = TimerButtons(phase);
    m_start->setEnabled(buttons.Start);
    m_pauseButton->setEnabled(buttons.Pause);
    m_ok->setEnabled(buttons.OK);
    m_cancel->setEnabled(buttons.Cancel);
    m_editResult->setEnabled(buttons.EditResult);
}

void TKWL_Timer::ApplyRefresh(const TRaceDisplay& display)
{
    if (display.ClockChanged) {
        m_clockLabel->ShowText(display.ClockText);
        setWindowTitle(display.Caption);
    }
    for (size_t n = 0; n < display.Tracks.size(); ++n) {
        const TTrackDisplay& track = display.Tracks[n];
        TTrackPanel* panel = m_panels[n];
        if (track.GaugeChanged)
            panel->Gauge()->SetValue(track.GaugePercent);
        if (track.LastLapChanged)
            panel->CurrentLapLabel()->ShowText(track.LastLapText);
        if (track.AverageChanged)
            panel->AverageLabel()->ShowText(track.AverageText);
        if (track.FastestChanged)
            panel->FastestLabel()->ShowText(track.FastestText);
        if (track.LapsChanged)
            panel->LapsLabel()->ShowText(track.LapsText);
        panel->ShowFuel(track.Fuel);
        panel->ShowPitStops(track.PitStops);
    }
    emit DisplayRefreshed();
}

void TKWL_Timer::StartClick()
{
    if (!m_host || Racing())
        return;
    // A board that is not answering could time nothing; the race would
    // only pause at once.
    if (!m_io.Port().Connected()) {
        switch (KindOf(m_io.Port())) {
        case TTimerKind::ControlUnit:
            Messages::Warning(
                QStringLiteral("The Carrera Control Unit is not answering. Check its cable and power, then start "
                               "the race."),
                m_io.Port().Description(), this);
            break;
        case TTimerKind::LapCounter:
            Messages::Warning(QStringLiteral("The lap counter is not answering. Check its cable or network and its "
                                             "power, then start the race."),
                              m_io.Port().Description(), this);
            break;
        case TTimerKind::LapBoard:
            Messages::Warning(
                QStringLiteral("The lap-sensor board is not answering. Plug it back in, then start the race."),
                m_io.Port().Description(), this);
            break;
        }
        return;
    }
    // Before the race, which then goes on as always.
    if (m_noOutputs.Due(m_io.Port().HasOutputs()))
        Messages::Information(QStringLiteral("The power and the start lights are not switched on this track "
                                             "interface: the start lights show on the screen only, and the cars "
                                             "must be stopped by hand."),
                              this);
    // The last race's thread has ended (Start is only enabled then).
    m_thread.reset();
    ResetDisplay();
    // Started again: the race before counts for nothing, its records neither.
    m_recordWatch.Start(m_raceLapsToBeat);
    m_state.PausedTotal = 0;
    SetPhase(TTimerPhase::Racing);

    if (m_journal) {
        // Started again: the race before is replaced, and so is its journal.
        if (m_journalOpen)
            m_journal->Finish(true);
        // A journal still there belongs to a heat whose result could not be
        // stored: it is set aside, never overwritten.
        if (QFileInfo::exists(m_journal->Path()))
            RaceJournalFile::SetAside(m_journal->Path());
        RaceJournalRecords::TRaceDescription race;
        race.Origin = m_origin;
        race.Kind = m_state.RaceKind;
        race.Length = m_state.RaceLength;
        for (size_t n = 0; n < 4; ++n)
            race.Drivers[n] = (*m_tracks)[n].DriverName;
        race.CarriedTotals = m_state.CarriedTotals;
        race.StartedUtcMs = QDateTime::currentMSecsSinceEpoch();
        QString error;
        m_journalOpen = m_journal->Begin(RaceJournalRecords::EncodeRace(race), error);
        if (!m_journalOpen)
            WarnJournal(error);
    }
    LaunchRace(-1);
}

void TKWL_Timer::TakeUpRace()
{
    if (!m_resumed || !m_host || Racing())
        return;
    const TRecoveredRace& race = *m_resumed;
    m_resumed = nullptr;
    if (m_journal) {
        QString error;
        m_journalOpen = m_journal->Continue(race.ValidBytes, error);
        if (!m_journalOpen)
            WarnJournal(error);
        JournalEvent(RaceJournalRecords::MakeEvent(RaceJournalRecords::TEventType::Resumed, race.ElapsedMs));
    }
    if (race.Stage != TRecoveredRace::TStage::Running) {
        // It had ended: its result waits for "OK", as it did then.
        m_state.RaceEnded.store(true);
        SetPhase(FinishedPhase(m_state.RaceKind));
        return;
    }
    SetPhase(TTimerPhase::Paused);
    LaunchRace(race.ElapsedMs);
    if (Racing())
        RunPause(true);
}

void TKWL_Timer::LaunchRace(int64_t resumeFrom)
{
    auto thread = std::make_unique<TTimerThread>(m_clock, m_io, m_settings, m_state, *m_tracks, *m_host, m_host);
    TTimerThread* started = thread.get();
    started->Engine().ResumeFrom(resumeFrom);
    // A race taken up is held at once, as a pause is, before it powers anything.
    if (resumeFrom >= 0)
        started->RequestPause();
    if (m_journalOpen)
        started->Engine().SetJournal(&m_journal->Laps());
    if (m_board) {
        const TRaceSnapshot start =
            MakeRaceSnapshot(*m_tracks, m_state, TimedTrackCount(m_settings), m_settings.SectionsPerLap);
        // No timing thread runs now, so this thread may be the writer once:
        // the spectators see the new field at once, not the last race's end.
        m_board->Feed().Publish(start);
        started->Engine().SetSpectatorFeed(&m_board->Feed(), start);
        m_board->ShowRace();
    }
    // Delivered through the thread object, so an end report still queued
    // when a thread is deleted goes with it and cannot finish a later race.
    connect(started, &QThread::finished, started, [this, started] {
        if (m_thread.get() == started)
            RaceFinished();
    });
    m_thread = std::move(thread);
    m_thread->start();
}

void TKWL_Timer::PauseClick()
{
    if (!m_pauseButton->isEnabled() || !Racing() || !m_pause)
        return;
    RunPause(false);
}

void TKWL_Timer::TrackInterfaceLostRequested()
{
    // A pause dialog already open keeps the race until the board is back.
    if (!Racing() || !m_pause || m_pauseOpen)
        return;
    m_pauseOpen = true;  // no Pause click opens a second dialog meanwhile
    SetPhase(TTimerPhase::Paused);
    Announce(TRaceEvent::TType::TimingLost);
    switch (KindOf(m_io.Port())) {
    case TTimerKind::ControlUnit:
        Messages::Warning(QStringLiteral("The Carrera Control Unit stopped answering. The race is paused and every "
                                         "lap so far is kept. Check its cable and power, then continue the race."),
                          m_io.Port().Description(), this);
        break;
    case TTimerKind::LapCounter:
        Messages::Warning(QStringLiteral("The lap counter stopped answering. The race is paused and every lap so far "
                                         "is kept. Check its cable or network, then continue the race."),
                          m_io.Port().Description(), this);
        break;
    case TTimerKind::LapBoard:
        Messages::Warning(QStringLiteral("The lap-sensor board stopped answering. The race is paused and every lap "
                                         "so far is kept. Plug the board back in, then continue the race."),
                          m_io.Port().Description(), this);
        break;
    }
    m_pauseOpen = false;
    if (Racing())
        RunPause(true);
}

void TKWL_Timer::RunPause(bool requested)
{
    SetPhase(TTimerPhase::Paused);
    const QPointer<TTimerThread> thread = m_thread.get();

    // The dialog opens at once; it takes its copy of the records only when
    // the race has halted, and the race is held until the dialog is closed.
    m_pauseOpen = true;
    TFKWLPauseRace::TPauseOutcome outcome = m_pause->ExecutePause(m_state, *m_tracks, *thread, requested);
    // Laps are only timed on a track that can be reached: the race stays
    // halted until the board answers again, or is finished.
    while (thread && outcome.Halted && outcome.Result == TFKWLPauseRace::TPauseResult::Resume &&
           !m_state.RaceEnded.load() && !m_io.Port().Connected()) {
        switch (KindOf(m_io.Port())) {
        case TTimerKind::ControlUnit:
            Messages::Warning(QStringLiteral("The Carrera Control Unit is still not answering. Check its cable and "
                                             "power, then continue the race, or finish it."),
                              m_io.Port().Description(), this);
            break;
        case TTimerKind::LapCounter:
            Messages::Warning(QStringLiteral("The lap counter is still not answering. Check its cable or network, "
                                             "then continue the race, or finish it."),
                              m_io.Port().Description(), this);
            break;
        case TTimerKind::LapBoard:
            Messages::Warning(QStringLiteral("The lap-sensor board is still not answering. Plug it back in, then "
                                             "continue the race, or finish it."),
                              m_io.Port().Description(), this);
            break;
        }
        outcome = m_pause->ExecutePause(m_state, *m_tracks, *thread, true);
        outcome.Halted = true;
    }
    m_pauseOpen = false;
    if (outcome.Result == TFKWLPauseRace::TPauseResult::FinishRace)
        m_state.RaceEnded.store(true);
    // While the race still stands: the halt's race time and what the dialog left.
    if (thread && outcome.Halted)
        JournalEvent(EventWithFigures(RaceJournalRecords::TEventType::Paused,
                                      m_state.PauseMark - m_state.RaceStartMark - m_state.PausedTotal));
    // Closed before the race got to the request (or the race ended first):
    // a request still untaken is withdrawn, so the race never stops for it.
    // A taken one is served by a halt, which the release below lets go.
    const bool withdrawn = !outcome.Halted && TakePauseRequest(m_state);
    m_state.PauseRequested.store(false);
    if (!thread)
        return;
    // A finished race (or a closed window) keeps Pause disabled: the thread
    // is about to end and RaceFinished sets the buttons.
    if (!m_state.RaceEnded.load())
        SetPhase(TTimerPhase::Racing);
    if (!withdrawn)
        thread->ReleasePause();
}

void TKWL_Timer::OKClick()
{
    m_state.Accepted = true;
    JournalEvent(RaceJournalRecords::MakeEvent(RaceJournalRecords::TEventType::Accepted, m_state.Elapsed));
    accept();
}

void TKWL_Timer::CancelClick()
{
    m_state.Accepted = false;
    JournalEvent(RaceJournalRecords::MakeEvent(RaceJournalRecords::TEventType::Cancelled, m_state.Elapsed));
    reject();
}

void TKWL_Timer::EditResultClick()
{
    if (!m_pause || Racing())
        return;
    // The race has ended, so the dialog opens in its edit mode.
    m_pause->Execute(m_state, *m_tracks);
    JournalEvent(EventWithFigures(RaceJournalRecords::TEventType::Edited, m_state.Elapsed));
    SetPhase(TTimerPhase::Edited);
    ApplyRefresh(RefreshDisplay(m_state, *m_tracks, m_settings));
}

void TKWL_Timer::RaceFinished()
{
    // The race's own last refresh has shown the final result, penalties
    // included.
    SetPhase(FinishedPhase(m_state.RaceKind));
    JournalEvent(EventWithFigures(RaceJournalRecords::TEventType::Finished, m_state.Elapsed));
    // A race that ended with its window (Cancel) has no result to call out.
    if (isVisible())
        Announce(TRaceEvent::TType::Finished);
    // A journal that stopped taking laps during the race is said now, not
    // while the race needed the window.
    if (m_journalOpen && !m_journal->Failure().isEmpty())
        WarnJournal(m_journal->Failure());
}

void TKWL_Timer::RefreshRequested()
{
    ApplyRefresh(RefreshDisplay(m_state, *m_tracks, m_settings));
    const std::array<TRecordWatch::TFall, 4> records = ShowRecordsBroken();
    if (Racing())
        Announce(TRaceEvent::TType::Standing, records);
    // About once a second the race time reached, so that a race taken up
    // after a crash goes on close to where it stopped, not at its last lap.
    if (Racing() && m_state.Elapsed / 1000 != m_journaledSecond) {
        m_journaledSecond = m_state.Elapsed / 1000;
        JournalEvent(RaceJournalRecords::MakeEvent(RaceJournalRecords::TEventType::Clock, m_state.Elapsed));
    }
}

std::array<TRecordWatch::TFall, 4> TKWL_Timer::ShowRecordsBroken()
{
    const std::array<TRecordWatch::TFall, 4> records = m_recordWatch.Look(*m_tracks, m_settings.SectionsPerLap);
    for (size_t n = 0; n < records.size(); ++n) {
        if (records[n].Mark == TRecordMark::None)
            continue;
        m_panels[n]->FlashRecord(RecordMarkText(records[n].Mark), records[n].Mark == TRecordMark::TrackRecord);
        if (m_board)
            m_board->MarkRecord(int(n + 1), records[n].Mark);
    }
    return records;
}

void TKWL_Timer::FalseStartLampsRequested()
{
    JournalEvent(EventWithFigures(RaceJournalRecords::TEventType::Green, 0));
    for (size_t n = 0; n < m_panels.size(); ++n)
        if ((*m_tracks)[n].FalseStart)
            m_panels[n]->Lamp()->show();
}

void TKWL_Timer::PauseDisableRequested() { m_pauseButton->setEnabled(false); }
