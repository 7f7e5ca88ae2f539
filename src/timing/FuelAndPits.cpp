#include "timing/FuelAndPits.h"

#include <QPainter>

#include <algorithm>

QString PitStopsText(int32_t pitStops) { return pitStops < 0 ? QString() : QStringLiteral("Pit %1").arg(pitStops); }

QColor FuelColour(int32_t fuel) { return fuel <= FuelLow ? QColor(224, 0, 0) : QColor(0, 176, 0); }

QColor FuelEmptyColour() { return QColor(64, 64, 64); }

int FuelFilledWidth(int width, int32_t fuel)
{
    return int(int64_t(std::max(width, 0)) * std::clamp(fuel, 0, FuelFull) / FuelFull);
}

void PaintFuelGauge(QPainter& painter, const QRect& box, int32_t fuel)
{
    if (fuel < 0 || box.isEmpty())
        return;
    // The outline keeps the bar apart from a track colour that happens to
    // be green or red; it grows with the bar so that a wall screen shows it.
    const int outline = std::clamp(box.height() / 8, 1, 4);
    painter.fillRect(box, Qt::black);
    const QRect inside = box.adjusted(outline, outline, -outline, -outline);
    if (inside.isEmpty())
        return;
    const int filled = FuelFilledWidth(inside.width(), fuel);
    painter.fillRect(QRect(inside.left(), inside.top(), filled, inside.height()), FuelColour(fuel));
    painter.fillRect(QRect(inside.left() + filled, inside.top(), inside.width() - filled, inside.height()),
                     FuelEmptyColour());
}
