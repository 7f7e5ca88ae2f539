#pragma once

#include "common/WindowPlacement.h"

#include <QMainWindow>
#include <QMargins>
#include <QRect>
#include <memory>

struct TAppContext;
struct TAppWindows;
class QTabWidget;
class TInfoPage;
class TDriversPage;
class TSingleRacePage;
class TChampionshipPage;
class TSettingsPage;
class TSpectatorWindow;
class QPushButton;

// The home window: five pages (Info, Drivers, Single Race, Championship,
// Settings). Every sub-window opens over it with its state and bounds.
class TKWL_MainForm : public QMainWindow {
    Q_OBJECT
public:
    TKWL_MainForm(TAppContext& context, TAppWindows& windows);
    ~TKWL_MainForm() override;

    // The creation step: refuses to go on without the port driver, reads the
    // settings, takes the port at the "Port Address", switches the eight
    // output lines off and opens the race database. Returns -1 to go on, else
    // the exit code.
    int FormCreate();
    // The show step: stored state and bounds, caption, clock check; shows the window.
    void FormShow();

    // The client area: where a sub-window is laid to cover this window.
    TWindowPlacement Placement() const;
    // State and bounds as the settings store them: the whole window, frame
    // and title bar included; for a maximised or minimised window the bounds
    // it is restored to.
    TWindowPlacement StoredPlacement() const;
    // Puts the window to the state and bounds held in the settings, so that
    // storing them again gives the same numbers.
    void ApplyStoredPlacement();

    // Takes the port at the "Port Address" of the settings for the track; when
    // it cannot be reached there, says so (a warning, and on the Info page).
    // At start and whenever the address changes.
    void UsePortAddress();
    QString PortWarning() const { return m_portWarning; }

    QTabWidget* Pages() const { return m_pages; }
    TInfoPage* InfoPage() const { return m_info; }
    TDriversPage* DriversPage() const { return m_drivers; }
    TSingleRacePage* SingleRacePage() const { return m_singleRace; }
    TChampionshipPage* ChampionshipPage() const { return m_championship; }
    TSettingsPage* SettingsPage() const { return m_settings; }
    // Null until the spectator screen is first opened.
    TSpectatorWindow* SpectatorScreen() const { return m_spectator.get(); }

public slots:
    // Opens the spectator screen (or closes it: the button stays down while it is up).
    void ShowSpectatorScreen(bool show);

protected:
    bool event(QEvent* event) override;

private:
    void BuildPages();
    void BuildSpectatorButton();
    // The frame is known only once the window system has put the window up:
    // a placement made before is put right then, and the frame of the normal
    // window is kept for converting its normal bounds while maximised.
    void FollowFrame();

    TAppContext& m_context;
    TAppWindows& m_windows;
    QTabWidget* m_pages = nullptr;
    TInfoPage* m_info = nullptr;
    TDriversPage* m_drivers = nullptr;
    TSingleRacePage* m_singleRace = nullptr;
    TChampionshipPage* m_championship = nullptr;
    TSettingsPage* m_settings = nullptr;
    QString m_portWarning;
    QPushButton* m_spectatorButton = nullptr;
    std::unique_ptr<TSpectatorWindow> m_spectator;

    QMargins m_normalFrame;             // frame of the window in its normal state, as last seen
    QRect m_placedBounds;               // the stored bounds last applied ...
    QMargins m_placedFrame;             // ... assuming this frame
    bool m_placementUnsettled = false;  // the window system has not shown the real frame yet
};
