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
