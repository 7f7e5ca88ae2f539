#include "results/KWLResults.h"

#include "app/AppContext.h"
#include "app/AppWindows.h"
#include "common/MessageBoxes.h"
#include "results/ExportDialog.h"
#include "results/KWLQReport.h"
#include "results/KWLQReportDetail.h"
#include "results/LapsExport.h"
#include "results/ResultReports.h"
#include "results/ResultsExport.h"
#include "results/Standings.h"
#include "widgets/NoDefaultButtons.h"
#include "widgets/TextGrid.h"

#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QPushButton* Button(const QString& name, const QString& caption, const QString& hint, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    return button;
}

// Points as the grids show them: the shortest form, "20", "18.5", "6.66666666666667".
QString PointsText(double points) { return QString::number(points, 'g', 15); }

QTableWidgetItem* Cell(const QString& text, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(alignment);
    return item;
}

}  // namespace

TFKWLResults::TFKWLResults(TAppContext& context, TAppWindows& windows, QWidget* parent)
    : TModalShell(QStringLiteral("Results"), parent), m_context(context), m_windows(windows)
{
    setObjectName(QStringLiteral("FKWLResults"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setPixelSize(27);
    m_title = MakeTitlePanel(titleFont, this);

    auto* totalsGroup = new QGroupBox(QStringLiteral("Totals"), this);
    m_totals = MakeTextGrid(QStringLiteral("GridTotals"),
                            {QStringLiteral("Nr"), QStringLiteral("Driver"), QStringLiteral("Points")}, {38, 146, 48},
                            totalsGroup);
    QPushButton* printTotals = Button(QStringLiteral("ButtonPrintTotals"), QStringLiteral("Print"),
                                      QStringLiteral("Print the standings"), totalsGroup);
    QPushButton* exportTotals = Button(QStringLiteral("ButtonExportTotals"), QStringLiteral("Export"),
                                       QStringLiteral("Save the standings for a spreadsheet"), totalsGroup);
    QPushButton* pdfTotals = Button(QStringLiteral("ButtonPdfTotals"), QStringLiteral("PDF"),
                                    QStringLiteral("Save the printed standings as a PDF file"), totalsGroup);
    connect(printTotals, &QPushButton::clicked, this, &TFKWLResults::ButtonPrintTotalsClick);
    connect(pdfTotals, &QPushButton::clicked, this, &TFKWLResults::ButtonPdfTotalsClick);
    connect(exportTotals, &QPushButton::clicked, this, &TFKWLResults::ButtonExportTotalsClick);
    // The buttons of the standings stay in the bottom row; what the program
    // adds to them has a row of its own above, so the window fits over the
    // main window at its smallest.
    auto* totalsExtras = new QHBoxLayout;
    totalsExtras->addWidget(pdfTotals);
    totalsExtras->addStretch();
    auto* totalsButtons = new QHBoxLayout;
    totalsButtons->addWidget(printTotals);
    totalsButtons->addWidget(exportTotals);
    totalsButtons->addStretch();
    auto* totalsLayout = new QVBoxLayout(totalsGroup);
    totalsLayout->addWidget(m_totals);
    totalsLayout->addLayout(totalsExtras);
    totalsLayout->addLayout(totalsButtons);

    auto* detailsGroup = new QGroupBox(QStringLiteral("Details"), this);
    m_details = MakeTextGrid(
        QStringLiteral("GridDetails"),
        {QStringLiteral("Race"), QStringLiteral("Driver"), QStringLiteral("Time"), QStringLiteral("Points")},
        {120, 157, 75}, detailsGroup);
    QPushButton* printDetails = Button(QStringLiteral("ButtonPrintDetails"), QStringLiteral("Print"),
                                       QStringLiteral("Print the points of every race"), detailsGroup);
    QPushButton* exportDetails =
        Button(QStringLiteral("ButtonExportDetails"), QStringLiteral("Export"),
               QStringLiteral("Save the points of every race for a spreadsheet"), detailsGroup);
    QPushButton* refresh = Button(QStringLiteral("ButtonRefresh"), QStringLiteral("Refresh"),
                                  QStringLiteral("Compute the standings again"), detailsGroup);
    QPushButton* done = Button(QStringLiteral("ButtonDone"), QStringLiteral("Done"),
                               QStringLiteral("Back to the championships"), detailsGroup);
    QPushButton* pdfDetails = Button(QStringLiteral("ButtonPdfDetails"), QStringLiteral("PDF"),
                                     QStringLiteral("Save the printed race points as a PDF file"), detailsGroup);
    connect(printDetails, &QPushButton::clicked, this, &TFKWLResults::ButtonPrintDetailsClick);
    connect(pdfDetails, &QPushButton::clicked, this, &TFKWLResults::ButtonPdfDetailsClick);
    connect(exportDetails, &QPushButton::clicked, this, &TFKWLResults::ButtonExportDetailsClick);
    QPushButton* exportLaps =
        Button(QStringLiteral("ButtonExportLaps"), QStringLiteral("Export Laps"),
               QStringLiteral("Save every lap of the championship for a spreadsheet"), detailsGroup);
    connect(exportLaps, &QPushButton::clicked, this, &TFKWLResults::ButtonExportLapsClick);
    connect(refresh, &QPushButton::clicked, this, &TFKWLResults::ButtonRefreshClick);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
    auto* detailsExtras = new QHBoxLayout;
    detailsExtras->addWidget(pdfDetails);
    detailsExtras->addWidget(exportLaps);
    detailsExtras->addStretch();
    auto* detailsButtons = new QHBoxLayout;
    detailsButtons->addWidget(printDetails);
    detailsButtons->addWidget(exportDetails);
    detailsButtons->addWidget(refresh);
    detailsButtons->addStretch();
    detailsButtons->addWidget(done);
    auto* detailsLayout = new QVBoxLayout(detailsGroup);
    detailsLayout->addWidget(m_details);
    detailsLayout->addLayout(detailsExtras);
    detailsLayout->addLayout(detailsButtons);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_title, 0, 0, 1, 2);
    layout->addWidget(totalsGroup, 1, 0);
    layout->addWidget(detailsGroup, 1, 1);
    // The totals need no more than their three columns; the race points get the rest.
    totalsGroup->setMaximumWidth(270);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(1, 1);
    // Enter has no action here: every button is pressed on purpose.
    TakeDefaultFromButtons(*this);
}

QString TFKWLResults::Title() const { return m_title->text(); }

void TFKWLResults::OpenResults(const TWindowPlacement& placement, int csnr)
{
    m_csnr = csnr;
    PlaceFixedOver(placement);
    if (!ComputeAndShow())
        return ClearResults();
    exec();
}

bool TFKWLResults::ComputeAndShow()
{
    TStandingsStore store(m_context.store.Database(), m_csnr);
    std::optional<TStandings> standings;
    if (store.Compute(m_context.settings))
        standings = store.Read(m_context.settings.SectionsPerLap);
    if (!standings) {
        Messages::Error(store.LastError(), {}, isVisible() ? this : parentWidget());
        return false;
    }
    m_standings = std::move(*standings);
    m_context.spectatorBoard.ShowStandings(MakeStandingsView(m_standings));
    m_title->setText(m_standings.Championship);
    m_details->horizontalHeaderItem(2)->setText(m_standings.Timed ? QStringLiteral("Laps") : QStringLiteral("Time"));
    FillGrids();
    return true;
}

void TFKWLResults::FillGrids()
{
    m_totals->setRowCount(int(m_standings.Totals.size()));
    for (int r = 0; r < int(m_standings.Totals.size()); ++r) {
        const TTotalsRow& row = m_standings.Totals[size_t(r)];
        m_totals->setItem(r, 0, Cell(QString::number(row.Nr)));
        m_totals->setItem(r, 1, Cell(row.Driver));
        m_totals->setItem(r, 2, Cell(PointsText(row.TotalPoints)));
    }
    m_details->setRowCount(int(m_standings.RacePoints.size()));
    for (int r = 0; r < int(m_standings.RacePoints.size()); ++r) {
        const TRacePointsRow& row = m_standings.RacePoints[size_t(r)];
        m_details->setItem(r, 0, Cell(row.Race));
        m_details->setItem(r, 1, Cell(row.Driver));
        m_details->setItem(r, 2, Cell(row.TimeStr, Qt::AlignRight | Qt::AlignVCenter));
        m_details->setItem(r, 3, Cell(PointsText(row.Points)));
    }
    // Race and driver names are as long as a club makes them.
    FitColumnsToTexts(m_totals);
    FitColumnsToTexts(m_details);
}

void TFKWLResults::ButtonRefreshClick() { ComputeAndShow(); }

void TFKWLResults::ButtonExportTotalsClick()
{
    ExportStandingsFile(this, m_context.workingDirectory, QStringLiteral("Totals.csv"),
                        TotalsFileBytes(m_standings, m_context.settings.ExportSeparator));
}

void TFKWLResults::ButtonExportDetailsClick()
{
    ExportStandingsFile(this, m_context.workingDirectory, QStringLiteral("Details.csv"),
                        DetailsFileBytes(m_standings, m_context.settings.ExportSeparator));
}

void TFKWLResults::ButtonExportLapsClick()
{
    // Read first: a store that cannot give the laps is said at once, not
    // after the user has chosen a file.
    QString title;
    QList<TExportLap> laps;
    QString error;
    if (!ReadChampionshipLaps(m_context.store.Database(), m_csnr, title, laps, error))
        return Messages::Error(error, {}, this);
    ExportStandingsFile(this, m_context.workingDirectory, QStringLiteral("Laps.csv"),
                        LapsFileBytes(title, laps, m_context.settings.ExportSeparator));
}

void TFKWLResults::ButtonPrintTotalsClick() { m_windows.ReportResult->PrintResults(m_csnr); }

void TFKWLResults::ButtonPrintDetailsClick() { m_windows.ReportResultDetail->PrintResultDetails(m_csnr); }

void TFKWLResults::ButtonPdfTotalsClick()
{
    ExportToFile(this, m_context.workingDirectory, QStringLiteral("Totals.pdf"),
                 [this](const QString& path, QString& error) {
                     return WriteResultReportPdf(path, TResultReport::Standings, m_standings,
                                                 QDateTime::currentDateTime(), error);
                 });
}

void TFKWLResults::ButtonPdfDetailsClick()
{
    ExportToFile(this, m_context.workingDirectory, QStringLiteral("Details.pdf"),
                 [this](const QString& path, QString& error) {
                     return WriteResultReportPdf(path, TResultReport::RacePoints, m_standings,
                                                 QDateTime::currentDateTime(), error);
                 });
}

void TFKWLResults::done(int result)
{
    ClearResults();
    TModalShell::done(result);
}

void TFKWLResults::ClearResults()
{
    TStandingsStore store(m_context.store.Database(), m_csnr);
    if (!store.Clear())
        Messages::Error(store.LastError(), {}, this);
    m_standings = TStandings();
}
