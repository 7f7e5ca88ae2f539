#include "data/RecordActions.h"
#include "heats/HeatStore.h"
#include "heats/KWLHTChangeAdd.h"
#include "heats/KWLHTChangeResult.h"
#include "heats/KWLHeats.h"
#include "support/AppRig.h"
#include "support/ModalProbe.h"
#include "support/StoreRig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableWidget>
#include <QtTest>

// Heats put together by hand through the heats window's "Add" and "Change"
// and the real dialog: what is shown, what is written, and that nothing is
// written when no driver is left chosen; and a finished heat's result
// corrected.
class TestHeatAddChange : public QObject {
    Q_OBJECT

    std::unique_ptr<TAppRig> m_rig;
    TAppRig& Rig() { return *m_rig; }
    QSqlDatabase Db() { return Rig().context.store.Database(); }
    TFKWLHeats* Heats() { return Rig().windows.Heats; }
    TFHTAddChange* Dialog() { return Rig().windows.HeatDialog; }
    void Exec(const char* sql) { QVERIFY(QSqlQuery(Db()).exec(QLatin1String(sql))); }

    // "1:Anna,-,Cees,- 2:..." the drivers of every heat on tracks 1..4.
    QString Described()
    {
        QStringList heats;
        for (const QVariantList& row : ReadRows(Db(), R"(SELECT h.HTnr,
                 (SELECT group_concat(n, ',') FROM (SELECT coalesce((SELECT r."Driver Name" FROM "KWL_HeatDetail.DB" d JOIN "KWL_Drivers.DB" r
                    ON r.DRVnr = d.DRVnr WHERE d.HTnr = h.HTnr AND d.Tracknr = t.t), '-') n FROM (SELECT 1 t UNION SELECT 2 UNION SELECT 3 UNION SELECT 4) t ORDER BY t.t))
               FROM "KWL_Heat.DB" h ORDER BY h.HTnr)"))
            heats << row.at(0).toString() + QLatin1Char(':') + row.at(1).toString();
        return heats.join(QLatin1Char(' '));
    }

    // Sets the dialog's tick boxes ("1010": tracks 1 and 3) and names as a user would.
    void Choose(const QString& ticks, const QStringList& names)
    {
        for (int t = 1; t <= 4; ++t) {
            if (!Dialog()->TrackBox(t)->isEnabled())
                continue;
            if (Dialog()->TrackBox(t)->isChecked() != (ticks.at(t - 1) == QLatin1Char('1')))
                Dialog()->TrackBox(t)->click();
            if (Dialog()->DriverChoice(t)->isVisible())
                Dialog()->DriverChoice(t)->setCurrentText(names.value(t - 1));
        }
    }

    // Runs `action` in the heats window and answers the dialog with `respond`.
    void InHeatsWindow(const std::function<void()>& action)
    {
        TModalProbe heats([&] { Heats()->OpenHeats(Rig().Form()->Placement(), 1, 1); },
                          [&](QDialog* window) {
                              action();
                              window->findChild<QPushButton*>(QStringLiteral("ButtonDone"))->click();
                          });
        QVERIFY(heats.opened && !heats.leftOpen);
    }
    void Dialogue(const std::function<void()>& click, const std::function<void()>& respond)
    {
        TModalProbe dialog(click, [&](QDialog*) { respond(); });
        QCOMPARE(dialog.opened.data(), static_cast<QDialog*>(Dialog()));
        QVERIFY(!dialog.leftOpen);
    }

private slots:
    void init()
    {
        m_rig = std::make_unique<TAppRig>();
        Rig().WriteSettingsFile();
        QCOMPARE(Rig().Start(), -1);
        TRecordActions actions(Db());
        QVERIFY(actions.AddDrivers({"Anna", "Bert", "Cees", "Dirk", "Eva"}));
        QVERIFY(actions.AddChampionship(QStringLiteral("Club"), 10, 3, false));
        QVERIFY(actions.AddRace(1, QStringLiteral("Spa")));
    }
    void cleanup() { m_rig.reset(); }

    void addOrChange_data()
    {
        QTest::addColumn<int>("tracks");
        QTest::addColumn<QStringList>("heat");  // an unfinished heat 1 to change; none: Add
        QTest::addColumn<QString>("shown");     // change: the ticks the dialog opens with
        QTest::addColumn<QString>("ticks");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("rotate");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("expected");
        QTest::newRow("add tracks 1 and 3, rotated")
            << 4 << QStringList{} << ""
            << "1010" << QStringList{"Anna", "", "Cees", ""} << true << true
            << "1:Anna,-,Cees,- 2:-,Anna,-,Cees 3:Cees,-,Anna,- 4:-,Cees,-,Anna";
        QTest::newRow("add on one track, rotated") << 1 << QStringList{} << ""
                                                   << "1000" << QStringList{"Eva"} << true << true << "1:Eva,-,-,-";
        QTest::newRow("add without rotation")
            << 2 << QStringList{} << ""
            << "1100" << QStringList{"Bert", "Anna"} << false << true << "1:Bert,Anna,-,-";
        QTest::newRow("add, ticked but no names") << 4 << QStringList{} << ""
                                                  << "1111" << QStringList{} << true << true << "";
        QTest::newRow("add cancelled") << 4 << QStringList{} << ""
                                       << "1111" << QStringList{"Anna", "Bert", "Cees", "Dirk"} << false << false << "";
        QTest::newRow("change: 2 to 3") << 4 << QStringList{"Anna", "Bert", "", "Dirk"} << "1101"
                                        << "1011" << QStringList{"Anna", "", "Cees", "Dirk"} << false << true
                                        << "1:Anna,-,Cees,Dirk";
        QTest::newRow("change: nobody left") << 4 << QStringList{"Anna", "Bert", "", "Dirk"} << "1101"
                                             << "0000" << QStringList{} << false << true << "1:Anna,Bert,-,Dirk";
        QTest::newRow("change cancelled")
            << 4 << QStringList{"Anna", "Bert", "", "Dirk"} << "1101"
            << "0110" << QStringList{"", "Eva", "Eva", ""} << false << false << "1:Anna,Bert,-,Dirk";
        // Ticks of tracks 3 and 4 are left from the last showing under four
        // tracks; with two tracks they must not count.
        QTest::newRow("change: ticks above the tracks")
            << 2 << QStringList{"Anna", "Bert", "Cees", "Dirk"} << "11"
            << "0000" << QStringList{} << false << true << "1:Anna,Bert,Cees,Dirk";
    }
    void addOrChange()
    {
        QFETCH(int, tracks);
        QFETCH(QStringList, heat);
        QFETCH(QString, shown);
        QFETCH(QString, ticks);
        QFETCH(QStringList, names);
        QFETCH(bool, rotate);
        QFETCH(bool, ok);
        QFETCH(QString, expected);

        const bool adding = heat.isEmpty();
        if (!adding) {
            THeatStore store(Db(), 1, 1);
            TPlannedHeat planned{1, {}};
            for (int t = 0; t < 4; ++t)
                planned.Drivers[size_t(t)] =
                    ReadRows(Db(), R"(SELECT DRVnr FROM "KWL_Drivers.DB" WHERE "Driver Name" = ?)", {heat.at(t)})
                        .value(0)
                        .value(0)
                        .toInt();
            QVERIFY(store.AppendHeats({planned}));
        }
        const QList<QVariantList> scratchBefore = ReadRows(Db(), R"(SELECT * FROM "KWL_SingelRace.DB")");
        InHeatsWindow([&] {
            if (tracks < 4 && !adding) {
                // A first showing under four tracks leaves every track ticked.
                Dialogue([&] { Heats()->ChangeRecordHTClick(); },
                         [&] { Dialog()->findChild<QPushButton*>(QStringLiteral("ButtonOK"))->click(); });
            }
            Rig().context.settings.Tracks = tracks;
            Dialogue([&] { adding ? Heats()->AddRecordHTClick() : Heats()->ChangeRecordHTClick(); },
                     [&] {
                         QCOMPARE(Dialog()->RotationBox()->isVisible(), adding);
                         for (int t = 1; t <= shown.size(); ++t) {
                             QCOMPARE(Dialog()->TrackBox(t)->isChecked(), shown.at(t - 1) == QLatin1Char('1'));
                             QCOMPARE(Dialog()->DriverChoice(t)->isVisible() ? Dialog()->DriverChoice(t)->currentText()
                                                                             : QString(),
                                      shown.at(t - 1) == QLatin1Char('1') ? heat.at(t - 1) : QString());
                         }
                         Choose(ticks, names);
                         if (rotate)
                             Dialog()->RotationBox()->click();
                         Dialog()
                             ->findChild<QPushButton*>(ok ? QStringLiteral("ButtonOK") : QStringLiteral("ButtonCancel"))
                             ->click();
                     });
        });
        QCOMPARE(Described(), expected);
        QCOMPARE(ReadRows(Db(), R"(SELECT * FROM "KWL_SingelRace.DB")"), scratchBefore);
        VERIFY_MESSAGES_SETTLED();
    }

    // "Change" on a finished heat: refused while "Edit Result" is off, else
    // the result dialog, whose correction is stored and shown at once.
    void finishedHeatResultCorrected()
    {
        THeatStore store(Db(), 1, 1);
        QVERIFY(store.AppendHeats({{1, {2, 0, 0, 0}}}));
        Exec(R"(UPDATE "KWL_HeatDetail.DB" SET Laps = 10000, "Time" = 83456, TopLapTime = 7890)");
        Exec(R"(UPDATE "KWL_Heat.DB" SET Finished = 1)");
        InHeatsWindow([&] {
            Rig().messages.Answer(TMessageAnswer::Ok);
            Heats()->ChangeRecordHTClick();
            QCOMPARE(Rig().messages.Texts(), QStringList{"Heat can not be changed. Heat has Finished!."});

            Rig().context.settings.EditResult = true;
            TModalProbe result(
                [&] { Heats()->ChangeRecordHTClick(); },
                [&](QDialog* dialog) {
                    QCOMPARE(dialog, static_cast<QDialog*>(Rig().windows.HeatResultDialog));
                    dialog->findChild<QLineEdit*>(QStringLiteral("EditSec1"))->setText(QStringLiteral("20"));
                    dialog->findChild<QPushButton*>(QStringLiteral("ButtonOK"))->click();
                });
            QVERIFY(result.opened && !result.leftOpen);
            QCOMPARE(Heats()->HeatInfoGrid()->item(0, 3)->text(), QStringLiteral("1:20.456"));
            QCOMPARE(Heats()->DriverInfoGrid()->item(0, 4)->text(), QStringLiteral("1:20.456"));
        });
        QCOMPARE(
            ReadRows(
                Db(),
                R"(SELECT Laps, "Time", TopLapTime, (SELECT Finished FROM "KWL_Heat.DB") FROM "KWL_HeatDetail.DB")"),
            (QList<QVariantList>{{10000, 80456, 7890, 1}}));
        VERIFY_MESSAGES_SETTLED();
    }
};

QTEST_MAIN(TestHeatAddChange)
#include "tst_htchangeadd.moc"
