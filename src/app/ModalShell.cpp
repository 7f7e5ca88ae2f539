#include "app/ModalShell.h"

#include "common/AppInfo.h"
#include "common/PlaceWindow.h"

TModalShell::TModalShell(const QString& title, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(Kobalap::SubCaption(title));
    setModal(true);
}

void TModalShell::PlaceOver(const TWindowPlacement& placement)
{
    PlaceWindow(*this, placement);
}

void TModalShell::Record(const QList<int>& request)
{
    m_lastRequest = request;
    ++m_requests;
}
