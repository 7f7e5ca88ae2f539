#include "timing/FuelGauge.h"

#include "timing/FuelAndPits.h"

#include <QPainter>

#include <algorithm>

TFuelGauge::TFuelGauge(QWidget* parent) : QWidget(parent)
{
    // Every pixel is painted here; nothing behind needs drawing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TFuelGauge::SetFuel(int32_t fuel)
{
    fuel = std::clamp(fuel, 0, FuelFull);
    if (fuel == m_fuel)
        return;
    m_fuel = fuel;
    update();
}

void TFuelGauge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintFuelGauge(painter, rect(), m_fuel);
}
