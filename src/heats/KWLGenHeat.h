#pragma once

#include "app/ModalShell.h"

// The choice of heat generation method.
class TFKWLGenHeats : public TModalShell {
public:
    explicit TFKWLGenHeats(QWidget* parent = nullptr) : TModalShell(QStringLiteral("Generate Heats"), parent) {}
};
