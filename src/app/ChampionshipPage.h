#pragma once

#include "common/WindowPlacement.h"

#include <QSqlDatabase>
#include <QWidget>
#include <functional>

struct TAppWindows;
class QLabel;
class TRecordGrid;

// The Championship page: the championships in name order on the left, the
// races of the selected one on the right, and the ways into driver selection,
// heats, standings and laps.
class TChampionshipPage : public QWidget {
    Q_OBJECT
public:
    TChampionshipPage(QSqlDatabase db, TAppWindows& windows, std::function<TWindowPlacement()> placement,
                      QWidget* parent = nullptr);

    // Reopens the championships view on the given row (the races follow).
    void Reload(int row);
    void ReloadRaces(int row);
    TRecordGrid* ChampionshipGrid() const { return m_championships; }
    TRecordGrid* RaceGrid() const { return m_races; }
    QString ShownChampionshipName() const;

public slots:
    void ButtonCSAddClick();
    void ButtonCSChangeClick();
    void ButtonCSDeleteClick();
    void ButtonSelectDriversClick();
    void ButtonShowResultsClick();
    void ButtonCSShowLapsClick();
    void ButtonRecordsClick();
    void ButtonRCAddClick();
    void ButtonRCChangeClick();
    void ButtonRCDeleteClick();
    void ButtonGotoHeatsClick();
    void ButtonRCShowLapsClick();

private:
    int SelectedChampionship() const;
    bool RaceSelected() const;

    QSqlDatabase m_db;
    TAppWindows& m_windows;
    std::function<TWindowPlacement()> m_placement;
    TRecordGrid* m_championships = nullptr;
    TRecordGrid* m_races = nullptr;
    QLabel* m_championshipName = nullptr;
};
