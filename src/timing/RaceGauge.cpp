#include "timing/RaceGauge.h"

#include <QPainter>

#include <algorithm>
#include <cstdint>

TRaceGauge::TRaceGauge(QWidget* parent) : QWidget(parent)
{
    // Every pixel is painted here; nothing behind needs drawing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TRaceGauge::SetValue(int percent)
{
    percent = std::clamp(percent, 0, 100);
    if (percent == m_value)
        return;
    m_value = percent;
    update();
}

void TRaceGauge::SetColours(const QColor& fore, const QColor& back)
{
    m_fore = fore;
    m_back = back;
    update();
}

int TRaceGauge::FilledWidth(int width, int percent)
{
    return int(int64_t(std::max(width, 0)) * std::clamp(percent, 0, 100) / 100);
}

void TRaceGauge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int filled = FilledWidth(width(), m_value);
    painter.fillRect(QRect(0, 0, filled, height()), m_fore);
    painter.fillRect(QRect(filled, 0, width() - filled, height()), m_back);
}
