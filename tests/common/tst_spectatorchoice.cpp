#include "common/SpectatorChoice.h"
#include "common/TrackInterfaceChoice.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QtTest>

class TestSpectatorChoice : public QObject {
    Q_OBJECT

    std::unique_ptr<TTestWorkDir> m_dir;

private slots:
    void init() { m_dir = std::make_unique<TTestWorkDir>(); }

    // What a start reads from kobalap.conf as the club left it.
    void read_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("port");
        QTest::newRow("no file") << QByteArray() << false << "127.0.0.1" << 8080;
        QTest::newRow("by hand") << QByteArray("[Spectator]\nEnabled = Yes \nAddress = 0.0.0.0 \nPort = 8090\n") << true
                                 << "0.0.0.0" << 8090;
        QTest::newRow("no means off") << QByteArray("[Spectator]\nEnabled=no\n") << false << "127.0.0.1" << 8080;
        QTest::newRow("nonsense") << QByteArray("[Spectator]\nEnabled=1\nAddress=the club\nPort=70000\n") << true
                                  << "127.0.0.1" << 8080;
    }
    void read()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, enabled);
        QFETCH(QString, address);
        QFETCH(int, port);
        if (!contents.isEmpty()) {
            QFile file(TrackInterfaceFilePath(m_dir->Path()));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() && file.flush());
        }
        const TSpectatorChoice choice = ReadSpectatorChoice(m_dir->Path());
        QCOMPARE(choice.Enabled, enabled);
        QCOMPARE(choice.Address, address);
        QCOMPARE(int(choice.Port), port);
    }

    // Written beside the track interface, each keeps the other.
    void writeKeepsTheTrackInterface()
    {
        QVERIFY(WriteTrackInterfaceChoice(
            m_dir->Path(), {TTrackInterfaceChoice::TKind::LapBoard, QStringLiteral("/dev/ttyACM0"), {}, {}}));
        QVERIFY(WriteSpectatorChoice(m_dir->Path(), {true, QStringLiteral("0.0.0.0"), 8081}));
        const TSpectatorChoice choice = ReadSpectatorChoice(m_dir->Path());
        QVERIFY(choice.Enabled);
        QCOMPARE(choice.Address, QStringLiteral("0.0.0.0"));
        QCOMPARE(choice.Port, quint16(8081));
        QCOMPARE(ReadTrackInterfaceChoice(m_dir->Path()).SerialDevice, QStringLiteral("/dev/ttyACM0"));
    }
};

QTEST_GUILESS_MAIN(TestSpectatorChoice)
#include "tst_spectatorchoice.moc"
