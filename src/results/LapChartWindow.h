#pragma once

#include "results/LapChartData.h"

#include <QDialog>

struct TSettings;
class QChart;
class QChartView;
class QLabel;
class QPushButton;
class QValueAxis;

// The lap view's chart: every driver's lap times against the driver's lap
// number, one line per driver in the colour of the track the driver drove,
// the fastest lap of each marked with a star. Laps that would squash the
// lines (no time, a minute or more) are named under the chart instead.
// A rubber band zooms in; "Reset Zoom" shows everything again; "Save Image"
// writes the chart as a PNG file.
class TLapChartWindow : public QDialog {
    Q_OBJECT
public:
    TLapChartWindow(const TSettings& settings, const QString& workingDirectory, QWidget* parent = nullptr);

    // Draws the drivers' laps under `title`; does not show the window.
    void Fill(const QString& title, const QList<TDriverLaps>& drivers);

    QChart* Chart() const { return m_chart; }
    QChartView* View() const { return m_view; }
    const TLapChartData& Shown() const { return m_data; }

public slots:
    void ButtonResetZoomClick();
    void ButtonSaveImageClick();

private:
    void AddLine(const TLapChartLine& line, bool pointsVisible);
    void SetAxisRanges();
    void FitLapTicks(double first, double last);
    void FitTimeTicks(double first, double last);

    const TSettings& m_settings;
    QString m_workingDirectory;
    TLapChartData m_data;
    QChart* m_chart = nullptr;
    QChartView* m_view = nullptr;
    QValueAxis* m_lapAxis = nullptr;
    QValueAxis* m_timeAxis = nullptr;
    QLabel* m_leftOut = nullptr;
};
