#include "app/ChampionshipPage.h"
#include "app/RaceRecovery.h"
#include "common/LapValue.h"
#include "data/RecordActions.h"
#include "heats/HeatGeneration.h"
#include "heats/HeatStore.h"
#include "heats/KWLHeats.h"
#include "heats/KeptHeatsAtStart.h"
#include "results/KWLRoundResult.h"
#include "support/AppRig.h"
#include "support/DialogSequence.h"
#include "support/EventWait.h"
#include "support/GridTexts.h"
#include "support/ModalProbe.h"
#include "support/RecordingSpeaker.h"
#include "support/StoreRig.h"
#include "timing/KWLPauseRace.h"
#include "timing/KWLTimer.h"
#include "timing/RaceJournalFile.h"
#include "timing/RaceJournalReplay.h"
#include "voice/Announcer.h"
#include "widgets/RecordGrid.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

namespace {

void Click(QWidget* window, const char* name)
{
    auto* button = window ? window->findChild<QPushButton*>(QLatin1String(name)) : nullptr;
    QVERIFY2(button, name);
    button->click();
}

const char* const KeptText =
    "The result of heat 3 could not be stored in the race database. It is kept safe in a file "
    "and is stored at the next start if it cannot be stored before. Try again now?";

QString Cell(QTableWidget* grid, int row, int column)
{
    QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text() : QString();
}

}  // namespace

// A championship race from the Championship page to stored heats, on the
// simulated track: drivers chosen, heats generated, a heat run that nobody
// finishes, the same heat run again shorter, a heat abandoned, laps shown,
// heats deleted.
class TestHeats : public QObject {
    Q_OBJECT

    std::unique_ptr<TAppRig> m_rig;
    TAppRig& Rig() { return *m_rig; }
    TKWL_Timer* Timer() { return Rig().windows.Timer; }
    TFKWLHeats* Heats() { return Rig().windows.Heats; }

    QList<QVariantList> Rows(const QString& sql) { return ReadRows(Rig().context.store.Database(), sql); }

    // Starts the selected heat; the race runs until track 1 has `laps` laps,
    // then "Finish Race" in the pause dialog ends it before anyone finished;
    // OK accepts it and the lap view of the heat is closed. Returns track 1's
    // laps as the timer gave them.
    int RunHeatUntil(int laps, QStringList& problems)
    {
        int driven = -1;
        const auto timer = [&](QDialog* window) {
            Click(window, "ButtonStart");
            // The records hold the last race until this one resets them.
            WaitUntil([&] { return Timer()->Tracks()[0].Laps == 0; });
            if (!WaitUntil([&] { return Timer()->Tracks()[0].Laps >= laps * 1000; }))
                problems << QStringLiteral("track 1 never reached %1 laps").arg(laps);
            TModalProbe pause([&] { Click(window, "ButtonPause"); },
                              [&](QDialog* dialog) {
                                  auto* pauseDialog = static_cast<TFKWLPauseRace*>(dialog);
                                  WaitUntil([&] { return !pauseDialog->WaitingForHalt(); });
                                  Click(dialog, "ButtonFinishRace");
                              });
            auto* ok = window->findChild<QPushButton*>(QStringLiteral("ButtonOK"));
            if (!WaitUntil([&] { return ok->isEnabled(); }))
                problems << QStringLiteral("OK never enabled");
            driven = LapsOf(Timer()->Tracks()[0].Laps);
            ok->click();
        };
        const auto lapView = [&](QDialog* dialog) {
            if (dialog != Rig().windows.RoundResults)
                problems << QStringLiteral("no lap view after the heat");
            Click(dialog, "ButtonOK");
        };
        TDialogSequence run([&] { Click(Heats(), "ButtonStartHeat"); }, {timer, lapView});
        problems << run.problems;
        return driven;
    }

private slots:
    void cleanup() { m_rig.reset(); }

    void championshipRaceRunHeatByHeat()
    {
        m_rig = std::make_unique<TAppRig>();
        TSettings settings;
        settings.Tracks = 2;  // the stored rotation 1 > 2 > 3 > 4 does not fit two tracks
        Rig().WriteSettingsFile(settings);
        TSimulatedTrackConfig cars;
        cars.BaseLapUs[1] = 600'000'000;  // the car on track 2 never completes a lap
        cars.JumpStartProbability = 0;
        Rig().UseSimulatedTrack(20261208, 100, cars);
        QCOMPARE(Rig().Start(), -1);

        TRecordActions actions(Rig().context.store.Database());
        // The first driver's name is as long as a name can be: the grids show it whole.
        QVERIFY(actions.AddDrivers(
            {QStringLiteral("Wilhelmina van Wouwerwerf"), QStringLiteral("Bert"), QStringLiteral("Cees")}));
        // The heats are called out, Bert (driver 2) as he would have his name said.
        auto* speaker = new TRecordingSpeaker;
        Rig().windows.Announcer->SetSpeaker(std::unique_ptr<TSpeaker>(speaker));
        TAnnouncementChoice voice;
        voice.Enabled = true;
        voice.SpokenNames.insert(2, QStringLiteral("Burt"));
        Rig().windows.Announcer->SetChoice(voice);
        const int csnr = *actions.AddChampionship(QStringLiteral("Club"), 20, 3, false);
        QVERIFY(actions.AddRace(csnr, QStringLiteral("Spa")));
        TChampionshipPage* page = Rig().Form()->ChampionshipPage();
        page->Reload(0);
        Rig().Form()->Pages()->setCurrentWidget(page);

        // All three drivers into the championship.
        TModalProbe selection([&] { Click(page, "ButtonSelectDrivers"); },
                              [&](QDialog* dialog) {
                                  dialog->findChild<QAbstractItemView*>(QStringLiteral("GridDrivers"))->selectAll();
                                  Click(dialog, "ButtonAdd");
                                  Click(dialog, "ButtonDone");
                              });
        QVERIFY(!selection.leftOpen);
        QCOMPARE(Rows(R"(SELECT count(*) FROM "KWL_DIC.db")").value(0).value(0).toInt(), 3);

        Heats()->SetSeedSource([] { return 12345678u; });  // draws Bert, Cees, Wilhelmina
        QStringList problems;
        TModalProbe heats(
            [&] { Click(page, "ButtonGotoHeats"); },
            [&](QDialog*) {
                QCOMPARE(Heats()->Title(), QStringLiteral("Club - Spa"));
                TModalProbe chooser([&] { Click(Heats(), "ButtonGenerateHeats"); },
                                    [&](QDialog* dialog) {
                                        QTest::mouseClick(dialog->findChild<QWidget*>(QStringLiteral("ImageMethodA")),
                                                          Qt::LeftButton);
                                    });
                QVERIFY(chooser.opened && !chooser.leftOpen);
                QVERIFY(Heats()->DetailRefreshEnabled());
                QCOMPARE(
                    Rows(
                        R"(SELECT HTnr, group_concat(DRVnr) FROM (SELECT * FROM "KWL_HeatDetail.DB" ORDER BY HTnr, Tracknr) GROUP BY HTnr)"),
                    (QList<QVariantList>{{1, "2,3"}, {2, "3,2"}, {3, "1"}, {4, "1"}}));
                QTableWidget* info = Heats()->HeatInfoGrid();
                QCOMPARE(info->rowCount(), 2);
                QCOMPARE(Cell(info, 0, 1) + "," + Cell(info, 1, 1), QStringLiteral("Bert,Cees"));
                QCOMPARE(Cell(info, 0, 2) + " " + Cell(info, 0, 3) + " " + Cell(info, 0, 4),
                         QStringLiteral("0.00 0:00.000 00.000"));
                // Enter has no action here; no button of the window takes it.
                QWidget* focused = QApplication::focusWidget();
                QVERIFY(
                    !TModalProbe([&] { QTest::keyClick(focused ? focused : Heats(), Qt::Key_Return); }, [](QDialog*) {})
                         .opened);

                // Heat 1: stopped after three laps of Bert; Cees has none. Nobody
                // finished the 20 laps: both get the did-not-finish values.
                const int firstRun = RunHeatUntil(3, problems);
                QCOMPARE(speaker->said.value(0), QStringLiteral("Heat 1. Track 1, Burt. Track 2, Cees."));
                QVERIFY2(firstRun >= 3 && firstRun < 20, qPrintable(QString::number(firstRun)));
                QCOMPARE(
                    Rows(
                        R"(SELECT Tracknr, Laps, "Time", TopLapTime FROM "KWL_HeatDetail.DB" WHERE HTnr = 1 ORDER BY Tracknr)"),
                    (QList<QVariantList>{{1, 0, DidNotFinishTime, DidNotFinishTime},
                                         {2, 0, DidNotFinishTime, DidNotFinishTime}}));
                QCOMPARE(Rows(R"(SELECT Tracknr, count(*) FROM "KWL_HeatDetailLaps.DB" GROUP BY Tracknr)"),
                         (QList<QVariantList>{{1, firstRun}}));
                QCOMPARE(
                    Rows(R"(SELECT "Time" FROM "KWL_HeatDetailLaps.DB" WHERE RNDnr = 2)").value(0).value(0).toUInt(),
                    Timer()->Tracks()[0].LapTimes[2]);
                QCOMPARE(Heats()->HeatGrid()->Text(1), QStringLiteral("Yes"));
                QCOMPARE(Cell(info, 0, 2) + " " + Cell(info, 0, 3) + " " + Cell(info, 0, 4),
                         QStringLiteral("0.00 999:99.999 99.999"));
                QCOMPARE(Heats()->DriverInfoGrid()->rowCount(), 6);
                const QStringList cut = CutCells(info) + CutCells(Heats()->DriverInfoGrid());
                QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('|'))));
                // The spectators are shown who drives next: heat 2, Cees on track 1 and Bert on 2.
                const TSpectatorBoard& board = Rig().context.spectatorBoard;
                QCOMPARE(board.Scene(), TSpectatorScene::NextHeat);
                QCOMPARE(QStringLiteral("%1 %2: %3, %4")
                             .arg(board.NextHeat().Title)
                             .arg(board.NextHeat().Heat)
                             .arg(board.NextHeat().Names[0], board.NextHeat().Names[1]),
                         QStringLiteral("Club - Spa 2: Cees, Bert"));

                // Run again: the old laps go, the stored result is carried in.
                Rig().messages.Answer(TMessageAnswer::Yes);
                const int secondRun = RunHeatUntil(1, problems);
                // Its own laps from the first run were no record to beat.
                QVERIFY(Timer()->RaceLapsToBeat().Watched);
                QCOMPARE(Timer()->RaceLapsToBeat().TrackRecord[0], 0u);
                QVERIFY2(secondRun >= 1 && secondRun < firstRun, qPrintable(QString::number(secondRun)));
                QCOMPARE(Timer()->State().CarriedTotals[0], DidNotFinishTime);
                QCOMPARE(Rows(R"(SELECT Tracknr, count(*) FROM "KWL_HeatDetailLaps.DB" GROUP BY Tracknr)"),
                         (QList<QVariantList>{{1, secondRun}}));

                TModalProbe laps([&] { Click(Heats(), "ButtonShowLaps"); },
                                 [&](QDialog* dialog) {
                                     QCOMPARE(dialog, static_cast<QDialog*>(Rig().windows.RoundResults));
                                     Click(dialog, "ButtonOK");
                                 });
                QVERIFY(laps.opened && !laps.leftOpen);

                Rig().messages.Answer(TMessageAnswer::Ok);
                Click(Heats(), "ButtonChangeHT");
                // With "Edit Result" on, correcting Bert's time leaves Cees's
                // did-not-finish time as it was stored.
                Rig().context.settings.EditResult = true;
                TModalProbe corrected([&] { Click(Heats(), "ButtonChangeHT"); },
                                      [&](QDialog* dialog) {
                                          auto* minutes = dialog->findChild<QLineEdit*>(QStringLiteral("EditMin1"));
                                          minutes->selectAll();
                                          QTest::keyClicks(minutes, QStringLiteral("2"));
                                          Click(dialog, "ButtonOK");
                                      });
                QVERIFY(corrected.opened && !corrected.leftOpen);
                QCOMPARE(Rows(R"(SELECT Tracknr, "Time" FROM "KWL_HeatDetail.DB" WHERE HTnr = 1 ORDER BY Tracknr)"),
                         (QList<QVariantList>{{1, 2 * 60000 + 39 * 1000 + 999}, {2, DidNotFinishTime}}));
                Rig().context.settings.EditResult = false;

                // Heat 3 ends while the database takes no writes: the result
                // is kept in a file, retried on request, and stored by the
                // next start once the database can be written again.
                QSqlDatabase db = Rig().context.store.Database();
                QVERIFY(QSqlQuery(db).exec(QStringLiteral("PRAGMA query_only = ON")));
                Heats()->HeatGrid()->SelectRow(2);
                Rig().messages.Answer(TMessageAnswer::Retry);
                Rig().messages.Answer(TMessageAnswer::Cancel);
                QVERIFY(RunHeatUntil(1, problems) >= 1);
                const QDir kept(Rig().dir.File(QStringLiteral("data/kept-results")));
                QCOMPARE(kept.entryList({"heat-*.json"}, QDir::Files).size(), 1);
                QVERIFY(Messages::Shown().last().detail.contains(QStringLiteral("readonly")));
                QCOMPARE(Heats()->HeatGrid()->Text(1), QStringLiteral("No"));
                QVERIFY(QSqlQuery(db).exec(QStringLiteral("PRAGMA query_only = OFF")));
                Rig().messages.Answer(TMessageAnswer::Ok);
                StoreKeptHeatResults(Rig().context.store, Rig().context.workingDirectory, Heats());
                QCOMPARE(Rows(R"(SELECT Finished FROM "KWL_Heat.DB" WHERE HTnr = 3)"), (QList<QVariantList>{{1}}));
                QVERIFY(
                    Rows(R"(SELECT count(*) FROM "KWL_HeatDetailLaps.DB" WHERE HTnr = 3)").value(0).value(0).toInt() >=
                    1);
                QVERIFY(kept.entryList({"heat-*.json"}, QDir::Files).isEmpty());

                // Heat 2 abandoned in the timer window: nothing stored.
                Heats()->HeatGrid()->SelectRow(1);
                TModalProbe cancelled([&] { Click(Heats(), "ButtonStartHeat"); },
                                      [&](QDialog* dialog) { Click(dialog, "ButtonCancel"); });
                QCOMPARE(cancelled.opened.data(), static_cast<QDialog*>(Timer()));
                QCOMPARE(Heats()->HeatGrid()->Text(1), QStringLiteral("No"));

                Rig().messages.Answer(TMessageAnswer::Yes);
                Click(Heats(), "ButtonDeleteHT");
                QCOMPARE(Rows(R"(SELECT HTnr FROM "KWL_Heat.DB")"), (QList<QVariantList>{{1}, {3}, {4}}));
                Rig().messages.Answer(TMessageAnswer::No);
                Click(Heats(), "ButtonDeleteHeats");
                QCOMPARE(Heats()->HeatGrid()->RowCount(), 3);
                Rig().messages.Answer(TMessageAnswer::Yes);
                Click(Heats(), "ButtonDeleteHeats");
                QCOMPARE(
                    Rows(
                        R"(SELECT (SELECT count(*) FROM "KWL_HeatDetail.DB") + (SELECT count(*) FROM "KWL_HeatDetailLaps.DB"))"),
                    (QList<QVariantList>{{0}}));
                Rig().messages.Answer(TMessageAnswer::Ok);
                Click(Heats(), "ButtonStartHeat");
                Click(Heats(), "ButtonDone");
            });
        QVERIFY(heats.opened && !heats.leftOpen);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
        QCOMPARE(Rig().messages.Texts(),
                 (QStringList{"Heat already finished! Start Heat again?",
                              "Heat can not be changed. Heat has Finished!.", KeptText, KeptText,
                              "Heat results that could not be stored before are stored now: "
                              "Heat 3 of Club - Spa.",
                              "Delete Heat?", "Delete ALL Heats?", "Delete ALL Heats?", "No Heats present"}));
        VERIFY_MESSAGES_SETTLED();
    }

    // A heat cut short by a crash: the journal as the crash left it, found at
    // the next start and resumed. The race screen opens paused with every lap
    // kept, goes on after the pause dialog, and the heat is stored with the
    // kept laps, to the millisecond, followed by those driven after.
    void interruptedHeatIsResumed()
    {
        m_rig = std::make_unique<TAppRig>();
        TSettings settings;
        settings.Tracks = 2;
        Rig().WriteSettingsFile(settings);
        TSimulatedTrackConfig cars;
        cars.JumpStartProbability = 0;
        Rig().UseSimulatedTrack(20261209, 100, cars);
        QCOMPARE(Rig().Start(), -1);
        TRecordActions actions(Rig().context.store.Database());
        QVERIFY(actions.AddDrivers({QStringLiteral("Anna"), QStringLiteral("Bert")}));
        const int csnr = *actions.AddChampionship(QStringLiteral("Club"), 30, 1, false);
        QVERIFY(actions.AddRace(csnr, QStringLiteral("Spa")));
        THeatStore store(Rig().context.store.Database(), csnr, 1);
        QVERIFY(store.AppendHeats(PlanHeatByHand({1, 2, 0, 0}, false, 2, {2, 1, 0, 0}, 0)));

        const QString journal = Rig().windows.Timer->JournalFile();
        QByteArray crashImage;
        std::optional<TRecoveredRace> kept;
        TModalProbe first([&] { Heats()->OpenHeats(Rig().Form()->Placement(), csnr, 1); },
                          [&](QDialog*) {
                              TModalProbe race([&] { Click(Heats(), "ButtonStartHeat"); },
                                               [&](QDialog* timer) {
                                                   Click(timer, "ButtonStart");
                                                   // The journal as it is on disk the moment the program dies.
                                                   WaitUntil([&] {
                                                       QFile file(journal);
                                                       crashImage = file.open(QIODevice::ReadOnly) ? file.readAll()
                                                                                                   : QByteArray();
                                                       kept = RaceJournalReplay::Replay(crashImage);
                                                       return kept && LapsOf((*kept->Tracks)[0].Laps) >= 3;
                                                   });
                                                   Click(timer, "ButtonCancel");
                                               });
                              Click(Heats(), "ButtonDone");
                          });
        QVERIFY(kept && LapsOf((*kept->Tracks)[0].Laps) >= 3);
        QVERIFY2(!QFile::exists(journal), "a cancelled race leaves no journal");
        QFile restored(journal);
        QVERIFY(restored.open(QIODevice::WriteOnly) && restored.write(crashImage) == crashImage.size());
        restored.close();
        const int keptLaps = LapsOf((*kept->Tracks)[0].Laps);

        // The next start.
        Rig().messages.Answer(TMessageAnswer::Resume);
        TRaceRecovery recovery(Rig().context, Rig().windows);
        recovery.AskAboutInterruptedRace();
        QVERIFY(Messages::Shown().last().text.startsWith(
            QStringLiteral("A race did not end normally: Heat 1 of Club - Spa, %1 laps on track 1, ").arg(keptLaps)));
        // The windows open one inside the other, each as soon as the one
        // before is up. Each is answered by who it is and how far the race
        // has got, never by waiting inside it: a dialog's answer takes effect
        // only once its own event loop is left.
        int lapsAtPause = -1;
        int driven = -1;
        bool finishing = false;
        bool lapViewShown = false;
        // Pressed once the watcher has returned: a timer never fires again
        // from inside itself, so a dialog opened by a press made in it would
        // never be answered.
        bool pressing = false;
        const auto press = [&](QWidget* window, const char* name) {
            auto* button = window->findChild<QPushButton*>(QLatin1String(name));
            QVERIFY2(button, name);
            if (pressing)
                return;
            pressing = true;
            QMetaObject::invokeMethod(
                button,
                [&pressing, button] {
                    pressing = false;
                    button->click();
                },
                Qt::QueuedConnection);
        };
        QTimer watcher;
        watcher.setInterval(0);
        connect(&watcher, &QTimer::timeout, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            auto* pause = Rig().windows.PauseRace;
            if (dialog == pause && !pause->WaitingForHalt()) {
                if (lapsAtPause < 0)
                    lapsAtPause = LapsOf(Timer()->Tracks()[0].Laps);
                press(pause, finishing ? "ButtonFinishRace" : "ButtonOK");
            } else if (dialog == Timer()) {
                auto* ok = Timer()->findChild<QPushButton*>(QStringLiteral("ButtonOK"));
                if (finishing && ok->isEnabled()) {
                    driven = LapsOf(Timer()->Tracks()[0].Laps);
                    press(Timer(), "ButtonOK");
                } else if (!finishing && LapsOf(Timer()->Tracks()[0].Laps) >= keptLaps + 2) {
                    finishing = true;
                    press(Timer(), "ButtonPause");
                }
            } else if (dialog == Rig().windows.RoundResults) {
                lapViewShown = true;
                press(dialog, "ButtonOK");
            } else if (dialog == Heats() && lapViewShown) {
                press(dialog, "ButtonDone");
            }
        });
        watcher.start();
        recovery.TakeUpInterruptedRace();
        watcher.stop();
        QVERIFY(lapViewShown);
        QCOMPARE(lapsAtPause, keptLaps);
        QVERIFY(driven >= keptLaps + 2);

        const QList<QVariantList> stored =
            Rows(R"(SELECT RNDnr, "Time" FROM "KWL_HeatDetailLaps.DB" WHERE HTnr = 1 AND Tracknr = 1 ORDER BY RNDnr)");
        QCOMPARE(stored.size(), driven);
        for (int lap = 1; lap <= driven; ++lap) {
            QCOMPARE(stored[lap - 1].value(0).toInt(), lap);
            if (lap <= keptLaps)
                QCOMPARE(stored[lap - 1].value(1).toUInt(), (*kept->Tracks)[0].LapTimes[size_t(lap)]);
        }
        QCOMPARE(Rows(R"(SELECT Finished FROM "KWL_Heat.DB" WHERE HTnr = 1)"), (QList<QVariantList>{{1}}));
        QVERIFY2(!QFile::exists(journal), "a stored heat leaves no journal");
        VERIFY_MESSAGES_SETTLED();
    }
};

QTEST_MAIN(TestHeats)
#include "tst_heats.moc"
