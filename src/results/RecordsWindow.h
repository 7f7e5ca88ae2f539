#pragma once

#include "common/ModalShell.h"
#include "results/LaneFairness.h"
#include "results/LapRecords.h"

#include <optional>

struct TAppContext;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QTabWidget;
class QTableWidget;
class TLaneChart;

// The club's records: the fastest lap on each track over every
// championship and within each, every driver's best per track, and the lane
// report that says whether a track is faster than the others. Opens on the
// record book alone, so it shows at once however many laps are stored; the
// lane report is worked out when its tab is first looked at, a driver's
// profile when it is asked for.
class TRecordsWindow : public TModalShell {
    Q_OBJECT
public:
    TRecordsWindow(TAppContext& context, QWidget* parent = nullptr);

    // Takes the caller's state and bounds and shows the records until the
    // window is closed; csnr (0: none) is the championship chosen first.
    void OpenRecords(const TWindowPlacement& placement, int csnr);

    QDoubleSpinBox* MinimumLap() const { return m_minimum; }
    QTabWidget* Tabs() const { return m_tabs; }
    QTableWidget* TrackRecordsGrid() const { return m_trackRecords; }
    QComboBox* ChampionshipChoice() const { return m_championship; }
    QTableWidget* ChampionshipGrid() const { return m_championshipRecords; }
    QTableWidget* PersonalBestsGrid() const { return m_personalBests; }
    QComboBox* LaneScope() const { return m_laneScope; }
    QTableWidget* LaneGrid() const { return m_lanes; }
    TLaneChart* LaneChart() const { return m_laneChart; }
    QLabel* LaneNote() const { return m_laneNote; }
    const TRecordBook& Book() const { return m_book; }

public slots:
    void MinimumLapChanged();
    void ChampionshipChosen();
    void LaneScopeChosen();
    void ButtonProfileClick();
    void ButtonExportRecordsClick();
    void ButtonExportLaneClick();

private:
    QWidget* MakeTrackRecordsTab();
    QWidget* MakeChampionshipTab();
    QWidget* MakePersonalBestsTab();
    QWidget* MakeLaneTab();
    // Reads the book with the minimum shown; false after the store's message.
    bool ReadBook();
    void FillBook(int csnr);
    // The lane report of the scope chosen, worked out once per scope and minimum.
    bool LaneReportReady();
    void ShowLaneReport();
    bool LaneTabShown() const;

    TAppContext& m_context;
    TRecordBook m_book;
    std::optional<TLaneReport> m_laneReport;  // of m_laneCsnr
    int m_laneCsnr = 0;
    QDoubleSpinBox* m_minimum = nullptr;
    QTabWidget* m_tabs = nullptr;
    QTableWidget* m_trackRecords = nullptr;
    QComboBox* m_championship = nullptr;
    QTableWidget* m_championshipRecords = nullptr;
    QTableWidget* m_personalBests = nullptr;
    QComboBox* m_laneScope = nullptr;
    QTableWidget* m_lanes = nullptr;
    TLaneChart* m_laneChart = nullptr;
    QLabel* m_laneReading = nullptr;
    QLabel* m_laneNote = nullptr;
};
