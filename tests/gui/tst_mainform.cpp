#include "app/ChampionshipPage.h"
#include "app/DriversPage.h"
#include "app/InfoPage.h"
#include "data/KWLCSChangeAdd.h"
#include "data/KWLDriverChangeAdd.h"
#include "data/KWLRCChangeAdd.h"
#include "data/KWLSelectDrivers.h"
#include "data/RecordActions.h"
#include "data/StoreTransaction.h"
#include "heats/KWLHeats.h"
#include "results/KWLResults.h"
#include "results/KWLRoundResult.h"
#include "support/AppRig.h"
#include "support/ModalProbe.h"
#include "widgets/RecordGrid.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTabWidget>
#include <QtTest>

namespace {

QStringList Names(int count, const QString& prefix)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << QStringLiteral("%1%2").arg(prefix).arg(i, 4, 10, QLatin1Char('0'));
    return names;
}

int Count(QSqlDatabase db, const QString& sql)
{
    QSqlQuery query(db);
    query.exec(sql);
    return query.next() ? query.value(0).toInt() : -1;
}

}  // namespace

class TestMainForm : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TAppRig> m_rig;

    TAppRig& Rig() { return *m_rig; }
    QSqlDatabase Db() { return Rig().context.store.Database(); }
    TRecordActions Actions() { return TRecordActions(Db()); }
    void Click(const char* name)
    {
        auto* button = Rig().Form()->findChild<QPushButton*>(QLatin1String(name));
        QVERIFY2(button, name);
        button->click();
    }
    TDriversPage* Drivers() { return Rig().Form()->DriversPage(); }
    TChampionshipPage* Championships() { return Rig().Form()->ChampionshipPage(); }
    void Exec(const QString& sql)
    {
        QSqlQuery query(Db());
        QVERIFY2(query.exec(sql), qPrintable(sql));
    }

private slots:
    void init()
    {
        m_rig = std::make_unique<TAppRig>();
        Rig().WriteSettingsFile();
        QCOMPARE(Rig().Start(), -1);
    }
    void cleanup()
    {
        VERIFY_MESSAGES_SETTLED();
        m_rig.reset();
    }

    void pagesAndCaption()
    {
        QTabWidget* pages = Rig().Form()->Pages();
        QStringList tabs;
        for (int i = 0; i < pages->count(); ++i)
            tabs << pages->tabText(i);
        QCOMPARE(tabs, (QStringList{"Info", "Drivers", "Single Race", "Championship", "Settings"}));
        QCOMPARE(pages->currentIndex(), 0);
        QCOMPARE(Rig().Form()->windowTitle(), QStringLiteral(" K.O.B.A. v2.2"));
        QCOMPARE(Rig().Form()->findChild<QLabel*>("VersionLabel")->text(), QStringLiteral(" K.O.B.A. v2.2"));
        QCOMPARE(Rig().Form()->InfoPage()->ClockText(), QStringLiteral("Enabled"));
        QVERIFY(Rig().Form()->findChild<QLabel*>("TrackInterface")->text().contains("scripted port"));
    }

    // "Apply & Save" stores the whole window and the show step puts it back:
    // save, restore and save again give the same numbers, maximised or not,
    // and a maximised window stores the bounds it is restored to.
    void placementRoundTrips_data()
    {
        QTest::addColumn<int>("state");
        QTest::newRow("normal") << 0;
        QTest::newRow("maximised") << 2;
    }
    void placementRoundTrips()
    {
        QFETCH(int, state);
        m_rig = std::make_unique<TAppRig>();
        TSettings settings;
        settings.WindowState = uint8_t(state);
        settings.WindowLeft = 40;
        settings.WindowTop = 30;
        settings.WindowWidth = 700;
        settings.WindowHeight = 500;
        Rig().WriteSettingsFile(settings);
        QCOMPARE(Rig().Start(), -1);
        TKWL_MainForm* form = Rig().Form();
        QCOMPARE(form->isMaximized(), state == 2);
        const auto stored = [&] {
            const TSettings& s = Rig().context.settings;
            return QList<int>{s.WindowState, s.WindowLeft, s.WindowTop, s.WindowWidth, s.WindowHeight};
        };
        const QList<int> expected{state, 40, 30, 700, 500};
        for (int round = 0; round < 2; ++round) {
            Click("ButtonSETApply");
            QCOMPARE(stored(), expected);
            form->ApplyStoredPlacement();
        }
        Click("ButtonSETApply");
        QCOMPARE(stored(), expected);
        if (state == 2)
            form->showNormal();
        QCOMPARE(form->frameGeometry(), QRect(40, 30, 700, 500));
    }

    void contextMenus_data()
    {
        QTest::addColumn<QString>("grid");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("drivers") << "DriversGrid" << QStringList{"Add", "Change", "Delete"};
        QTest::newRow("championships") << "ChampionshipGrid"
                                       << QStringList{"Add", "Change", "Delete", "Select Drivers", "Show Results"};
        QTest::newRow("races") << "RaceGrid" << QStringList{"Add", "Change", "Delete", "Goto Heats"};
    }
    void contextMenus()
    {
        QFETCH(QString, grid);
        QFETCH(QStringList, entries);
        QStringList texts;
        for (QAction* action : Rig().Form()->findChild<QWidget*>(grid)->actions())
            texts << action->text();
        QCOMPARE(texts, entries);
    }

    // Add opens the dialog up to 999 rows and refuses at 1000.
    void limits_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("refused");
        for (const char* kind : {"driver", "championship", "race"}) {
            QTest::addRow("%s 999", kind) << kind << 999 << false;
            QTest::addRow("%s 1000", kind) << kind << 1000 << true;
        }
    }
    void limits()
    {
        QFETCH(QString, kind);
        QFETCH(int, rows);
        QFETCH(bool, refused);
        QDialog* dialog = nullptr;
        const char* button = nullptr;
        QString message;
        if (kind == "driver") {
            QVERIFY(Actions().AddDrivers(Names(rows, "Driver ")));
            Drivers()->Reload(0);
            dialog = Rig().windows.DriverDialog;
            button = "ButtonDriverAdd";
            message = "Maximum drivers reached!";
        } else if (kind == "championship") {
            TStoreTransaction action(Db());
            for (const QString& name : Names(rows, "Cup "))
                action.Exec(
                    R"(INSERT INTO "KWL_Championship.db" (CSnaam, CSLapsMinutes, CSRacesThatCount, CSTimed) VALUES (?, 10, 3, 0))",
                    {name});
            QVERIFY(action.Commit());
            Championships()->Reload(0);
            dialog = Rig().windows.ChampionshipDialog;
            button = "ButtonCSAdd";
            message = "Maximum championships reached!";
        } else {
            // The bound counts the races of the selected championship only.
            const int other = Actions().AddChampionship("A other", 10, 3, false).value();
            const int full = Actions().AddChampionship("B full", 10, 3, false).value();
            TStoreTransaction action(Db());
            for (const QString& name : Names(rows, "Race "))
                action.Exec(R"(INSERT INTO "KWL_Race.DB" (CSnr, RCnaam) VALUES (?, ?))", {full, name});
            action.Exec(R"(INSERT INTO "KWL_Race.DB" (CSnr, RCnaam) VALUES (?, 'one more elsewhere'))", {other});
            QVERIFY(action.Commit());
            Championships()->Reload(1);
            QCOMPARE(Championships()->ChampionshipGrid()->Key(), full);
            dialog = Rig().windows.RaceDialog;
            button = "ButtonRCAdd";
            message = "Maximum races reached!";
        }
        if (refused)
            Rig().messages.Answer(TMessageAnswer::Ok);
        TModalProbe probe([&] { Click(button); }, [](QDialog* shown) { shown->reject(); });
        QCOMPARE(probe.opened.data(), refused ? nullptr : dialog);
        QVERIFY(!probe.leftOpen);
        QCOMPARE(Rig().messages.Texts(), refused ? QStringList{message} : QStringList{});
    }

    void deleteDriver_data()
    {
        QTest::addColumn<bool>("inChampionship");
        QTest::addColumn<bool>("inHeat");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("in a championship")
            << true << false << false << QStringList{"Can not be deleted. Driver linked to Championship."} << false;
        QTest::newRow("in a heat") << false << true << false
                                   << QStringList{"Can not be deleted. Driver linked to Heat."} << false;
        QTest::newRow("championship check first")
            << true << true << false << QStringList{"Can not be deleted. Driver linked to Championship."} << false;
        QTest::newRow("free, answered No") << false << false << false << QStringList{"Delete Record?"} << false;
        QTest::newRow("free, answered Yes") << false << false << true << QStringList{"Delete Record?"} << true;
    }
    void deleteDriver()
    {
        QFETCH(bool, inChampionship);
        QFETCH(bool, inHeat);
        QFETCH(bool, confirm);
        QFETCH(QStringList, messages);
        QFETCH(bool, deleted);
        QVERIFY(Actions().AddDrivers({"Anna", "Bram", "Cees"}));
        Drivers()->Reload(1);
        const int bram = Drivers()->Grid()->Key();
        if (inChampionship)
            Exec(QStringLiteral(R"(INSERT INTO "KWL_DIC.db" VALUES (7, %1))").arg(bram));
        if (inHeat)
            Exec(QStringLiteral(R"(INSERT INTO "KWL_HeatDetail.DB" VALUES (7, 1, 1, 1, %1, 0, 0, 0))").arg(bram));
        const bool asked = messages.first() == "Delete Record?";
        Rig().messages.Answer(asked ? (confirm ? TMessageAnswer::Yes : TMessageAnswer::No) : TMessageAnswer::Ok);
        Click("ButtonDriverDelete");
        QCOMPARE(Rig().messages.Texts(), messages);
        QCOMPARE(Count(Db(), R"(SELECT count(*) FROM "KWL_Drivers.DB")"), deleted ? 2 : 3);
        // After a delete the grid stands on the driver that followed.
        QCOMPARE(Drivers()->Grid()->Text(0), QString(deleted ? "Cees" : "Bram"));
    }

    void deleteWithNothingSelectedDoesNothing()
    {
        TModalProbe probe(
            [&] {
                Click("ButtonDriverDelete");
                Click("ButtonDriverChange");
                Click("ButtonCSDelete");
                Click("ButtonCSChange");
                Click("ButtonRCDelete");
                Click("ButtonRCChange");
                Click("ButtonSelectDrivers");
                Click("ButtonShowResults");
                Click("ButtonGotoHeats");
            },
            [](QDialog* shown) { shown->reject(); });
        QVERIFY(!probe.opened);
        QCOMPARE(Rig().messages.Texts(), QStringList{});
    }

    void noChampionshipNoLaps()
    {
        Rig().messages.Answer(TMessageAnswer::Ok);
        Rig().messages.Answer(TMessageAnswer::Ok);
        TModalProbe probe(
            [&] {
                Click("ButtonCSShowLaps");
                Click("ButtonRCShowLaps");
            },
            [](QDialog* shown) { shown->reject(); });
        QCOMPARE(Rig().messages.Texts(), (QStringList{"No Championship present", "No Race present"}));
        QVERIFY(!probe.opened);
    }

    // A championship with races is kept even when the races have no heats;
    // once they are gone its driver list and standings go with it.
    void deleteChampionship()
    {
        const int cs = Actions().AddChampionship("Winter", 10, 3, false).value();
        const int rc = Actions().AddRace(cs, "Spa").value();
        Exec(QStringLiteral(R"(INSERT INTO "KWL_DIC.db" VALUES (%1, 1))").arg(cs));
        Exec(QStringLiteral(R"(INSERT INTO "KWL_Result.db" VALUES (%1, 1, 20))").arg(cs));
        Exec(QStringLiteral(R"(INSERT INTO "KWL_ResultDetail.db" VALUES (%1, %2, 1, 1000, 20))").arg(cs).arg(rc));
        Championships()->Reload(0);

        Rig().messages.Answer(TMessageAnswer::Ok);
        Click("ButtonCSDelete");
        QCOMPARE(Rig().messages.Texts(), QStringList{"Can not be deleted. There are races present."});

        Rig().messages.Answer(TMessageAnswer::Yes);
        Click("ButtonRCDelete");
        QCOMPARE(Championships()->RaceGrid()->RowCount(), 0);

        Rig().messages.Answer(TMessageAnswer::Yes);
        Click("ButtonCSDelete");
        for (const char* table : {"KWL_Championship.db", "KWL_DIC.db", "KWL_Result.db", "KWL_ResultDetail.db"})
            QCOMPARE(Count(Db(), QStringLiteral("SELECT count(*) FROM \"%1\"").arg(QLatin1String(table))), 0);
        QCOMPARE(Championships()->ChampionshipGrid()->RowCount(), 0);
    }

    void deleteRaceWithHeatsIsRefused()
    {
        const int cs = Actions().AddChampionship("Winter", 10, 3, false).value();
        const int rc = Actions().AddRace(cs, "Spa").value();
        Exec(QStringLiteral(R"(INSERT INTO "KWL_Heat.DB" VALUES (%1, %2, 1, 0))").arg(cs).arg(rc));
        Championships()->Reload(0);
        Rig().messages.Answer(TMessageAnswer::Ok);
        Click("ButtonRCDelete");
        QCOMPARE(Rig().messages.Texts(), QStringList{"Can not be deleted. There are heats present."});
        QCOMPARE(Count(Db(), R"(SELECT count(*) FROM "KWL_Race.DB")"), 1);
    }

    // The race grid follows the selected championship, and the way into
    // heats, laps, drivers and results carries the selected keys.
    void racesFollowTheChampionship()
    {
        const int lap = Actions().AddChampionship("Alpha", 20, 4, false).value();
        const int timed = Actions().AddChampionship("Beta", 5, 3, true).value();
        Actions().AddRace(lap, "Zandvoort");
        Actions().AddRace(lap, "assen");
        Actions().AddRace(timed, "Spa");
        Championships()->Reload(0);

        TRecordGrid* cs = Championships()->ChampionshipGrid();
        TRecordGrid* races = Championships()->RaceGrid();
        QCOMPARE(cs->Text(3), QStringLiteral("Lap"));
        QCOMPARE(Championships()->ShownChampionshipName(), QStringLiteral("Alpha"));
        QCOMPARE(races->RowCount(), 2);
        QCOMPARE(races->Text(0), QStringLiteral("assen"));  // name order, regardless of case

        Rig().Form()->Pages()->setCurrentWidget(Championships());
        QVERIFY(QTest::qWaitForWindowExposed(Rig().Form()));
        const QPoint firstRace = races->visualRect(races->model()->index(0, 2)).center();
        QTest::mouseClick(races->viewport(), Qt::LeftButton, {}, firstRace);
        // None of these windows has a button that answers Enter.
        QStringList defaultButtons;
        const auto noteDefaults = [&](QDialog* shown) {
            for (const QPushButton* button : shown->findChildren<QPushButton*>())
                if (button->isDefault() || button->autoDefault())
                    defaultButtons << shown->objectName() + QLatin1Char('.') + button->objectName();
        };
        QString heatsTitle;
        const auto closeHeats = [&](QDialog* shown) {
            noteDefaults(shown);
            heatsTitle = Rig().windows.Heats->Title();
            shown->findChild<QPushButton*>(QStringLiteral("ButtonDone"))->click();
        };
        QCOMPARE(TModalProbe([&] { QTest::mouseDClick(races->viewport(), Qt::LeftButton, {}, firstRace); }, closeHeats)
                     .opened.data(),
                 Rig().windows.Heats);
        QCOMPARE(heatsTitle, QStringLiteral("Alpha - assen"));
        QString lapsTitle;
        const auto closeLaps = [&](QDialog* shown) {
            noteDefaults(shown);
            lapsTitle = Rig().windows.RoundResults->Title();
            shown->findChild<QPushButton*>(QStringLiteral("ButtonOK"))->click();
        };
        QCOMPARE(TModalProbe([&] { Click("ButtonRCShowLaps"); }, closeLaps).opened.data(), Rig().windows.RoundResults);
        QCOMPARE(lapsTitle, QStringLiteral("Alpha - assen"));

        cs->SelectRow(1);
        QCOMPARE(cs->Text(3), QStringLiteral("Timed"));
        QCOMPARE(Championships()->ShownChampionshipName(), QStringLiteral("Beta"));
        QCOMPARE(races->RowCount(), 1);
        QCOMPARE(TModalProbe([&] { Click("ButtonGotoHeats"); }, closeHeats).opened.data(), Rig().windows.Heats);
        QCOMPARE(heatsTitle, QStringLiteral("Beta - Spa"));
        QCOMPARE(TModalProbe([&] { Click("ButtonCSShowLaps"); }, closeLaps).opened.data(), Rig().windows.RoundResults);
        QCOMPARE(lapsTitle, QStringLiteral("Beta"));
        QString driversTitle;
        const auto pickDrivers = [&](QDialog* shown) {
            driversTitle = Rig().windows.SelectDrivers->Title();
            shown->findChild<QPushButton*>(QStringLiteral("ButtonDone"))->click();
        };
        QCOMPARE(TModalProbe([&] { Click("ButtonSelectDrivers"); }, pickDrivers).opened.data(),
                 Rig().windows.SelectDrivers);
        QCOMPARE(driversTitle, QStringLiteral("Beta"));
        QString resultsTitle;
        const auto closeResults = [&](QDialog* shown) {
            noteDefaults(shown);
            resultsTitle = Rig().windows.Results->Title();
            shown->findChild<QPushButton*>(QStringLiteral("ButtonDone"))->click();
        };
        QCOMPARE(TModalProbe([&] { Click("ButtonShowResults"); }, closeResults).opened.data(), Rig().windows.Results);
        QCOMPARE(resultsTitle, QStringLiteral("Beta"));
        QCOMPARE(Rig().windows.Heats->geometry(), Rig().Form()->geometry());
        QCOMPARE(defaultButtons, QStringList());
    }

    void changeModesCarryTheSelectedRow()
    {
        QVERIFY(Actions().AddDrivers({"Anna", "Bram"}));
        const int cs = Actions().AddChampionship("Winter", 10, 3, false).value();
        const int rc = Actions().AddRace(cs, "Spa").value();
        Drivers()->Reload(1);
        Championships()->Reload(0);
        // Each dialog opens in change mode on the selected row.
        QStringList seen;
        const auto look = [&](QDialog* shown) {
            seen << shown->windowTitle();
            for (const char* field : {"EditName", "EditChampionship", "EditRace"})
                if (auto* edit = shown->findChild<QLineEdit*>(QLatin1String(field)))
                    seen << edit->text();
            if (auto* label = shown->findChild<QLabel*>(QStringLiteral("LabelChampionship")))
                seen << label->text();
            shown->reject();
        };
        QCOMPARE(TModalProbe([&] { Click("ButtonDriverChange"); }, look).opened.data(), Rig().windows.DriverDialog);
        QCOMPARE(TModalProbe([&] { Click("ButtonCSChange"); }, look).opened.data(), Rig().windows.ChampionshipDialog);
        QCOMPARE(TModalProbe([&] { Click("ButtonRCChange"); }, look).opened.data(), Rig().windows.RaceDialog);
        QCOMPARE(seen, (QStringList{" K.O.B.A. v2.2- Change Driver", "Bram", " K.O.B.A. v2.2- Change Championship",
                                    "Winter", " K.O.B.A. v2.2- Change Race", "Spa", "Winter"}));
        QCOMPARE(rc, Championships()->RaceGrid()->Key(1));
    }
};

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
