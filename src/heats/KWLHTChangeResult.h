#pragma once

#include "common/ModalShell.h"
#include "heats/HeatChoices.h"
#include "heats/ResultFields.h"

#include <QSqlDatabase>
#include <array>

class QCheckBox;
class QPushButton;
class TFittedLabel;
class TResultEdit;
struct TSettings;

// Correcting the stored result of a finished heat: per track the driver with
// his race time (minutes, seconds, ms) and distance (laps, sections). Only
// the value that ranks the championship can be changed, the time in a Lap
// championship, the laps in a Timed one. Created once and reused.
class TFHTChangeResult : public TModalShell {
    Q_OBJECT
public:
    TFHTChangeResult(QSqlDatabase db, const TSettings& settings, QWidget* parent = nullptr);

    // Shows the heat's results modally, centred on the active window (the
    // heats window). On OK, true with Entry[t].Time and Entry[t].Laps of
    // tracks 1..N set from the fields and Changed[t] telling where the user
    // changed them (an unchanged line keeps its stored values); on Cancel,
    // false with `choice` untouched. False as well, after an error message, when the drivers'
    // names cannot be read.
    bool Execute(THeatResultChoice& choice);

    // Fills the lines from the working copy of the choice; false (with the
    // store's message shown) when a driver's name cannot be read.
    bool FormShow();
    void OKBtnClick();
    void CancelBtnClick();

private:
    static constexpr int EditCount = 5;
    struct TTrackLine {
        QWidget* panel = nullptr;
        QCheckBox* check = nullptr;
        TFittedLabel* label = nullptr;
        std::array<TResultEdit*, EditCount> edits{};
    };

    void FormCreate();
    void ShowEmptyLine(TTrackLine& line, int track);
    void CentreOnActiveWindow();

    QSqlDatabase m_db;
    const TSettings& m_settings;
    THeatResultChoice m_choice;  // the working copy of the showing
    // What each line showed when the dialog opened, to tell a changed value
    // from one that only went through the fields' limits.
    std::array<TResultTexts, 4> m_shownTexts{};
    std::array<TTrackLine, 4> m_lines;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};
