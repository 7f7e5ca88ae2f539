#include "app/SingleRacePage.h"

#include "app/AppContext.h"
#include "app/AppWindows.h"
#include "app/SingleRacePlan.h"
#include "common/MessageBoxes.h"
#include "common/NumericKeyFilter.h"
#include "data/SingleRaceScratch.h"
#include "results/KWLRoundResult.h"
#include "timing/KWLTimer.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

TSingleRacePage::TSingleRacePage(TAppContext& context, TAppWindows& windows,
                                 std::function<TWindowPlacement()> placement, QWidget* parent)
    : QWidget(parent), m_context(context), m_windows(windows), m_placement(std::move(placement))
{
    auto* tracks = new QVBoxLayout;
    for (int n = 1; n <= 4; ++n) {
        auto* panel = new QGroupBox(QStringLiteral("Track %1").arg(n), this);
        panel->setObjectName(QStringLiteral("PanelTrack%1").arg(n));
        auto* choice = new QComboBox(panel);
        choice->setObjectName(QStringLiteral("ComboBoxDriverTrack%1").arg(n));
        choice->setMinimumWidth(200);
        auto* panelLayout = new QVBoxLayout(panel);
        panelLayout->addWidget(choice);
        connect(choice, &QComboBox::currentIndexChanged, this, [this, n] { DriverChosen(n); });
        m_panels[size_t(n - 1)] = panel;
        m_drivers[size_t(n - 1)] = choice;
        tracks->addWidget(panel);
    }
    tracks->addStretch();

    auto* race = new QGroupBox(this);
    race->setObjectName(QStringLiteral("PanelRace"));
    auto* typeLabel = new QLabel(QStringLiteral("Race type"), race);
    m_raceType = new QComboBox(race);
    m_raceType->setObjectName(QStringLiteral("ComboBoxSingelRaceType"));
    m_raceType->addItems({QStringLiteral("Timed"), QStringLiteral("Lap")});
    m_raceType->setCurrentText(QStringLiteral("Lap"));
    m_lengthLabel = new QLabel(QStringLiteral("Laps"), race);
    m_lengthLabel->setObjectName(QStringLiteral("LabelSingelRaceLapMin"));
    m_length = new QLineEdit(QStringLiteral("20"), race);
    m_length->setObjectName(QStringLiteral("EditSingelRaceLapMin"));
    m_length->setMaximumWidth(80);
    TNumericKeyFilter::Install(m_length);
    connect(m_raceType, &QComboBox::currentTextChanged, this, &TSingleRacePage::RaceTypeChanged);

    auto* raceLayout = new QGridLayout(race);
    raceLayout->addWidget(typeLabel, 0, 0);
    raceLayout->addWidget(m_raceType, 0, 1);
    raceLayout->addWidget(m_lengthLabel, 1, 0);
    raceLayout->addWidget(m_length, 1, 1);

    auto* start = new QPushButton(QStringLiteral("Start"), this);
    start->setObjectName(QStringLiteral("ButtonStartSingelRace"));
    start->setToolTip(QStringLiteral("Start the race with the chosen drivers"));
    QFont bold = start->font();
    bold.setBold(true);
    start->setFont(bold);
    connect(start, &QPushButton::clicked, this, &TSingleRacePage::ButtonStartSingelRaceClick);

    auto* right = new QVBoxLayout;
    right->addWidget(race);
    right->addWidget(start);
    right->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(tracks);
    layout->addSpacing(20);
    layout->addLayout(right);
    layout->addStretch();
}

void TSingleRacePage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A window restored from the task bar is no new visit of the page.
    if (!event->spontaneous())
        PageShown();
}

void TSingleRacePage::PageShown()
{
    const int trackCount = m_context.settings.Tracks;
    for (int n = 1; n <= 4; ++n)
        m_panels[size_t(n - 1)]->setVisible(n <= trackCount);

    TSingleRaceScratch scratch(m_context.store.Database());
    // A read-only store was announced at start; the choices then live on the
    // page alone, which is all a single race needs.
    if (m_context.store.State() == TKWLStore::Status::Open && !scratch.Reset())
        Messages::Error(scratch.LastError(), {}, this);

    const QStringList names = scratch.DriverNames();
    m_filling = true;
    for (QComboBox* choice : m_drivers) {
        choice->clear();
        choice->addItem(QString());
        choice->addItems(names);
        choice->setCurrentIndex(0);
    }
    m_filling = false;
}

void TSingleRacePage::RaceTypeChanged(const QString& type)
{
    m_lengthLabel->setText(type == QLatin1String("Timed") ? QStringLiteral("Minutes") : QStringLiteral("Laps"));
}

void TSingleRacePage::DriverChosen(int track)
{
    if (m_filling || m_context.store.State() != TKWLStore::Status::Open)
        return;
    TSingleRaceScratch scratch(m_context.store.Database());
    if (!scratch.SetDriver(track, m_drivers[size_t(track - 1)]->currentText()))
        Messages::Error(scratch.LastError(), {}, this);
}

void TSingleRacePage::ButtonStartSingelRaceClick()
{
    const TSingleRacePlan plan = PlanSingleRace(m_raceType->currentText(), m_length->text());
    if (!plan.ok)
        return Messages::Error(plan.error, {}, this);

    // Tracks above the Tracks setting have their panels hidden; a choice
    // left there from an earlier setting must not put a driver on them.
    std::array<QString, 4> names;
    for (int n = 1; n <= 4 && n <= m_context.settings.Tracks; ++n)
        names[size_t(n - 1)] = m_drivers[size_t(n - 1)]->currentText();

    const TWindowPlacement placement = m_placement();
    if (m_windows.Timer->StartRace(plan.raceType, plan.raceLength, names, {0, 0, 0, 0}, placement))
        m_windows.RoundResults->ShowLapResults(placement, m_windows.Timer->Tracks());
}
