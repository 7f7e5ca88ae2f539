#include "app/DriversPage.h"

#include "app/AppWindows.h"
#include "common/MessageBoxes.h"
#include "data/KWLDriverChangeAdd.h"
#include "data/RecordActions.h"
#include "widgets/PageButtons.h"
#include "widgets/RecordGrid.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

TDriversPage::TDriversPage(QSqlDatabase db, TAppWindows& windows, std::function<TWindowPlacement()>, QWidget* parent)
    : QWidget(parent), m_db(db), m_windows(windows)
{
    auto* group = new QGroupBox(QStringLiteral("Drivers"), this);
    m_grid = new TRecordGrid(
        db, QStringLiteral(R"(SELECT DRVnr, "Driver Name" FROM "KWL_Drivers.DB" ORDER BY "Driver Name")"), 1,
        {QStringLiteral("Name")}, group);
    m_grid->setObjectName(QStringLiteral("DriversGrid"));

    TPageButtons buttons(this, m_grid);
    auto* row = new QHBoxLayout;
    row->addWidget(buttons.Add(QStringLiteral("ButtonDriverAdd"), QStringLiteral("Add"),
                               QStringLiteral("Add a driver to the drivers database"),
                               [this] { ButtonDriverAddClick(); }));
    row->addWidget(buttons.Add(QStringLiteral("ButtonDriverChange"), QStringLiteral("Change"),
                               QStringLiteral("Change the name of the selected driver"),
                               [this] { ButtonDriverChangeClick(); }));
    row->addWidget(buttons.Add(QStringLiteral("ButtonDriverDelete"), QStringLiteral("Delete"),
                               QStringLiteral("Delete the selected driver"), [this] { ButtonDriverDeleteClick(); }));
    row->addStretch();

    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_grid);
    groupLayout->addLayout(row);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch();
    group->setFixedWidth(260);
}

void TDriversPage::Reload(int row)
{
    QString error;
    if (!m_grid->Reload({}, row, error))
        Messages::Error(error, {}, this);
    m_grid->SetColumnWidths({190});
}

void TDriversPage::ButtonDriverAddClick()
{
    TRecordActions actions(m_db);
    const auto count = actions.DriverCount();
    if (!count)
        return Messages::Error(actions.LastError(), {}, this);
    if (*count >= TRecordActions::MaxDrivers)
        return Messages::Information(QStringLiteral("Maximum drivers reached!"), this);
    if (m_windows.DriverDialog->Execute(TRecordMode::Add))
        Reload(0);
}

void TDriversPage::ButtonDriverChangeClick()
{
    if (!m_grid->HasRow())
        return;
    if (m_windows.DriverDialog->Execute(TRecordMode::Change, m_grid->Key()))
        Reload(0);
}

void TDriversPage::ButtonDriverDeleteClick()
{
    if (!m_grid->HasRow())
        return;
    const int drvnr = m_grid->Key();
    TRecordActions actions(m_db);
    const auto inChampionship = actions.DriverInChampionship(drvnr);
    if (!inChampionship)
        return Messages::Error(actions.LastError(), {}, this);
    if (*inChampionship)
        return Messages::Information(QStringLiteral("Can not be deleted. Driver linked to Championship."), this);
    const auto inHeat = actions.DriverInHeat(drvnr);
    if (!inHeat)
        return Messages::Error(actions.LastError(), {}, this);
    if (*inHeat)
        return Messages::Information(QStringLiteral("Can not be deleted. Driver linked to Heat."), this);
    if (!Messages::Confirm(QStringLiteral("Delete Record?"), this))
        return;
    const int row = m_grid->CurrentRow();
    if (!actions.DeleteDriver(drvnr))
        Messages::Error(actions.LastError(), {}, this);
    Reload(row);  // the view stands on the row that followed
}
