#pragma once

#include "app/ModalShell.h"

// The race screen: panels per track, the big clock, Start, Pause, OK and Cancel.
class TKWL_Timer : public TModalShell {
public:
    explicit TKWL_Timer(QWidget* parent = nullptr) : TModalShell(QStringLiteral("Timer"), parent) {}
};
