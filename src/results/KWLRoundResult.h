#pragma once

#include "app/ModalShell.h"

// The lap view of a race just run, or of stored heats.
class TKWL_RoundResults : public TModalShell {
public:
    explicit TKWL_RoundResults(QWidget* parent = nullptr) : TModalShell(QStringLiteral("Laps"), parent) {}
    enum Mode { RaceMode = 1, ChampionshipMode = 2 };
    void ShowStoredLaps(const TWindowPlacement& placement, int csnr, int rcnr, int mode) { PlaceOver(placement); Record({csnr, rcnr, mode}); }
};
