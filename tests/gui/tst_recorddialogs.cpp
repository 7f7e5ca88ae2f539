#include "app/ChampionshipPage.h"
#include "app/DriversPage.h"
#include "data/KWLCSChangeAdd.h"
#include "data/KWLDriverChangeAdd.h"
#include "data/KWLRCChangeAdd.h"
#include "data/RecordActions.h"
#include "support/AppRig.h"
#include "support/ModalProbe.h"
#include "widgets/RecordGrid.h"

#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

// The driver, championship and race dialogs, driven through their widgets
// the way a user drives them: typing, pasting, Enter, Esc and the buttons.
namespace {

enum class TKind { Driver, Championship, Race };

const char* NameField(TKind kind)
{
    switch (kind) {
    case TKind::Driver: return "EditName";
    case TKind::Championship: return "EditChampionship";
    case TKind::Race: return "EditRace";
    }
    return "";
}

// Every row of a table, fields joined by "|", in key order: what the store
// holds, to compare before and after.
QStringList Rows(QSqlDatabase db, const QString& sql)
{
    QSqlQuery query(db);
    if (!query.exec(sql))
        return {QStringLiteral("query failed: ") + sql};
    QStringList rows;
    while (query.next()) {
        QStringList fields;
        for (int i = 0; i < query.record().count(); ++i)
            fields << query.value(i).toString();
        rows << fields.join(QLatin1Char('|'));
    }
    return rows;
}

QLineEdit* Edit(QDialog* dialog, const char* name) { return dialog->findChild<QLineEdit*>(QLatin1String(name)); }

// Types text key by key as a keyboard does, letters beyond Latin-1 too.
void Type(QWidget* widget, const QString& text)
{
    for (char32_t c : text.toUcs4())
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString::fromUcs4(&c, 1), Qt::NoModifier);
}

// Replaces a field's text the way a user does: select all, delete, type.
void Retype(QLineEdit* edit, const QString& text)
{
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    Type(edit, text);
}

void Paste(QLineEdit* edit, const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
}

}  // namespace

Q_DECLARE_METATYPE(TKind)
Q_DECLARE_METATYPE(TRecordMode)

class TestRecordDialogs : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TAppRig> m_rig;
    int m_winter = 0;  // a Lap championship
    int m_spa = 0;     // its race

    TAppRig& Rig() { return *m_rig; }
    QSqlDatabase Db() { return Rig().context.store.Database(); }
    TRecordActions Actions() { return TRecordActions(Db()); }

    QStringList Drivers() { return Rows(Db(), R"(SELECT DRVnr, "Driver Name" FROM "KWL_Drivers.DB" ORDER BY DRVnr)"); }
    QStringList Championships()
    {
        return Rows(
            Db(),
            R"(SELECT CSnr, CSnaam, CSLapsMinutes, CSRacesThatCount, CSTimed FROM "KWL_Championship.db" ORDER BY CSnr)");
    }
    QStringList Races() { return Rows(Db(), R"(SELECT CSnr, RCnr, RCnaam FROM "KWL_Race.DB" ORDER BY RCnr)"); }
    QStringList Table(TKind kind)
    {
        switch (kind) {
        case TKind::Driver: return Drivers();
        case TKind::Championship: return Championships();
        case TKind::Race: return Races();
        }
        return {};
    }

    // Shows a dialog through its entry operation and lets `respond` work it.
    // True for OK. Fails the test when no dialog opened or it was left open.
    bool Run(TKind kind, TRecordMode mode, const std::function<void(QDialog*)>& respond, int key = 0)
    {
        bool result = false;
        TModalProbe probe(
            [&] {
                switch (kind) {
                case TKind::Driver: result = Rig().windows.DriverDialog->Execute(mode, key); break;
                case TKind::Championship: result = Rig().windows.ChampionshipDialog->Execute(mode, key); break;
                case TKind::Race: result = Rig().windows.RaceDialog->Execute(mode, m_winter, key); break;
                }
            },
            respond);
        if (!probe.opened)
            QTest::qFail("the dialog did not open", __FILE__, __LINE__);
        if (probe.leftOpen)
            QTest::qFail("the dialog was left open", __FILE__, __LINE__);
        return result;
    }
    // The row of each kind that change mode works on.
    int ChangeKey(TKind kind)
    {
        switch (kind) {
        case TKind::Driver: return Actions().AddDriver(QStringLiteral("Bram")).value_or(0);
        case TKind::Championship: return m_winter;
        case TKind::Race: return m_spa;
        }
        return 0;
    }
    // Fills the fields that a valid new row needs besides its name.
    static void CompleteNewRow(TKind kind, QDialog* shown)
    {
        if (kind != TKind::Championship)
            return;
        Type(Edit(shown, "EditLapsMinutes"), QStringLiteral("10"));
        Type(Edit(shown, "EditRacesThatCount"), QStringLiteral("3"));
    }

    static void AddKindRows(const char* what)
    {
        QTest::addRow("driver %s", what) << TKind::Driver;
        QTest::addRow("championship %s", what) << TKind::Championship;
        QTest::addRow("race %s", what) << TKind::Race;
    }

private slots:
    void init()
    {
        m_rig = std::make_unique<TAppRig>();
        Rig().WriteSettingsFile();
        QCOMPARE(Rig().Start(), -1);
        m_winter = Actions().AddChampionship(QStringLiteral("Winter"), 20, 4, false).value_or(0);
        m_spa = Actions().AddRace(m_winter, QStringLiteral("Spa")).value_or(0);
        QVERIFY(m_winter > 0 && m_spa > 0);
    }
    void cleanup()
    {
        VERIFY_MESSAGES_SETTLED();
        m_rig.reset();
    }

    void captionsAndPlaces_data()
    {
        QTest::addColumn<TKind>("kind");
        QTest::addColumn<TRecordMode>("mode");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("titleButtons");
        const QSize driver(317, 189), championship(394, 211), race(350, 214);
        QTest::newRow("driver add") << TKind::Driver << TRecordMode::Add << " K.O.B.A. v2.2- Add Driver" << driver
                                    << false;
        QTest::newRow("driver change") << TKind::Driver << TRecordMode::Change << " K.O.B.A. v2.2- Change Driver"
                                       << driver << false;
        QTest::newRow("championship add")
            << TKind::Championship << TRecordMode::Add << " K.O.B.A. v2.2- Add Championship" << championship << false;
        QTest::newRow("championship change") << TKind::Championship << TRecordMode::Change
                                             << " K.O.B.A. v2.2- Change Championship" << championship << false;
        QTest::newRow("race add") << TKind::Race << TRecordMode::Add << " K.O.B.A. v2.2- Add Race" << race << true;
        QTest::newRow("race change") << TKind::Race << TRecordMode::Change << " K.O.B.A. v2.2- Change Race" << race
                                     << true;
    }
    void captionsAndPlaces()
    {
        QFETCH(TKind, kind);
        QFETCH(TRecordMode, mode);
        QFETCH(QString, caption);
        QFETCH(QSize, size);
        QFETCH(bool, titleButtons);
        const int key = mode == TRecordMode::Change ? ChangeKey(kind) : 0;
        const QRect mainWindow = Rig().Form()->frameGeometry();
        Run(
            kind, mode,
            [&](QDialog* shown) {
                QCOMPARE(shown->windowTitle(), caption);
                QCOMPARE(shown->size(), size);
                QCOMPARE(shown->windowFlags().testFlag(Qt::WindowCloseButtonHint), titleButtons);
                QCOMPARE(shown->windowFlags().testFlag(Qt::WindowMinimizeButtonHint), titleButtons);
                if (kind == TKind::Race) {
                    QCOMPARE(shown->pos(), QPoint(143, 109));
                } else {
                    const QPoint offset = shown->frameGeometry().center() - mainWindow.center();
                    QVERIFY2(offset.manhattanLength() <= 2, "centred on the main window");
                }
                QCOMPARE(Edit(shown, NameField(kind))->maxLength(), 25);
                QCOMPARE(shown->findChild<QPushButton*>("ButtonOK")->text(), QStringLiteral("OK"));
                QVERIFY(shown->findChild<QPushButton*>("ButtonOK")->isDefault());
                QCOMPARE(shown->findChild<QPushButton*>("ButtonCancel")->text(), QStringLiteral("Cancel"));
                shown->reject();
            },
            key);
    }

    void fieldsAndLabels_data()
    {
        QTest::addColumn<TKind>("kind");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QList<int>>("widths");
        QTest::newRow("driver") << TKind::Driver << QStringList{"Name"} << QList<int>{201};
        QTest::newRow("championship") << TKind::Championship
                                      << QStringList{"Championship", "Minutes", "Races That Count", "Race type"}
                                      << QList<int>{201, 49, 49};
        QTest::newRow("race") << TKind::Race << QStringList{"Winter", "Race"} << QList<int>{201, 281};
    }
    void fieldsAndLabels()
    {
        QFETCH(TKind, kind);
        QFETCH(QStringList, labels);
        QFETCH(QList<int>, widths);
        Run(kind, TRecordMode::Add, [&](QDialog* shown) {
            QStringList shownLabels;
            for (QLabel* label : shown->findChildren<QLabel*>())
                shownLabels << label->text();
            QCOMPARE(shownLabels, labels);
            QList<int> shownWidths;
            for (QLineEdit* edit : shown->findChildren<QLineEdit*>())
                if (edit->parentWidget() == shown)
                    shownWidths << edit->width();
            if (auto* title = shown->findChild<QLabel*>("LabelChampionship")) {
                shownWidths << title->width();
                QVERIFY(title->alignment().testFlag(Qt::AlignHCenter));
            }
            QCOMPARE(shownWidths, widths);
            if (auto* type = shown->findChild<QComboBox*>("ComboRaceType")) {
                QCOMPARE(type->count(), 2);
                QCOMPARE(type->itemText(0), QStringLiteral("Timed"));
                QCOMPARE(type->itemText(1), QStringLiteral("Lap"));
            }
            shown->reject();
        });
    }

    // The store compares driver names without regard to letter case; a
    // refused name leaves every driver as it was.
    void driverNameTaken_data()
    {
        QTest::addColumn<TRecordMode>("mode");
        QTest::addColumn<QString>("changed");  // the driver being changed
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("written");
        QTest::addColumn<QStringList>("after");
        const QStringList before{"Anna", "Bram"};
        QTest::newRow("add same name") << TRecordMode::Add << ""
                                       << "Anna" << false << before;
        QTest::newRow("add other case") << TRecordMode::Add << ""
                                        << "aNNA" << false << before;
        QTest::newRow("change to another's name") << TRecordMode::Change << "Bram"
                                                  << "Anna" << false << before;
        QTest::newRow("change to another's, other case") << TRecordMode::Change << "Bram"
                                                         << "ANNA" << false << before;
        QTest::newRow("own name, other case") << TRecordMode::Change << "Anna"
                                              << "ANNA" << true << QStringList{"ANNA", "Bram"};
        QTest::newRow("trailing blank is another name") << TRecordMode::Add << ""
                                                        << "Anna " << true << QStringList{"Anna", "Bram", "Anna "};
    }
    void driverNameTaken()
    {
        QFETCH(TRecordMode, mode);
        QFETCH(QString, changed);
        QFETCH(QString, typed);
        QFETCH(bool, written);
        QFETCH(QStringList, after);
        const int anna = Actions().AddDriver("Anna").value_or(0);
        const int bram = Actions().AddDriver("Bram").value_or(0);
        const int key = changed == "Anna" ? anna : changed == "Bram" ? bram : 0;
        if (!written)
            Rig().messages.Answer(TMessageAnswer::Ok);
        const bool result = Run(
            TKind::Driver, mode,
            [&](QDialog* shown) {
                Retype(Edit(shown, "EditName"), typed);
                QTest::keyClick(Edit(shown, "EditName"), Qt::Key_Return);
            },
            key);
        QCOMPARE(result, written);
        QCOMPARE(Rig().messages.Texts(), written ? QStringList{} : QStringList{"Driver already exists."});
        QStringList names;
        for (const QString& row : Drivers())
            names << row.section(QLatin1Char('|'), 1);
        QCOMPARE(names, after);
    }

    // OK without typing in change mode writes nothing and is Cancel, so the
    // page does not reopen its list; once something is typed the row is
    // written and the list reopens on its first row.
    void changeThroughThePage_data()
    {
        QTest::addColumn<TKind>("kind");
        QTest::addColumn<bool>("alter");
        for (bool alter : {false, true}) {
            const char* what = alter ? "typed" : "untouched";
            QTest::addRow("driver %s", what) << TKind::Driver << alter;
            QTest::addRow("championship %s", what) << TKind::Championship << alter;
            QTest::addRow("race %s", what) << TKind::Race << alter;
        }
    }
    void changeThroughThePage()
    {
        QFETCH(TKind, kind);
        QFETCH(bool, alter);
        QVERIFY(Actions().AddDrivers({"Anna", "Bram"}));
        const int autumn = Actions().AddChampionship("Autumn", 8, 2, true).value_or(0);
        QVERIFY(Actions().AddRace(m_winter, "Assen"));
        TRecordGrid* grid = nullptr;
        const char* button = nullptr;
        switch (kind) {
        case TKind::Driver:
            grid = Rig().Form()->DriversPage()->Grid();
            Rig().Form()->DriversPage()->Reload(1);
            button = "ButtonDriverChange";
            break;
        case TKind::Championship:
            grid = Rig().Form()->ChampionshipPage()->ChampionshipGrid();
            Rig().Form()->ChampionshipPage()->Reload(1);
            QCOMPARE(grid->Key(), m_winter);
            button = "ButtonCSChange";
            break;
        case TKind::Race:
            Rig().Form()->ChampionshipPage()->Reload(1);
            grid = Rig().Form()->ChampionshipPage()->RaceGrid();
            Rig().Form()->ChampionshipPage()->ReloadRaces(1);
            QCOMPARE(grid->Key(1), m_spa);
            button = "ButtonRCChange";
            break;
        }
        QVERIFY(autumn > 0);
        QCOMPARE(grid->CurrentRow(), 1);
        const QStringList before = Table(kind);
        TModalProbe probe([&] { Rig().Form()->findChild<QPushButton*>(QLatin1String(button))->click(); },
                          [&](QDialog* shown) {
                              if (alter)
                                  Type(Edit(shown, NameField(kind)), QStringLiteral("x"));
                              QTest::keyClick(Edit(shown, NameField(kind)), Qt::Key_Return);
                          });
        QVERIFY(probe.opened);
        QVERIFY(!probe.leftOpen);
        QCOMPARE(Table(kind) != before, alter);
        QCOMPARE(grid->CurrentRow(), alter ? 0 : 1);
    }

    // Only the user's own change of the race type makes the row pending.
    void raceTypeChangeIsAChange()
    {
        const int summer = Actions().AddChampionship("Summer", 20, 4, false).value_or(0);
        QVERIFY(Run(
            TKind::Championship, TRecordMode::Change,
            [&](QDialog* shown) {
                QTest::keyClick(shown->findChild<QComboBox*>("ComboRaceType"), Qt::Key_Up);
                QTest::keyClick(Edit(shown, "EditChampionship"), Qt::Key_Return);
            },
            summer));
        QCOMPARE(Championships().last(), QStringLiteral("%1|Summer|20|4|1").arg(summer));
    }

    void championshipNotValid_data()
    {
        QTest::addColumn<TRecordMode>("mode");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("laps");
        QTest::addColumn<QString>("count");
        QTest::newRow("add, blank name") << TRecordMode::Add << "   "
                                         << "10"
                                         << "3";
        QTest::newRow("add, no name") << TRecordMode::Add << ""
                                      << "10"
                                      << "3";
        QTest::newRow("add, no length") << TRecordMode::Add << "Cup"
                                        << ""
                                        << "3";
        QTest::newRow("add, no races that count") << TRecordMode::Add << "Cup"
                                                  << "10"
                                                  << "";
        QTest::newRow("change, blank name") << TRecordMode::Change << "  "
                                            << "20"
                                            << "4";
        QTest::newRow("change, length cleared") << TRecordMode::Change << "Winter"
                                                << ""
                                                << "4";
        QTest::newRow("change, count cleared") << TRecordMode::Change << "Winter"
                                               << "20"
                                               << "";
    }
    void championshipNotValid()
    {
        QFETCH(TRecordMode, mode);
        QFETCH(QString, name);
        QFETCH(QString, laps);
        QFETCH(QString, count);
        const QStringList before = Championships();
        Rig().messages.Answer(TMessageAnswer::Ok);
        const bool result = Run(
            TKind::Championship, mode,
            [&](QDialog* shown) {
                Retype(Edit(shown, "EditChampionship"), name);
                Retype(Edit(shown, "EditLapsMinutes"), laps);
                Retype(Edit(shown, "EditRacesThatCount"), count);
                shown->findChild<QPushButton*>("ButtonOK")->click();
            },
            mode == TRecordMode::Change ? m_winter : 0);
        QVERIFY(!result);
        QCOMPARE(Rig().messages.Texts(), QStringList{"Data entered not valid, action canceled!"});
        QCOMPARE(Championships(), before);
    }

    // Race and championship names are trimmed of blanks at either end;
    // blanks inside stay. A driver's name is stored as typed. A name that is
    // blank is refused.
    void namesTrimmed_data()
    {
        QTest::addColumn<TKind>("kind");
        QTest::addColumn<TRecordMode>("mode");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");  // empty: refused
        QTest::newRow("race add") << TKind::Race << TRecordMode::Add << "  Le  Mans  "
                                  << "Le  Mans";
        QTest::newRow("race change") << TKind::Race << TRecordMode::Change << " Spa Francorchamps "
                                     << "Spa Francorchamps";
        QTest::newRow("race add, blanks only") << TKind::Race << TRecordMode::Add << "    "
                                               << "";
        QTest::newRow("race add, empty") << TKind::Race << TRecordMode::Add << ""
                                         << "";
        QTest::newRow("race change, blanks only") << TKind::Race << TRecordMode::Change << "  "
                                                  << "";
        QTest::newRow("championship add") << TKind::Championship << TRecordMode::Add << "   Winter  Cup "
                                          << "Winter  Cup";
        QTest::newRow("driver add, as typed") << TKind::Driver << TRecordMode::Add << "  Anna  B "
                                              << "  Anna  B ";
        QTest::newRow("driver add, empty") << TKind::Driver << TRecordMode::Add << ""
                                           << "";
        QTest::newRow("driver add, blanks only") << TKind::Driver << TRecordMode::Add << "   "
                                                 << "";
        QTest::newRow("driver change, blanks only") << TKind::Driver << TRecordMode::Change << " "
                                                    << "";
    }
    void namesTrimmed()
    {
        QFETCH(TKind, kind);
        QFETCH(TRecordMode, mode);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        const int key = mode == TRecordMode::Change ? ChangeKey(kind) : 0;
        const QStringList before = Table(kind);
        if (stored.isEmpty())
            Rig().messages.Answer(TMessageAnswer::Ok);
        const bool result = Run(
            kind, mode,
            [&](QDialog* shown) {
                Retype(Edit(shown, NameField(kind)), typed);
                if (mode == TRecordMode::Add)
                    CompleteNewRow(kind, shown);
                QTest::keyClick(Edit(shown, NameField(kind)), Qt::Key_Enter);
            },
            key);
        QCOMPARE(result, !stored.isEmpty());
        if (stored.isEmpty()) {
            QCOMPARE(Rig().messages.Texts(), QStringList{"Name not valid, action canceled!"});
            QCOMPARE(Table(kind), before);
        } else {
            QCOMPARE(
                Table(kind).last().section(QLatin1Char('|'), kind == TKind::Race ? 2 : 1, kind == TKind::Race ? 2 : 1),
                stored);
        }
    }

    // With races present the race type is locked; the other fields are not.
    void raceTypeLockedByRaces_data()
    {
        QTest::addColumn<bool>("hasRaces");
        QTest::newRow("with a race") << true;
        QTest::newRow("without races") << false;
    }
    void raceTypeLockedByRaces()
    {
        QFETCH(bool, hasRaces);
        const int cs = hasRaces ? m_winter : Actions().AddChampionship("Summer", 20, 4, false).value_or(0);
        QVERIFY(Run(
            TKind::Championship, TRecordMode::Change,
            [&](QDialog* shown) {
                auto* type = shown->findChild<QComboBox*>("ComboRaceType");
                QCOMPARE(type->isEnabled(), !hasRaces);
                QCOMPARE(type->currentText(), QStringLiteral("Lap"));
                for (const char* field : {"EditChampionship", "EditLapsMinutes", "EditRacesThatCount"})
                    QVERIFY(Edit(shown, field)->isEnabled());
                Retype(Edit(shown, "EditChampionship"), "Renamed");
                Retype(Edit(shown, "EditLapsMinutes"), "25");
                Retype(Edit(shown, "EditRacesThatCount"), "5");
                QTest::keyClick(Edit(shown, "EditRacesThatCount"), Qt::Key_Return);
            },
            cs));
        QCOMPARE(Championships().contains(QStringLiteral("%1|Renamed|25|5|0").arg(cs)), true);
    }

    // The new championship starts as Timed; the length's label follows the
    // race type shown.
    void lengthLabelFollowsRaceType_data()
    {
        QTest::addColumn<TRecordMode>("mode");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("add starts Timed") << TRecordMode::Add << "Minutes"
                                          << "Laps";
        QTest::newRow("change of a Lap championship") << TRecordMode::Change << "Laps"
                                                      << "Minutes";
    }
    void lengthLabelFollowsRaceType()
    {
        QFETCH(TRecordMode, mode);
        QFETCH(QString, first);
        QFETCH(QString, second);
        const int cs = mode == TRecordMode::Add ? 0 : Actions().AddChampionship("Summer", 20, 4, false).value_or(0);
        Run(
            TKind::Championship, mode,
            [&](QDialog* shown) {
                auto* label = shown->findChild<QLabel*>("LabelLapsMinutes");
                auto* type = shown->findChild<QComboBox*>("ComboRaceType");
                QCOMPARE(label->text(), first);
                QTest::keyClick(type, first == "Minutes" ? Qt::Key_Down : Qt::Key_Up);
                QCOMPARE(label->text(), second);
                QTest::keyClick(type, first == "Minutes" ? Qt::Key_Up : Qt::Key_Down);
                QCOMPARE(label->text(), first);
                shown->reject();
            },
            cs);
    }

    // Cancelling an add, by button, Esc or closing the window, writes
    // nothing, and the next add starts from an empty row.
    void cancelledAddLeavesNoTrace_data()
    {
        QTest::addColumn<TKind>("kind");
        QTest::addColumn<QString>("how");
        for (const char* how : {"button", "escape", "close"}) {
            QTest::addRow("driver, %s", how) << TKind::Driver << how;
            QTest::addRow("championship, %s", how) << TKind::Championship << how;
            QTest::addRow("race, %s", how) << TKind::Race << how;
        }
    }
    void cancelledAddLeavesNoTrace()
    {
        QFETCH(TKind, kind);
        QFETCH(QString, how);
        const QStringList before = Table(kind);
        const bool result = Run(kind, TRecordMode::Add, [&](QDialog* shown) {
            Type(Edit(shown, NameField(kind)), QStringLiteral("Left behind"));
            if (kind == TKind::Championship) {
                Type(Edit(shown, "EditLapsMinutes"), QStringLiteral("12"));
                Type(Edit(shown, "EditRacesThatCount"), QStringLiteral("2"));
                QTest::keyClick(shown->findChild<QComboBox*>("ComboRaceType"), Qt::Key_Down);
            }
            if (how == "button")
                shown->findChild<QPushButton*>("ButtonCancel")->click();
            else if (how == "escape")
                QTest::keyClick(Edit(shown, NameField(kind)), Qt::Key_Escape);
            else
                shown->close();
        });
        QVERIFY(!result);
        QCOMPARE(Table(kind), before);

        QVERIFY(Run(kind, TRecordMode::Add, [&](QDialog* shown) {
            QCOMPARE(Edit(shown, NameField(kind))->text(), QString());
            if (kind == TKind::Championship) {
                QCOMPARE(Edit(shown, "EditLapsMinutes")->text(), QString());
                QCOMPARE(Edit(shown, "EditRacesThatCount")->text(), QString());
                QCOMPARE(shown->findChild<QComboBox*>("ComboRaceType")->currentText(), QStringLiteral("Timed"));
                QCOMPARE(shown->findChild<QLabel*>("LabelLapsMinutes")->text(), QStringLiteral("Minutes"));
            }
            Type(Edit(shown, NameField(kind)), QStringLiteral("Next"));
            CompleteNewRow(kind, shown);
            QTest::keyClick(Edit(shown, NameField(kind)), Qt::Key_Return);
        }));
        QCOMPARE(Table(kind).size(), before.size() + 1);
        if (kind == TKind::Championship)
            QVERIFY(Table(kind).last().endsWith(QStringLiteral("|Next|10|3|1")));
    }

    // A change-mode showing leaves nothing behind for the add that follows.
    void addAfterChangeStartsEmpty()
    {
        Run(
            TKind::Championship, TRecordMode::Change, [](QDialog* shown) { shown->reject(); }, m_winter);
        Run(TKind::Championship, TRecordMode::Add, [](QDialog* shown) {
            QCOMPARE(Edit(shown, "EditChampionship")->text(), QString());
            QCOMPARE(Edit(shown, "EditLapsMinutes")->text(), QString());
            auto* type = shown->findChild<QComboBox*>("ComboRaceType");
            QVERIFY(type->isEnabled());
            QCOMPARE(type->currentText(), QStringLiteral("Timed"));
            shown->reject();
        });
    }

    // Quotes, semicolons and letters beyond ASCII are stored as typed.
    void namesStoredExactly_data()
    {
        QTest::addColumn<TKind>("kind");
        QTest::addColumn<QString>("name");
        for (const QString& name :
             {QStringLiteral("O'Neill"), QStringLiteral("Bob \"Speedy\" Jones"), QStringLiteral("x'); DROP TABLE y;--"),
              QStringLiteral("Jürgen Groß"), QStringLiteral("Łukasz Żółć"), QStringLiteral("Ærø Ñandú"),
              QStringLiteral("%_\\ *?"), QStringLiteral("Flag \U0001F3C1 Sainz")}) {
            QTest::addRow("driver %s", qPrintable(name)) << TKind::Driver << name;
            QTest::addRow("championship %s", qPrintable(name)) << TKind::Championship << name;
            QTest::addRow("race %s", qPrintable(name)) << TKind::Race << name;
        }
    }
    void namesStoredExactly()
    {
        QFETCH(TKind, kind);
        QFETCH(QString, name);
        QVERIFY(Run(kind, TRecordMode::Add, [&](QDialog* shown) {
            Type(Edit(shown, NameField(kind)), name);
            CompleteNewRow(kind, shown);
            QTest::keyClick(Edit(shown, NameField(kind)), Qt::Key_Return);
        }));
        const QString last = Table(kind).last();
        QVERIFY2(last.endsWith(QLatin1Char('|') + name) || last.contains(QLatin1Char('|') + name + QLatin1Char('|')),
                 qPrintable(last));
    }

    void twentySixthCharacterCannotBeTyped_data()
    {
        QTest::addColumn<TKind>("kind");
        AddKindRows("name");
    }
    void twentySixthCharacterCannotBeTyped()
    {
        QFETCH(TKind, kind);
        const QString typed = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
        QVERIFY(Run(kind, TRecordMode::Add, [&](QDialog* shown) {
            Type(Edit(shown, NameField(kind)), typed);
            QCOMPARE(Edit(shown, NameField(kind))->text(), typed.left(25));
            CompleteNewRow(kind, shown);
            QTest::keyClick(Edit(shown, NameField(kind)), Qt::Key_Return);
        }));
        QVERIFY(Table(kind).last().contains(typed.left(25)));
        QVERIFY(!Table(kind).last().contains(typed));
    }

    // Typing keeps the number fields to digits, but a paste gets past that:
    // a pasted text that is no 32-bit number is named in an error, nothing is
    // written and the dialog stays open for a correction.
    void pastedNumbers_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("stored");  // laps|count when valid
        for (const QString& field : {QStringLiteral("EditLapsMinutes"), QStringLiteral("EditRacesThatCount")}) {
            const bool laps = field == QLatin1String("EditLapsMinutes");
            const QByteArray name = field.toLatin1();
            QTest::addRow("%s huge", name.constData()) << field << "99999999999999999999" << false << "";
            QTest::addRow("%s one past 32 bits", name.constData()) << field << "2147483648" << false << "";
            QTest::addRow("%s letters", name.constData()) << field << "12abc" << false << "";
            QTest::addRow("%s dollar alone", name.constData()) << field << "$" << false << "";
            QTest::addRow("%s largest", name.constData())
                << field << "2147483647" << true << (laps ? "2147483647|3" : "10|2147483647");
        }
    }
    void pastedNumbers()
    {
        QFETCH(QString, field);
        QFETCH(QString, pasted);
        QFETCH(bool, valid);
        QFETCH(QString, stored);
        const QStringList before = Championships();
        if (!valid)
            Rig().messages.Answer(TMessageAnswer::Ok);
        const bool result = Run(TKind::Championship, TRecordMode::Add, [&](QDialog* shown) {
            Type(Edit(shown, "EditChampionship"), QStringLiteral("Pasted"));
            CompleteNewRow(TKind::Championship, shown);
            Paste(Edit(shown, qPrintable(field)), pasted);
            QCOMPARE(Edit(shown, qPrintable(field))->text(), pasted);
            shown->findChild<QPushButton*>("ButtonOK")->click();
            if (!valid) {
                QVERIFY(shown->isVisible());
                QCOMPARE(Championships(), before);
                shown->findChild<QPushButton*>("ButtonCancel")->click();
            }
        });
        QCOMPARE(result, valid);
        if (valid) {
            QCOMPARE(Championships().last().section(QLatin1Char('|'), 1), QStringLiteral("Pasted|%1|1").arg(stored));
        } else {
            QCOMPARE(Rig().messages.Texts(),
                     QStringList{QStringLiteral("'%1' is not a valid integer value").arg(pasted)});
            QCOMPARE(Messages::Shown().first().kind, TMessageKind::Error);
            QCOMPARE(Championships(), before);
        }
    }

    // A store failure that is not a taken name is reported as what it is.
    void storeFailureIsReportedAsSuch_data()
    {
        QTest::addColumn<TKind>("kind");
        AddKindRows("insert");
    }
    void storeFailureIsReportedAsSuch()
    {
        QFETCH(TKind, kind);
        const char* table = kind == TKind::Driver         ? "KWL_Drivers.DB"
                            : kind == TKind::Championship ? "KWL_Championship.db"
                                                          : "KWL_Race.DB";
        QSqlQuery trigger(Db());
        QVERIFY(trigger.exec(
            QStringLiteral(
                R"(CREATE TEMP TRIGGER fail BEFORE INSERT ON "%1" BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END)")
                .arg(QLatin1String(table))));
        const QStringList before = Table(kind);
        Rig().messages.Answer(TMessageAnswer::Ok);
        QVERIFY(!Run(kind, TRecordMode::Add, [&](QDialog* shown) {
            Type(Edit(shown, NameField(kind)), QStringLiteral("Full"));
            CompleteNewRow(kind, shown);
            QTest::keyClick(Edit(shown, NameField(kind)), Qt::Key_Return);
        }));
        QCOMPARE(Messages::Shown().size(), 1);
        QCOMPARE(Messages::Shown().first().kind, TMessageKind::Error);
        QVERIFY2(Messages::Shown().first().text.contains("database or disk is full"),
                 qPrintable(Messages::Shown().first().text));
        QCOMPARE(Table(kind), before);
    }

    // A row deleted while its change was on the way is not reported as written.
    void changeOfAVanishedRowOpensNothing()
    {
        TModalProbe probe([&] { QVERIFY(!Rig().windows.DriverDialog->Execute(TRecordMode::Change, 4711)); },
                          [](QDialog* shown) { shown->reject(); });
        QVERIFY(!probe.opened);
    }

    // Add from the page: the new row is in the reopened list, which stands
    // on its first row.
    void addThroughThePage_data()
    {
        QTest::addColumn<TKind>("kind");
        AddKindRows("add");
    }
    void addThroughThePage()
    {
        QFETCH(TKind, kind);
        QVERIFY(Actions().AddDrivers({"Anna", "Bram"}));
        QVERIFY(Actions().AddChampionship("Autumn", 8, 2, true));
        QVERIFY(Actions().AddRace(m_winter, "Assen"));
        TDriversPage* drivers = Rig().Form()->DriversPage();
        TChampionshipPage* championships = Rig().Form()->ChampionshipPage();
        drivers->Reload(1);
        championships->Reload(1);
        championships->ReloadRaces(1);
        TRecordGrid* grid = kind == TKind::Driver         ? drivers->Grid()
                            : kind == TKind::Championship ? championships->ChampionshipGrid()
                                                          : championships->RaceGrid();
        const char* button = kind == TKind::Driver         ? "ButtonDriverAdd"
                             : kind == TKind::Championship ? "ButtonCSAdd"
                                                           : "ButtonRCAdd";
        const int rows = grid->RowCount();
        QCOMPARE(grid->CurrentRow(), 1);
        TModalProbe probe([&] { Rig().Form()->findChild<QPushButton*>(QLatin1String(button))->click(); },
                          [&](QDialog* shown) {
                              Type(Edit(shown, NameField(kind)), QStringLiteral("Zandvoort"));
                              CompleteNewRow(kind, shown);
                              QTest::keyClick(Edit(shown, NameField(kind)), Qt::Key_Return);
                          });
        QVERIFY(probe.opened);
        QVERIFY(!probe.leftOpen);
        QCOMPARE(grid->RowCount(), rows + 1);
        QCOMPARE(grid->CurrentRow(), 0);
        QStringList shown;
        for (int row = 0; row < grid->RowCount(); ++row)
            shown << grid->model()->index(row, kind == TKind::Race ? 2 : 1).data().toString();
        QCOMPARE(shown.last(), QStringLiteral("Zandvoort"));
        if (kind == TKind::Race)
            QVERIFY(Races().last().startsWith(QStringLiteral("%1|").arg(m_winter)));
    }
};

QTEST_MAIN(TestRecordDialogs)
#include "tst_recorddialogs.moc"
