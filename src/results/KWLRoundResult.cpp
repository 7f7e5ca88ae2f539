#include "results/KWLRoundResult.h"

#include "common/AppInfo.h"
#include "common/MessageBoxes.h"
#include "common/PlaceWindow.h"
#include "common/Settings.h"
#include "results/FixedHeadingsTable.h"
#include "results/LapGrid.h"
#include "results/StoredLaps.h"
#include "timing/RaceRules.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
constexpr int ColumnWidth = 120;
constexpr int RowHeight = 18;
}  // namespace

TKWL_RoundResults::TKWL_RoundResults(QSqlDatabase db, const TSettings& settings, QWidget* parent)
    : QDialog(parent), m_db(db), m_settings(settings)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    resize(780, 575);

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("LabelTitle"));
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setPixelSize(27);
    titleFont.setBold(true);
    titleFont.setItalic(true);
    m_title->setFont(titleFont);
    QPalette titlePalette = m_title->palette();
    titlePalette.setColor(QPalette::WindowText, QColor(0, 0, 128));  // navy
    m_title->setPalette(titlePalette);
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setMinimumHeight(41);

    m_grid = new TFixedHeadingsTable(this);
    m_grid->setObjectName(QStringLiteral("GridLaps"));
    QFont gridFont = m_grid->font();
    gridFont.setBold(true);
    m_grid->setFont(gridFont);
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

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("ButtonOK"));
    QFont okFont = m_ok->font();
    okFont.setBold(true);
    m_ok->setFont(okFont);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);
}

TKWL_RoundResults::~TKWL_RoundResults() = default;

QString TKWL_RoundResults::Title() const { return m_title->text(); }

QTableWidget* TKWL_RoundResults::Grid() const { return m_grid; }

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
    Present(placement, LapViewTitle(stored), grid);
}

void TKWL_RoundResults::ShowLapResults(const TWindowPlacement& placement, const TTrackStates& tracks)
{
    Present(placement, QLatin1String(LastRaceTitle), BuildLastRaceGrid(tracks, TimedTrackCount(m_settings), m_settings.SectionsPerLap));
}

void TKWL_RoundResults::Present(const TWindowPlacement& placement, const QString& title, const TLapGrid& grid)
{
    setWindowTitle(Kobalap::SubCaption(QStringLiteral("Show Laps")));
    m_title->setText(title);
    FillGrid(grid);

    // The window takes its caller's bounds; the user cannot resize it after.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    PlaceWindow(*this, placement);
    if (placement.state == 0)
        setFixedSize(placement.width, placement.height);
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
