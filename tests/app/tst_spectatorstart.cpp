#include "app/InfoPage.h"
#include "app/SpectatorStart.h"
#include "common/SpectatorChoice.h"
#include "spectator/SpectatorServer.h"
#include "support/TestSupport.h"

#include <QTcpServer>
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
        const std::unique_ptr<TSpectatorServer> server = StartSpectatorServer(dir.Path(), info);

        QCOMPARE(server != nullptr, enabled && !portTaken);
        if (!enabled)
            QCOMPARE(info.SpectatorText(), QString());
        else if (!portTaken)
            QCOMPARE(info.SpectatorText(), QStringLiteral("Spectator page: http://127.0.0.1:%1/ (this computer only)").arg(port));
        else {
            QVERIFY2(info.SpectatorText().startsWith(QStringLiteral("Spectator page: not started at 127.0.0.1:%1 (").arg(port)),
                     qPrintable(info.SpectatorText()));
            QCOMPARE(messages.Texts(), QStringList{QStringLiteral("The spectator page could not be started at 127.0.0.1:%1.").arg(port)});
        }
        VERIFY_MESSAGES_SETTLED();
    }
};

QTEST_MAIN(TestSpectatorStart)
#include "tst_spectatorstart.moc"
