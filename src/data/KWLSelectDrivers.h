#pragma once

#include "common/ModalShell.h"

#include <QSqlDatabase>

class QLabel;
class TRecordGrid;

// Choosing a championship's drivers: every driver on the left, the
// championship's drivers on the right, ">>" and "<<" move the selected ones
// across. Every move is written at once; "Done" is the only way out.
class TFKWLSelectDrivers : public TModalShell {
    Q_OBJECT
public:
    explicit TFKWLSelectDrivers(QSqlDatabase db, QWidget* parent = nullptr);

    // Opens over the caller for championship csnr and returns when "Done"
    // closes it.
    void OpenDriverSelection(const TWindowPlacement& placement, int csnr);

    QString Title() const;
    TRecordGrid* DriversGrid() const { return m_drivers; }
    TRecordGrid* ChampionshipDriversGrid() const { return m_championshipDrivers; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormShow();
    void ButtonAddClick();
    void ButtonRemoveClick();
    void RefreshChampionshipDrivers();

    QSqlDatabase m_db;
    int m_csnr = 0;
    QLabel* m_title = nullptr;
    TRecordGrid* m_drivers = nullptr;
    TRecordGrid* m_championshipDrivers = nullptr;
};
