#pragma once

#include "common/WindowPlacement.h"

#include <QMainWindow>

struct TAppContext;
struct TAppWindows;
class QTabWidget;
class TInfoPage;
class TDriversPage;
class TSingleRacePage;
class TChampionshipPage;
class TSettingsPage;

// The home window: five pages (Info, Drivers, Single Race, Championship,
// Settings). Every sub-window opens over it with its state and bounds.
class TKWL_MainForm : public QMainWindow {
    Q_OBJECT
public:
    TKWL_MainForm(TAppContext& context, TAppWindows& windows);
    ~TKWL_MainForm() override;

    // The creation step: refuses to go on without the port driver, reads the
    // settings, switches the eight output lines off and opens the race
    // database. Returns -1 to go on, else the exit code.
    int FormCreate();
    // The show step: stored state and bounds, caption, clock check; shows the window.
    void FormShow();

    // The client area: where a sub-window is laid to cover this window.
    TWindowPlacement Placement() const;
    // State, position and size as the settings store them (the position is
    // the frame's, as ApplyStoredPlacement sets it).
    TWindowPlacement StoredPlacement() const;
    // Puts the window to the state and bounds held in the settings.
    void ApplyStoredPlacement();

    QTabWidget* Pages() const { return m_pages; }
    TInfoPage* InfoPage() const { return m_info; }
    TDriversPage* DriversPage() const { return m_drivers; }
    TSingleRacePage* SingleRacePage() const { return m_singleRace; }
    TChampionshipPage* ChampionshipPage() const { return m_championship; }
    TSettingsPage* SettingsPage() const { return m_settings; }

public slots:
    // F1: the manual beside the program, in the system's browser.
    void ShowHelp();

private:
    void BuildPages();

    TAppContext& m_context;
    TAppWindows& m_windows;
    QTabWidget* m_pages = nullptr;
    TInfoPage* m_info = nullptr;
    TDriversPage* m_drivers = nullptr;
    TSingleRacePage* m_singleRace = nullptr;
    TChampionshipPage* m_championship = nullptr;
    TSettingsPage* m_settings = nullptr;
};
