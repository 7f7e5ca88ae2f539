#pragma once

#include "common/ModalShell.h"
#include "heats/HeatStore.h"

#include <functional>
#include <vector>

struct TAppContext;
struct TRecoveredRace;
struct TAppWindows;
class QLabel;
class QTableWidget;
class TRecordGrid;

// A championship race run heat by heat: the heat list, the drivers and
// results of the selected heat, and every heat row of the race per driver.
// Heats are generated, started in the timer window, stored when the result
// is accepted, shown as laps and deleted from here. Modal over the main
// window until "Done".
class TFKWLHeats : public TModalShell {
    Q_OBJECT
public:
    TFKWLHeats(TAppContext& context, TAppWindows& windows, QWidget* parent = nullptr);

    // Takes the caller's state and bounds, shows race rcnr of championship
    // csnr on its first heat and stays until "Done".
    void OpenHeats(const TWindowPlacement& placement, int csnr, int rcnr);
    // The same for the race of a heat that a crash interrupted: once open,
    // the heat is taken up in the race screen (resume) or ended with the laps
    // its journal kept (finish), and stored as any heat run from here.
    void OpenRecoveredHeat(const TWindowPlacement& placement, TRecoveredRace& race, bool resume);

    // While true, every move of the heat list re-reads the heat-info grid;
    // actions that write many rows switch it off meanwhile.
    bool DetailRefreshEnabled() const { return m_detailRefreshEnabled; }
    // Where generation runs take their seed (the time of day); tests fix it.
    void SetSeedSource(std::function<uint32_t()> seed) { m_seed = std::move(seed); }

    TRecordGrid* HeatGrid() const { return m_heats; }
    QTableWidget* HeatInfoGrid() const { return m_heatInfo; }
    QTableWidget* DriverInfoGrid() const { return m_driverInfo; }
    QString Title() const;

public slots:
    void ButtonGenerateHeatsClick();
    void ButtonDeleteHeatsClick();
    void AddRecordHTClick();
    void ChangeRecordHTClick();
    void DeleteRecordHTClick();
    void StartHeat1Click();
    void ShowLaps1Click();
    void Button1Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    THeatStore Store() const;
    void RunHeat();
    void RunRecoveredHeat();
    // What follows a heat run that was accepted: the result stored, the race
    // journal cleared once the result is safe, the laps shown, the list read again.
    void HeatRunAccepted(int32_t htnr, int row, const THeatChampionship& championship, const TTrackStates& tracks);
    enum class TStoreOutcome { Stored, Kept, Lost };
    // Stores the result of a heat run; while the database refuses it, keeps
    // it in a file and offers to try again. Kept: it stays in that file for
    // the next start; Lost: not even that could be written.
    TStoreOutcome StoreResult(int32_t htnr, const THeatResult& result);
    void ChangeDrivers(int32_t htnr);
    void ChangeResults(int32_t htnr);
    bool ReloadHeats(int row);
    // Puts the first unfinished heat's drivers on the spectator screen.
    void AnnounceNextHeat();
    // Hands the race window what the heat's laps must beat to break a record.
    void WatchRecords(int32_t htnr);
    void KWL_HeatTableAfterScroll();
    void RefreshHeatInfo();
    void RefreshDriverInfo();
    // DetailRefreshEnabled back on, the list on its first heat, the driver grid re-read.
    void ShowFirstHeat();
    bool HasHeat() const;
    bool SelectedHeatFinished() const;
    void FillGrid(QTableWidget* grid, const std::vector<THeatInfoRow>& rows, bool perDriver);
    void StoreError(const QString& error);

    TAppContext& m_context;
    TAppWindows& m_windows;
    TWindowPlacement m_placement;
    int32_t m_csnr = 0;
    int32_t m_rcnr = 0;
    bool m_detailRefreshEnabled = false;
    std::function<uint32_t()> m_seed;
    // What the heat dialogs are handed; kept between showings.
    THeatTrackChoice m_trackChoice;
    THeatResultChoice m_resultChoice;
    // A heat to take up from its journal once the window is open.
    TRecoveredRace* m_recovered = nullptr;
    bool m_resumeRecovered = false;

    QLabel* m_title = nullptr;
    TRecordGrid* m_heats = nullptr;
    QTableWidget* m_heatInfo = nullptr;
    QTableWidget* m_driverInfo = nullptr;
};
