#pragma once

#include "results/ReportPreview.h"

// The printed race points.
class TQuickReportResultDetail : public TResultReportForm {
    Q_OBJECT
public:
    TQuickReportResultDetail(QSqlDatabase db, const TSettings& settings, QWidget* parent = nullptr)
        : TResultReportForm(QStringLiteral("Race Points"), TResultReport::RacePoints, db, settings, parent)
    {
    }
    void PrintResultDetails(int csnr) { Preview(csnr); }
};
