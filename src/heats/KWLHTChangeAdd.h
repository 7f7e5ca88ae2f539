#pragma once

#include "app/ModalShell.h"

// Adding a heat by hand, or changing the drivers of one.
class TFHTAddChange : public TModalShell {
public:
    explicit TFHTAddChange(QWidget* parent = nullptr) : TModalShell(QStringLiteral("Heat"), parent) {}
};
