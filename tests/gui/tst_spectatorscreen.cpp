#include "app/SingleRacePage.h"
#include "common/LapValue.h"
#include "data/RecordActions.h"
#include "spectator/LiveRanking.h"
#include "spectator/SpectatorWindow.h"
#include "support/AppRig.h"
#include "support/DialogSequence.h"
#include "support/EventWait.h"
#include "timing/KWLTimer.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include <algorithm>

namespace {
QPushButton* Button(QWidget* window, const char* name)
{
    return window ? window->findChild<QPushButton*>(QLatin1String(name)) : nullptr;
}
}  // namespace

// The spectator screen beside a race: opened from the main window without
// taking the keyboard, following a Lap race on the simulated track from the
// start lights to the end, where it ranks the drivers as the race's records do.
class TestSpectatorScreen : public QObject {
    Q_OBJECT

private slots:
    void followsASingleRaceToItsResult()
    {
        TAppRig rig;
        rig.WriteSettingsFile();
        // Slow enough in simulated time that the screen, reading every 40 ms, sees the race run.
        rig.UseSimulatedTrack(20261208, 10);
        QCOMPARE(rig.Start(), -1);
        QVERIFY(TRecordActions(rig.context.store.Database())
                    .AddDrivers({QStringLiteral("Anna"), QStringLiteral("Bert"), QStringLiteral("Cees"),
                                 QStringLiteral("Dirk")}));
        TKWL_MainForm* form = rig.Form();
        form->activateWindow();

        QPushButton* open = Button(form, "ButtonSpectatorScreen");
        QVERIFY(open);
        open->click();
        TSpectatorWindow* screen = form->SpectatorScreen();
        QVERIFY(screen && screen->isVisible() && open->isChecked());
        QVERIFY(screen->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
        QVERIFY(!screen->isActiveWindow());

        TSingleRacePage* page = form->SingleRacePage();
        form->Pages()->setCurrentWidget(page);
        const QStringList names{QStringLiteral("Anna"), QStringLiteral("Bert"), QStringLiteral("Cees"),
                                QStringLiteral("Dirk")};
        for (int track = 1; track <= 4; ++track)
            page->DriverChoice(track)->setCurrentText(names[track - 1]);
        page->RaceType()->setCurrentText(QStringLiteral("Lap"));
        page->RaceLength()->setText(QStringLiteral("8"));

        TKWL_Timer* timer = rig.windows.Timer;
        QList<TRankingRow> shownAtEnd;
        QList<TRankingRow> expected;
        bool sawRacing = false;
        QStringList problems;
        const auto race = [&](QDialog* window) {
            QPushButton* start = Button(window, "ButtonStart");
            start->click();
            // What the screen last read, sampled while the race runs.
            if (!WaitUntil(
                    [&] {
                        sawRacing |= rig.context.spectatorBoard.LastRace().Phase == TRacePhase::Racing;
                        return start->isEnabled();
                    },
                    60'000))
                problems << QStringLiteral("the race did not end");
            // The screen reads at its own pace; give it a few of its polls.
            WaitUntil([&] { return rig.context.spectatorBoard.LastRace().Phase == TRacePhase::Finished; }, 5'000);
            QTest::qWait(3 * TSpectatorWindow::PollMs);
            shownAtEnd = RankLive(rig.context.spectatorBoard.LastRace());

            // The result as the records have it, ranked here on their own terms.
            const TTrackStates& tracks = timer->Tracks();
            std::array<int, 4> order{0, 1, 2, 3};
            std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
                if (tracks[a].Laps != tracks[b].Laps)
                    return tracks[a].Laps > tracks[b].Laps;
                return tracks[a].TotalTime < tracks[b].TotalTime;
            });
            for (int i = 0; i < 4; ++i) {
                TRankingRow row;
                row.Place = i + 1;
                row.Track = order[i] + 1;
                row.DriverName = tracks[order[i]].DriverName;
                row.Laps = tracks[order[i]].Laps;
                expected << row;
            }
            Button(window, "ButtonOK")->click();
        };
        const auto lapView = [&](QDialog* dialog) { Button(dialog, "ButtonOK")->click(); };
        const int paintsBefore = screen->PaintCount();
        TDialogSequence run([&] { page->ButtonStartSingelRaceClick(); }, {race, lapView});
        QVERIFY2(run.problems.isEmpty() && problems.isEmpty(),
                 qPrintable((run.problems + problems).join(QStringLiteral("; "))));

        QVERIFY(sawRacing);
        QVERIFY(screen->PaintCount() > paintsBefore);
        QCOMPARE(shownAtEnd.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(shownAtEnd[i].Track, expected[i].Track);
            QCOMPARE(shownAtEnd[i].DriverName, expected[i].DriverName);
            QCOMPARE(shownAtEnd[i].Laps, expected[i].Laps);
        }
        QCOMPARE(LapsOf(expected[0].Laps), 8);

        // The button closes it again; the main window keeps the keyboard throughout.
        open->click();
        QVERIFY(!screen->isVisible());
    }
};

QTEST_MAIN(TestSpectatorScreen)
#include "tst_spectatorscreen.moc"
