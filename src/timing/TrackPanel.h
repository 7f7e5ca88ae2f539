#pragma once

#include "common/FittedLabel.h"
#include "timing/TimerLayout.h"

#include <QColor>
#include <QFrame>
#include <cstdint>

class QLabel;
class QTimer;
class TFuelGauge;
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
// and total time lying over it, two separators and the false-start lamp;
// under the current lap, the car's fuel and pit count where a control unit
// reports them. The children stand in the panel's client area, inside its
// single border.
class TTrackPanel : public QFrame {
    Q_OBJECT
public:
    // track is 1..4; it names the panel and its children for the tests
    // ("PanelTrack1", "LabelName1", ...).
    explicit TTrackPanel(int track, QWidget* parent = nullptr);

    // The panel in the track colour; the gauge filled in it over the gauge
    // background colour.
    void SetColours(const QColor& track, const QColor& gaugeBackground);
    // Places the children and gives the labels their fonts: the sizes the
    // layout computes, lowered only where a label's text would be cut.
    void ApplyLayout(const TTrackPanelLayout& layout);

    // The control unit's readings (RaceState.h); below zero hides them.
    // Only a change is drawn: they come with every refresh.
    void ShowFuel(int32_t fuel);
    void ShowPitStops(int32_t pitStops);
    // Flashes "Track record" or "Personal best" under the current lap for
    // RecordFlashMs; a new mark starts the time again.
    void FlashRecord(const QString& text, bool trackRecord);
    void ClearRecord();
    static constexpr int RecordFlashMs = 4000;

    TRaceGauge* Gauge() const { return m_gauge; }
    TFittedLabel* CurrentLapLabel() const { return m_currentLap; }
    TFittedLabel* AverageLabel() const { return m_average; }
    TFittedLabel* FastestLabel() const { return m_fastest; }
    TFittedLabel* NameLabel() const { return m_name; }
    TFittedLabel* LapsLabel() const { return m_laps; }
    TFalseStartLamp* Lamp() const { return m_lamp; }
    TFuelGauge* FuelGauge() const { return m_fuel; }
    TFittedLabel* PitStopsLabel() const { return m_pitStops; }
    QLabel* RecordLabel() const { return m_record; }
    QWidget* Client() const { return m_client; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    TFittedLabel* MakeLabel(const QString& name, const QString& text, Qt::Alignment alignment);

    QWidget* m_client;
    TRaceGauge* m_gauge;
    TFittedLabel* m_currentLap;
    TFittedLabel* m_average;
    TFittedLabel* m_fastest;
    TFittedLabel* m_name;
    TFittedLabel* m_laps;
    QFrame* m_separator1;
    QFrame* m_separator2;
    TFalseStartLamp* m_lamp;
    TFuelGauge* m_fuel;
    TFittedLabel* m_pitStops;
    QLabel* m_record;
    QTimer* m_recordShown;
    int32_t m_shownPitStops = -1;
};
