#pragma once

#include "app/ModalShell.h"

// The printed race points.
class TQuickReportResultDetail : public TModalShell {
public:
    explicit TQuickReportResultDetail(QWidget* parent = nullptr) : TModalShell(QStringLiteral("Race Points"), parent) {}
};
