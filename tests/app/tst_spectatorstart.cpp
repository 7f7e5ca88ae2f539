#include "app/InfoPage.h"
#include "app/SpectatorStart.h"
#include "common/Settings.h"
#include "common/SpectatorChoice.h"
#include "spectator/RaceSnapshot.h"
#include "spectator/SpectatorBoard.h"
#include "spectator/SpectatorServer.h"
#include "support/TestSupport.h"

#include <QTcpServer>
#include <QWebSocket>
#include <QtTest>

// The spectator page at start-up, as kobalap.conf has it.
class TestSpectatorStart : public QObject {
    Q_OBJECT

private slots:
    void start_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("portTaken");
        QTest::newRow("off") << false << false;
        QTest::newRow("on") << true << false;
        QTest::newRow("port taken") << true << true;
    }
    void start()
    {
        QFETCH(bool, enabled);
        QFETCH(bool, portTaken);
        TTestWorkDir dir;
        TMessageScript messages;
        QTcpServer other;
        QVERIFY(other.listen(QHostAddress::LocalHost, 0));
        const quint16 port = other.serverPort();
        if (!portTaken)
            other.close();
        QVERIFY(WriteSpectatorChoice(dir.Path(), {enabled, QStringLiteral("127.0.0.1"), port}));
        if (portTaken)
            messages.Answer(TMessageAnswer::Ok);

        TInfoPage info(QStringLiteral("simulated track"), true);
        TSettings settings;
        TSnapshotPublisher feed;
        TSpectatorBoard board(feed, settings);
        const std::unique_ptr<TSpectatorServer> server = StartSpectatorServer(dir.Path(), info, board);

        QCOMPARE(server != nullptr, enabled && !portTaken);
        if (!enabled)
            QCOMPARE(info.SpectatorText(), QString());
        else if (!portTaken)
            QCOMPARE(info.SpectatorText(),
                     QStringLiteral("Spectator page: http://127.0.0.1:%1/ (this computer only)").arg(port));
        else {
            QVERIFY2(info.SpectatorText().startsWith(
                         QStringLiteral("Spectator page: not started at 127.0.0.1:%1 (").arg(port)),
                     qPrintable(info.SpectatorText()));
            QCOMPARE(messages.Texts(),
                     QStringList{QStringLiteral("The spectator page could not be started at 127.0.0.1:%1.").arg(port)});
        }
        VERIFY_MESSAGES_SETTLED();
    }

    // What a race publishes reaches a phone on the feed, ranked in the track
    // colours; the next heat announced after it follows.
    void feedCarriesThePublishedRace()
    {
        TTestWorkDir dir;
        QTcpServer probe;  // a port that is free now
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 port = probe.serverPort();
        probe.close();
        QVERIFY(WriteSpectatorChoice(dir.Path(), {true, QStringLiteral("127.0.0.1"), port}));
        TInfoPage info(QStringLiteral("simulated track"), true);
        TSettings settings;
        TSnapshotPublisher feed;
        TSpectatorBoard board(feed, settings);
        const std::unique_ptr<TSpectatorServer> server = StartSpectatorServer(dir.Path(), info, board);
        QVERIFY(server);

        TTrackStates tracks;
        TRaceState state;
        tracks[0].Active = true;
        tracks[0].DriverName = QStringLiteral("Anna");
        tracks[1].Active = true;
        tracks[1].DriverName = QStringLiteral("Bert");
        TRaceSnapshot snapshot = MakeRaceSnapshot(tracks, state, 2, 0);
        tracks[1].Laps = 3000;
        tracks[1].TotalTime = 18'500;
        tracks[1].LastLap = 6'100;
        tracks[1].FastestLap = 6'050;
        UpdateRaceSnapshot(snapshot, tracks, state);
        snapshot.Phase = TRacePhase::Racing;
        feed.Publish(snapshot);

        QWebSocket phone;
        QString received;
        QObject::connect(&phone, &QWebSocket::textMessageReceived, [&](const QString& text) { received = text; });
        phone.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/feed").arg(server->Port())));
        QTRY_VERIFY_WITH_TIMEOUT(!received.isEmpty(), 5000);
        QVERIFY2(received.indexOf(QLatin1String("Bert")) < received.indexOf(QLatin1String("Anna")),
                 qPrintable(received));
        QVERIFY2(received.contains(QLatin1String(R"("lastLap":"06.100")")) &&
                     received.contains(QLatin1String(R"("phase":"Racing")")) &&
                     received.contains(QLatin1String(R"("colour":"#ffff00")")),  // track 2's default yellow
                 qPrintable(received));

        TNextHeatView next;
        next.Title = QStringLiteral("Club Cup - Race 1");
        next.Heat = 2;
        next.TrackCount = 2;
        next.Names = {QStringLiteral("Carla"), QStringLiteral("Dirk")};
        board.ShowNextHeat(next);
        QTRY_VERIFY_WITH_TIMEOUT(received.contains(QLatin1String(R"("scene":"nextHeat")")), 5000);
        QVERIFY2(received.contains(QLatin1String(R"("heat":"Heat 2")")) &&
                     received.indexOf(QLatin1String("Carla")) < received.indexOf(QLatin1String("Dirk")),
                 qPrintable(received));
    }
};

QTEST_MAIN(TestSpectatorStart)
#include "tst_spectatorstart.moc"
