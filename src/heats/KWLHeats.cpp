#include "heats/KWLHeats.h"

#include "app/AppContext.h"
#include "app/AppWindows.h"
#include "common/MessageBoxes.h"
#include "heats/GenerationMethod.h"
#include "heats/KWLGenHeat.h"
#include "heats/KWLHTChangeAdd.h"
#include "heats/KWLHTChangeResult.h"
#include "heats/KeptHeatResults.h"
#include "results/KWLRoundResult.h"
#include "results/LiveRecords.h"
#include "results/RecordsChoice.h"
#include "timing/KWLTimer.h"
#include "timing/RaceJournalReplay.h"
#include "timing/RaceRules.h"
#include "widgets/NoDefaultButtons.h"
#include "widgets/PageButtons.h"
#include "widgets/RecordGrid.h"
#include "widgets/TextGrid.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

namespace {

QPushButton* BoldButton(QPushButton* button)
{
    QFont font = button->font();
    font.setBold(true);
    button->setFont(font);
    return button;
}

}  // namespace

TFKWLHeats::TFKWLHeats(TAppContext& context, TAppWindows& windows, QWidget* parent)
    : TModalShell(QStringLiteral("Heats"), parent), m_context(context), m_windows(windows)
{
    setObjectName(QStringLiteral("FKWLHeats"));
    // Only "Done" leaves the window: no buttons in the title bar.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    m_seed = [] { return MillisecondsSinceUtcMidnight(QDateTime::currentDateTimeUtc()); };

    QFont titleFont = font();
    titleFont.setPointSize(16);
    m_title = MakeTitlePanel(titleFont, this);

    auto* heatsGroup = new QGroupBox(QStringLiteral("Heats"), this);
    m_heats = new TRecordGrid(
        context.store.Database(),
        QStringLiteral(R"(SELECT HTnr, HTnr, CASE WHEN Finished THEN 'Yes' ELSE 'No' END FROM "KWL_Heat.DB" )"
                       R"(WHERE CSnr = ? AND RCnr = ? ORDER BY HTnr)"),
        1, {QStringLiteral("Heat"), QStringLiteral("Finished")}, heatsGroup);
    m_heats->setObjectName(QStringLiteral("HeatGrid"));
    connect(m_heats, &TRecordGrid::CurrentRowChanged, this, &TFKWLHeats::KWL_HeatTableAfterScroll);
    connect(m_heats, &QAbstractItemView::doubleClicked, this, &TFKWLHeats::StartHeat1Click);

    TPageButtons heatButtons(this, m_heats);
    auto* heatButtonGrid = new QGridLayout;
    heatButtonGrid->addWidget(
        heatButtons.Add(QStringLiteral("ButtonAddHT"), QStringLiteral("Add"),
                        QStringLiteral("Put drivers on the tracks for a new heat"), [this] { AddRecordHTClick(); }),
        0, 0);
    heatButtonGrid->addWidget(heatButtons.Add(QStringLiteral("ButtonChangeHT"), QStringLiteral("Change"),
                                              QStringLiteral("Change the drivers, or the result, of the selected heat"),
                                              [this] { ChangeRecordHTClick(); }),
                              0, 1);
    heatButtonGrid->addWidget(
        heatButtons.Add(QStringLiteral("ButtonDeleteHT"), QStringLiteral("Delete"),
                        QStringLiteral("Delete the selected heat"), [this] { DeleteRecordHTClick(); }),
        1, 0);
    heatButtonGrid->addWidget(BoldButton(heatButtons.Add(
                                  QStringLiteral("ButtonStartHeat"), QStringLiteral("Start Heat"),
                                  QStringLiteral("Run the selected heat on the track"), [this] { StartHeat1Click(); })),
                              2, 0);
    heatButtonGrid->addWidget(
        BoldButton(heatButtons.Add(QStringLiteral("ButtonShowLaps"), QStringLiteral("Show Laps"),
                                   QStringLiteral("Lap times of the selected heat"), [this] { ShowLaps1Click(); })),
        2, 1);
    // The heat list needs little room; the results beside it need it all.
    heatsGroup->setMaximumWidth(210);
    auto* heatsLayout = new QVBoxLayout(heatsGroup);
    heatsLayout->addWidget(m_heats);
    heatsLayout->addLayout(heatButtonGrid);

    auto* infoGroup = new QGroupBox(QStringLiteral("Heat Info"), this);
    m_heatInfo = MakeTextGrid(QStringLiteral("HeatInfoGrid"),
                              {QStringLiteral("Track"), QStringLiteral("Driver"), QStringLiteral("Laps"),
                               QStringLiteral("Time"), QStringLiteral("TopLapTime")},
                              {42, 110, 60, 80}, infoGroup);
    auto* infoLayout = new QVBoxLayout(infoGroup);
    infoLayout->addWidget(m_heatInfo);

    auto* rightButtons = new QVBoxLayout;
    TPageButtons raceButtons(this, this);
    setContextMenuPolicy(Qt::NoContextMenu);
    rightButtons->addWidget(BoldButton(raceButtons.Add(
        QStringLiteral("ButtonGenerateHeats"), QStringLiteral("Generate Heats"),
        QStringLiteral("Draw heats from the championship's drivers"), [this] { ButtonGenerateHeatsClick(); }, false)));
    rightButtons->addWidget(BoldButton(raceButtons.Add(
        QStringLiteral("ButtonDeleteHeats"), QStringLiteral("Delete All Heats"),
        QStringLiteral("Delete every heat of this race"), [this] { ButtonDeleteHeatsClick(); }, false)));
    rightButtons->addStretch();
    rightButtons->addWidget(BoldButton(raceButtons.Add(
        QStringLiteral("ButtonDone"), QStringLiteral("Done"), QStringLiteral("Back to the championships"),
        [this] { Button1Click(); }, false)));

    auto* driverGroup = new QGroupBox(QStringLiteral("Driver Info"), this);
    m_driverInfo = MakeTextGrid(QStringLiteral("DriverInfoGrid"),
                                {QStringLiteral("Driver"), QStringLiteral("Track"), QStringLiteral("Heat"),
                                 QStringLiteral("Laps"), QStringLiteral("Time"), QStringLiteral("TopLapTime")},
                                {170, 50, 50, 80, 100}, driverGroup);
    auto* driverLayout = new QVBoxLayout(driverGroup);
    driverLayout->addWidget(m_driverInfo);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_title, 0, 0, 1, 3);
    layout->addWidget(heatsGroup, 1, 0);
    layout->addWidget(infoGroup, 1, 1);
    layout->addLayout(rightButtons, 1, 2);
    layout->addWidget(driverGroup, 2, 0, 1, 3);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(1, 3);
    layout->setRowStretch(2, 2);
    // Enter has no action here: a double click starts a heat.
    TakeDefaultFromButtons(*this);
}

THeatStore TFKWLHeats::Store() const { return THeatStore(m_context.store.Database(), m_csnr, m_rcnr); }

QString TFKWLHeats::Title() const { return m_title->text(); }

void TFKWLHeats::OpenHeats(const TWindowPlacement& placement, int csnr, int rcnr)
{
    m_placement = placement;
    m_csnr = csnr;
    m_rcnr = rcnr;
    PlaceFixedOver(placement);

    THeatStore store = Store();
    const auto championship = store.Championship();
    const auto race = championship ? store.RaceName() : std::nullopt;
    if (!championship || !race)
        return StoreError(store.LastError());
    m_title->setText(championship->Name + QStringLiteral(" - ") + *race);

    ShowFirstHeat();
    if (m_recovered)
        QMetaObject::invokeMethod(this, &TFKWLHeats::RunRecoveredHeat, Qt::QueuedConnection);
    exec();
}

void TFKWLHeats::OpenRecoveredHeat(const TWindowPlacement& placement, TRecoveredRace& race, bool resume)
{
    m_recovered = &race;
    m_resumeRecovered = resume;
    OpenHeats(placement, race.Race.Origin.CSnr, race.Race.Origin.RCnr);
    m_recovered = nullptr;
}

void TFKWLHeats::RunRecoveredHeat()
{
    if (!m_recovered)
        return;
    TRecoveredRace& race = *m_recovered;
    m_recovered = nullptr;
    const int32_t htnr = race.Race.Origin.HTnr;
    THeatStore store = Store();
    const auto championship = store.Championship();
    if (!championship)
        return StoreError(store.LastError());
    // The recovered heat is the one selected, as if it had been started from here.
    const int row = std::max(m_heats->RowOfKey(htnr), 0);
    m_heats->SelectRow(row);

    if (!m_resumeRecovered) {
        FinishRecoveredRace(race, m_context.settings);
        return HeatRunAccepted(htnr, row, *championship, *race.Tracks);
    }
    m_windows.Timer->SetRaceOrigin(race.Race.Origin);
    WatchRecords(htnr);
    m_context.spectatorBoard.SetRaceTitle(QStringLiteral("%1, Heat %2").arg(m_title->text()).arg(htnr));
    const bool ran = m_windows.Timer->ResumeRace(race, m_placement);
    m_context.spectatorBoard.SetRaceTitle({});
    if (!ran)
        return AnnounceNextHeat();
    HeatRunAccepted(htnr, row, *championship, m_windows.Timer->Tracks());
}

void TFKWLHeats::WatchRecords(int32_t htnr)
{
    THeatStore store = Store();
    const std::optional<THeatLineup> lineup = store.Lineup(htnr);
    QString error;
    const std::optional<TLapsToBeat> toBeat =
        lineup ? ReadLapsToBeat(m_context.store.Database(), m_csnr, m_rcnr, htnr, lineup->DRVnr,
                                ReadMinimumLapMs(m_context.workingDirectory), error)
               : std::nullopt;
    // Records are a bonus: a read that fails leaves them unwatched rather
    // than keep the heat from starting (a store in trouble says so when the
    // result is stored).
    m_windows.Timer->SetLapsToBeat(toBeat.value_or(TLapsToBeat{}));
}

void TFKWLHeats::keyPressEvent(QKeyEvent* event)
{
    // Esc would leave the window without "Done".
    if (event->key() == Qt::Key_Escape)
        return event->accept();
    TModalShell::keyPressEvent(event);
}

void TFKWLHeats::closeEvent(QCloseEvent* event)
{
    // The window manager's close (Alt+F4) would leave without "Done" too.
    if (event->spontaneous())
        return event->ignore();
    TModalShell::closeEvent(event);
}

void TFKWLHeats::Button1Click() { accept(); }

bool TFKWLHeats::HasHeat() const { return m_heats->HasRow(); }

bool TFKWLHeats::SelectedHeatFinished() const { return m_heats->Text(1) == QLatin1String("Yes"); }

void TFKWLHeats::StoreError(const QString& error) { Messages::Error(error, {}, this); }

bool TFKWLHeats::ReloadHeats(int row)
{
    QString error;
    if (!m_heats->Reload({m_csnr, m_rcnr}, row, error)) {
        StoreError(error);
        return false;
    }
    m_heats->SetColumnWidths({45, 70});
    AnnounceNextHeat();
    return true;
}

void TFKWLHeats::AnnounceNextHeat()
{
    // Between heats the spectators see who is up next. A store that cannot
    // say leaves them what they had: this is for the audience, and the
    // director hears about the store from the window's own reads.
    THeatStore store = Store();
    const auto next = store.NextUnfinishedHeat();
    const auto lineup = next && *next != 0 ? store.Lineup(*next) : std::nullopt;
    if (!lineup)
        return;
    TNextHeatView heat;
    heat.Title = m_title->text();
    heat.Heat = *next;
    heat.TrackCount = TimedTrackCount(m_context.settings);
    heat.Names = lineup->Names;
    m_context.spectatorBoard.ShowNextHeat(heat);
}

void TFKWLHeats::KWL_HeatTableAfterScroll()
{
    if (m_detailRefreshEnabled)
        RefreshHeatInfo();
}

void TFKWLHeats::ShowFirstHeat()
{
    m_detailRefreshEnabled = true;
    if (ReloadHeats(0))
        RefreshDriverInfo();
}

void TFKWLHeats::RefreshHeatInfo()
{
    THeatStore store = Store();
    const auto rows = store.HeatInfo(m_heats->Key(0), m_context.settings.SectionsPerLap);
    if (!rows)
        return StoreError(store.LastError());
    FillGrid(m_heatInfo, *rows, false);
}

void TFKWLHeats::RefreshDriverInfo()
{
    THeatStore store = Store();
    const auto rows = store.DriverInfo(m_context.settings.SectionsPerLap);
    if (!rows)
        return StoreError(store.LastError());
    FillGrid(m_driverInfo, *rows, true);
}

void TFKWLHeats::FillGrid(QTableWidget* grid, const std::vector<THeatInfoRow>& rows, bool perDriver)
{
    grid->setUpdatesEnabled(false);
    grid->clearContents();
    grid->setRowCount(int(rows.size()));
    for (int r = 0; r < int(rows.size()); ++r) {
        const THeatInfoRow& row = rows[size_t(r)];
        const QStringList texts =
            perDriver ? QStringList{row.Driver,
                                    QString::number(row.Tracknr),
                                    QString::number(row.Heat),
                                    row.Laps,
                                    row.Time,
                                    row.TopLapTime}
                      : QStringList{QString::number(row.Tracknr), row.Driver, row.Laps, row.Time, row.TopLapTime};
        for (int c = 0; c < texts.size(); ++c)
            grid->setItem(r, c, new QTableWidgetItem(texts.at(c)));
    }
    FitColumnsToTexts(grid);
    grid->setUpdatesEnabled(true);
}

void TFKWLHeats::ButtonGenerateHeatsClick()
{
    const TGenerationMethod method = m_windows.GenerateHeats->Choose();
    if (method == TGenerationMethod::None)
        return;

    m_detailRefreshEnabled = false;
    THeatStore store = Store();
    const auto drivers = store.ChampionshipDrivers();
    const auto last = drivers ? store.LastHeatNumber() : std::nullopt;
    if (drivers && last) {
        const int tracks = TimedTrackCount(m_context.settings);
        TDriverPool pool;
        pool.LoadDriverPool(*drivers, m_seed());
        const THeatPlan plan =
            method == TGenerationMethod::A
                ? GenerateHeatsA(pool, tracks, UsableRotation(m_context.settings.TrackRotation, tracks), *last)
                : GenerateHeatsB(pool, tracks, *last);
        if (!store.AppendHeats(plan))
            StoreError(store.LastError());
    } else {
        StoreError(store.LastError());
    }
    ShowFirstHeat();
}

void TFKWLHeats::ButtonDeleteHeatsClick()
{
    m_detailRefreshEnabled = false;
    if (Messages::Confirm(QStringLiteral("Delete ALL Heats?"), this)) {
        THeatStore store = Store();
        if (!store.DeleteAllHeats())
            StoreError(store.LastError());
    }
    ShowFirstHeat();
}

void TFKWLHeats::AddRecordHTClick()
{
    m_detailRefreshEnabled = false;
    m_trackChoice.Mode = THeatTrackChoice::TMode::Add;
    if (m_windows.HeatDialog->Execute(m_trackChoice)) {
        THeatStore store = Store();
        const int tracks = TimedTrackCount(m_context.settings);
        const auto last = store.LastHeatNumber();
        std::array<int32_t, 4> drivers{};
        for (size_t i = 0; i < 4; ++i)
            drivers[i] = m_trackChoice.Used[i] ? m_trackChoice.DRVnr[i] : 0;
        if (!last ||
            !store.AppendHeats(PlanHeatByHand(drivers, m_trackChoice.Rotate, tracks,
                                              UsableRotation(m_context.settings.TrackRotation, tracks), *last)))
            StoreError(store.LastError());
    }
    ShowFirstHeat();
}

void TFKWLHeats::ChangeRecordHTClick()
{
    if (!HasHeat())
        return;
    if (!SelectedHeatFinished())
        return ChangeDrivers(m_heats->Key(0));
    if (m_context.settings.EditResult)
        return ChangeResults(m_heats->Key(0));
    Messages::Information(QStringLiteral("Heat can not be changed. Heat has Finished!."), this);
}

void TFKWLHeats::ChangeDrivers(int32_t htnr)
{
    THeatStore store = Store();
    const auto lineup = store.Lineup(htnr);
    if (!lineup)
        return StoreError(store.LastError());
    m_trackChoice.Mode = THeatTrackChoice::TMode::Change;
    for (int t = 1; t <= TimedTrackCount(m_context.settings); ++t) {
        const size_t i = size_t(t - 1);
        m_trackChoice.Used[i] = lineup->DRVnr[i] != 0;
        if (m_trackChoice.Used[i])
            m_trackChoice.DRVnr[i] = lineup->DRVnr[i];
    }
    if (!m_windows.HeatDialog->Execute(m_trackChoice))
        return;
    if (!store.ChangeHeatDrivers(htnr, m_trackChoice, TimedTrackCount(m_context.settings)))
        StoreError(store.LastError());
    RefreshHeatInfo();
    RefreshDriverInfo();
}

void TFKWLHeats::ChangeResults(int32_t htnr)
{
    THeatStore store = Store();
    const auto championship = store.Championship();
    const auto lineup = championship ? store.Lineup(htnr) : std::nullopt;
    if (!championship || !lineup)
        return StoreError(store.LastError());
    m_resultChoice.Timed = championship->Timed;
    for (size_t i = 0; i < 4; ++i) {
        const bool has = int(i) < TimedTrackCount(m_context.settings) && lineup->DRVnr[i] != 0;
        m_resultChoice.Has[i] = has;
        m_resultChoice.Entry[i] = has ? THeatResultChoice::TEntry{lineup->DRVnr[i], lineup->Laps[i], lineup->Time[i]}
                                      : THeatResultChoice::TEntry{};
    }
    if (!m_windows.HeatResultDialog->Execute(m_resultChoice))
        return;
    if (!store.ChangeHeatResults(htnr, m_resultChoice, TimedTrackCount(m_context.settings)))
        StoreError(store.LastError());
    RefreshHeatInfo();
    RefreshDriverInfo();
}

void TFKWLHeats::DeleteRecordHTClick()
{
    if (!HasHeat())
        return;
    if (!Messages::Confirm(QStringLiteral("Delete Heat?"), this))
        return;
    m_detailRefreshEnabled = false;
    THeatStore store = Store();
    if (!store.DeleteHeat(m_heats->Key(0)))
        StoreError(store.LastError());
    ShowFirstHeat();
}

void TFKWLHeats::StartHeat1Click()
{
    if (!HasHeat())
        return Messages::Information(QStringLiteral("No Heats present"), this);
    if (SelectedHeatFinished() && !Messages::Confirm(QStringLiteral("Heat already finished! Start Heat again?"), this))
        return;
    RunHeat();
}

void TFKWLHeats::RunHeat()
{
    const int32_t htnr = m_heats->Key(0);
    const int row = m_heats->CurrentRow();
    THeatStore store = Store();
    const auto championship = store.Championship();
    const auto lineup = championship ? store.Lineup(htnr) : std::nullopt;
    if (!championship || !lineup)
        return StoreError(store.LastError());

    const QString kind = championship->Timed ? QStringLiteral("Timed") : QStringLiteral("Lap");
    const int32_t length = championship->Timed ? int32_t(std::clamp<int64_t>(int64_t(championship->LapsMinutes) * 60, 0,
                                                                             std::numeric_limits<int32_t>::max()))
                                               : championship->LapsMinutes;
    const int tracks = TimedTrackCount(m_context.settings);
    std::array<QString, 4> names;
    std::array<int32_t, 4> totals{};
    for (int t = 1; t <= tracks; ++t) {
        const size_t i = size_t(t - 1);
        if (lineup->DRVnr[i] == 0 || lineup->Names[i].isEmpty())
            continue;
        const auto total = store.RunningTotal(lineup->DRVnr[i], championship->Timed);
        if (!total)
            return StoreError(store.LastError());
        names[i] = lineup->Names[i];
        totals[i] = *total;
    }

    m_context.spectatorBoard.SetRaceTitle(QStringLiteral("%1, Heat %2").arg(m_title->text()).arg(htnr));
    RaceJournalRecords::TRaceOrigin journalOrigin;
    journalOrigin.Heat = true;
    journalOrigin.Database = m_context.store.FilePath();
    journalOrigin.CSnr = m_csnr;
    journalOrigin.RCnr = m_rcnr;
    journalOrigin.HTnr = htnr;
    journalOrigin.Title = QStringLiteral("Heat %1 of %2").arg(htnr).arg(m_title->text());
    m_windows.Timer->SetRaceOrigin(journalOrigin);
    WatchRecords(htnr);
    const bool ran = m_windows.Timer->StartRace(kind, length, names, totals, m_placement);
    m_context.spectatorBoard.SetRaceTitle({});
    if (!ran)
        return AnnounceNextHeat();
    HeatRunAccepted(htnr, row, *championship, m_windows.Timer->Tracks());
}

void TFKWLHeats::HeatRunAccepted(int32_t htnr, int row, const THeatChampionship& championship,
                                 const TTrackStates& tracks)
{
    // The result goes to disk before the lap view opens, so nothing that
    // happens while the laps are looked at can lose it.
    const THeatResult result =
        MakeHeatResult(tracks, TimedTrackCount(m_context.settings), m_context.settings.SectionsPerLap, championship);
    const TStoreOutcome stored = StoreResult(htnr, result);
    // Safe in the database or in a kept file: the race journal has done its part.
    if (stored != TStoreOutcome::Lost)
        m_windows.Timer->ClearJournal();
    // Its laps export as the championship's lap export has them.
    THeatStore store = Store();
    const TLapsOrigin origin{championship.Name, store.RaceName().value_or(m_title->text()), htnr};
    m_windows.RoundResults->ShowLapResults(m_placement, tracks, origin);

    // A database that refused the result has already been said; its list is
    // not read again only to say so twice.
    if (stored == TStoreOutcome::Stored && ReloadHeats(row))
        RefreshDriverInfo();
}

TFKWLHeats::TStoreOutcome TFKWLHeats::StoreResult(int32_t htnr, const THeatResult& result)
{
    THeatStore store = Store();
    const QString database = m_context.store.FilePath();
    const QStringList folders = KeptHeatResults::Folders(database, m_context.workingDirectory);
    if (store.StoreHeatResult(htnr, result)) {
        KeptHeatResults::Forget(folders, database, m_csnr, m_rcnr, htnr);
        return TStoreOutcome::Stored;
    }
    // Kept in a file at once, so that neither closing the program nor a
    // crash while the race director decides can lose the heat.
    TKeptHeat kept{database, m_csnr, m_rcnr, htnr, QStringLiteral("Heat %1 of %2").arg(htnr).arg(m_title->text()),
                   result,   {}};
    QString keepError;
    const bool keptSafe = KeptHeatResults::Keep(kept, folders, keepError);
    do {
        const QString cause = QStringLiteral("The database said: %1").arg(store.LastError());
        const bool retry =
            keptSafe
                ? Messages::ErrorRetry(QStringLiteral("The result of heat %1 could not be stored in the race database. "
                                                      "It is kept safe in a file and is stored at the next start "
                                                      "if it cannot be stored before. Try again now?")
                                           .arg(htnr),
                                       cause + QStringLiteral("\nKept in: ") + QDir::toNativeSeparators(kept.File),
                                       this)
                : Messages::ErrorRetry(QStringLiteral("The result of heat %1 could not be stored in the race database, "
                                                      "nor kept in a file. It is lost unless it can be stored now. "
                                                      "Try again?")
                                           .arg(htnr),
                                       cause + QLatin1Char('\n') + keepError, this);
        if (!retry)
            return keptSafe ? TStoreOutcome::Kept : TStoreOutcome::Lost;
    } while (!store.StoreHeatResult(htnr, result));
    KeptHeatResults::Forget(folders, database, m_csnr, m_rcnr, htnr);
    return TStoreOutcome::Stored;
}

void TFKWLHeats::ShowLaps1Click()
{
    if (!HasHeat())
        return Messages::Information(QStringLiteral("No Heats present"), this);
    if (!SelectedHeatFinished())
        return Messages::Information(QStringLiteral("Heat not finished!"), this);
    m_windows.RoundResults->ShowStoredLaps(m_placement, m_csnr, m_rcnr, TKWL_RoundResults::HeatMode, m_heats->Key(0));
}
