#pragma once

#include "results/ReportPreview.h"

// The printed standings.
class TQuickReportResult : public TResultReportForm {
    Q_OBJECT
public:
    TQuickReportResult(QSqlDatabase db, const TSettings& settings, QWidget* parent = nullptr)
        : TResultReportForm(QStringLiteral("Standings"), TResultReport::Standings, db, settings, parent)
    {
    }
    void PrintResults(int csnr) { Preview(csnr); }
};
