#pragma once

#include "app/ModalShell.h"

// Correcting the stored result of a finished heat.
class TFHTChangeResult : public TModalShell {
public:
    explicit TFHTChangeResult(QWidget* parent = nullptr) : TModalShell(QStringLiteral("Change Result"), parent) {}
};
