#include "app/ModalShell.h"

#include "common/AppInfo.h"

TModalShell::TModalShell(const QString& title, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(Kobalap::SubCaption(title));
    setModal(true);
}

void TModalShell::PlaceOver(const TWindowPlacement& placement)
{
    setGeometry(placement.left, placement.top, placement.width, placement.height);
    if (placement.state == 2)
        setWindowState(Qt::WindowMaximized);
    else if (placement.state == 1)
        setWindowState(Qt::WindowMinimized);
    else
        setWindowState(Qt::WindowNoState);
}

void TModalShell::Record(const QList<int>& request)
{
    m_lastRequest = request;
    ++m_requests;
}
