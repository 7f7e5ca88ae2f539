#include "app/AppWindows.h"

#include "app/AppContext.h"
#include "app/KWLMainForm.h"
#include "app/RaceRecovery.h"
#include "common/HelpKey.h"
#include "data/KWLCSChangeAdd.h"
#include "data/KWLDriverChangeAdd.h"
#include "data/KWLRCChangeAdd.h"
#include "data/KWLSelectDrivers.h"
#include "heats/KWLGenHeat.h"
#include "heats/KWLHTChangeAdd.h"
#include "heats/KWLHTChangeResult.h"
#include "heats/KWLHeats.h"
#include "heats/KeptHeatsAtStart.h"
#include "results/KWLQReport.h"
#include "results/KWLQReportDetail.h"
#include "results/KWLResults.h"
#include "results/KWLRoundResult.h"
#include "results/RecordsWindow.h"
#include "timing/KWLPauseRace.h"
#include "timing/KWLStopLicht.h"
#include "timing/KWLTimer.h"
#include "timing/RaceJournalFile.h"
#include "voice/Announcer.h"
#include "voice/SpokenNames.h"
#include "voice/TextToSpeechSpeaker.h"

#include <QApplication>

#include <utility>

TAppWindows::TAppWindows() = default;
TAppWindows::~TAppWindows() = default;

namespace {
template <typename T, typename... Args>
T* Make(TAppWindows& windows, const char* className, Args&&... args)
{
    windows.CreationOrder << QLatin1String(className);
    return new T(std::forward<Args>(args)..., windows.MainForm.get());
}
}  // namespace

int CreateWindowsAndShow(TAppContext& context, TAppWindows& windows)
{
    windows.Announcer = std::make_unique<TAnnouncer>(context.RaceClock(), std::make_unique<TTextToSpeechSpeaker>());
    windows.Announcer->SetChoice(ReadAnnouncementChoice(context.workingDirectory));
    windows.Announcer->SetNameSource([&context](const QMap<int32_t, QString>& byNumber) {
        return SpokenFormsByName(context.store.Database(), byNumber);
    });
    windows.MainForm = std::make_unique<TKWL_MainForm>(context, windows);
    windows.CreationOrder << QStringLiteral("TKWL_MainForm");
    // F1 in any window, also in tests that start the program this way.
    QApplication::instance()->installEventFilter(new THelpKey(windows.MainForm.get()));
    const int exitCode = windows.MainForm->FormCreate();
    if (exitCode >= 0)
        return exitCode;

    windows.Timer = Make<TKWL_Timer>(windows, "TKWL_Timer", context.RaceClock(), *context.trackIo, context.settings,
                                     context.workingDirectory);
    windows.Timer->SetSpectatorBoard(&context.spectatorBoard);
    windows.Timer->SetAnnouncer(windows.Announcer.get());
    windows.StopLicht = Make<TFKWLStopLicht>(windows, "TFKWLStopLicht");
    windows.PauseRace = Make<TFKWLPauseRace>(windows, "TFKWLPauseRace", context.settings);
    windows.SelectDrivers = Make<TFKWLSelectDrivers>(windows, "TFKWLSelectDrivers", context.store.Database());
    windows.ChampionshipDialog = Make<TFCSChangeAdd>(windows, "TFCSChangeAdd", context.store.Database());
    windows.Heats = Make<TFKWLHeats>(windows, "TFKWLHeats", context, windows);
    windows.RaceDialog = Make<TFRCChangeAdd>(windows, "TFRCChangeAdd", context.store.Database());
    windows.Results = Make<TFKWLResults>(windows, "TFKWLResults", context, windows);
    windows.DriverDialog = Make<TFDRVAddChange>(windows, "TFDRVAddChange", context.store.Database());
    windows.HeatDialog = Make<TFHTAddChange>(windows, "TFHTAddChange", context.store.Database(), context.settings);
    windows.ReportResult =
        Make<TQuickReportResult>(windows, "TQuickReportResult", context.store.Database(), context.settings);
    windows.ReportResultDetail =
        Make<TQuickReportResultDetail>(windows, "TQuickReportResultDetail", context.store.Database(), context.settings);
    windows.HeatResultDialog =
        Make<TFHTChangeResult>(windows, "TFHTChangeResult", context.store.Database(), context.settings);
    windows.RoundResults =
        Make<TKWL_RoundResults>(windows, "TKWL_RoundResults", context.store.Database(), context.settings);
    windows.RoundResults->SetWorkingDirectory(context.workingDirectory);
    windows.GenerateHeats = Make<TFKWLGenHeats>(windows, "TFKWLGenHeats");
    windows.Records = Make<TRecordsWindow>(windows, "TRecordsWindow", context);

    windows.Timer->SetRaceWindows(*windows.StopLicht, *windows.PauseRace);
    windows.Timer->SetJournalFile(RaceJournalFile::PathIn(context.workingDirectory));

    // A race a crash interrupted is the first thing said; what is done with
    // it waits for the main window, which its windows open over.
    TRaceRecovery recovery(context, windows);
    recovery.AskAboutInterruptedRace();
    windows.MainForm->FormShow();
    // Results an earlier run could not store are stored before anything new
    // is raced, over the main window so the race director reads what became of them.
    StoreKeptHeatResults(context.store, context.workingDirectory, windows.MainForm.get());
    recovery.TakeUpInterruptedRace();
    return -1;
}
