#pragma once

#include "timing/PauseEdits.h"
#include "timing/RaceState.h"

#include <QDialog>
#include <QPointer>
#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct TSettings;
class TTimerThread;

// The pause dialog, also used after a Timed race to add the sections of each
// car's last, partial lap. It works on a copy of the four track records and
// writes the copy back only on "OK" or "Finish Race". Created once with the
// program and reused for every pause and edit.
class TFKWLPauseRace : public QDialog {
    Q_OBJECT
public:
    // How the dialog was closed: "OK" and "Cancel " resume the race (or end
    // the edit), "Finish Race" ends it.
    enum class TPauseResult { Resume, FinishRace };

    explicit TFKWLPauseRace(const TSettings& settings, QWidget* parent = nullptr);
    ~TFKWLPauseRace() override;

    // Shows the dialog modally for the race's present state: edit mode when
    // RaceEnded is set, else pause mode. The timing thread must be halted
    // (or the race over) for as long as it is open.
    TPauseResult Execute(TRaceState& state, TTrackStates& tracks);

    struct TPauseOutcome {
        TPauseResult Result = TPauseResult::Resume;
        bool Halted = false;  // the race halted while the dialog was open
    };
    // Pauses a running race: asks `race` to pause and shows the dialog at
    // once. The race still runs until it has cut the power and sustained its
    // sensor read; only then is the working copy taken and the dialog's
    // edits enabled. Until then only "Cancel " can be pressed. A race that
    // ends on its own before it halts closes the dialog.
    // With requested set the pause was asked for already (by the race itself,
    // when it lost its track interface), and the race may have halted before
    // the dialog opens.
    TPauseOutcome ExecutePause(TRaceState& state, TTrackStates& tracks, TTimerThread& race, bool requested = false);
    // The dialog is open for a race that has not halted yet.
    bool WaitingForHalt() const { return m_waiting; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct TTrackWidgets {
        QGroupBox* group = nullptr;
        QLabel* laps = nullptr;
        QLabel* preview = nullptr;
        QLabel* addSections = nullptr;
        QLineEdit* sections = nullptr;
    };

    QGroupBox* BuildTrack(int track);
    void OpenOver();
    void ShowSession();
    void ShowWaiting();
    void SetEditsEnabled(bool enabled);
    void ShowTexts();
    void PlusClick(int track);
    void MinusClick(int track);
    void WriteBack(TPauseResult result);
    void CentreOnHost();

    const TSettings& m_settings;
    TPauseEdits m_edits;
    TPauseResult m_result = TPauseResult::Resume;
    std::array<TTrackWidgets, 4> m_tracks;
    QPushButton* m_ok = nullptr;
    QPushButton* m_finish = nullptr;
    QPushButton* m_cancel = nullptr;
    QPointer<QWidget> m_host;  // the window to centre on
    bool m_waiting = false;
    std::array<QPushButton*, 8> m_steps{};  // "-" and "+" of tracks 1..4
};
