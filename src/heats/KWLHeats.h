#pragma once

#include "app/ModalShell.h"

// A championship race run heat by heat.
class TFKWLHeats : public TModalShell {
public:
    explicit TFKWLHeats(QWidget* parent = nullptr) : TModalShell(QStringLiteral("Heats"), parent) {}
    void OpenHeats(const TWindowPlacement& placement, int csnr, int rcnr) { PlaceOver(placement); Record({csnr, rcnr}); }
};
