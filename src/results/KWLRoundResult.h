#pragma once

#include "common/WindowPlacement.h"
#include "results/LapAnalysis.h"
#include "results/LapsExport.h"
#include "timing/RaceState.h"

#include <QDialog>
#include <QSqlDatabase>

struct TSettings;
class TLapGrid;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;
class TFixedHeadingsTable;

// The lap view: lap times in a grid with one column per track, for one
// stored heat, the extremes of a stored race or championship, or every lap of
// the race just run. Created once with the program; each entry fills it and
// shows it modally over its caller until "OK". Under the grid each driver's
// consistency over the laps shown; "Chart" draws those laps, and for the race
// just run "Export Laps" saves them for a spreadsheet.
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
    void ShowLapResults(const TWindowPlacement& placement, const TTrackStates& tracks, const TLapsOrigin& origin = {});

    // Where "Export Laps" and the chart's "Save Image" propose their files
    // (its folder Export).
    void SetWorkingDirectory(const QString& workingDirectory) { m_workingDirectory = workingDirectory; }

    QString Title() const;
    QTableWidget* Grid() const;
    QListWidget* Figures() const { return m_figures; }
    // Every driver's laps of the scope shown.
    const QList<TDriverLaps>& DriverLaps() const { return m_driverLaps; }

public slots:
    void ButtonChartClick();
    void ButtonExportLapsClick();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FitTitle();
    void Present(const TWindowPlacement& placement, const QString& title, const TLapGrid& grid);
    void FillGrid(const TLapGrid& grid);
    void FillFigures();

    QSqlDatabase m_db;
    const TSettings& m_settings;
    QLabel* m_title = nullptr;
    QFont m_titleFont;  // as laid out; the shown font is fitted to the title
    TFixedHeadingsTable* m_grid = nullptr;
    QListWidget* m_figures = nullptr;
    QPushButton* m_chart = nullptr;
    QPushButton* m_exportLaps = nullptr;
    QPushButton* m_ok = nullptr;
    QString m_workingDirectory;
    QList<TDriverLaps> m_driverLaps;
    QList<TExportLap> m_lastRaceLaps;  // empty but for the race just run
    TLapsOrigin m_lastRaceOrigin;
};
