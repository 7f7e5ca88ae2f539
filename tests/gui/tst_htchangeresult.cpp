#include "common/Settings.h"
#include "heats/KWLHTChangeResult.h"
#include "support/ModalProbe.h"
#include "support/StoreRig.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {
// The steps of a row in the open dialog: "type EditSec1 20" types over the
// field, "paste EditSec1 x2" sets its text as a paste does, "text EditSec1 20"
// checks it, "open EditSec1" checks the dialog stayed open with the cursor
// there, "ok" and "cancel" press the buttons.
void RunSteps(QDialog* d, const QStringList& steps)
{
    for (const QString& step : steps) {
        const QStringList w = step.split(QLatin1Char(' '));
        auto* edit = w.size() > 1 ? d->findChild<QLineEdit*>(w[1]) : nullptr;
        QVERIFY2(edit || w.size() == 1, qPrintable(step));
        if (w[0] == QLatin1String("type")) {
            edit->setFocus();
            edit->selectAll();
            QTest::keyClicks(edit, w[2]);
        } else if (w[0] == QLatin1String("paste")) {
            edit->setText(w[2]);
        } else if (w[0] == QLatin1String("text")) {
            QCOMPARE(edit->text(), w[2]);
        } else if (w[0] == QLatin1String("open")) {
            QVERIFY(d->isVisible());
            QCOMPARE(d->focusWidget(), edit);
        } else {
            d->findChild<QPushButton*>(w[0] == QLatin1String("ok") ? "ButtonOK" : "ButtonCancel")->click();
        }
    }
}
}  // namespace

class TestHTChangeResult : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_rig = std::make_unique<TStoreRig>();
        for (int i = 0; i < Names.size(); ++i)
            m_rig->Exec(QStringLiteral(R"(INSERT INTO "KWL_Drivers.DB" (DRVnr, "Driver Name") VALUES (?, ?))"),
                        {i + 1, Names[i]});
    }
    void cleanup() { m_rig.reset(); }

    void changeResult_data()
    {
        QTest::addColumn<bool>("timed");
        QTest::addColumn<int>("tracks");
        QTest::addColumn<int>("sectionsPerLap");
        QTest::addColumn<QString>("has");  // per track, "1" with a driver
        QTest::addColumn<int>("time1");
        QTest::addColumn<int>("laps1");
        QTest::addColumn<QString>("shown1");  // minutes, seconds, ms, laps, sections
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("time");
        QTest::addColumn<int>("laps");
        QTest::addColumn<QString>("message");
        QTest::newRow("Lap: seconds changed") << false << 4 << 100 << "1111" << 83456 << 12000 << "1 23 456 12 0"
                                              << QStringList{"type EditSec1 20", "ok"} << true << 80456 << 12000 << "";
        QTest::newRow("Timed: sections cut at once")
            << true << 4 << 100 << "1111" << 301234 << 23045 << "5 1 234 23 45"
            << QStringList{"type EditSections1 150", "text EditSections1 99", "ok"} << true << 301234 << 23099 << "";
        QTest::newRow("Timed: no sections per lap")
            << true << 4 << 0 << "1111" << 1000 << 7030 << "0 1 0 7 0"
            << QStringList{"type EditSections1 5", "text EditSections1 0", "type EditLaps1 8", "ok"} << true << 1000
            << 8000 << "";
        QTest::newRow("Lap: did not finish, left alone")
            << false << 4 << 100 << "1111" << 999999999 << 3000 << "999 39 999 3 0" << QStringList{"ok"} << true
            << 999999999 << 3000 << "";
        QTest::newRow("Lap: did not finish, corrected")
            << false << 4 << 100 << "1111" << 999999999 << 3000 << "999 39 999 3 0"
            << QStringList{"type EditMin1 2", "ok"} << true << 159999 << 3000 << "";
        QTest::newRow("three tracks, none on track 2") << false << 3 << 100 << "1011" << 65000 << 5000 << "1 5 0 5 0"
                                                       << QStringList{"ok"} << true << 65000 << 5000 << "";
        QTest::newRow("garbage pasted, then corrected")
            << false << 4 << 100 << "1111" << 83456 << 12000 << "1 23 456 12 0"
            << QStringList{"paste EditSec1 x2", "ok", "open EditSec1", "paste EditSec1 30", "ok"} << true << 90456
            << 12000 << "'x2' is not a valid integer value";
        QTest::newRow("cancel") << false << 4 << 100 << "1111" << 83456 << 12000 << "1 23 456 12 0"
                                << QStringList{"type EditSec1 20", "cancel"} << false << 83456 << 12000 << "";
    }
    void changeResult()
    {
        QFETCH(bool, timed);
        QFETCH(int, tracks);
        QFETCH(int, sectionsPerLap);
        QFETCH(QString, has);
        QFETCH(QString, message);
        TMessageScript script;
        if (!message.isEmpty())
            script.Answer(TMessageAnswer::Ok);
        // A first showing with a driver on every track and other settings
        // must leave nothing behind for the next.
        TSettings settings;
        settings.SectionsPerLap = 1000;
        TFHTChangeResult dialog(m_rig->Db(), settings);
        THeatResultChoice earlier;
        earlier.Has.fill(true);
        earlier.Entry.fill({4, 1234, 567});
        TModalProbe([&] { dialog.Execute(earlier); }, [](QDialog* d) { d->reject(); });
        settings.Tracks = tracks;
        settings.SectionsPerLap = sectionsPerLap;

        THeatResultChoice choice;
        choice.Timed = timed;
        for (size_t t = 0; t < 4; ++t) {
            choice.Has[t] = has[int(t)] == QLatin1Char('1');
            choice.Entry[t] = {int(t) + 1, (4 + int(t)) * 1000, 60000 + int(t)};
        }
        QFETCH(int, time1);
        QFETCH(int, laps1);
        choice.Entry[0] = {1, laps1, time1};
        const THeatResultChoice before = choice;

        bool result = false;
        TModalProbe probe([&] { result = dialog.Execute(choice); },
                          [&](QDialog* d) {
                              QCOMPARE(d->windowTitle(), QStringLiteral(" K.O.B.A. v2.2- Change Heat Results"));
                              for (int t = 1; t <= 4; ++t) {
                                  const QString n = QString::number(t);
                                  const bool driver = t <= tracks && has[t - 1] == QLatin1Char('1');
                                  QCOMPARE(d->findChild<QCheckBox*>("CheckBoxTrack" + n)->isChecked(), driver);
                                  QCOMPARE(d->findChild<QLabel*>("LabelTrack" + n)->text(),
                                           n + (driver ? ": " + Names[t - 1] : ": -"));
                                  auto* laps = d->findChild<QLineEdit*>("EditLaps" + n);
                                  auto* seconds = d->findChild<QLineEdit*>("EditSec" + n);
                                  QCOMPARE(laps->isVisibleTo(d), driver);
                                  QCOMPARE(driver && laps->isEnabledTo(d), driver && timed);
                                  QCOMPARE(driver && seconds->isEnabledTo(d), driver && !timed);
                              }
                              QStringList shown;
                              for (const char* name : {"EditMin1", "EditSec1", "EditMS1", "EditLaps1", "EditSections1"})
                                  shown << d->findChild<QLineEdit*>(name)->text();
                              QTEST(shown.join(QLatin1Char(' ')), "shown1");
                              QFETCH(QStringList, steps);
                              RunSteps(d, steps);
                          });
        QVERIFY(!probe.leftOpen);
        QTEST(result, "accepted");
        QTEST(choice.Entry[0].Time, "time");
        QTEST(choice.Entry[0].Laps, "laps");
        for (size_t t = 1; t < 4; ++t) {
            // Other lines come back as they went, a line without a driver
            // as zero, and a track beyond those in use is not touched.
            const bool zeroed = result && int(t) < tracks && !before.Has[t];
            QCOMPARE(choice.Entry[t].Time, zeroed ? 0 : before.Entry[t].Time);
            QCOMPARE(choice.Entry[t].Laps, zeroed ? 0 : before.Entry[t].Laps);
        }
        QCOMPARE(script.Texts().join(QString()), message);
        VERIFY_MESSAGES_SETTLED();
    }

private:
    const QStringList Names{"Anna Berg", "Bert Cox", "Cas Dekker", "Dirk Eck"};
    std::unique_ptr<TStoreRig> m_rig;
};

QTEST_MAIN(TestHTChangeResult)
#include "tst_htchangeresult.moc"
