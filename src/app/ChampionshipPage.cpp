#include "app/ChampionshipPage.h"

#include "app/AppWindows.h"
#include "common/MessageBoxes.h"
#include "data/KWLCSChangeAdd.h"
#include "data/KWLRCChangeAdd.h"
#include "data/KWLSelectDrivers.h"
#include "data/RecordActions.h"
#include "heats/KWLHeats.h"
#include "results/KWLResults.h"
#include "results/KWLRoundResult.h"
#include "results/RecordsWindow.h"
#include "widgets/PageButtons.h"
#include "widgets/RecordGrid.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

TChampionshipPage::TChampionshipPage(QSqlDatabase db, TAppWindows& windows, std::function<TWindowPlacement()> placement,
                                     QWidget* parent)
    : QWidget(parent), m_db(db), m_windows(windows), m_placement(std::move(placement))
{
    auto* csGroup = new QGroupBox(QStringLiteral("Championship"), this);
    m_championships = new TRecordGrid(
        db,
        QStringLiteral(
            R"(SELECT CSnr, CSnaam, CSLapsMinutes, CSRacesThatCount, CASE WHEN CSTimed THEN 'Timed' ELSE 'Lap' END )"
            R"(FROM "KWL_Championship.db" ORDER BY CSnaam, CSnr)"),
        1,
        {QStringLiteral("Name"), QStringLiteral("Laps/Minutes"), QStringLiteral("RacesThatCount"),
         QStringLiteral("Type")},
        csGroup);
    m_championships->setObjectName(QStringLiteral("ChampionshipGrid"));

    TPageButtons csButtons(this, m_championships);
    auto* csGrid = new QGridLayout;
    csGrid->addWidget(csButtons.Add(QStringLiteral("ButtonCSAdd"), QStringLiteral("Add"),
                                    QStringLiteral("Add a championship"), [this] { ButtonCSAddClick(); }),
                      0, 0);
    csGrid->addWidget(
        csButtons.Add(QStringLiteral("ButtonCSChange"), QStringLiteral("Change"),
                      QStringLiteral("Change the selected championship"), [this] { ButtonCSChangeClick(); }),
        1, 0);
    csGrid->addWidget(
        csButtons.Add(QStringLiteral("ButtonCSDelete"), QStringLiteral("Delete"),
                      QStringLiteral("Delete the selected championship"), [this] { ButtonCSDeleteClick(); }),
        2, 0);
    csGrid->addWidget(csButtons.Add(QStringLiteral("ButtonSelectDrivers"), QStringLiteral("Select Drivers"),
                                    QStringLiteral("Choose the drivers of the selected championship"),
                                    [this] { ButtonSelectDriversClick(); }),
                      0, 1);
    csGrid->addWidget(
        csButtons.Add(QStringLiteral("ButtonShowResults"), QStringLiteral("Show Results"),
                      QStringLiteral("Standings of the selected championship"), [this] { ButtonShowResultsClick(); }),
        1, 1);
    csGrid->addWidget(
        csButtons.Add(
            QStringLiteral("ButtonCSShowLaps"), QStringLiteral("Show Laps"),
            QStringLiteral("Laps of the selected championship"), [this] { ButtonCSShowLapsClick(); }, false),
        2, 1);
    // The club's records sit beside the championship's own laps.
    csGrid->addWidget(
        csButtons.Add(
            QStringLiteral("ButtonRecords"), QStringLiteral("Records"),
            QStringLiteral("Club records, driver profiles and lane fairness"), [this] { ButtonRecordsClick(); }, false),
        2, 2);
    csGrid->setColumnStretch(3, 1);
    auto* csLayout = new QVBoxLayout(csGroup);
    csLayout->addWidget(m_championships);
    csLayout->addLayout(csGrid);

    auto* rcGroup = new QGroupBox(QStringLiteral("Race"), this);
    m_championshipName = new QLabel(rcGroup);
    m_championshipName->setObjectName(QStringLiteral("ChampionshipName"));
    m_championshipName->setAlignment(Qt::AlignCenter);
    m_championshipName->setStyleSheet(QStringLiteral("font-weight: bold;"));
    m_races = new TRecordGrid(
        db, QStringLiteral(R"(SELECT CSnr, RCnr, RCnaam FROM "KWL_Race.DB" WHERE CSnr = ? ORDER BY RCnaam, RCnr)"), 2,
        {QStringLiteral("Name")}, rcGroup);
    m_races->setObjectName(QStringLiteral("RaceGrid"));
    connect(m_races, &QAbstractItemView::doubleClicked, this, [this] { ButtonGotoHeatsClick(); });

    TPageButtons rcButtons(this, m_races);
    auto* rcGrid = new QGridLayout;
    rcGrid->addWidget(rcButtons.Add(QStringLiteral("ButtonRCAdd"), QStringLiteral("Add"),
                                    QStringLiteral("Add a race to the championship"), [this] { ButtonRCAddClick(); }),
                      0, 0);
    rcGrid->addWidget(
        rcButtons.Add(QStringLiteral("ButtonRCChange"), QStringLiteral("Change"),
                      QStringLiteral("Change the name of the selected race"), [this] { ButtonRCChangeClick(); }),
        1, 0);
    rcGrid->addWidget(rcButtons.Add(QStringLiteral("ButtonRCDelete"), QStringLiteral("Delete"),
                                    QStringLiteral("Delete the selected race"), [this] { ButtonRCDeleteClick(); }),
                      2, 0);
    rcGrid->addWidget(
        rcButtons.Add(QStringLiteral("ButtonGotoHeats"), QStringLiteral("Goto Heats"),
                      QStringLiteral("Run the heats of the selected race"), [this] { ButtonGotoHeatsClick(); }),
        0, 1);
    rcGrid->addWidget(rcButtons.Add(
                          QStringLiteral("ButtonRCShowLaps"), QStringLiteral("Show Laps"),
                          QStringLiteral("Laps of the selected race"), [this] { ButtonRCShowLapsClick(); }, false),
                      1, 1);
    rcGrid->setColumnStretch(2, 1);
    auto* rcLayout = new QVBoxLayout(rcGroup);
    rcLayout->addWidget(m_championshipName);
    rcLayout->addWidget(m_races);
    rcLayout->addLayout(rcGrid);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(csGroup, 3);
    layout->addWidget(rcGroup, 2);

    // The races follow the selected championship.
    connect(m_championships, &TRecordGrid::CurrentRowChanged, this, [this] { ReloadRaces(0); });
}

void TChampionshipPage::Reload(int row)
{
    QString error;
    if (!m_championships->Reload({}, row, error))
        Messages::Error(error, {}, this);
    m_championships->SetColumnWidths({150, 95, 115, 60});
}

void TChampionshipPage::ReloadRaces(int row)
{
    m_championshipName->setText(m_championships->Text(0));
    QString error;
    if (!m_races->Reload({SelectedChampionship()}, row, error))
        Messages::Error(error, {}, this);
    m_races->SetColumnWidths({180});
}

QString TChampionshipPage::ShownChampionshipName() const { return m_championshipName->text(); }

int TChampionshipPage::SelectedChampionship() const { return m_championships->Key(); }

bool TChampionshipPage::RaceSelected() const { return m_championships->HasRow() && m_races->HasRow(); }

void TChampionshipPage::ButtonCSAddClick()
{
    TRecordActions actions(m_db);
    const auto count = actions.ChampionshipCount();
    if (!count)
        return Messages::Error(actions.LastError(), {}, this);
    if (*count >= TRecordActions::MaxChampionships)
        return Messages::Information(QStringLiteral("Maximum championships reached!"), this);
    if (m_windows.ChampionshipDialog->Execute(TRecordMode::Add))
        Reload(0);
}

void TChampionshipPage::ButtonCSChangeClick()
{
    if (!m_championships->HasRow())
        return;
    if (m_windows.ChampionshipDialog->Execute(TRecordMode::Change, SelectedChampionship()))
        Reload(0);
}

void TChampionshipPage::ButtonCSDeleteClick()
{
    if (!m_championships->HasRow())
        return;
    const int csnr = SelectedChampionship();
    TRecordActions actions(m_db);
    const auto hasRaces = actions.ChampionshipHasRaces(csnr);
    if (!hasRaces)
        return Messages::Error(actions.LastError(), {}, this);
    if (*hasRaces)
        return Messages::Information(QStringLiteral("Can not be deleted. There are races present."), this);
    if (!Messages::Confirm(QStringLiteral("Delete Record?"), this))
        return;
    const int row = m_championships->CurrentRow();
    if (!actions.DeleteChampionship(csnr))
        Messages::Error(actions.LastError(), {}, this);
    Reload(row);
}

void TChampionshipPage::ButtonSelectDriversClick()
{
    if (m_championships->HasRow())
        m_windows.SelectDrivers->OpenDriverSelection(m_placement(), SelectedChampionship());
}

void TChampionshipPage::ButtonShowResultsClick()
{
    if (m_championships->HasRow())
        m_windows.Results->OpenResults(m_placement(), SelectedChampionship());
}

void TChampionshipPage::ButtonCSShowLapsClick()
{
    if (!m_championships->HasRow())
        return Messages::Information(QStringLiteral("No Championship present"), this);
    m_windows.RoundResults->ShowStoredLaps(m_placement(), SelectedChampionship(), 0,
                                           TKWL_RoundResults::ChampionshipMode);
}

void TChampionshipPage::ButtonRecordsClick()
{
    m_windows.Records->OpenRecords(m_placement(), m_championships->HasRow() ? SelectedChampionship() : 0);
}

void TChampionshipPage::ButtonRCAddClick()
{
    TRecordActions actions(m_db);
    const auto count = actions.RaceCount(SelectedChampionship());
    if (!count)
        return Messages::Error(actions.LastError(), {}, this);
    if (*count >= TRecordActions::MaxRacesPerChampionship)
        return Messages::Information(QStringLiteral("Maximum races reached!"), this);
    if (!m_championships->HasRow())
        return;
    if (m_windows.RaceDialog->Execute(TRecordMode::Add, SelectedChampionship()))
        ReloadRaces(0);
}

void TChampionshipPage::ButtonRCChangeClick()
{
    if (!RaceSelected())
        return;
    if (m_windows.RaceDialog->Execute(TRecordMode::Change, SelectedChampionship(), m_races->Key(1)))
        ReloadRaces(0);
}

void TChampionshipPage::ButtonRCDeleteClick()
{
    if (!RaceSelected())
        return;
    const int csnr = SelectedChampionship();
    const int rcnr = m_races->Key(1);
    TRecordActions actions(m_db);
    const auto hasHeats = actions.RaceHasHeats(csnr, rcnr);
    if (!hasHeats)
        return Messages::Error(actions.LastError(), {}, this);
    if (*hasHeats)
        return Messages::Information(QStringLiteral("Can not be deleted. There are heats present."), this);
    if (!Messages::Confirm(QStringLiteral("Delete Record?"), this))
        return;
    const int row = m_races->CurrentRow();
    if (!actions.DeleteRace(csnr, rcnr))
        Messages::Error(actions.LastError(), {}, this);
    ReloadRaces(row);
}

void TChampionshipPage::ButtonGotoHeatsClick()
{
    if (RaceSelected())
        m_windows.Heats->OpenHeats(m_placement(), SelectedChampionship(), m_races->Key(1));
}

void TChampionshipPage::ButtonRCShowLapsClick()
{
    if (!RaceSelected())
        return Messages::Information(QStringLiteral("No Race present"), this);
    m_windows.RoundResults->ShowStoredLaps(m_placement(), SelectedChampionship(), m_races->Key(1),
                                           TKWL_RoundResults::RaceMode);
}
