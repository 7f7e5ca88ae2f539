#pragma once

#include "common/WindowPlacement.h"
#include "timing/RaceState.h"

#include <QDialog>
#include <QSqlDatabase>

struct TSettings;
class TLapGrid;
class QLabel;
class QPushButton;
class QTableWidget;
class TFixedHeadingsTable;

// The lap view: lap times in a grid with one column per track, for one
// stored heat, the extremes of a stored race or championship, or every lap of
// the race just run. Created once with the program; each entry fills it and
// shows it modally over its caller until "OK".
class TKWL_RoundResults : public QDialog {
    Q_OBJECT
public:
    enum Mode { HeatMode = 0, RaceMode = 1, ChampionshipMode = 2 };

    TKWL_RoundResults(QSqlDatabase db, const TSettings& settings, QWidget* parent = nullptr);
    ~TKWL_RoundResults() override;

    // Stored laps of a heat (HeatMode, all three keys), a race (RaceMode,
    // htnr ignored) or a championship (ChampionshipMode, rcnr 0). The caller
    // has checked that the records exist.
    void ShowStoredLaps(const TWindowPlacement& placement, int csnr, int rcnr, int mode, int htnr = 0);
    // Every lap of the race just run, from the race records.
    void ShowLapResults(const TWindowPlacement& placement, const TTrackStates& tracks);

    QString Title() const;
    QTableWidget* Grid() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FitTitle();
    void Present(const TWindowPlacement& placement, const QString& title, const TLapGrid& grid);
    void FillGrid(const TLapGrid& grid);

    QSqlDatabase m_db;
    const TSettings& m_settings;
    QLabel* m_title = nullptr;
    QFont m_titleFont;  // as laid out; the shown font is fitted to the title
    TFixedHeadingsTable* m_grid = nullptr;
    QPushButton* m_ok = nullptr;
};
