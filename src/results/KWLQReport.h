#pragma once

#include "app/ModalShell.h"

// The printed standings.
class TQuickReportResult : public TModalShell {
public:
    explicit TQuickReportResult(QWidget* parent = nullptr) : TModalShell(QStringLiteral("Standings"), parent) {}
};
