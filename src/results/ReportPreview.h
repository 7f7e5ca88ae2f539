#pragma once

#include "common/ModalShell.h"
#include "results/ResultReports.h"

#include <QSqlDatabase>

struct TSettings;
class QPrinter;

// A printed report of the championship whose results window is open, shown
// in Qt's print preview, from which it goes to the printer. The rows are
// read afresh from the working tables for every preview and every page run.
class TResultReportForm : public TModalShell {
    Q_OBJECT
public:
    TResultReportForm(const QString& title, TResultReport report, QSqlDatabase db, const TSettings& settings,
                      QWidget* parent);

    // Shows the preview of championship csnr modally until it is closed.
    void Preview(int csnr);

private:
    void PaintPages(QPrinter* printer);

    TResultReport m_report;
    QSqlDatabase m_db;
    const TSettings& m_settings;
    int m_csnr = 0;
};
