#include "app/ChampionshipPage.h"
#include "data/KWLSelectDrivers.h"
#include "data/RecordActions.h"
#include "support/AppRig.h"
#include "support/ModalProbe.h"
#include "widgets/RecordGrid.h"

#include <QPushButton>
#include <QSqlQuery>
#include <QTabWidget>
#include <QtTest>

// The driver selection window, opened from the Championship page and worked
// with the mouse and keyboard; and the links behind it.
namespace {

// The drivers of a championship as the store links them, in name order.
QStringList Links(QSqlDatabase db, const char* championship)
{
    QSqlQuery query(db);
    query.prepare(
        QStringLiteral(R"(SELECT d."Driver Name" FROM "KWL_DIC.db" l JOIN "KWL_Championship.db" c ON c.CSnr = l.CSnr )"
                       R"(JOIN "KWL_Drivers.DB" d ON d.DRVnr = l.DRVnr WHERE c.CSnaam = ? ORDER BY d."Driver Name")"));
    query.addBindValue(QLatin1String(championship));
    query.exec();
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    return names;
}

QStringList Names(const TRecordGrid* grid)
{
    QStringList names;
    for (int row = 0; row < grid->RowCount(); ++row)
        names << grid->model()->index(row, 1).data().toString();
    return names;
}

QPoint RowPoint(const TRecordGrid* grid, const QString& name)
{
    const int row = int(Names(grid).indexOf(name));
    return grid->visualRect(grid->model()->index(row, 1)).center();
}

void ClickRow(TRecordGrid* grid, const QString& name, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, RowPoint(grid, name));
}

void DoubleClickRow(TRecordGrid* grid, const QString& name)
{
    ClickRow(grid, name);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, RowPoint(grid, name));
}

}  // namespace

class TestSelectDrivers : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TAppRig> m_rig;

    TAppRig& Rig() { return *m_rig; }
    QSqlDatabase Db() { return Rig().context.store.Database(); }
    TRecordActions Actions() { return TRecordActions(Db()); }
    TFKWLSelectDrivers* Window() { return Rig().windows.SelectDrivers; }

    // Opens the window with the page's "Select Drivers" and lets `work` use it.
    void Open(const std::function<void(QDialog*)>& work)
    {
        TModalProbe probe(
            [&] { Rig().Form()->findChild<QPushButton*>(QStringLiteral("ButtonSelectDrivers"))->click(); }, work);
        QCOMPARE(probe.opened.data(), Window());
        QVERIFY2(!probe.leftOpen, "\"Done\" did not close the window");
    }
    void Press(QDialog* shown, const char* button) { shown->findChild<QPushButton*>(QLatin1String(button))->click(); }

private slots:
    void init()
    {
        m_rig = std::make_unique<TAppRig>();
        Rig().WriteSettingsFile();
        QCOMPARE(Rig().Start(), -1);
        QVERIFY(Actions().AddDrivers({"Dirk", "anna", "Cees", "Bram", "Eva"}));
        QVERIFY(Actions().AddChampionship("Winter", 10, 3, false));
        QVERIFY(Actions().AddChampionship("Summer", 10, 3, true));
    }
    void cleanup()
    {
        VERIFY_MESSAGES_SETTLED();
        m_rig.reset();
    }

    void movingDriversInAndOut()
    {
        QVERIFY(QSqlQuery(Db()).exec(QStringLiteral(
            R"(INSERT INTO "KWL_DIC.db" SELECT CSnr, DRVnr FROM "KWL_Championship.db", "KWL_Drivers.DB" )"
            R"(WHERE CSnaam = 'Summer' AND "Driver Name" = 'Cees')")));
        Rig().Form()->ChampionshipPage()->Reload(1);  // Winter, after Summer in name order
        Rig().Form()->Pages()->setCurrentWidget(Rig().Form()->ChampionshipPage());
        TRecordGrid* all = Window()->DriversGrid();
        TRecordGrid* in = Window()->ChampionshipDriversGrid();
        Open([&](QDialog* shown) {
            QVERIFY(QTest::qWaitForWindowExposed(shown));
            QCOMPARE(shown->windowTitle(), QStringLiteral(" K.O.B.A. v2.2- Select Drivers"));
            QCOMPARE(shown->geometry(), Rig().Form()->geometry());
            QCOMPARE(Window()->Title(), QStringLiteral("Winter"));
            QCOMPARE(Names(all), (QStringList{"anna", "Bram", "Cees", "Dirk", "Eva"}));

            // Nothing picked yet: ">>" adds nobody.
            Press(shown, "ButtonAdd");
            QCOMPARE(Links(Db(), "Winter"), QStringList{});

            ClickRow(all, "Eva");
            ClickRow(all, "anna", Qt::ControlModifier);
            ClickRow(all, "Cees", Qt::ControlModifier);
            Press(shown, "ButtonAdd");
            QCOMPARE(Links(Db(), "Winter"), (QStringList{"anna", "Cees", "Eva"}));
            QCOMPARE(Names(in), (QStringList{"anna", "Cees", "Eva"}));
            QCOMPARE(all->SelectedKeys().size(), 3);

            // A selection that overlaps the championship: one link per driver.
            ClickRow(all, "Bram", Qt::ControlModifier);
            Press(shown, "ButtonAdd");
            QCOMPARE(Links(Db(), "Winter"), (QStringList{"anna", "Bram", "Cees", "Eva"}));

            Press(shown, "ButtonRemove");  // nothing selected on the right
            QCOMPARE(Names(in), (QStringList{"anna", "Bram", "Cees", "Eva"}));

            DoubleClickRow(in, "Cees");
            QCOMPARE(Links(Db(), "Winter"), (QStringList{"anna", "Bram", "Eva"}));
            QCOMPARE(in->SelectedKeys(), QList<int>{});

            ClickRow(in, "anna");
            ClickRow(in, "Eva", Qt::ControlModifier);
            Press(shown, "ButtonRemove");
            QCOMPARE(Names(in), QStringList{"Bram"});

            DoubleClickRow(all, "Dirk");
            QCOMPARE(Names(in), (QStringList{"Bram", "Dirk"}));

            QTest::keyClick(all, Qt::Key_Escape);
            QVERIFY2(shown->isVisible(), "Esc closed the window");
            Press(shown, "ButtonDone");
        });

        // A driver added while the window was closed is there next time.
        QVERIFY(Actions().AddDriver("Aart"));
        Open([&](QDialog* shown) {
            QCOMPARE(Names(all).first(), QStringLiteral("Aart"));
            QCOMPARE(all->SelectedKeys(), QList<int>{});
            QCOMPARE(Names(in), (QStringList{"Bram", "Dirk"}));

            // A store that cannot be written says so and changes nothing.
            QVERIFY(QSqlQuery(Db()).exec(QStringLiteral("PRAGMA query_only = ON")));
            Rig().messages.Answer(TMessageAnswer::Ok);
            ClickRow(all, "Aart");
            Press(shown, "ButtonAdd");
            QVERIFY2(Rig().messages.Texts().value(0).contains("readonly"),
                     qPrintable(Rig().messages.Texts().join('|')));
            QCOMPARE(Names(in), (QStringList{"Bram", "Dirk"}));
            Press(shown, "ButtonDone");
        });
        QCOMPARE(Links(Db(), "Winter"), (QStringList{"Bram", "Dirk"}));
        QCOMPARE(Links(Db(), "Summer"), QStringList{"Cees"});  // removing from Winter left Summer alone
    }
};

QTEST_MAIN(TestSelectDrivers)
#include "tst_selectdrivers.moc"
