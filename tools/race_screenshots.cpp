// Takes pictures of the race windows as a race director sees them: the
// Single Race page, the start lights during the countdown, the race screen in
// the middle of a four-track race with a false start, the pause dialog, the
// result editor after a Timed race and the lap view; then a championship race:
// its driver selection, the heat generation chooser, the heats window after
// a heat was run, a heat added by hand, the result correction dialog, the
// standings, and the two printed reports as PDF files (15-Totals.pdf,
// 15-Details.pdf); last a Lap race of 30 laps with its lap view, the figures
// under the grid, and its lap chart. Beside them, the spectator screen at
// 1920 x 1080: the start lights, mid-race, the next heat and the standings.
// Then the rest of the program for the manual: the Info, Drivers,
// Championship and Settings pages (also its I/O and Audio sub-pages), the driver,
// championship and race dialogs, the print preview of the standings, and
// the Records window over a made-up season: its records and lane report.
// The races run on the simulated track in simulated time, so every run shows
// the same races.
//
//   race_screenshots <output folder> [--manual]
//
// With --manual every picture is scaled down to at most kManualWidth pixels
// wide, the size the manual shows them at, so the pictures it ships stay small.
//
// scripts/screenshots.sh builds it and runs it under Xvfb.
#include "app/AppContext.h"
#include "app/AppWindows.h"
#include "app/ChampionshipPage.h"
#include "app/DriversPage.h"
#include "app/KWLMainForm.h"
#include "app/SettingsPage.h"
#include "app/SingleRacePage.h"
#include "common/LapValue.h"
#include "common/Settings.h"
#include "data/RecordActions.h"
#include "hardware/SimulatedTrack.h"
#include "heats/KWLGenHeat.h"
#include "heats/KWLHeats.h"
#include "results/ExportDialog.h"
#include "results/KWLRoundResult.h"
#include "results/RecordsWindow.h"
#include "spectator/SpectatorWindow.h"
#include "timing/KWLStopLicht.h"
#include "timing/KWLTimer.h"

#include "support/EventWait.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <functional>

namespace {

QString g_folder;
int g_failures = 0;
constexpr int kManualWidth = 760;
bool g_forManual = false;
// The spectator screen as a 1080p TV on the wall shows it.
TSpectatorWindow* g_wall = nullptr;

void Shoot(QWidget* widget, const QString& name)
{
    QApplication::processEvents();
    const QString path = QDir(g_folder).filePath(name + QStringLiteral(".png"));
    QPixmap picture = widget ? widget->grab() : QPixmap();
    if (g_forManual && picture.width() > kManualWidth)
        picture = picture.scaledToWidth(kManualWidth, Qt::SmoothTransformation);
    if (picture.isNull() || !picture.save(path)) {
        std::fprintf(stderr, "could not take %s\n", qPrintable(name));
        ++g_failures;
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

// The next modal dialog that is not `current`, handed to `respond` from
// inside its own event loop.
void OnNextDialog(QWidget* current, const std::function<void(QDialog*)>& respond)
{
    auto* timer = new QTimer;
    timer->setInterval(1);
    QObject::connect(timer, &QTimer::timeout, [timer, current, respond] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog == current)
            return;
        timer->stop();
        timer->deleteLater();
        respond(dialog);
    });
    timer->start();
}

QPushButton* Button(QWidget* window, const char* name) { return window->findChild<QPushButton*>(QLatin1String(name)); }

void Fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    ++g_failures;
}

// The dialog that `open` brings up over `form`, then cancelled.
void ShootCancelled(QWidget& form, const std::function<void()>& open, const QString& name)
{
    OnNextDialog(&form, [name](QDialog* dialog) {
        Shoot(dialog, name);
        dialog->reject();
    });
    open();
}

// The pages of the main window that no race passes through.
void ShootPages(TAppWindows& windows)
{
    TKWL_MainForm& form = *windows.MainForm;
    QTabWidget* pages = form.Pages();
    pages->setCurrentIndex(0);
    Shoot(&form, QStringLiteral("22-info-page"));
    pages->setCurrentWidget(form.DriversPage());
    Shoot(&form, QStringLiteral("23-drivers-page"));
    ShootCancelled(
        form, [&] { form.DriversPage()->ButtonDriverAddClick(); }, QStringLiteral("24-driver-dialog"));
    TSettingsPage* settings = form.SettingsPage();
    pages->setCurrentWidget(settings);
    settings->SubPages()->setCurrentIndex(0);
    Shoot(&form, QStringLiteral("28-settings-page"));
    settings->SubPages()->setCurrentIndex(1);
    Shoot(&form, QStringLiteral("29-settings-io"));
    settings->SubPages()->setCurrentIndex(3);
    Shoot(&form, QStringLiteral("31-settings-audio"));
    settings->SubPages()->setCurrentIndex(0);
}

// A Lap championship of 10 laps with the four drivers: the driver
// selection, the chooser, and the heats window after heat 1 was run.
void ShootChampionship(TAppContext& context, TAppWindows& windows)
{
    TRecordActions actions(context.store.Database());
    const int csnr = actions.AddChampionship(QStringLiteral("Winter Cup"), 10, 3, false).value_or(0);
    actions.AddRace(csnr, QStringLiteral("Round 1 - Zandvoort"));
    TKWL_MainForm& form = *windows.MainForm;
    TChampionshipPage& page = *form.ChampionshipPage();
    form.Pages()->setCurrentWidget(&page);
    page.Reload(0);
    Shoot(&form, QStringLiteral("25-championship-page"));
    ShootCancelled(
        form, [&] { page.ButtonCSAddClick(); }, QStringLiteral("26-championship-dialog"));
    ShootCancelled(
        form, [&] { page.ButtonRCAddClick(); }, QStringLiteral("27-race-dialog"));

    OnNextDialog(&form, [&](QDialog* dialog) {
        auto* all = dialog->findChild<QAbstractItemView*>(QStringLiteral("GridDrivers"));
        all->selectAll();
        Button(dialog, "ButtonAdd")->click();
        all->clearSelection();
        Shoot(dialog, QStringLiteral("9-select-drivers"));
        Button(dialog, "ButtonDone")->click();
    });
    page.ButtonSelectDriversClick();

    TFKWLHeats* heats = windows.Heats;
    heats->SetSeedSource([] { return 4711u; });
    OnNextDialog(&form, [&](QDialog*) {
        OnNextDialog(heats, [&](QDialog* chooser) {
            Shoot(chooser, QStringLiteral("10-generate-heats"));
            static_cast<TFKWLGenHeats*>(chooser)->ImageMethodAClick();
        });
        Button(heats, "ButtonGenerateHeats")->click();
        OnNextDialog(heats, [&](QDialog* timer) {
            Button(timer, "ButtonStart")->click();
            QPushButton* ok = Button(timer, "ButtonOK");
            if (!WaitUntil([&] { return ok->isEnabled(); }, 120000))
                Fail("the heat did not end");
            OnNextDialog(timer, [&](QDialog* lapView) { Button(lapView, "ButtonOK")->click(); });
            ok->click();
        });
        Button(heats, "ButtonStartHeat")->click();
        Shoot(heats, QStringLiteral("11-heats"));
        Shoot(g_wall, QStringLiteral("20-spectator-next-heat"));

        // A heat by hand, and the result of heat 1 corrected.
        OnNextDialog(heats, [&](QDialog* dialog) {
            for (int t = 1; t <= 4; ++t)
                if (auto* name = dialog->findChild<QComboBox*>(QStringLiteral("ComboBoxDriverTrack%1").arg(t));
                    name && t != 3)
                    name->setCurrentIndex(t);
            if (auto* track3 = dialog->findChild<QCheckBox*>(QStringLiteral("CheckBox3")))
                track3->click();
            Shoot(dialog, QStringLiteral("12-add-heat"));
            Button(dialog, "ButtonCancel")->click();
        });
        Button(heats, "ButtonAddHT")->click();
        context.settings.EditResult = true;
        OnNextDialog(heats, [&](QDialog* dialog) {
            Shoot(dialog, QStringLiteral("13-change-heat-results"));
            Button(dialog, "ButtonCancel")->click();
        });
        Button(heats, "ButtonChangeHT")->click();
        Button(heats, "ButtonDone")->click();
    });
    page.ButtonGotoHeatsClick();

    OnNextDialog(&form, [&](QDialog* results) {
        Shoot(results, QStringLiteral("14-results"));
        Shoot(g_wall, QStringLiteral("21-spectator-standings"));
        // Both printed reports as PDF files beside the pictures.
        SetExportFileNameAnswer(
            [](const QString&, const QString& name) { return QDir(g_folder).filePath(QStringLiteral("15-") + name); });
        Button(results, "ButtonPdfTotals")->click();
        Button(results, "ButtonPdfDetails")->click();
        SetExportFileNameAnswer({});
        OnNextDialog(results, [&](QDialog* preview) {
            preview->resize(900, 700);
            Shoot(preview, QStringLiteral("30-report-preview"));
            preview->reject();
        });
        Button(results, "ButtonPrintTotals")->click();
        Button(results, "ButtonDone")->click();
    });
    page.ButtonShowResultsClick();
}

// A made-up season of four heats in which the four drivers each drive every
// track once, ten laps a heat, track 3 a little slower than the rest; then
// the Records window over it and the Winter Cup: its track records, its
// lane report and the first driver's profile.
void ShootRecords(TAppContext& context, TAppWindows& windows)
{
    QSqlDatabase db = context.store.Database();
    TRecordActions actions(db);
    const int csnr = actions.AddChampionship(QStringLiteral("Autumn Series"), 10, 3, false).value_or(0);
    actions.AddRace(csnr, QStringLiteral("Round 1 - Assen"));
    QSqlQuery race(db);
    race.prepare(QStringLiteral(R"(SELECT RCnr FROM "KWL_Race.DB" WHERE CSnr = ?)"));
    race.addBindValue(csnr);
    const int rcnr = race.exec() && race.next() ? race.value(0).toInt() : 0;
    const auto exec = [&](const QString& sql, const QVariantList& values) {
        QSqlQuery query(db);
        query.prepare(sql);
        for (const QVariant& value : values)
            query.addBindValue(value);
        if (!query.exec())
            Fail("a made-up lap was not stored");
    };
    constexpr int base[4] = {5480, 5510, 5530, 5560};  // the drivers' own pace, ms
    constexpr int trackOffset[4] = {0, -20, 110, 10};
    for (int heat = 1; heat <= 4; ++heat) {
        exec(QStringLiteral(R"(INSERT INTO "KWL_Heat.DB" VALUES (?, ?, ?, 1))"), {csnr, rcnr, heat});
        exec(QStringLiteral(R"(INSERT INTO "Kobalap_HeatStored" VALUES (?, ?, ?, ?))"),
             {csnr, rcnr, heat, qint64(1790000000000) + heat * 600000});
        for (int track = 1; track <= 4; ++track) {
            const int driver = (track - 1 + heat - 1) % 4;
            exec(QStringLiteral(R"(INSERT INTO "KWL_HeatDetail.DB" VALUES (?, ?, ?, ?, ?, 10, 0, 0))"),
                 {csnr, rcnr, heat, track, driver + 1});
            for (int lap = 1; lap <= 10; ++lap) {
                // Each driver has a track that suits him, so the records go round.
                const int favourite = driver == track - 1 ? 60 : 0;
                const int wobble = ((lap * 37 + driver * 53 + heat * 19) % 90) - 45;
                exec(QStringLiteral(R"(INSERT INTO "KWL_HeatDetailLaps.DB" VALUES (?, ?, ?, ?, ?, ?, 0))"),
                     {csnr, rcnr, heat, track, lap, base[driver] + trackOffset[track - 1] + wobble - favourite});
            }
        }
    }

    TKWL_MainForm& form = *windows.MainForm;
    TChampionshipPage& page = *form.ChampionshipPage();
    form.Pages()->setCurrentWidget(&page);
    page.Reload(0);
    OnNextDialog(&form, [&](QDialog*) {
        TRecordsWindow* records = windows.Records;
        Shoot(records, QStringLiteral("32-records"));
        records->Tabs()->setCurrentIndex(3);
        Shoot(records, QStringLiteral("33-lane-fairness"));
        records->Tabs()->setCurrentIndex(2);
        OnNextDialog(records, [](QDialog* profile) {
            Shoot(profile, QStringLiteral("34-driver-profile"));
            profile->accept();
        });
        Button(records, "ButtonProfile")->click();
        Button(records, "ButtonDone")->click();
    });
    Button(&page, "ButtonRecords")->click();
}

// A Lap race of 30 laps on the Single Race page, then its lap view with each
// driver's figures and the chart of every lap.
void ShootLapChart(TAppContext& context, TAppWindows& windows)
{
    TKWL_MainForm& form = *windows.MainForm;
    TSingleRacePage& page = *form.SingleRacePage();
    form.Pages()->setCurrentWidget(&page);
    context.settings.EditResult = false;
    for (int n = 1; n <= 4; ++n)
        page.DriverChoice(n)->setCurrentIndex(n);
    page.RaceType()->setCurrentText(QStringLiteral("Lap"));
    page.RaceLength()->setText(QStringLiteral("30"));
    TKWL_Timer* timer = windows.Timer;
    OnNextDialog(&form, [&](QDialog*) {
        QPushButton* ok = Button(timer, "ButtonOK");
        Button(timer, "ButtonStart")->click();
        if (!WaitUntil([&] { return ok->isEnabled(); }, 300000))
            Fail("the 30-lap race did not end");
        OnNextDialog(timer, [&](QDialog* lapView) {
            Shoot(lapView, QStringLiteral("16-lap-view-figures"));
            OnNextDialog(lapView, [&](QDialog* chart) {
                Shoot(chart, QStringLiteral("17-lap-chart"));
                Button(chart, "ButtonClose")->click();
            });
            Button(lapView, "ButtonChart")->click();
            Button(lapView, "ButtonOK")->click();
        });
        ok->click();
    });
    page.ButtonStartSingelRaceClick();
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc < 2 || (argc == 3 && std::strcmp(argv[2], "--manual") != 0) || argc > 3) {
        std::fprintf(stderr, "usage: race_screenshots <output folder> [--manual]\n");
        return 2;
    }
    g_folder = QString::fromLocal8Bit(argv[1]);
    g_forManual = argc == 3;
    QDir().mkpath(g_folder);
    QTemporaryDir work;

    TSimulatedClock raceClock;
    raceClock.SetStepPerReadUs(500);
    TSimulatedTrackConfig config;
    config.JumpStartProbability = 0.3;

    TAppContext context;
    context.workingDirectory = work.path();
    context.simulated = true;
    context.raceClock = &raceClock;
    {
        TSettings settings;
        TSensorMasks masks;
        WriteSettings(settings, masks, work.path());
    }
    context.port = std::make_unique<TSimulatedTrack>(raceClock, context.settings, context.masks, 7, config);
    context.port->Open();
    QDir::setCurrent(work.path());

    TAppWindows windows;
    if (CreateWindowsAndShow(context, windows) >= 0)
        return 1;
    TRecordActions(context.store.Database())
        .AddDrivers({QStringLiteral("Anna de Vries"), QStringLiteral("Bert Jansen"), QStringLiteral("Cees Bakker"),
                     QStringLiteral("Dirk Visser")});
    TSpectatorWindow wall(context.spectatorBoard);
    wall.resize(1920, 1080);
    g_wall = &wall;

    TKWL_MainForm& form = *windows.MainForm;
    TSingleRacePage& page = *form.SingleRacePage();
    form.Pages()->setCurrentWidget(&page);
    for (int n = 1; n <= 4; ++n)
        page.DriverChoice(n)->setCurrentIndex(n);
    page.RaceType()->setCurrentText(QStringLiteral("Timed"));
    page.RaceLength()->setText(QStringLiteral("2"));
    Shoot(&form, QStringLiteral("1-single-race-page"));

    TKWL_Timer* timer = windows.Timer;
    OnNextDialog(&form, [&](QDialog*) {
        const TTrackStates& tracks = timer->Tracks();
        QPushButton* start = Button(timer, "ButtonStart");
        Shoot(timer, QStringLiteral("2-race-screen-ready"));
        raceClock.SetStepPerReadUs(0);
        start->click();
        // The race clock stands still until the third lamp is lit, moved on
        // by hand a tenth of a second at a time, so the picture is that of
        // the countdown and not of whatever lamp it has reached meanwhile.
        TFKWLStopLicht* window = windows.StopLicht;
        if (WaitUntil([&] {
                if (window->isVisible() && window->LampLit(3))
                    return true;
                raceClock.AdvanceMs(100);
                return false;
            })) {
            Shoot(window, QStringLiteral("3-start-lights"));
            Shoot(g_wall, QStringLiteral("18-spectator-start-lights"));
        } else
            Fail("the start lights did not come up");
        raceClock.SetStepPerReadUs(500);
        if (!WaitUntil([&] { return LapsOf(tracks[0].Laps) >= 8; }))
            Fail("no laps on track 1");
        Shoot(timer, QStringLiteral("4-race-screen-mid-race"));
        Shoot(g_wall, QStringLiteral("19-spectator-mid-race"));

        QPushButton* pause = Button(timer, "ButtonPause");
        OnNextDialog(timer, [&](QDialog* dialog) {
            // The dialog opens at once; its edits wait for the race to halt.
            WaitUntil([&] { return Button(dialog, "ButtonOK")->isEnabled(); });
            Button(dialog, "ButtonPlus2")->click();
            Shoot(dialog, QStringLiteral("5-pause-race"));
            Button(dialog, "ButtonCancel")->click();
        });
        pause->click();

        QPushButton* edit = Button(timer, "ButtonEditResult");
        if (!WaitUntil([&] { return start->isEnabled() && edit->isEnabled(); }, 120000))
            Fail("the race did not end");
        OnNextDialog(timer, [&](QDialog* dialog) {
            if (auto* sections = dialog->findChild<QLineEdit*>(QStringLiteral("EditSections1")))
                sections->setText(QStringLiteral("45"));
            Shoot(dialog, QStringLiteral("6-edit-results"));
            Button(dialog, "ButtonOK")->click();
        });
        edit->click();
        Shoot(timer, QStringLiteral("7-race-screen-finished"));
        OnNextDialog(timer, [&](QDialog* dialog) {
            Shoot(dialog, QStringLiteral("8-lap-view"));
            Button(dialog, "ButtonOK")->click();
        });
        Button(timer, "ButtonOK")->click();
    });
    page.ButtonStartSingelRaceClick();

    ShootPages(windows);
    ShootChampionship(context, windows);
    ShootRecords(context, windows);
    ShootLapChart(context, windows);
    return g_failures == 0 ? 0 : 1;
}
