#pragma once

#include "common/ModalShell.h"
#include "results/StandingsRows.h"

struct TAppContext;
struct TAppWindows;
class QLabel;
class QTableWidget;

// Championship standings: the totals of the drivers' best races on the left,
// every driver's points per race on the right. Computed afresh into the
// working tables each time the window is shown (and on "Refresh"); the rows
// go again however the window is closed.
class TFKWLResults : public TModalShell {
    Q_OBJECT
public:
    TFKWLResults(TAppContext& context, TAppWindows& windows, QWidget* parent = nullptr);

    // Takes the caller's state and bounds and shows the standings of
    // championship csnr until the window is closed.
    void OpenResults(const TWindowPlacement& placement, int csnr);

    QString Title() const;
    QTableWidget* TotalsGrid() const { return m_totals; }
    QTableWidget* DetailsGrid() const { return m_details; }
    const TStandings& Shown() const { return m_standings; }

public slots:
    void ButtonRefreshClick();
    void ButtonExportTotalsClick();
    void ButtonExportDetailsClick();
    void ButtonExportLapsClick();
    void ButtonPrintTotalsClick();
    void ButtonPrintDetailsClick();
    void ButtonPdfTotalsClick();
    void ButtonPdfDetailsClick();

protected:
    void done(int result) override;

private:
    // Computes and shows the standings; false after the store's message.
    bool ComputeAndShow();
    void ClearResults();
    void FillGrids();

    TAppContext& m_context;
    TAppWindows& m_windows;
    int32_t m_csnr = 0;
    TStandings m_standings;
    QLabel* m_title = nullptr;
    QTableWidget* m_totals = nullptr;
    QTableWidget* m_details = nullptr;
};
