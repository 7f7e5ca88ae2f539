#include "results/ReportPreview.h"

#include "common/MessageBoxes.h"
#include "common/Settings.h"
#include "results/Standings.h"

#include <QDateTime>
#include <QPageLayout>
#include <QPrintPreviewDialog>
#include <QPrinter>

TResultReportForm::TResultReportForm(const QString& title, TResultReport report, QSqlDatabase db,
                                     const TSettings& settings, QWidget* parent)
    : TModalShell(title, parent), m_report(report), m_db(db), m_settings(settings)
{
}

void TResultReportForm::Preview(int csnr)
{
    m_csnr = csnr;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                                      QPageLayout::Millimeter));
    QPrintPreviewDialog preview(&printer, parentWidget());
    preview.setObjectName(QStringLiteral("ReportPreview"));
    preview.setWindowTitle(windowTitle());
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, &TResultReportForm::PaintPages);
    preview.exec();
}

void TResultReportForm::PaintPages(QPrinter* printer)
{
    // Read again at every page run: the report shows what the results window shows.
    TStandingsStore store(m_db, m_csnr);
    const std::optional<TStandings> standings = store.Read(m_settings.SectionsPerLap);
    if (!standings)
        return Messages::Error(store.LastError(), {}, parentWidget());
    PaintResultReport(*printer, m_report, *standings, QDateTime::currentDateTime(), ReportLogo());
}
