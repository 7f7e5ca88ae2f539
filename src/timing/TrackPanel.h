#pragma once

#include "timing/TimerLayout.h"

#include <QColor>
#include <QFrame>

class QLabel;
class TRaceGauge;

// The false-start lamp of a track panel: a small maroon circle with a white
// outline, shown from green until the next race is started.
class TFalseStartLamp : public QWidget {
    Q_OBJECT
public:
    static constexpr int OutlineWidth = 4;
    static QColor FillColour() { return QColor(128, 0, 0); }  // maroon

    explicit TFalseStartLamp(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// One track's panel on the race screen: the gauge across the whole panel,
// with the driver's name, the current, average and fastest lap and the laps
// and total time lying over it, two separators and the false-start lamp.
// The children stand in the panel's client area, inside its single border.
class TTrackPanel : public QFrame {
    Q_OBJECT
public:
    // track is 1..4; it names the panel and its children for the tests
    // ("PanelTrack1", "LabelName1", ...).
    explicit TTrackPanel(int track, QWidget* parent = nullptr);

    // The panel in the track colour; the gauge filled in it over the gauge
    // background colour.
    void SetColours(const QColor& track, const QColor& gaugeBackground);
    void ApplyLayout(const TTrackPanelLayout& layout);

    TRaceGauge* Gauge() const { return m_gauge; }
    QLabel* CurrentLapLabel() const { return m_currentLap; }
    QLabel* AverageLabel() const { return m_average; }
    QLabel* FastestLabel() const { return m_fastest; }
    QLabel* NameLabel() const { return m_name; }
    QLabel* LapsLabel() const { return m_laps; }
    TFalseStartLamp* Lamp() const { return m_lamp; }
    QWidget* Client() const { return m_client; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* MakeLabel(const QString& name, const QString& text, Qt::Alignment alignment);

    QWidget* m_client;
    TRaceGauge* m_gauge;
    QLabel* m_currentLap;
    QLabel* m_average;
    QLabel* m_fastest;
    QLabel* m_name;
    QLabel* m_laps;
    QFrame* m_separator1;
    QFrame* m_separator2;
    TFalseStartLamp* m_lamp;
};
