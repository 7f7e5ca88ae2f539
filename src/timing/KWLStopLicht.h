#pragma once

#include "app/ModalShell.h"

// The start-light window: four red lamps and a green one over the race screen.
class TFKWLStopLicht : public TModalShell {
public:
    explicit TFKWLStopLicht(QWidget* parent = nullptr) : TModalShell(QStringLiteral("Start Lights"), parent) {}
};
