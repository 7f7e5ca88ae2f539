#include "app/KWLMainForm.h"

#include "app/AppContext.h"
#include "app/AppWindows.h"
#include "app/ChampionshipPage.h"
#include "app/DriversPage.h"
#include "app/InfoPage.h"
#include "app/SettingsPage.h"
#include "app/SingleRacePage.h"
#include "common/AppInfo.h"
#include "common/MessageBoxes.h"
#include "common/PlaceWindow.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QShortcut>
#include <QTabWidget>
#include <QUrl>

TKWL_MainForm::TKWL_MainForm(TAppContext& context, TAppWindows& windows) : m_context(context), m_windows(windows)
{
    setObjectName(QStringLiteral("KWL_MainForm"));
    setWindowTitle(QLatin1String(Kobalap::VersionCaption));
}

TKWL_MainForm::~TKWL_MainForm() = default;

int TKWL_MainForm::FormCreate()
{
    if (!m_context.port || !m_context.port->DriverReady()) {
        Messages::Error(QStringLiteral("Couldnt start I/O driver (zlportio.sys). Exit Program!"),
                        m_context.port ? m_context.port->ErrorText() : QString());
        return 1;
    }
    if (!ReadSettings(m_context.settings, m_context.masks, m_context.workingDirectory))
        Messages::Warning(QStringLiteral("Settings could not be read. Defaults loaded."));

    m_context.trackIo = std::make_unique<TTrackIo>(*m_context.port, m_context.settings, m_context.masks);
    for (int line = 1; line <= 8; ++line)
        m_context.trackIo->SetOutputLine(line, false);

    switch (m_context.store.Open(m_context.workingDirectory)) {
    case TKWLStore::Status::Failed:
        Messages::Error(m_context.store.ErrorText(), m_context.store.DetailText());
        return 2;
    case TKWLStore::Status::ReadOnly:
        Messages::Warning(QStringLiteral("The race database can only be read: changes can not be saved."),
                          m_context.store.FilePath());
        break;
    default:
        break;
    }
    BuildPages();
    return -1;
}

void TKWL_MainForm::BuildPages()
{
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl"));
    m_pages->setDocumentMode(true);
    m_pages->setStyleSheet(QStringLiteral("QTabBar::tab { min-width: 100px; padding: 4px 8px; }"));

    const QSqlDatabase db = m_context.store.Database();
    auto placement = [this] { return Placement(); };
    m_info = new TInfoPage(m_context.port->Description(), m_context.simulated, m_pages);
    m_drivers = new TDriversPage(db, m_windows, placement, m_pages);
    m_singleRace = new TSingleRacePage(m_context, m_windows, placement, m_pages);
    m_championship = new TChampionshipPage(db, m_windows, placement, m_pages);
    m_settings = new TSettingsPage(m_context, *this, m_pages);
    // The sound switches and the place/points fields are made here, not laid
    // out with the rest of the page.
    m_settings->BuildRuntimeControls();

    m_pages->addTab(m_info, QStringLiteral("Info"));
    m_pages->addTab(m_drivers, QStringLiteral("Drivers"));
    m_pages->addTab(m_singleRace, QStringLiteral("Single Race"));
    m_pages->addTab(m_championship, QStringLiteral("Championship"));
    m_pages->addTab(m_settings, QStringLiteral("Settings"));
    m_pages->setCurrentWidget(m_info);
    setCentralWidget(m_pages);

    m_drivers->Reload(0);
    m_championship->Reload(0);

    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, &TKWL_MainForm::ShowHelp);
}

void TKWL_MainForm::ShowHelp()
{
    const QString manual = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("help/index.html"));
    if (!QFileInfo::exists(manual) || !QDesktopServices::openUrl(QUrl::fromLocalFile(manual)))
        Messages::Information(QStringLiteral("The manual could not be opened: %1").arg(QDir::toNativeSeparators(manual)), this);
}

void TKWL_MainForm::FormShow()
{
    ApplyStoredPlacement();
    setWindowTitle(QLatin1String(Kobalap::VersionCaption));
    m_info->SetVersion(QLatin1String(Kobalap::VersionCaption));
    m_info->SetHighResClock(m_context.clock.CheckHighRes());
}

void TKWL_MainForm::ApplyStoredPlacement()
{
    const TSettings& s = m_context.settings;
    setWindowState(Qt::WindowNoState);
    move(s.WindowLeft, s.WindowTop);
    resize(s.WindowWidth, s.WindowHeight);
    if (s.WindowState == 2)
        showMaximized();
    else if (s.WindowState == 1)
        showMinimized();
    else
        showNormal();
}

TWindowPlacement TKWL_MainForm::StoredPlacement() const
{
    TWindowPlacement placement;
    placement.state = isMaximized() ? 2 : isMinimized() ? 1 : 0;
    // A maximised or minimised window keeps its normal bounds for when it is restored.
    const QRect normal = placement.state == 0 ? QRect(pos(), size()) : QRect(normalGeometry().topLeft(), normalGeometry().size());
    placement.left = normal.x();
    placement.top = normal.y();
    placement.width = normal.width();
    placement.height = normal.height();
    return placement;
}

TWindowPlacement TKWL_MainForm::Placement() const { return PlacementOf(*this); }
