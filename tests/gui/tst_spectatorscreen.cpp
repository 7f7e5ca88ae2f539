#include "app/SingleRacePage.h"
#include "common/LapValue.h"
#include "common/Settings.h"
#include "data/RecordActions.h"
#include "spectator/LiveRanking.h"
#include "spectator/SpectatorJson.h"
#include "spectator/SpectatorPainter.h"
#include "spectator/SpectatorWindow.h"
#include "support/AppRig.h"
#include "support/DialogSequence.h"
#include "support/EventWait.h"
#include "timing/FuelAndPits.h"
#include "timing/KWLTimer.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
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

    // A control unit's fuel bar and pit count in a car's row: under the
    // numbers, over no text, nothing where the interface reports neither;
    // and in the page's feed.
    void fuelAndPits_data()
    {
        QTest::addColumn<int>("fuel");
        QTest::addColumn<int>("pits");
        QTest::addColumn<QColor>("bar");      // the fuel left
        QTest::addColumn<QString>("fields");  // of a driver in the feed, beyond the usual
        const QColor green(0, 176, 0);
        const QColor red(224, 0, 0);
        QTest::newRow("neither reported") << -1 << -1 << QColor() << "";
        QTest::newRow("full tank, no stop yet") << 15 << 0 << green << "fuel=15 pits=0";
        QTest::newRow("four left") << 4 << 2 << green << "fuel=4 pits=2";
        QTest::newRow("three left") << 3 << 2 << red << "fuel=3 pits=2";
        QTest::newRow("empty, stops not counted") << 0 << -1 << red << "fuel=0";
        QTest::newRow("stops only") << -1 << 12 << QColor() << "pits=12";
    }
    void fuelAndPits()
    {
        QFETCH(int, fuel);
        QFETCH(int, pits);
        QFETCH(QColor, bar);
        QFETCH(QString, fields);
        TSettings settings;
        // Dark tracks ($00BBGGRR) under white text: black is the backdrop's alone.
        settings.Foreground[0] = 0x00C08040;
        settings.Foreground[1] = 0x00800060;
        TSnapshotPublisher feed;
        TSpectatorBoard board(feed, settings);
        // The leader, and one a lap behind after a false start: "+1 lap" and
        // "false start" reach below the digits.
        const auto paint = [&](int32_t withFuel, int32_t withPits) {
            TRaceSnapshot race;
            for (size_t n = 0; n < 2; ++n) {
                race.Tracks[n] = {true, n == 1, {}, int32_t(24000 - 1000 * n), 6123, 5987, 150000, withFuel, withPits};
                CopySnapshotName(race.Tracks[n].Name, QStringLiteral("Anna Quigley"));
            }
            feed.Publish(race);
            QImage image(1280, 720, QImage::Format_RGB32);
            QPainter painter(&image);
            PaintSpectatorScene(painter, image.rect(), board);
            return image;
        };
        // A glyph's first drawing can differ by a shade from the cached ones.
        paint(fuel, pits);
        const QImage plain = paint(-1, -1);
        const QImage shown = paint(fuel, pits);
        const QList<QColor> bare{QColor(0x40, 0x80, 0xC0), QColor(0x60, 0x00, 0x80), QColor(Qt::black)};
        QSet<QRgb> added;
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                if (shown.pixel(x, y) != plain.pixel(x, y)) {
                    QVERIFY2(bare.contains(plain.pixelColor(x, y)), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
                    added.insert(shown.pixel(x, y));
                }
            }
        }
        QCOMPARE(added.contains(FuelEmptyColour().rgb()) || (bar.isValid() && added.contains(bar.rgb())), fuel >= 0);
        // The page's feed, from the race as last published.
        const QJsonObject driver = QJsonDocument::fromJson(SpectatorDocument(board))["drivers"][0].toObject();
        QStringList got;
        for (const char* key : {"fuel", "pits"})
            if (driver.contains(key))
                got << QStringLiteral("%1=%2").arg(key).arg(driver[key].toInt());
        QCOMPARE(got.join(QLatin1Char(' ')), fields);
        QCOMPARE(shown != paint(fuel, -1), pits >= 0);
    }
};

QTEST_MAIN(TestSpectatorScreen)
#include "tst_spectatorscreen.moc"
