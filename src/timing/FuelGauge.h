#pragma once

#include <QWidget>
#include <cstdint>

// A car's fuel on its track panel: 0..FuelFull as a thin bar, red when low.
class TFuelGauge : public QWidget {
    Q_OBJECT
public:
    explicit TFuelGauge(QWidget* parent = nullptr);

    // Values outside 0..FuelFull are taken as the nearest end; repaints only
    // for a change.
    void SetFuel(int32_t fuel);
    int32_t Fuel() const { return m_fuel; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int32_t m_fuel = 0;
};
