#include "data/KWLSelectDrivers.h"

#include "common/AppInfo.h"
#include "common/MessageBoxes.h"
#include "data/ChampionshipDrivers.h"
#include "data/SharedQueries.h"
#include "widgets/RecordGrid.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {
constexpr int NameColumnWidth = 200;

QPushButton* AddButton(QWidget* owner, const QString& name, const QString& caption, const QString& hint)
{
    auto* button = new QPushButton(caption, owner);
    button->setObjectName(name);
    button->setToolTip(hint);
    // Enter must not move drivers or close the window behind the user's back.
    button->setAutoDefault(false);
    return button;
}

TRecordGrid* AddGrid(QGroupBox* group, QSqlDatabase db, const QString& sql, const QString& name, const QString& hint)
{
    auto* grid = new TRecordGrid(db, sql, 1, {QStringLiteral("Name")}, group);
    grid->setObjectName(name);
    grid->setToolTip(hint);
    grid->AllowSeveralRows();
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(grid);
    return grid;
}
}  // namespace

TFKWLSelectDrivers::TFKWLSelectDrivers(QSqlDatabase db, QWidget* parent)
    : TModalShell(QStringLiteral("Select Drivers"), parent), m_db(db)
{
    // No title-bar buttons: every move is written at once, so there is
    // nothing to cancel, and "Done" is the way out.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    resize(694, 571);

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("PanelTitle"));
    m_title->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_title->setAlignment(Qt::AlignCenter);
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPixelSize(16);
    m_title->setFont(titleFont);
    // A long name is cut rather than widening the window past its caller.
    m_title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_title->setMaximumWidth(593);
    m_title->setFixedHeight(41);

    auto* driversGroup = new QGroupBox(QStringLiteral("Drivers"), this);
    m_drivers = AddGrid(
        driversGroup, db, QStringLiteral(R"(SELECT DRVnr, "Driver Name" FROM "KWL_Drivers.DB" ORDER BY "Driver Name")"),
        QStringLiteral("GridDrivers"), QStringLiteral("All drivers; Ctrl- or Shift-click selects several"));
    auto* inGroup = new QGroupBox(QStringLiteral("Drivers in Championship"), this);
    m_championshipDrivers = AddGrid(inGroup, db, SharedQueries::Query1(), QStringLiteral("GridChampionshipDrivers"),
                                    QStringLiteral("The drivers of this championship"));
    connect(m_drivers, &QAbstractItemView::doubleClicked, this, [this] { ButtonAddClick(); });
    connect(m_championshipDrivers, &QAbstractItemView::doubleClicked, this, [this] { ButtonRemoveClick(); });

    QPushButton* add = AddButton(this, QStringLiteral("ButtonAdd"), QStringLiteral(">>"),
                                 QStringLiteral("Add the selected drivers to the championship"));
    QPushButton* remove = AddButton(this, QStringLiteral("ButtonRemove"), QStringLiteral("<<"),
                                    QStringLiteral("Remove the selected drivers from the championship"));
    QPushButton* done = AddButton(this, QStringLiteral("ButtonDone"), QStringLiteral("Done"),
                                  QStringLiteral("Close the driver selection"));
    connect(add, &QPushButton::clicked, this, [this] { ButtonAddClick(); });
    connect(remove, &QPushButton::clicked, this, [this] { ButtonRemoveClick(); });
    connect(done, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addSpacing(24);
    buttons->addWidget(done);
    buttons->addStretch();
    auto* lists = new QHBoxLayout;
    lists->addWidget(driversGroup, 1);
    lists->addLayout(buttons);
    lists->addWidget(inGroup, 1);
    auto* titleRow = new QHBoxLayout;
    titleRow->addStretch(1);
    titleRow->addWidget(m_title, 100);  // its full width whenever the window has it
    titleRow->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(titleRow);
    layout->addLayout(lists, 1);
}

QString TFKWLSelectDrivers::Title() const { return m_title->text(); }

void TFKWLSelectDrivers::OpenDriverSelection(const TWindowPlacement& placement, int csnr)
{
    TChampionshipDrivers championship(m_db, csnr);
    const auto name = championship.ChampionshipName();
    if (!name) {
        // A championship that has gone needs no words: the caller's list
        // shows what is stored.
        if (!championship.LastError().isEmpty())
            Messages::Error(championship.LastError(), {}, parentWidget());
        return;
    }
    m_csnr = csnr;
    PlaceOver(placement);
    m_title->setText(*name);
    RefreshChampionshipDrivers();
    m_drivers->setFocus();
    exec();
}

void TFKWLSelectDrivers::showEvent(QShowEvent* event)
{
    TModalShell::showEvent(event);
    if (!event->spontaneous())  // not when merely restored from minimised
        FormShow();
}

void TFKWLSelectDrivers::FormShow()
{
    setWindowTitle(Kobalap::SubCaption(QStringLiteral("Select Drivers")));
    // Reopened at every showing: drivers added since the last visit appear.
    QString error;
    if (!m_drivers->Reload({}, 0, error))
        Messages::Error(error, {}, this);
    m_drivers->SetColumnWidths({NameColumnWidth});
}

void TFKWLSelectDrivers::keyPressEvent(QKeyEvent* event)
{
    // Esc would cancel a dialog, but there is nothing to cancel here: every
    // move is already written, and "Done" is the one way out.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    TModalShell::keyPressEvent(event);
}

void TFKWLSelectDrivers::closeEvent(QCloseEvent* event)
{
    // The window manager's close (Alt+F4) is refused for the same reason.
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    TModalShell::closeEvent(event);
}

void TFKWLSelectDrivers::ButtonAddClick()
{
    TChampionshipDrivers championship(m_db, m_csnr);
    if (!championship.Add(m_drivers->SelectedKeys()))
        Messages::Error(championship.LastError(), {}, this);
    RefreshChampionshipDrivers();  // the left grid keeps its selection
}

void TFKWLSelectDrivers::ButtonRemoveClick()
{
    TChampionshipDrivers championship(m_db, m_csnr);
    if (!championship.Remove(m_championshipDrivers->SelectedKeys()))
        Messages::Error(championship.LastError(), {}, this);
    m_championshipDrivers->clearSelection();
    RefreshChampionshipDrivers();
}

void TFKWLSelectDrivers::RefreshChampionshipDrivers()
{
    QString error;
    if (!m_championshipDrivers->Reload({m_csnr}, 0, error))
        Messages::Error(error, {}, this);
    m_championshipDrivers->SetColumnWidths({NameColumnWidth});
}
