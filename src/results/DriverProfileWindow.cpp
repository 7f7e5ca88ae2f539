#include "results/DriverProfileWindow.h"

#include "common/AppInfo.h"
#include "results/RecordRows.h"
#include "widgets/TextGrid.h"

#include <QBarCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegend>
#include <QLineSeries>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>

TDriverProfileWindow::TDriverProfileWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DriverProfileWindow"));
    setWindowTitle(Kobalap::SubCaption(QStringLiteral("Driver Profile")));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);

    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setPixelSize(22);
    m_name = MakeTitlePanel(titleFont, this);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("LabelSummary"));
    m_summary->setAlignment(Qt::AlignCenter);

    auto* bestGroup = new QGroupBox(QStringLiteral("Best lap per track"), this);
    m_bestLaps = MakeTextGrid(QStringLiteral("GridBestLaps"),
                              {QStringLiteral("Track"), QStringLiteral("Time"), QStringLiteral("Date"),
                               QStringLiteral("Championship"), QStringLiteral("Race"), QStringLiteral("Heat")},
                              {45, 70, 85, 140, 140}, bestGroup);
    // Four tracks at most: the grid needs no more height than that.
    m_bestLaps->setMaximumHeight(m_bestLaps->horizontalHeader()->sizeHint().height() + 4 * 22 + 8);
    auto* bestLayout = new QVBoxLayout(bestGroup);
    bestLayout->addWidget(m_bestLaps);

    m_chart = new QChart;
    m_chart->setAnimationOptions(QChart::NoAnimation);
    m_chart->setTitle(QStringLiteral("Median lap per championship"));
    m_chart->legend()->hide();
    m_championships = new QBarCategoryAxis(m_chart);
    m_seconds = new QValueAxis(m_chart);
    m_seconds->setTitleText(QStringLiteral("Median lap (s)"));
    m_seconds->setLabelFormat(QStringLiteral("%.3f"));
    m_chart->addAxis(m_championships, Qt::AlignBottom);
    m_chart->addAxis(m_seconds, Qt::AlignLeft);
    m_view = new QChartView(m_chart, this);
    m_view->setObjectName(QStringLiteral("ChartMedianLaps"));
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setMinimumHeight(220);

    m_noLaps = new QLabel(QStringLiteral("No laps of this driver count for the records."), this);
    m_noLaps->setObjectName(QStringLiteral("LabelNoLaps"));
    m_noLaps->setAlignment(Qt::AlignCenter);

    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("ButtonClose"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_name);
    layout->addWidget(m_summary);
    layout->addWidget(bestGroup);
    layout->addWidget(m_noLaps);
    layout->addWidget(m_view, 1);
    layout->addLayout(buttons);
    resize(720, 560);
}

void TDriverProfileWindow::Fill(const TDriverProfile& profile)
{
    m_name->setText(profile.Driver);
    m_summary->setText(QStringLiteral("Races: %1    Heats: %2    Race wins: %3    Podiums: %4")
                           .arg(profile.Races)
                           .arg(profile.Heats)
                           .arg(profile.RaceWins)
                           .arg(profile.Podiums));

    // His bests read like the track records, without his own name.
    QList<QStringList> rows = TrackRecordRows(profile.Best);
    m_bestLaps->setRowCount(int(rows.size()));
    for (int r = 0; r < int(rows.size()); ++r) {
        rows[r].removeAt(2);
        for (int c = 0; c < int(rows[r].size()); ++c) {
            auto* item = new QTableWidgetItem(rows[r][c]);
            // Track, time and heat are figures.
            item->setTextAlignment((c == 0 || c == 1 || c == 5 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
            m_bestLaps->setItem(r, c, item);
        }
    }
    FitColumnsToTexts(m_bestLaps);

    m_chart->removeAllSeries();
    QStringList names;
    auto* medians = new QLineSeries;
    double low = 0;
    double high = 0;
    for (const TProfileChampionship& championship : profile.Championships) {
        if (championship.Laps == 0)
            continue;
        const double seconds = championship.MedianLapMs / 1000.0;
        medians->append(double(names.size()), seconds);
        low = names.isEmpty() ? seconds : std::min(low, seconds);
        high = names.isEmpty() ? seconds : std::max(high, seconds);
        // The axis needs its names unique; two championships may share one
        // only in letter case or where a name was reused after a deletion.
        QString name = championship.Name;
        while (names.contains(name))
            name += QLatin1Char(' ');
        names << name;
    }
    medians->setPointsVisible(true);
    m_championships->setCategories(names);
    m_chart->addSeries(medians);
    medians->attachAxis(m_championships);
    medians->attachAxis(m_seconds);
    const double margin = std::max(0.05, (high - low) * 0.1);
    m_seconds->setRange(std::max(0.0, low - margin), high + margin);
    m_seconds->applyNiceNumbers();

    const bool any = !names.isEmpty();
    m_noLaps->setVisible(!any);
    m_view->setVisible(any);
}
