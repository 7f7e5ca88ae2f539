#include "results/KWLRoundResult.h"

#include "common/AppInfo.h"
#include "common/FittedFont.h"
#include "common/MessageBoxes.h"
#include "common/PlaceWindow.h"
#include "common/Settings.h"
#include "results/ExportDialog.h"
#include "results/FixedHeadingsTable.h"
#include "results/LapChartWindow.h"
#include "results/LapGrid.h"
#include "results/StoredLaps.h"
#include "timing/RaceRules.h"
#include "widgets/NoDefaultButtons.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {
constexpr int ColumnWidth = 120;
constexpr int RowHeight = 18;
// The figures show a heat's four drivers without scrolling; a race or a
// championship scrolls through the rest.
constexpr int FigureRowsInView = 4;
}  // namespace

TKWL_RoundResults::TKWL_RoundResults(QSqlDatabase db, const TSettings& settings, QWidget* parent)
    : QDialog(parent), m_db(db), m_settings(settings)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    resize(780, 575);

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("LabelTitle"));
    m_titleFont = QFont(QStringLiteral("Arial"));
    m_titleFont.setPixelSize(27);
    m_titleFont.setBold(true);
    m_titleFont.setItalic(true);
    m_title->setFont(m_titleFont);
    // The title takes the window's width and its font fits the text into it,
    // rather than a long name widening the window past its given bounds.
    m_title->setSizePolicy(QSizePolicy::Ignored, m_title->sizePolicy().verticalPolicy());
    QPalette titlePalette = m_title->palette();
    titlePalette.setColor(QPalette::WindowText, QColor(0, 0, 128));  // navy
    m_title->setPalette(titlePalette);
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setMinimumHeight(41);

    m_grid = new TFixedHeadingsTable(this);
    m_grid->setObjectName(QStringLiteral("GridLaps"));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    // The grid's own first column and first rows are its headings, kept in
    // view by the grid itself, so Qt's header bars would only repeat them.
    m_grid->horizontalHeader()->hide();
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setMinimumSectionSize(0);
    m_grid->horizontalHeader()->setDefaultSectionSize(ColumnWidth);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setMinimumSectionSize(0);
    m_grid->verticalHeader()->setDefaultSectionSize(RowHeight);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // A machine whose font is wider or larger than the columns were made for
    // gets a smaller one: a lap time cut off at a digit would misread. A
    // cell's text stands inside the style's margins and the grid line.
    const int margin = m_grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_grid) + 1;
    const QSize cellRoom(ColumnWidth - 1 - 2 * margin, RowHeight - 1);
    QFont gridFont = m_grid->font();
    gridFont.setBold(true);
    m_grid->setFont(FittedFont(gridFont, WidestCellTexts(), cellRoom, Qt::AlignLeft | Qt::AlignVCenter));

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("ButtonOK"));
    QFont okFont = m_ok->font();
    okFont.setBold(true);
    m_ok->setFont(okFont);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    m_figures = new QListWidget(this);
    m_figures->setObjectName(QStringLiteral("ListLapFigures"));
    m_figures->setSelectionMode(QAbstractItemView::NoSelection);
    m_figures->setFocusPolicy(Qt::NoFocus);
    m_figures->setToolTip(
        QStringLiteral("Median lap, spread of the laps and share of laps within 2 % of the driver's best"));
    const int figureRow = m_figures->fontMetrics().height() + 2;
    m_figures->setFixedHeight(FigureRowsInView * figureRow + 2 * m_figures->frameWidth() + 2);

    m_chart = new QPushButton(QStringLiteral("Chart"), this);
    m_chart->setObjectName(QStringLiteral("ButtonChart"));
    m_chart->setToolTip(QStringLiteral("Draw every driver's lap times"));
    connect(m_chart, &QPushButton::clicked, this, &TKWL_RoundResults::ButtonChartClick);
    m_exportLaps = new QPushButton(QStringLiteral("Export Laps"), this);
    m_exportLaps->setObjectName(QStringLiteral("ButtonExportLaps"));
    m_exportLaps->setToolTip(QStringLiteral("Save every lap of the race for a spreadsheet"));
    connect(m_exportLaps, &QPushButton::clicked, this, &TKWL_RoundResults::ButtonExportLapsClick);

    // OK stays in the middle; the other buttons stand at the left, with an
    // empty column of the same stretch on the right to balance them.
    auto* extras = new QHBoxLayout;
    extras->addWidget(m_chart);
    extras->addWidget(m_exportLaps);
    extras->addStretch();
    auto* buttons = new QGridLayout;
    buttons->addLayout(extras, 0, 0);
    buttons->addWidget(m_ok, 0, 1);
    buttons->setColumnStretch(0, 1);
    buttons->setColumnStretch(2, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(m_grid, 1);
    layout->addWidget(m_figures);
    layout->addLayout(buttons);
    // The view after a heat closes over a result not yet stored: a stray
    // Enter must not close it.
    TakeDefaultFromButtons(*this);
}

TKWL_RoundResults::~TKWL_RoundResults() = default;

QString TKWL_RoundResults::Title() const { return m_title->text(); }

QTableWidget* TKWL_RoundResults::Grid() const { return m_grid; }

void TKWL_RoundResults::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);  // the layout has placed the title by now
    FitTitle();
}

void TKWL_RoundResults::FitTitle()
{
    m_title->setFont(FittedFont(m_titleFont, {m_title->text()}, m_title->contentsRect().size(), m_title->alignment()));
}

void TKWL_RoundResults::ShowStoredLaps(const TWindowPlacement& placement, int csnr, int rcnr, int mode, int htnr)
{
    if (mode < HeatMode || mode > ChampionshipMode)
        return;
    const auto scope = static_cast<TLapScope>(mode);
    const int tracks = TimedTrackCount(m_settings);
    const TStoredLaps stored = ReadStoredLaps(m_db, scope, csnr, rcnr, htnr, tracks);
    // A grid missing what the store could not give would pass for a heat or
    // race without laps; the store's own message ends the action instead.
    if (!stored.ReadError.isEmpty())
        return Messages::Error(stored.ReadError, {}, parentWidget());
    const TLapGrid grid = scope == TLapScope::Heat ? BuildHeatGrid(stored, tracks) : BuildSummaryGrid(stored, tracks);
    m_driverLaps = DriverLapsOfScope(stored, tracks);
    // A heat knows its drivers' names; a race or championship looks them up.
    QString nameError;
    if (scope != TLapScope::Heat && !NameDrivers(m_db, m_driverLaps, nameError))
        return Messages::Error(nameError, {}, parentWidget());
    m_lastRaceLaps.clear();
    m_exportLaps->hide();
    Present(placement, LapViewTitle(stored), grid);
}

void TKWL_RoundResults::ShowLapResults(const TWindowPlacement& placement, const TTrackStates& tracks,
                                       const TLapsOrigin& origin)
{
    m_lastRaceOrigin = origin;
    const int timedTracks = TimedTrackCount(m_settings);
    m_driverLaps = DriverLapsOfLastRace(tracks, timedTracks, m_settings.SectionsPerLap);
    m_lastRaceLaps = LastRaceLaps(tracks, timedTracks, m_settings.SectionsPerLap, origin);
    m_exportLaps->show();
    m_exportLaps->setEnabled(!m_lastRaceLaps.isEmpty());
    Present(placement, QLatin1String(LastRaceTitle), BuildLastRaceGrid(tracks, timedTracks, m_settings.SectionsPerLap));
}

void TKWL_RoundResults::Present(const TWindowPlacement& placement, const QString& title, const TLapGrid& grid)
{
    setWindowTitle(Kobalap::SubCaption(QStringLiteral("Show Laps")));
    m_title->setText(title);
    FitTitle();  // a window shown at its previous size gets no resize
    FillGrid(grid);
    FillFigures();
    m_chart->setEnabled(std::any_of(m_driverLaps.cbegin(), m_driverLaps.cend(),
                                    [](const TDriverLaps& d) { return !d.Laps.isEmpty(); }));

    PlaceFixedWindow(*this, placement);
    m_grid->scrollToTop();
    m_grid->horizontalScrollBar()->setValue(0);
    m_ok->setFocus();
    exec();
}

void TKWL_RoundResults::FillGrid(const TLapGrid& grid)
{
    m_grid->clearContents();
    m_grid->setColumnCount(grid.Columns());
    m_grid->setRowCount(grid.RowCount());
    const QBrush headingBrush = palette().button();
    for (int row = 0; row < grid.RowCount(); ++row) {
        for (int column = 0; column < grid.Columns(); ++column) {
            const bool heading = row < grid.FixedRows() || column == 0;
            const QString text = grid.Cell(column, row);
            if (!heading && text.isEmpty())
                continue;
            auto* item = new QTableWidgetItem(text);
            if (heading) {
                item->setFlags(Qt::ItemIsEnabled);
                item->setBackground(headingBrush);
            } else {
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            }
            m_grid->setItem(row, column, item);
        }
    }
    // Headings and row labels stay in view however long the race was.
    m_grid->SetFixed(grid.FixedRows(), 1);
}

void TKWL_RoundResults::FillFigures()
{
    m_figures->clear();
    for (const TDriverLaps& driver : std::as_const(m_driverLaps))
        m_figures->addItem(LapFiguresText(driver.Driver, ComputeLapFigures(driver.Laps)));
}

void TKWL_RoundResults::ButtonChartClick()
{
    TLapChartWindow chart(m_settings, m_workingDirectory, this);
    chart.Fill(m_title->text(), m_driverLaps);
    // Over the lap view, at least as large, so the eye stays where it was.
    QRect bounds = geometry();
    bounds.setSize(bounds.size().expandedTo(chart.size()));
    bounds.moveCenter(geometry().center());
    chart.setGeometry(bounds);
    chart.exec();
}

void TKWL_RoundResults::ButtonExportLapsClick()
{
    ExportStandingsFile(this, m_workingDirectory, QStringLiteral("Laps.csv"),
                        LapsFileBytes(m_lastRaceOrigin.Title, m_lastRaceLaps, m_settings.ExportSeparator));
}
