#pragma once

#include "app/ModalShell.h"

// Championship standings and race points.
class TFKWLResults : public TModalShell {
public:
    explicit TFKWLResults(QWidget* parent = nullptr) : TModalShell(QStringLiteral("Results"), parent) {}
    void OpenResults(const TWindowPlacement& placement, int csnr) { PlaceOver(placement); Record({csnr}); }
};
