#pragma once

#include <QStringList>
#include <memory>

struct TAppContext;
class TKWL_MainForm;
class TKWL_Timer;
class TFKWLStopLicht;
class TFKWLPauseRace;
class TFKWLSelectDrivers;
class TFCSChangeAdd;
class TFKWLHeats;
class TFRCChangeAdd;
class TFKWLResults;
class TFDRVAddChange;
class TFHTAddChange;
class TQuickReportResult;
class TQuickReportResultDetail;
class TFHTChangeResult;
class TKWL_RoundResults;
class TFKWLGenHeats;
class TRecordsWindow;
class TAnnouncer;

// Every window of the program, created once at start-up in a fixed order and
// kept until the program ends. The main window owns the others.
struct TAppWindows {
    // The race's voice, made before the windows (the Settings page sets it
    // up, the race window speaks through it) and gone after them.
    std::unique_ptr<TAnnouncer> Announcer;
    std::unique_ptr<TKWL_MainForm> MainForm;
    TKWL_Timer* Timer = nullptr;
    TFKWLStopLicht* StopLicht = nullptr;
    TFKWLPauseRace* PauseRace = nullptr;
    TFKWLSelectDrivers* SelectDrivers = nullptr;
    TFCSChangeAdd* ChampionshipDialog = nullptr;
    TFKWLHeats* Heats = nullptr;
    TFRCChangeAdd* RaceDialog = nullptr;
    TFKWLResults* Results = nullptr;
    TFDRVAddChange* DriverDialog = nullptr;
    TFHTAddChange* HeatDialog = nullptr;
    TQuickReportResult* ReportResult = nullptr;
    TQuickReportResultDetail* ReportResultDetail = nullptr;
    TFHTChangeResult* HeatResultDialog = nullptr;
    TKWL_RoundResults* RoundResults = nullptr;
    TFKWLGenHeats* GenerateHeats = nullptr;
    TRecordsWindow* Records = nullptr;

    // Class names in the order the windows were created.
    QStringList CreationOrder;

    TAppWindows();
    ~TAppWindows();
    TAppWindows(const TAppWindows&) = delete;
    TAppWindows& operator=(const TAppWindows&) = delete;
};

// The program's start, from the main window's creation step to its showing.
// Returns -1 when the main window is up and the event loop should run, or the
// exit code when the program must end (1: the port driver did not start;
// 2: the race database could not be opened).
int CreateWindowsAndShow(TAppContext& context, TAppWindows& windows);
