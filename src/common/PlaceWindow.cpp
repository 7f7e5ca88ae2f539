#include "common/PlaceWindow.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

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

void PlaceFixedWindow(QWidget& window, const TWindowPlacement& placement)
{
    window.setMinimumSize(0, 0);
    window.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    PlaceWindow(window, placement);
    if (placement.state == 0)
        window.setFixedSize(placement.width, placement.height);
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

void CentreOver(QWidget& dialog, const QWidget* host)
{
    QRect area = host && host->isVisible() ? host->frameGeometry() : QRect();
    QScreen* screen = host ? host->screen() : dialog.screen();
    if (area.isEmpty() && screen)
        area = screen->availableGeometry();
    if (area.isEmpty())
        return;
    const QSize size = dialog.frameGeometry().size();
    QPoint topLeft(area.center().x() - size.width() / 2, area.center().y() - size.height() / 2);
    if (screen) {
        const QRect visible = screen->availableGeometry();
        topLeft.setX(
            std::clamp(topLeft.x(), visible.left(), std::max(visible.left(), visible.right() - size.width() + 1)));
        topLeft.setY(
            std::clamp(topLeft.y(), visible.top(), std::max(visible.top(), visible.bottom() - size.height() + 1)));
    }
    dialog.move(topLeft);
}
