#include "common/PlaceWindow.h"

#include <QWidget>

void PlaceWindow(QWidget& window, const TWindowPlacement& placement)
{
    window.setGeometry(placement.left, placement.top, placement.width, placement.height);
    if (placement.state == 2)
        window.setWindowState(Qt::WindowMaximized);
    else if (placement.state == 1)
        window.setWindowState(Qt::WindowMinimized);
    else
        window.setWindowState(Qt::WindowNoState);
}

TWindowPlacement PlacementOf(const QWidget& window)
{
    TWindowPlacement placement;
    placement.state = window.isMaximized() ? 2 : window.isMinimized() ? 1 : 0;
    const QRect area = window.geometry();
    placement.left = area.x();
    placement.top = area.y();
    placement.width = area.width();
    placement.height = area.height();
    return placement;
}
