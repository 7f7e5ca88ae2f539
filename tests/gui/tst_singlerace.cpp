#include "app/SingleRacePage.h"
#include "app/SingleRacePlan.h"
#include "common/LapValue.h"
#include "common/RaceTime.h"
#include "data/RecordActions.h"
#include "data/SingleRaceScratch.h"
#include "results/KWLRoundResult.h"
#include "support/AppRig.h"
#include "support/EventWait.h"
#include "support/ModalProbe.h"
#include "timing/KWLTimer.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include <algorithm>

namespace {

template <typename T>
T* Child(QWidget* parent, const QString& name)
{
    return parent ? parent->findChild<T*>(name) : nullptr;
}

QPushButton* Button(QWidget* window, const QString& name) { return Child<QPushButton>(window, name); }

QString LapText(uint32_t ms) { return ms >= 60000 ? QStringLiteral("99.999") : FormatRaceTime(ms, 3, false); }

// The fastest and slowest timed lap of a track as the lap view must show them.
QPair<QString, QString> Extremes(const TTrackState& track)
{
    uint32_t fastest = 99999;
    uint32_t slowest = 0;
    for (int lap = 1; lap <= LapsOf(track.Laps); ++lap) {
        const uint32_t time = track.LapTimes[size_t(lap)];
        if (time == 0)
            continue;
        slowest = std::max(slowest, time);
        fastest = std::min(fastest, time);
    }
    return {fastest == 99999 ? QString() : LapText(fastest), slowest == 0 ? QString() : LapText(slowest)};
}

}  // namespace

class TestSingleRace : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TAppRig> m_rig;
    TAppRig& Rig() { return *m_rig; }
    TSingleRacePage* Page() { return Rig().Form()->SingleRacePage(); }
    TKWL_Timer* Timer() { return Rig().windows.Timer; }

    void StartProgram(int tracks = 4)
    {
        m_rig = std::make_unique<TAppRig>();
        TSettings settings;
        settings.Tracks = tracks;
        Rig().WriteSettingsFile(settings);
        Rig().UseSimulatedTrack(20261208);
        QCOMPARE(Rig().Start(), -1);
        QVERIFY(TRecordActions(Rig().context.store.Database())
                    .AddDrivers({QStringLiteral("Anna"), QStringLiteral("Bert"), QStringLiteral("Cees"),
                                 QStringLiteral("Dirk")}));
        VisitPage();
    }
    void VisitPage()
    {
        Rig().Form()->Pages()->setCurrentIndex(0);
        Rig().Form()->Pages()->setCurrentWidget(Page());
    }
    void Choose(int track, const QString& name) { Page()->DriverChoice(track)->setCurrentText(name); }
    void SetRace(const QString& type, const QString& length)
    {
        Page()->RaceType()->setCurrentText(type);
        Page()->RaceLength()->setText(length);
    }
    int ScratchRows()
    {
        QSqlQuery query(Rig().context.store.Database());
        query.exec(QStringLiteral("SELECT COUNT(*) FROM \"KWL_SingelRace.DB\""));
        return query.next() ? query.value(0).toInt() : -1;
    }

private slots:
    void cleanup() { m_rig.reset(); }

    // Drivers on tracks 1 and 3 only, a Timed race of one minute on the
    // simulated track, sections added after the race, and its lap view.
    void timedRaceEndsInItsLapView()
    {
        StartProgram();
        Choose(1, QStringLiteral("Anna"));
        Choose(3, QStringLiteral("Cees"));
        SetRace(QStringLiteral("Timed"), QStringLiteral("1"));

        int timerLaps1 = -1;
        int timerLaps3 = -1;
        bool lapViewSeen = false;
        QString timerProblem;
        QStringList lapViewProblems;
        TTrackState track1;
        TTrackState track3;

        // The timer window comes first; after it closes, the lap view.
        QTimer watcher;
        watcher.setInterval(0);
        QPointer<QDialog> timerSeen;
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            if (dialog == Timer() && !timerSeen) {
                timerSeen = dialog;
                watcher.stop();
                QPushButton* start = Button(dialog, QStringLiteral("ButtonStart"));
                QPushButton* edit = Button(dialog, QStringLiteral("ButtonEditResult"));
                QPushButton* ok = Button(dialog, QStringLiteral("ButtonOK"));
                if (!start || !edit || !ok) {
                    timerProblem = QStringLiteral("timer buttons missing");
                    dialog->reject();
                    watcher.start();
                    return;
                }
                if (!edit->isVisible())
                    timerProblem = QStringLiteral("Edit Result hidden in a Timed race");
                start->click();
                if (!WaitUntil([&] { return start->isEnabled() && edit->isEnabled(); }))
                    timerProblem = QStringLiteral("the race did not end");
                if (ok->isEnabled())
                    timerProblem = QStringLiteral("OK enabled before Edit Result");
                const TTrackStates& tracks = Timer()->Tracks();
                timerLaps1 = tracks[0].Laps;
                timerLaps3 = tracks[2].Laps;
                TModalProbe editProbe([&] { edit->click(); },
                                      [&](QDialog* pause) {
                                          auto* sections1 = Child<QLineEdit>(pause, QStringLiteral("EditSections1"));
                                          auto* sections3 = Child<QLineEdit>(pause, QStringLiteral("EditSections3"));
                                          if (!sections1 || !sections3 || !sections1->isVisible()) {
                                              timerProblem = QStringLiteral("Add Sections fields missing");
                                              return;
                                          }
                                          sections1->setText(QStringLiteral("45"));
                                          sections3->setText(QStringLiteral("150"));
                                          Button(pause, QStringLiteral("ButtonOK"))->click();
                                      });
                if (!editProbe.opened || editProbe.leftOpen)
                    timerProblem = QStringLiteral("the edit dialog did not open or stayed open");
                if (!ok->isEnabled())
                    timerProblem = QStringLiteral("OK not enabled after Edit Result");
                track1 = tracks[0];
                track3 = tracks[2];
                watcher.start();
                ok->click();
                return;
            }
            if (dialog == Rig().windows.RoundResults) {
                watcher.stop();
                lapViewSeen = true;
                auto* title = Child<QLabel>(dialog, QStringLiteral("LabelTitle"));
                auto* grid = Child<QTableWidget>(dialog, QStringLiteral("GridLaps"));
                if (!title || title->text() != QLatin1String("Laps Results"))
                    lapViewProblems << QStringLiteral("title");
                if (!grid) {
                    lapViewProblems << QStringLiteral("grid missing");
                } else {
                    const auto cell = [grid](int row, int column) {
                        QTableWidgetItem* item = grid->item(row, column);
                        return item ? item->text() : QString();
                    };
                    const int last = grid->rowCount() - 1;
                    if (grid->columnCount() != 5)
                        lapViewProblems << QStringLiteral("columns %1").arg(grid->columnCount());
                    if (cell(1, 1) != QLatin1String("Anna") || cell(1, 3) != QLatin1String("Cees") ||
                        !cell(1, 2).isEmpty())
                        lapViewProblems << QStringLiteral("drivers row");
                    if (cell(last - 1, 0) != QLatin1String("Fastest time") ||
                        cell(last, 0) != QLatin1String("Slowest time"))
                        lapViewProblems << QStringLiteral("extreme rows");
                    for (const auto& [column, track] : {qMakePair(1, &track1), qMakePair(3, &track3)}) {
                        const auto [fastest, slowest] = Extremes(*track);
                        if (cell(last - 1, column) != fastest || cell(last, column) != slowest)
                            lapViewProblems << QStringLiteral("extremes of track %1: %2/%3, expected %4/%5")
                                                   .arg(column)
                                                   .arg(cell(last - 1, column), cell(last, column), fastest, slowest);
                        const int laps = LapsOf(track->Laps);
                        if (laps < 1 || cell(laps + 1, column) != LapText(track->LapTimes[size_t(laps)]))
                            lapViewProblems << QStringLiteral("last lap of track %1").arg(column);
                    }
                    if (!cell(last - 1, 2).isEmpty() || !cell(last, 2).isEmpty())
                        lapViewProblems << QStringLiteral("a driverless track has extremes");
                }
                Button(dialog, QStringLiteral("ButtonOK"))->click();
                return;
            }
        });
        watcher.start();
        Page()->ButtonStartSingelRaceClick();
        watcher.stop();

        QVERIFY2(timerSeen, "the timer window did not open");
        QVERIFY2(timerProblem.isEmpty(), qPrintable(timerProblem));
        QVERIFY2(lapViewSeen, "no lap view after an accepted race");
        QVERIFY2(lapViewProblems.isEmpty(), qPrintable(lapViewProblems.join(QLatin1String("; "))));

        // About nine laps in a minute; the sections went onto the last one,
        // 150 cut to one short of a lap.
        QVERIFY(LapsOf(timerLaps1) >= 5);
        QVERIFY(LapsOf(timerLaps3) >= 5);
        QCOMPARE(track1.Laps, AddLapValues(timerLaps1, 45, 100));
        QCOMPARE(track3.Laps, AddLapValues(timerLaps3, 99, 100));
        QVERIFY(!Timer()->Tracks()[1].Active);
        QVERIFY(!Timer()->Tracks()[3].Active);
        QCOMPARE(Timer()->Tracks()[1].Laps, 0);
        // Nothing of a single race is stored.
        QSqlQuery laps(Rig().context.store.Database());
        laps.exec(QStringLiteral("SELECT COUNT(*) FROM \"KWL_HeatDetailLaps.DB\""));
        QVERIFY(laps.next());
        QCOMPARE(laps.value(0).toInt(), 0);
        VERIFY_MESSAGES_SETTLED();
    }

    // A Lap race paused and corrected by hand, resumed, then paused again and
    // finished: the car that had not finished gets the full laps and the
    // no-finish time.
    void lapRacePausedCorrectedAndFinished()
    {
        StartProgram();
        Choose(1, QStringLiteral("Anna"));
        Choose(2, QStringLiteral("Bert"));
        SetRace(QStringLiteral("Lap"), QStringLiteral("30"));

        QString problem;
        int lapsBefore2 = -1;
        int lapsAfter1 = -1;
        int lapsAfter2 = -1;
        int stoppedLaps2 = -1;
        uint32_t winnerTime = 0;
        bool falseStart2 = false;
        QString previewAtFinish;
        TModalProbe race([&] { Page()->ButtonStartSingelRaceClick(); },
                         [&](QDialog* timer) {
                             QPushButton* start = Button(timer, QStringLiteral("ButtonStart"));
                             QPushButton* pause = Button(timer, QStringLiteral("ButtonPause"));
                             QPushButton* ok = Button(timer, QStringLiteral("ButtonOK"));
                             if (Button(timer, QStringLiteral("ButtonEditResult"))->isVisible())
                                 problem = QStringLiteral("Edit Result shown in a Lap race");
                             const TTrackStates& tracks = Timer()->Tracks();
                             start->click();
                             if (!WaitUntil([&] {
                                     return LapsOf(tracks[0].Laps) >= 2 && LapsOf(tracks[1].Laps) >= 1 &&
                                            pause->isEnabled();
                                 })) {
                                 problem = QStringLiteral("no laps before the first pause");
                                 return;
                             }
                             TModalProbe first(
                                 [&] { pause->click(); },
                                 [&](QDialog* dialog) {
                                     // It opens at once; its edits wait for the race to halt.
                                     WaitUntil([&] { return Button(dialog, QStringLiteral("ButtonOK"))->isEnabled(); });
                                     lapsBefore2 = tracks[1].Laps;
                                     // More "+" than the race has laps: the count stops one short.
                                     for (int i = 0; i < 40; ++i)
                                         Button(dialog, QStringLiteral("ButtonPlus1"))->click();
                                     Button(dialog, QStringLiteral("ButtonMinus2"))->click();
                                     Button(dialog, QStringLiteral("ButtonOK"))->click();
                                     lapsAfter1 = tracks[0].Laps;
                                     lapsAfter2 = tracks[1].Laps;
                                 });
                             if (!first.opened || first.leftOpen) {
                                 problem = QStringLiteral("the pause dialog did not open or stayed open");
                                 return;
                             }
                             // Track 1 needs one more lap; then the race goes on for track 2.
                             if (!WaitUntil([&] { return LapsOf(tracks[0].Laps) == 30 && pause->isEnabled(); })) {
                                 problem = QStringLiteral("track 1 did not finish");
                                 return;
                             }
                             TModalProbe second(
                                 [&] { pause->click(); },
                                 [&](QDialog* dialog) {
                                     WaitUntil([&] { return Button(dialog, QStringLiteral("ButtonOK"))->isEnabled(); });
                                     stoppedLaps2 = LapsOf(tracks[1].Laps);
                                     winnerTime = tracks[0].TotalTime;
                                     falseStart2 = tracks[1].FalseStart;
                                     previewAtFinish = Child<QLabel>(dialog, QStringLiteral("LabelPreview2"))->text();
                                     Button(dialog, QStringLiteral("ButtonFinishRace"))->click();
                                 });
                             if (!WaitUntil([&] { return start->isEnabled(); })) {
                                 problem = QStringLiteral("the race did not end after Finish Race");
                                 return;
                             }
                             if (!ok->isEnabled())
                                 problem = QStringLiteral("OK not enabled after a Lap race");
                             // Cancel: the lap view must not follow.
                             Button(timer, QStringLiteral("ButtonCancel"))->click();
                         });
        QVERIFY2(race.opened == Timer(), "the timer window did not open");
        QVERIFY(!race.leftOpen);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));

        QCOMPARE(lapsAfter1, 29000);
        QCOMPARE(lapsAfter2, lapsBefore2 - 1000);
        QVERIFY(stoppedLaps2 < 30);
        const TTrackStates& tracks = Timer()->Tracks();
        QCOMPARE(tracks[1].Laps, 30000);
        const TSettings& settings = Rig().context.settings;
        const uint32_t expected = winnerTime + uint32_t(30 - stoppedLaps2) * uint32_t(settings.LapNoFinishMs) +
                                  (falseStart2 ? uint32_t(settings.LapFalseStartMs) : 0u);
        QCOMPARE(tracks[1].TotalTime, expected);
        // The pause dialog's preview showed that result before it was final,
        // and the race screen shows it now.
        const QString result = QStringLiteral("30.00/") + FormatRaceTime(expected, 3, true);
        QCOMPARE(previewAtFinish, result);
        QCOMPARE(Child<QLabel>(Timer(), QStringLiteral("LabelLaps2"))->text(), result);
        VERIFY_MESSAGES_SETTLED();
    }

    void startWithoutDriversWarns()
    {
        StartProgram();
        Rig().messages.Answer(TMessageAnswer::Ok);
        TModalProbe probe([&] { Page()->ButtonStartSingelRaceClick(); }, [](QDialog*) {});
        QVERIFY(!probe.opened);
        QCOMPARE(Rig().messages.Texts(), QStringList{QStringLiteral("No drivers where selected!")});
        VERIFY_MESSAGES_SETTLED();
    }

    void emptyLengthIsRefused()
    {
        StartProgram();
        Choose(1, QStringLiteral("Anna"));
        SetRace(QStringLiteral("Lap"), QString());
        Rig().messages.Answer(TMessageAnswer::Ok);
        TModalProbe probe([&] { Page()->ButtonStartSingelRaceClick(); }, [](QDialog*) {});
        QVERIFY(!probe.opened);
        QCOMPARE(Rig().messages.Texts(), QStringList{QStringLiteral("'' is not a valid integer value")});
        VERIFY_MESSAGES_SETTLED();
    }

    void plan_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("length");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("raceLength");
        QTest::newRow("laps") << "Lap"
                              << "20" << true << 20;
        QTest::newRow("minutes in seconds") << "Timed"
                                            << "20" << true << 1200;
        // Only the exact text "Lap" makes a Lap race.
        QTest::newRow("lower-case lap is timed") << "lap"
                                                 << "20" << true << 1200;
        QTest::newRow("empty type is timed") << ""
                                             << "2" << true << 120;
        QTest::newRow("empty length") << "Lap"
                                      << "" << false << 0;
        // Seconds that do not fit would wrap into a short race.
        QTest::newRow("minutes beyond the clock") << "Timed"
                                                  << "99999999" << false << 0;
        QTest::newRow("the same laps are fine") << "Lap"
                                                << "99999999" << true << 99999999;
    }
    void plan()
    {
        QFETCH(QString, type);
        QFETCH(QString, length);
        QFETCH(bool, ok);
        QFETCH(int, raceLength);
        const TSingleRacePlan plan = PlanSingleRace(type, length);
        QCOMPARE(plan.ok, ok);
        QCOMPARE(plan.raceLength, raceLength);
        QCOMPARE(plan.error.isEmpty(), ok);
    }

    void lengthLabelFollowsTheType()
    {
        StartProgram();
        auto* label = Page()->findChild<QLabel*>(QStringLiteral("LabelSingelRaceLapMin"));
        QCOMPARE(Page()->RaceType()->currentText(), QStringLiteral("Lap"));
        QCOMPARE(label->text(), QStringLiteral("Laps"));
        Page()->RaceType()->setCurrentText(QStringLiteral("Timed"));
        QCOMPARE(label->text(), QStringLiteral("Minutes"));
        Page()->RaceType()->setCurrentText(QStringLiteral("Lap"));
        QCOMPARE(label->text(), QStringLiteral("Laps"));
    }

    // Each visit starts with a fresh scratch row and no drivers chosen, while
    // type and length stay as they were.
    void revisitClearsTheDriversOnly()
    {
        StartProgram(2);
        QVERIFY(Page()->findChild<QGroupBox*>(QStringLiteral("PanelTrack2"))->isVisible());
        QVERIFY(!Page()->findChild<QGroupBox*>(QStringLiteral("PanelTrack3"))->isVisible());
        QVERIFY(!Page()->findChild<QGroupBox*>(QStringLiteral("PanelTrack4"))->isVisible());
        QCOMPARE(Page()->DriverChoice(1)->count(), 5);  // no driver, then the four in name order
        QCOMPARE(Page()->DriverChoice(1)->itemText(1), QStringLiteral("Anna"));

        Choose(2, QStringLiteral("Dirk"));
        SetRace(QStringLiteral("Timed"), QStringLiteral("7"));
        TSingleRaceScratch scratch(Rig().context.store.Database());
        QCOMPARE(scratch.Drivers()[1], QStringLiteral("Dirk"));
        QCOMPARE(ScratchRows(), 1);

        VisitPage();
        QCOMPARE(Page()->DriverChoice(2)->currentText(), QString());
        QCOMPARE(scratch.Drivers()[1], QString());
        QCOMPARE(ScratchRows(), 1);
        QCOMPARE(Page()->RaceType()->currentText(), QStringLiteral("Timed"));
        QCOMPARE(Page()->RaceLength()->text(), QStringLiteral("7"));
        VERIFY_MESSAGES_SETTLED();
    }

    // A choice made while four tracks were set must not put a driver on a
    // track that is hidden now.
    void hiddenTracksGetNoDriver()
    {
        StartProgram();
        Choose(4, QStringLiteral("Dirk"));
        Rig().context.settings.Tracks = 2;
        Rig().messages.Answer(TMessageAnswer::Ok);
        TModalProbe probe([&] { Page()->ButtonStartSingelRaceClick(); }, [](QDialog*) {});
        QVERIFY(!probe.opened);
        QCOMPARE(Rig().messages.Texts(), QStringList{QStringLiteral("No drivers where selected!")});
        VERIFY_MESSAGES_SETTLED();
    }
};

QTEST_MAIN(TestSingleRace)
#include "tst_singlerace.moc"
