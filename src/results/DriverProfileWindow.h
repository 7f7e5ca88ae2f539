#pragma once

#include "results/DriverProfile.h"

#include <QDialog>

class QBarCategoryAxis;
class QChart;
class QChartView;
class QLabel;
class QTableWidget;
class QValueAxis;

// One driver's profile over every championship: what he drove and won, his
// best lap per track, and his median lap per championship as a line, oldest
// championship first, so he sees whether he is getting faster.
class TDriverProfileWindow : public QDialog {
    Q_OBJECT
public:
    explicit TDriverProfileWindow(QWidget* parent = nullptr);

    // Shows the profile; does not open the window.
    void Fill(const TDriverProfile& profile);

    QLabel* Summary() const { return m_summary; }
    QTableWidget* BestLaps() const { return m_bestLaps; }
    QChart* Chart() const { return m_chart; }
    QLabel* NoLaps() const { return m_noLaps; }

private:
    QLabel* m_name = nullptr;
    QLabel* m_summary = nullptr;
    QTableWidget* m_bestLaps = nullptr;
    QLabel* m_noLaps = nullptr;
    QChart* m_chart = nullptr;
    QChartView* m_view = nullptr;
    QBarCategoryAxis* m_championships = nullptr;
    QValueAxis* m_seconds = nullptr;
};
