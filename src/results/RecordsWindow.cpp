#include "results/RecordsWindow.h"

#include "app/AppContext.h"
#include "common/MessageBoxes.h"
#include "results/DriverProfile.h"
#include "results/DriverProfileWindow.h"
#include "results/ExportDialog.h"
#include "results/LaneChart.h"
#include "results/RecordRows.h"
#include "results/RecordsChoice.h"
#include "results/RecordsExport.h"
#include "widgets/NoDefaultButtons.h"
#include "widgets/TextGrid.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

enum TTab { TrackRecordsTab, ChampionshipTab, PersonalBestsTab, LaneTab };

const QStringList RecordHeadings{QStringLiteral("Track"), QStringLiteral("Time"),         QStringLiteral("Driver"),
                                 QStringLiteral("Date"),  QStringLiteral("Championship"), QStringLiteral("Race"),
                                 QStringLiteral("Heat")};
const QList<int> RecordWidths{45, 70, 150, 85, 140, 140};

QPushButton* Button(const QString& name, const QString& caption, const QString& hint, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    return button;
}

// Times and numbers line up on the right, names on the left.
void FillGrid(QTableWidget* grid, const QList<QStringList>& rows, const QList<int>& rightAligned)
{
    grid->setRowCount(int(rows.size()));
    for (int r = 0; r < int(rows.size()); ++r)
        for (int c = 0; c < int(rows[r].size()); ++c) {
            auto* item = new QTableWidgetItem(rows[r][c]);
            item->setTextAlignment(rightAligned.contains(c) ? Qt::AlignRight | Qt::AlignVCenter
                                                            : Qt::AlignLeft | Qt::AlignVCenter);
            grid->setItem(r, c, item);
        }
    FitColumnsToTexts(grid);
    if (!rows.isEmpty())
        grid->setCurrentCell(0, 0);
}

// A labelled list above a tab's table, as wide as its longest entry.
QComboBox* AddChoiceRow(QVBoxLayout& layout, const QString& label, const QString& name)
{
    QWidget* tab = layout.parentWidget();
    auto* combo = new QComboBox(tab);
    combo->setObjectName(name);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(label, tab));
    row->addWidget(combo);
    row->addStretch();
    layout.addLayout(row);
    return combo;
}

// Waits shown by the cursor: reading a year of laps takes a moment.
struct TBusyCursor {
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

}  // namespace

TRecordsWindow::TRecordsWindow(TAppContext& context, QWidget* parent)
    : TModalShell(QStringLiteral("Records"), parent), m_context(context)
{
    setObjectName(QStringLiteral("RecordsWindow"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint);

    auto* minimumLabel = new QLabel(QStringLiteral("Minimum lap:"), this);
    m_minimum = new QDoubleSpinBox(this);
    m_minimum->setObjectName(QStringLiteral("SpinMinimumLap"));
    m_minimum->setDecimals(3);
    m_minimum->setRange(0, MaximumMinimumLapMs / 1000.0);
    m_minimum->setSingleStep(0.1);
    m_minimum->setSuffix(QStringLiteral(" s"));
    m_minimum->setToolTip(
        QStringLiteral("Shorter laps never make a record: a bouncing sensor can leave a lap of a "
                       "fifth of a second"));
    // Taken when typed in full (Enter or leaving the box), not at each digit.
    m_minimum->setKeyboardTracking(false);
    minimumLabel->setBuddy(m_minimum);
    connect(m_minimum, &QDoubleSpinBox::valueChanged, this, &TRecordsWindow::MinimumLapChanged);
    auto* minimumRow = new QHBoxLayout;
    minimumRow->addWidget(minimumLabel);
    minimumRow->addWidget(m_minimum);
    minimumRow->addWidget(
        new QLabel(QStringLiteral("Shorter laps and laps without a time never make a record."), this));
    minimumRow->addStretch();

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("TabsRecords"));
    m_tabs->addTab(MakeTrackRecordsTab(), QStringLiteral("Track records"));
    m_tabs->addTab(MakeChampionshipTab(), QStringLiteral("Championship"));
    m_tabs->addTab(MakePersonalBestsTab(), QStringLiteral("Personal bests"));
    m_tabs->addTab(MakeLaneTab(), QStringLiteral("Lane fairness"));
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int tab) {
        if (tab == LaneTab)
            ShowLaneReport();
    });

    QPushButton* exportRecords = Button(QStringLiteral("ButtonExportRecords"), QStringLiteral("Export Records"),
                                        QStringLiteral("Save every record for a spreadsheet"), this);
    QPushButton* exportLane = Button(QStringLiteral("ButtonExportLane"), QStringLiteral("Export Lane Report"),
                                     QStringLiteral("Save the lane report for a spreadsheet"), this);
    QPushButton* done =
        Button(QStringLiteral("ButtonDone"), QStringLiteral("Done"), QStringLiteral("Back to the championships"), this);
    connect(exportRecords, &QPushButton::clicked, this, &TRecordsWindow::ButtonExportRecordsClick);
    connect(exportLane, &QPushButton::clicked, this, &TRecordsWindow::ButtonExportLaneClick);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(exportRecords);
    buttons->addWidget(exportLane);
    buttons->addStretch();
    buttons->addWidget(done);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(minimumRow);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(buttons);
    // Enter in the minimum's box takes the value; it must not close the window.
    TakeDefaultFromButtons(*this);
}

QWidget* TRecordsWindow::MakeTrackRecordsTab()
{
    auto* tab = new QWidget(this);
    m_trackRecords = MakeTextGrid(QStringLiteral("GridTrackRecords"), RecordHeadings, RecordWidths, tab);
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(
        new QLabel(QStringLiteral("The fastest lap ever driven on each track, over every championship."), tab));
    layout->addWidget(m_trackRecords);
    return tab;
}

QWidget* TRecordsWindow::MakeChampionshipTab()
{
    auto* tab = new QWidget(this);
    auto* layout = new QVBoxLayout(tab);
    m_championship = AddChoiceRow(*layout, QStringLiteral("Championship:"), QStringLiteral("ComboChampionship"));
    connect(m_championship, &QComboBox::currentIndexChanged, this, &TRecordsWindow::ChampionshipChosen);
    m_championshipRecords = MakeTextGrid(QStringLiteral("GridChampionshipRecords"), RecordHeadings, RecordWidths, tab);
    layout->addWidget(m_championshipRecords);
    return tab;
}

QWidget* TRecordsWindow::MakePersonalBestsTab()
{
    auto* tab = new QWidget(this);
    m_personalBests =
        MakeTextGrid(QStringLiteral("GridPersonalBests"),
                     {QStringLiteral("Driver"), QStringLiteral("Track"), QStringLiteral("Time"), QStringLiteral("Date"),
                      QStringLiteral("Championship"), QStringLiteral("Race"), QStringLiteral("Heat")},
                     {150, 45, 70, 85, 140, 140}, tab);
    connect(m_personalBests, &QTableWidget::cellDoubleClicked, this, &TRecordsWindow::ButtonProfileClick);
    QPushButton* profile = Button(QStringLiteral("ButtonProfile"), QStringLiteral("Driver Profile"),
                                  QStringLiteral("Races, wins, best laps and the median lap per championship of the "
                                                 "selected driver"),
                                  tab);
    connect(profile, &QPushButton::clicked, this, &TRecordsWindow::ButtonProfileClick);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(profile);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(m_personalBests);
    layout->addLayout(buttons);
    return tab;
}

QWidget* TRecordsWindow::MakeLaneTab()
{
    auto* tab = new QWidget(this);
    auto* layout = new QVBoxLayout(tab);
    m_laneScope = AddChoiceRow(*layout, QStringLiteral("Laps of:"), QStringLiteral("ComboLaneScope"));
    connect(m_laneScope, &QComboBox::currentIndexChanged, this, &TRecordsWindow::LaneScopeChosen);

    m_lanes = MakeTextGrid(
        QStringLiteral("GridLanes"),
        {QStringLiteral("Track"), QStringLiteral("Offset"), QStringLiteral("90 % interval"), QStringLiteral("Drivers")},
        {70, 80, 140, 70}, tab);
    m_lanes->horizontalHeader()->setStretchLastSection(false);
    // Four tracks at most: the chart gets the rest of the height.
    m_lanes->setMaximumHeight(m_lanes->horizontalHeader()->sizeHint().height() + 4 * 22 + 8);
    m_laneChart = new TLaneChart(tab);
    m_laneChart->setMinimumHeight(200);
    m_laneReading = new QLabel(tab);
    m_laneReading->setObjectName(QStringLiteral("LabelLaneReading"));
    m_laneReading->setWordWrap(true);
    m_laneNote = new QLabel(tab);
    m_laneNote->setObjectName(QStringLiteral("LabelLaneNote"));
    m_laneNote->setWordWrap(true);
    m_laneNote->setStyleSheet(QStringLiteral("font-weight: bold;"));

    layout->addWidget(m_lanes);
    layout->addWidget(m_laneChart, 100);
    layout->addWidget(m_laneReading);
    layout->addWidget(m_laneNote);
    // Without a chart the texts stay under the table.
    layout->addStretch(1);
    return tab;
}

void TRecordsWindow::OpenRecords(const TWindowPlacement& placement, int csnr)
{
    {
        const QSignalBlocker quiet(m_minimum);
        m_minimum->setValue(ReadMinimumLapMs(m_context.workingDirectory) / 1000.0);
    }
    // The book alone: the lane report waits until its tab is looked at.
    {
        const QSignalBlocker quiet(m_tabs);
        m_tabs->setCurrentIndex(TrackRecordsTab);
    }
    m_laneReport.reset();
    if (!ReadBook())
        return;
    FillBook(csnr);
    PlaceOver(placement);
    exec();
}

bool TRecordsWindow::ReadBook()
{
    const auto minimumMs = uint32_t(std::lround(m_minimum->value() * 1000));
    QString error;
    std::optional<TRecordBook> book;
    {
        TBusyCursor busy;
        book = ReadRecordBook(m_context.store.Database(), minimumMs, error);
    }
    if (!book) {
        m_book = TRecordBook();
        m_book.MinimumMs = minimumMs;
        Messages::Error(error, {}, isVisible() ? this : parentWidget());
        return false;
    }
    m_book = std::move(*book);
    return true;
}

void TRecordsWindow::FillBook(int csnr)
{
    FillGrid(m_trackRecords, TrackRecordRows(m_book.TrackRecords), {0, 1, 6});
    FillGrid(m_personalBests, PersonalBestRows(m_book.PersonalBests), {1, 2, 6});

    // Only championships with a counted lap have records or a lane report.
    const int laneCsnr = m_laneScope->count() > 0 ? m_laneScope->currentData().toInt() : csnr;
    {
        const QSignalBlocker quietChampionship(m_championship);
        const QSignalBlocker quietLane(m_laneScope);
        m_championship->clear();
        m_laneScope->clear();
        m_laneScope->addItem(QStringLiteral("All championships"), 0);
        for (const TChampionshipRecords& championship : std::as_const(m_book.Championships)) {
            m_championship->addItem(championship.Name, championship.CSnr);
            m_laneScope->addItem(championship.Name, championship.CSnr);
        }
        m_championship->setCurrentIndex(std::max(0, m_championship->findData(csnr)));
        m_laneScope->setCurrentIndex(std::max(0, m_laneScope->findData(isVisible() ? laneCsnr : csnr)));
    }
    ChampionshipChosen();
    LaneScopeChosen();
}

void TRecordsWindow::ChampionshipChosen()
{
    const int csnr = m_championship->currentData().toInt();
    for (const TChampionshipRecords& championship : std::as_const(m_book.Championships))
        if (championship.CSnr == csnr)
            return FillGrid(m_championshipRecords, TrackRecordRows(championship.Tracks), {0, 1, 6});
    FillGrid(m_championshipRecords, {}, {});
}

void TRecordsWindow::LaneScopeChosen()
{
    m_laneReport.reset();
    if (LaneTabShown())
        ShowLaneReport();
    else {
        m_lanes->setRowCount(0);
        m_laneChart->Show({});
        m_laneReading->clear();
        m_laneNote->clear();
    }
}

bool TRecordsWindow::LaneTabShown() const { return m_tabs->currentIndex() == LaneTab; }

bool TRecordsWindow::LaneReportReady()
{
    const int csnr = m_laneScope->currentData().toInt();
    if (m_laneReport && m_laneCsnr == csnr)
        return true;
    m_laneReport.reset();
    std::vector<TLaneLap> laps;
    QString error;
    {
        TBusyCursor busy;
        if (ReadLaneLaps(m_context.store.Database(), csnr, m_book.MinimumMs, laps, error))
            m_laneReport = ComputeLaneReport(laps, m_book.MinimumMs);
    }
    if (!m_laneReport) {
        Messages::Error(error, {}, this);
        return false;
    }
    m_laneCsnr = csnr;
    return true;
}

void TRecordsWindow::ShowLaneReport()
{
    if (!LaneReportReady()) {
        m_lanes->setRowCount(0);
        m_laneChart->Show({});
        m_laneReading->clear();
        m_laneNote->clear();
        return;
    }
    const TLaneReport& report = *m_laneReport;
    FillGrid(m_lanes, LaneRows(report), {1, 2, 3});
    for (int r = 0; r < int(report.Tracks.size()); ++r)
        for (int c = 0; c < m_lanes->columnCount(); ++c)
            m_lanes->item(r, c)->setToolTip(LaneOffsetText(report.Tracks[r]));
    m_laneChart->Show(report);
    const bool comparable = report.Drivers > 0;
    m_laneChart->setVisible(comparable);
    m_laneReading->setText(comparable ? LaneReadingText() : QString());
    if (!comparable)
        m_laneNote->setText(
            QStringLiteral("No driver has counted laps on two tracks here, so the tracks cannot be "
                           "compared."));
    else
        m_laneNote->setText(report.EveryDriverEveryTrack ? QString() : LaneMissingTracksText());
}

void TRecordsWindow::MinimumLapChanged()
{
    const auto minimumMs = uint32_t(std::lround(m_minimum->value() * 1000));
    if (minimumMs == m_book.MinimumMs)
        return;
    if (!WriteMinimumLapMs(m_context.workingDirectory, minimumMs))
        Messages::Error(QStringLiteral("The minimum lap could not be stored in kobalap.conf."),
                        QDir(m_context.workingDirectory).filePath(QStringLiteral("kobalap.conf")), this);
    // The records follow the new minimum at once, stored or not.
    const int csnr = m_championship->currentData().toInt();
    m_laneReport.reset();
    ReadBook();
    FillBook(csnr);
}

void TRecordsWindow::ButtonProfileClick()
{
    const int row = m_personalBests->currentRow();
    if (row < 0 || row >= int(m_book.PersonalBests.size()))
        return;
    QString error;
    std::optional<TDriverProfile> profile;
    {
        TBusyCursor busy;
        profile = ReadDriverProfile(m_context.store.Database(), m_book.PersonalBests[row].DRVnr, m_context.settings,
                                    m_book.MinimumMs, error);
    }
    if (!profile)
        return Messages::Error(error, {}, this);
    TDriverProfileWindow window(this);
    window.Fill(*profile);
    window.exec();
}

void TRecordsWindow::ButtonExportRecordsClick()
{
    ExportStandingsFile(this, m_context.workingDirectory, QStringLiteral("Records.csv"),
                        RecordsFileBytes(m_book, m_context.settings.ExportSeparator));
}

void TRecordsWindow::ButtonExportLaneClick()
{
    // Worked out first when its tab has not been looked at yet.
    if (!LaneReportReady())
        return;
    ExportStandingsFile(
        this, m_context.workingDirectory, QStringLiteral("Lane fairness.csv"),
        LaneReportFileBytes(m_laneScope->currentText(), *m_laneReport, m_context.settings.ExportSeparator));
}
