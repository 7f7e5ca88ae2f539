#pragma once

#include "results/LaneFairness.h"

#include <QChartView>
#include <QList>
#include <QPointF>
#include <QStringList>

class QBarCategoryAxis;
class QValueAxis;

// The lane report drawn: one bar per track for its offset, a whisker over
// its 90 % interval, and the zero line that a fair track stands on.

// What the chart draws, in seconds, with x the category index of the track.
struct TLaneChartData {
    QStringList Categories;  // "Track 1", ...
    QList<double> Offsets;
    // Per track the whisker as a polyline: low cap, the interval, high cap.
    QList<QList<QPointF>> Whiskers;
    // The value axis's range: every bar and whisker and the zero line, with a margin.
    double Low = 0;
    double High = 0;
};

TLaneChartData BuildLaneChartData(const TLaneReport& report);

class TLaneChart : public QChartView {
    Q_OBJECT
public:
    explicit TLaneChart(QWidget* parent = nullptr);

    // Draws the report; an empty one leaves an empty chart.
    void Show(const TLaneReport& report);
    const TLaneChartData& Shown() const { return m_data; }

private:
    TLaneChartData m_data;
    QBarCategoryAxis* m_tracks = nullptr;
    QValueAxis* m_seconds = nullptr;
};
