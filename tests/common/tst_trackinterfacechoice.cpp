#include "common/TrackInterfaceChoice.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QSettings>
#include <QtTest>

using TKind = TTrackInterfaceChoice::TKind;
using TOutputs = TTrackInterfaceChoice::TOutputs;
Q_DECLARE_METATYPE(TKind)
Q_DECLARE_METATYPE(TTrackInterfaceChoice)
Q_DECLARE_METATYPE(TInterfaceFlags)

class TestTrackInterfaceChoice : public QObject {
    Q_OBJECT

    std::unique_ptr<TTestWorkDir> m_dir;
    QString Conf() const { return TrackInterfaceFilePath(m_dir->Path()); }

private slots:
    void init() { m_dir = std::make_unique<TTestWorkDir>(); }

    // What a start reads from kobalap.conf as it finds it, or after the page
    // has written a choice over it.
    void readAndWrite_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("write");  // the board on /dev/ttyUSB1
        QTest::addColumn<TKind>("kind");
        QTest::addColumn<QString>("device");
        const QByteArray damaged("[TrackInterface\nKind=\0\xff=\n==\n[", 28);
        QTest::newRow("edited by hand") << QByteArray(
                                               "[TrackInterface]\r\nKind = Board \r\nSerialDevice = /dev/ttyUSB1 \r\n")
                                        << false << TKind::LapBoard << "/dev/ttyUSB1";
        QTest::newRow("damaged") << damaged << false << TKind::ParallelPort << "";
        QTest::newRow("damaged, written over") << damaged << true << TKind::LapBoard << "/dev/ttyUSB1";
        QTest::newRow("other group kept")
            << QByteArray("[Spectator]\nPort=8080\n") << true << TKind::LapBoard << "/dev/ttyUSB1";
    }
    void readAndWrite()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, write);
        QFETCH(TKind, kind);
        QFETCH(QString, device);
        QFile file(Conf());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() && file.flush());
        if (write)
            QVERIFY(
                WriteTrackInterfaceChoice(m_dir->Path(), {TKind::LapBoard, QStringLiteral(" /dev/ttyUSB1"), {}, {}}));
        const TTrackInterfaceChoice choice = ReadTrackInterfaceChoice(m_dir->Path());
        QCOMPARE(choice.Kind, kind);
        QCOMPARE(choice.SerialDevice, device);
        if (contents.startsWith("[Spectator]"))
            QCOMPARE(QSettings(Conf(), QSettings::IniFormat).value(QStringLiteral("Spectator/Port")).toInt(), 8080);
    }

    // Outputs this version does not know are none: no port is switched that
    // nobody chose.
    void unknownOutputsAreNone()
    {
        QFile file(Conf());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[TrackInterface]\nLapCounterOutputs=relay\n") > 0);
        file.close();
        QCOMPARE(ReadTrackInterfaceChoice(m_dir->Path()).LapCounterOutputs, TOutputs::None);
    }

    void unwritableFolder()
    {
        if (RerunUnprivileged("unwritableFolder"))
            return;
        QVERIFY(QFile::setPermissions(m_dir->Path(), QFile::ReadOwner | QFile::ExeOwner));
        const bool written =
            WriteTrackInterfaceChoice(m_dir->Path(), {TKind::LapBoard, QStringLiteral("/dev/ttyACM0"), {}, {}});
        QVERIFY(QFile::setPermissions(m_dir->Path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(!written);
    }

    // The command line's interface always wins; a choice waits for the next
    // start when that start would run on another interface than this one.
    void effectiveAndPending_data()
    {
        QTest::addColumn<TTrackInterfaceChoice>("atStartUp");
        QTest::addColumn<TInterfaceFlags>("flags");
        QTest::addColumn<TTrackInterfaceChoice>("chosen");
        QTest::addColumn<TKind>("effective");
        QTest::addColumn<bool>("pending");
        const QString usb0 = QStringLiteral("/dev/ttyUSB0");
        const TTrackInterfaceChoice parallel{TKind::ParallelPort, QStringLiteral("/dev/ttyACM0"), {}, {}};
        const TTrackInterfaceChoice acm0{TKind::LapBoard, QStringLiteral("/dev/ttyACM0"), {}, {}};
        const TTrackInterfaceChoice unit{TKind::Carrera, QStringLiteral("/dev/ttyACM0"), usb0, {}};
        const TInterfaceFlags none;
        const TInterfaceFlags simulate{true, {}};
        const TInterfaceFlags carrera{false, usb0};
        QTest::newRow("parallel, device aside")
            << parallel << none << TTrackInterfaceChoice{} << TKind::ParallelPort << false;
        QTest::newRow("parallel to board") << parallel << none << acm0 << TKind::ParallelPort << true;
        QTest::newRow("board, other device")
            << acm0 << none << TTrackInterfaceChoice{TKind::LapBoard, QStringLiteral("/dev/ttyACM1"), {}, {}}
            << TKind::LapBoard << true;
        QTest::newRow("flag over board") << acm0 << simulate << acm0 << TKind::Simulated << true;
        QTest::newRow("unit, other device")
            << unit << none << TTrackInterfaceChoice{TKind::Carrera, QString(), QStringLiteral("/dev/ttyUSB1"), {}}
            << TKind::Carrera << true;
        QTest::newRow("--carrera over board") << acm0 << carrera << acm0 << TKind::Carrera << true;
        QTest::newRow("--carrera, its own unit chosen") << acm0 << carrera << unit << TKind::Carrera << false;
        const TTrackInterfaceChoice adapter{TKind::CarreraBluetooth, {}, usb0, QStringLiteral("00:11:22:33:44:55")};
        QTest::newRow("unit over Bluetooth, other address")
            << adapter << none
            << TTrackInterfaceChoice{TKind::CarreraBluetooth, {}, usb0, QStringLiteral("00:11:22:33:44:56")}
            << TKind::CarreraBluetooth << true;
        QTest::newRow("unit over Bluetooth, its cable chosen")
            << adapter << none << unit << TKind::CarreraBluetooth << true;
        TTrackInterfaceChoice counter{TKind::LapCounter, acm0.SerialDevice, {}, {}, usb0, {}, TOutputs::LapBoard};
        TTrackInterfaceChoice parallelOutputs = counter;
        parallelOutputs.LapCounterOutputs = TOutputs::ParallelPort;
        QTest::newRow("lap counter, other outputs") << counter << none << parallelOutputs << TKind::LapCounter << true;
        QTest::newRow("lap counter, its outputs' board on another device")
            << counter << none
            << TTrackInterfaceChoice{counter.Kind, "/dev/ttyACM1", {}, {}, usb0, {}, TOutputs::LapBoard}
            << TKind::LapCounter << true;
        QTest::newRow("lap counter on the parallel port, the board's device aside")
            << parallelOutputs << none
            << TTrackInterfaceChoice{counter.Kind, {}, {}, {}, usb0, {}, TOutputs::ParallelPort} << TKind::LapCounter
            << false;
        const TTrackInterfaceChoice tcp{TKind::LapCounterTcp, {}, {}, {}, {}, QStringLiteral("counter:5000")};
        QTest::newRow("--lapcounter, a path with a colon")
            << acm0 << TInterfaceFlags{false, {}, "/dev/serial/by-path/pci-0:1"} << acm0 << TKind::LapCounter << true;
        QTest::newRow("--lapcounter, an IPv6 address")
            << acm0 << TInterfaceFlags{false, {}, "[::1]:5000"} << acm0 << TKind::LapCounterTcp << true;
        QTest::newRow("--lapcounter over its own address stored")
            << tcp << TInterfaceFlags{false, {}, tcp.LapCounterAddress} << tcp << TKind::LapCounterTcp << false;
    }
    void effectiveAndPending()
    {
        QFETCH(TTrackInterfaceChoice, atStartUp);
        QFETCH(TInterfaceFlags, flags);
        QFETCH(TTrackInterfaceChoice, chosen);
        QFETCH(TKind, effective);
        QFETCH(bool, pending);
        const TTrackInterfaceChoice inUse = InterfaceInUse(atStartUp, flags);
        QCOMPARE(inUse.Kind, effective);
        if (effective == TKind::Carrera)
            QCOMPARE(inUse.CarreraDevice, QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(ChoiceChangesInterface(chosen, atStartUp, flags), pending);
    }
};

QTEST_GUILESS_MAIN(TestTrackInterfaceChoice)
#include "tst_trackinterfacechoice.moc"
