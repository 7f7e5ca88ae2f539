#pragma once

#include "app/ModalShell.h"

// The pause dialog: laps corrected by hand, resume or finish the race.
class TFKWLPauseRace : public TModalShell {
public:
    explicit TFKWLPauseRace(QWidget* parent = nullptr) : TModalShell(QStringLiteral("Pause Race"), parent) {}
};
