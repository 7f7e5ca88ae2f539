#pragma once

#include "common/WindowPlacement.h"
#include "results/LiveRecords.h"
#include "timing/NoOutputsNotice.h"
#include "timing/RaceJournalRecords.h"
#include "timing/RaceState.h"
#include "timing/TimerLayout.h"
#include "voice/AnnouncementRules.h"

#include <QDialog>
#include <QPointer>
#include <QString>
#include <array>
#include <memory>

class QFrame;
class QPushButton;
class TRaceClock;
class TTrackIo;
struct TSettings;
struct TRaceDisplay;
class TFittedLabel;
class TFKWLStopLicht;
class TFKWLPauseRace;
class TRaceWindowHost;
class TSoundPlayer;
class TTimerThread;
class TTrackPanel;
class TSpectatorBoard;
class TAnnouncer;
class TRaceJournalWriter;
struct TRecoveredRace;

// The race screen: one coloured panel per track, the big race clock and the
// race buttons. One modal window per race, laid exactly over its caller. It
// owns the race records; after StartRace the caller reads Tracks() to show
// the laps or store the result. It writes no table.
class TKWL_Timer : public QDialog {
    Q_OBJECT
public:
    // clock, io and settings are the program's and outlive the window; the
    // race sounds are loaded from soundFolder.
    TKWL_Timer(TRaceClock& clock, TTrackIo& io, const TSettings& settings, const QString& soundFolder,
               QWidget* parent = nullptr);
    ~TKWL_Timer() override;

    // The start-light window and the pause dialog are made after this window
    // (the windows' creation order is fixed); they are handed over here.
    void SetRaceWindows(TFKWLStopLicht& lights, TFKWLPauseRace& pause);

    // Sets up the race and shows the window modally until it closes. Returns
    // whether the result was accepted with "OK". raceLength is laps for the
    // type "Lap", seconds for any other type (a Timed race).
    bool StartRace(const QString& raceType, int32_t raceLength, const std::array<QString, 4>& driverNames,
                   const std::array<int32_t, 4>& carriedTotals, const TWindowPlacement& placement);

    // Where the race running keeps its journal, so that a crash loses no lap
    // (empty: no journal). The window clears it when its race ends normally,
    // except the journal of an accepted heat: the heats window clears that
    // once the result is stored (ClearJournal).
    void SetJournalFile(const QString& path);
    QString JournalFile() const;
    void ClearJournal();
    // What the next race of this window is, for its journal; a single race
    // unless said. StartRace and ResumeRace use it up.
    void SetRaceOrigin(const RaceJournalRecords::TRaceOrigin& origin) { m_origin = origin; }
    // What the next race's laps must beat to break a record (a championship
    // heat); none unless said. StartRace and ResumeRace use it up.
    void SetLapsToBeat(const TLapsToBeat& toBeat) { m_lapsToBeat = toBeat; }
    // What the race in this window started with.
    const TLapsToBeat& RaceLapsToBeat() const { return m_raceLapsToBeat; }

    // Takes up a race its journal kept after a crash: the window opens with
    // its drivers and laps and the race paused, as after "Pause" (or, when
    // the race had ended, with its result as at its end). Returns like
    // StartRace.
    bool ResumeRace(const TRecoveredRace& race, const TWindowPlacement& placement);

    // Where the races of this window publish themselves for the spectators
    // (null: nowhere); it outlives the window.
    // Where each race is published for the spectators, and announced as the scene to show.
    void SetSpectatorBoard(TSpectatorBoard* board) { m_board = board; }
    // Who calls the races out loud (null: nobody); it outlives the window.
    void SetAnnouncer(TAnnouncer* announcer);

    // The records of the last race run in this window.
    const TTrackStates& Tracks() const { return *m_tracks; }
    const TRaceState& State() const { return m_state; }

    // The layout last applied, and the panel of track 1..4.
    const TTimerLayout& Layout() const { return m_layout; }
    TTrackPanel* Panel(int track) const { return m_panels[size_t(track - 1)]; }
    TTimerPhase Phase() const { return m_phase; }
    // Whether a timing thread is running now.
    bool Racing() const;

signals:
    // After each refresh of the display has been applied (about 25 a second
    // while a race runs, once at the race's end and once after "Edit
    // Result"). During a race it is emitted while the race waits for the
    // refresh: a receiver may close the window, but must not wait for the
    // race.
    void DisplayRefreshed();

public slots:
    // The timing thread has ended: the buttons for a finished race and the
    // final result on the panels. Only once the thread has ended (the
    // thread's finished() calls it); it reads the records.
    void RaceFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

public:
    // Every way of closing passes here (OK, Cancel, reject(), a close
    // event): a running race is told to end. StartRace waits for it once
    // the window is gone (also when the window was merely hidden).
    void done(int result) override;

private:
    void BuildWindow();
    QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& text, int pixelSize);
    void ApplyLayout();
    void ApplyColours();
    void ResetDisplay();
    void SetPhase(TTimerPhase phase);
    void ApplyRefresh(const TRaceDisplay& display);

    // Names, kind, length and totals into the records; false without a driver.
    bool PrepareRace(TRaceKind kind, int32_t raceLength, const std::array<QString, 4>& driverNames,
                     const std::array<int32_t, 4>& carriedTotals, const TWindowPlacement& placement);
    // The window after its race: no race outlives it, and its journal goes
    // unless the caller still needs it.
    bool CloseRace();
    // The timing thread for a race from the start (resumeFrom < 0) or one
    // taken up from its journal.
    void LaunchRace(int64_t resumeFrom);
    // The journal of a resumed race opened for more, and the race going on.
    void TakeUpRace();
    void JournalEvent(const RaceJournalRecords::TEvent& event);
    // The race as far as it has run, with the journal's own state of it.
    RaceJournalRecords::TEvent EventWithFigures(RaceJournalRecords::TEventType type, int64_t elapsedMs) const;
    // Says once per race that its laps are not safe from a crash.
    void WarnJournal(const QString& error);
    // Hands the race as it stands to the announcer, if there is one.
    void Announce(TRaceEvent::TType type, const std::array<TRecordWatch::TFall, 4>& records = {});
    // Marks the laps that broke a record on the panels and for the
    // spectators; returns them for the announcer.
    std::array<TRecordWatch::TFall, 4> ShowRecordsBroken();

    void StartClick();
    void PauseClick();
    // The pause dialog over the race; requested: the race asked for the
    // pause itself. The race goes on only on a track that can be reached.
    void RunPause(bool requested);
    void OKClick();
    void CancelClick();
    void EditResultClick();

    // The timing thread's hand-overs to this window (direct, on the UI
    // thread, while the race waits).
    void RefreshRequested();
    void FalseStartLampsRequested();
    void PauseDisableRequested();
    // Posted by the race when its track interface is lost: the race has
    // asked for a pause; say why and open it.
    void TrackInterfaceLostRequested();

    // Tells a running race to end, without waiting for it: a close may come
    // from inside one of the thread's hand-overs, where the thread waits for
    // this one and waiting for it would deadlock.
    void EndRace();
    // Ends the race and waits for its thread. Only where no hand-over can
    // be on the stack (after exec() has returned, in the destructor).
    void StopRace();

    TRaceClock& m_clock;
    TTrackIo& m_io;
    const TSettings& m_settings;
    TRaceState m_state;
    std::unique_ptr<TTrackStates> m_tracks;
    TSoundPlayer* m_sounds = nullptr;
    TRaceWindowHost* m_host = nullptr;
    QPointer<TFKWLPauseRace> m_pause;
    std::unique_ptr<TTimerThread> m_thread;
    TSpectatorBoard* m_board = nullptr;
    TAnnouncer* m_announcer = nullptr;
    bool m_pauseOpen = false;  // the pause dialog is open over a halted race
    std::unique_ptr<TRaceJournalWriter> m_journal;
    bool m_journalOpen = false;    // this window's race has a journal on disk
    bool m_journalWarned = false;  // its trouble has been said
    int64_t m_journaledSecond = -1;
    RaceJournalRecords::TRaceOrigin m_origin;
    TLapsToBeat m_lapsToBeat;      // for the next race, until it starts
    TLapsToBeat m_raceLapsToBeat;  // of the race in this window, for a restart
    TRecordWatch m_recordWatch;
    // A race taken up from its journal, until the window shows it.
    const TRecoveredRace* m_resumed = nullptr;
    // One race window serves the whole run: what it has said once stays said.
    TNoOutputsNotice m_noOutputs;

    TTimerLayout m_layout;
    TTimerPhase m_phase = TTimerPhase::Ready;
    std::array<TTrackPanel*, 4> m_panels{};
    QFrame* m_bottom = nullptr;
    TFittedLabel* m_clockLabel = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_pauseButton = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_editResult = nullptr;
};
