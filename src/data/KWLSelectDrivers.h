#pragma once

#include "app/ModalShell.h"

// Choosing a championship's drivers from the driver list.
class TFKWLSelectDrivers : public TModalShell {
public:
    explicit TFKWLSelectDrivers(QWidget* parent = nullptr) : TModalShell(QStringLiteral("Select Drivers"), parent) {}
    // Opens over the caller for championship csnr.
    void OpenDriverSelection(const TWindowPlacement& placement, int csnr) { PlaceOver(placement); Record({csnr}); }
};
