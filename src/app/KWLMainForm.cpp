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
#include "spectator/SpectatorWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QWindow>

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
    QString settingsProblem;
    if (!ReadSettings(m_context.settings, m_context.masks, m_context.workingDirectory, &settingsProblem))
        Messages::Warning(QStringLiteral("Settings could not be read. Defaults loaded."), settingsProblem);

    m_context.trackIo = std::make_unique<TTrackIo>(*m_context.port, m_context.settings, m_context.masks);
    UsePortAddress();
    m_context.trackIo->SwitchAllOff();

    switch (m_context.store.Open(m_context.workingDirectory)) {
    case TKWLStore::Status::Failed:
        Messages::Error(m_context.store.ErrorText(), m_context.store.DetailText());
        return 2;
    case TKWLStore::Status::ReadOnly: {
        // Results can still be looked at, printed and exported; the warning
        // says why nothing can be saved.
        const TKWLStore& store = m_context.store;
        const QString detail = QDir::toNativeSeparators(store.FilePath()) +
                               (store.DetailText().isEmpty() ? QString() : QStringLiteral("\n") + store.DetailText());
        switch (store.Cause()) {
        case TKWLStore::ReadOnlyCause::Locked:
            Messages::Warning(QStringLiteral("The race database is locked by another program: it is opened for "
                                             "reading only, changes can not be saved."),
                              detail);
            break;
        case TKWLStore::ReadOnlyCause::DiskFull:
            Messages::Warning(QStringLiteral("The disk of the race database is full: it is opened for reading only, "
                                             "changes can not be saved."),
                              detail);
            break;
        default:
            Messages::Warning(QStringLiteral("The race database can only be read: changes can not be saved."), detail);
            break;
        }
        break;
    }
    default: break;
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
    m_info->SetTrackInterface(m_context.port->Description(), m_portWarning);
    m_drivers = new TDriversPage(db, m_windows, placement, m_pages);
    m_singleRace = new TSingleRacePage(m_context, m_windows, placement, m_pages);
    m_championship = new TChampionshipPage(db, m_windows, placement, m_pages);
    m_settings = new TSettingsPage(m_context, m_windows, *this, m_pages);
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
    BuildSpectatorButton();

    m_drivers->Reload(0);
    m_championship->Reload(0);
}

void TKWL_MainForm::BuildSpectatorButton()
{
    // Beside the page tabs, where it moves nothing of the pages themselves.
    m_spectatorButton = new QPushButton(QStringLiteral("Spectator Screen"), m_pages);
    m_spectatorButton->setObjectName(QStringLiteral("ButtonSpectatorScreen"));
    m_spectatorButton->setCheckable(true);
    m_spectatorButton->setFocusPolicy(Qt::NoFocus);
    m_spectatorButton->setToolTip(
        QStringLiteral("Shows the race to the drivers and the public: full screen on a second "
                       "monitor, or in a window of its own. Double-click it to close it."));
    m_pages->setCornerWidget(m_spectatorButton, Qt::TopRightCorner);
    connect(m_spectatorButton, &QPushButton::toggled, this, &TKWL_MainForm::ShowSpectatorScreen);
}

void TKWL_MainForm::ShowSpectatorScreen(bool show)
{
    if (!show) {
        if (m_spectator)
            m_spectator->close();
        return;
    }
    if (!m_spectator) {
        m_spectator = std::make_unique<TSpectatorWindow>(m_context.spectatorBoard);
        connect(m_spectator.get(), &TSpectatorWindow::Closed, m_spectatorButton,
                [this] { m_spectatorButton->setChecked(false); });
    }
    m_spectator->ShowBeside(*this);
}

void TKWL_MainForm::FormShow()
{
    ApplyStoredPlacement();
    setWindowTitle(QLatin1String(Kobalap::VersionCaption));
    m_info->SetVersion(QLatin1String(Kobalap::VersionCaption));
    m_info->SetHighResClock(m_context.clock.CheckHighRes());
}

void TKWL_MainForm::UsePortAddress()
{
    m_portWarning = m_context.port->UseBase(uint32_t(m_context.settings.PortAddress));
    if (m_info)
        m_info->SetTrackInterface(m_context.port->Description(), m_portWarning);
    // The program goes on: the address can be put right on the Settings page.
    if (!m_portWarning.isEmpty())
        Messages::Warning(m_portWarning, {}, isVisible() ? this : nullptr);
}

void TKWL_MainForm::ApplyStoredPlacement()
{
    const TSettings& s = m_context.settings;
    // Back to normal first, so that the frame below is the normal one.
    setWindowState(Qt::WindowNoState);
    m_placedBounds = QRect(s.WindowLeft, s.WindowTop, s.WindowWidth, s.WindowHeight);
    m_placedFrame = m_normalFrame;
    m_placementUnsettled = true;
    // Qt places the client area; the stored bounds are the whole window's.
    setGeometry(m_placedBounds.marginsRemoved(m_placedFrame));
    if (s.WindowState == 2)
        showMaximized();
    else if (s.WindowState == 1)
        showMinimized();
    else
        showNormal();
}

bool TKWL_MainForm::event(QEvent* event)
{
    const bool handled = QMainWindow::event(event);
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowStateChange: FollowFrame(); break;
    default: break;
    }
    return handled;
}

void TKWL_MainForm::FollowFrame()
{
    if (!isVisible() || !windowHandle() ||
        (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)))
        return;
    const QMargins frame = windowHandle()->frameMargins();
    m_normalFrame = frame;
    if (m_placementUnsettled && frame != m_placedFrame) {
        m_placedFrame = frame;
        setGeometry(m_placedBounds.marginsRemoved(frame));
    }
    // A window system that draws no frame never reports one: the placement
    // then stays open to a late frame, which changes nothing until one comes.
    if (!frame.isNull())
        m_placementUnsettled = false;
}

TWindowPlacement TKWL_MainForm::StoredPlacement() const
{
    TWindowPlacement placement;
    placement.state = isMaximized() ? 2 : isMinimized() ? 1 : 0;
    // A maximised or minimised window keeps its normal client area for when
    // it is restored; its frame is the one it had while normal.
    const QRect bounds = placement.state == 0 ? frameGeometry() : normalGeometry().marginsAdded(m_normalFrame);
    placement.left = bounds.x();
    placement.top = bounds.y();
    placement.width = bounds.width();
    placement.height = bounds.height();
    return placement;
}

TWindowPlacement TKWL_MainForm::Placement() const { return PlacementOf(*this); }
