#include "common/ModalShell.h"

#include "common/AppInfo.h"
#include "common/PlaceWindow.h"

TModalShell::TModalShell(const QString& title, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(Kobalap::SubCaption(title));
    setModal(true);
}

void TModalShell::PlaceOver(const TWindowPlacement& placement) { PlaceWindow(*this, placement); }

void TModalShell::PlaceFixedOver(const TWindowPlacement& placement) { PlaceFixedWindow(*this, placement); }
