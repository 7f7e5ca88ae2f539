#include "common/MaskFile.h"
#include "common/Settings.h"
#include "common/TrackInterfaceChoice.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QSettings>
#include <QtTest>

using TKind = TTrackInterfaceChoice::TKind;
Q_DECLARE_METATYPE(TKind)

namespace {

void WriteFile(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

}  // namespace

class TestTrackInterfaceChoice : public QObject {
    Q_OBJECT

    std::unique_ptr<TTestWorkDir> m_dir;
    QString Conf() const { return TrackInterfaceFilePath(m_dir->Path()); }

private slots:
    void init() { m_dir = std::make_unique<TTestWorkDir>(); }

    void read_data()
    {
        QTest::addColumn<QByteArray>("contents");  // null: no file
        QTest::addColumn<TKind>("kind");
        QTest::addColumn<QString>("device");
        QTest::newRow("no file") << QByteArray() << TKind::ParallelPort << "";
        QTest::newRow("board") << QByteArray("[TrackInterface]\nKind=board\nSerialDevice=/dev/ttyACM0\n") << TKind::LapBoard << "/dev/ttyACM0";
        QTest::newRow("simulated") << QByteArray("[TrackInterface]\nKind=simulated\n") << TKind::Simulated << "";
        QTest::newRow("edited by hand") << QByteArray("[TrackInterface]\r\nKind = Board \r\nSerialDevice = /dev/ttyUSB1 \r\n") << TKind::LapBoard
                                        << "/dev/ttyUSB1";
        QTest::newRow("unknown kind") << QByteArray("[TrackInterface]\nKind=usb3\nSerialDevice=/dev/ttyACM0\n") << TKind::ParallelPort
                                      << "/dev/ttyACM0";
        QTest::newRow("other group only") << QByteArray("[Spectator]\nKind=board\n") << TKind::ParallelPort << "";
        QTest::newRow("damaged") << QByteArray("[TrackInterface\nKind=\0\xff=\n==\n[", 28) << TKind::ParallelPort << "";
    }
    void read()
    {
        QFETCH(QByteArray, contents);
        QFETCH(TKind, kind);
        QFETCH(QString, device);
        if (!contents.isNull())
            WriteFile(Conf(), contents);
        const TTrackInterfaceChoice choice = ReadTrackInterfaceChoice(m_dir->Path());
        QCOMPARE(choice.Kind, kind);
        QCOMPARE(choice.SerialDevice, device);
    }

    // What is written is read back, beside KOBA.ini and without touching it,
    // and what else the file holds stays.
    void roundTrip_data()
    {
        QTest::addColumn<TKind>("kind");
        QTest::addColumn<QString>("device");
        QTest::newRow("parallel") << TKind::ParallelPort << "";
        QTest::newRow("board") << TKind::LapBoard << "/dev/ttyACM0";
        QTest::newRow("board, odd path") << TKind::LapBoard << "/dev/serial/by-id/usb-Kobalap_Lap Board,1-if00";
        QTest::newRow("simulated, device kept") << TKind::Simulated << "/dev/ttyUSB0";
    }
    void roundTrip()
    {
        QFETCH(TKind, kind);
        QFETCH(QString, device);
        TSettings settings;
        TSensorMasks masks;
        QVERIFY(WriteSettings(settings, masks, m_dir->Path()));
        QFile ini(SettingsFilePath(m_dir->Path()));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray iniBefore = ini.readAll();
        ini.close();
        WriteFile(Conf(), "[Spectator]\nPort=8080\n");

        QVERIFY(WriteTrackInterfaceChoice(m_dir->Path(), {kind, device}));
        const TTrackInterfaceChoice back = ReadTrackInterfaceChoice(m_dir->Path());
        QCOMPARE(back.Kind, kind);
        QCOMPARE(back.SerialDevice, device);
        QCOMPARE(QSettings(Conf(), QSettings::IniFormat).value(QStringLiteral("Spectator/Port")).toInt(), 8080);
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QCOMPARE(ini.readAll(), iniBefore);
    }

    void damagedFileIsReplaced()
    {
        WriteFile(Conf(), QByteArray("[TrackInterface\nKind=\0\xff=\n==\n[", 28));
        QVERIFY(WriteTrackInterfaceChoice(m_dir->Path(), {TKind::LapBoard, QStringLiteral("/dev/ttyACM1")}));
        QCOMPARE(ReadTrackInterfaceChoice(m_dir->Path()).Kind, TKind::LapBoard);
    }

    void unwritableFolder()
    {
        if (RerunUnprivileged("unwritableFolder"))
            return;
        QVERIFY(QFile::setPermissions(m_dir->Path(), QFile::ReadOwner | QFile::ExeOwner));
        const bool written = WriteTrackInterfaceChoice(m_dir->Path(), {TKind::LapBoard, QStringLiteral("/dev/ttyACM0")});
        QVERIFY(QFile::setPermissions(m_dir->Path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(!written);
        QVERIFY(!QFile::exists(Conf()));
    }

    // --simulate always wins; a choice tells that it waits for the next start
    // when that start would run on another interface than this one.
    void effectiveAndPending_data()
    {
        QTest::addColumn<TKind>("startKind");
        QTest::addColumn<QString>("startDevice");
        QTest::addColumn<bool>("simulateFlag");
        QTest::addColumn<TKind>("chosenKind");
        QTest::addColumn<QString>("chosenDevice");
        QTest::addColumn<TKind>("effective");
        QTest::addColumn<bool>("pending");
        const QString acm0 = QStringLiteral("/dev/ttyACM0");
        const QString acm1 = QStringLiteral("/dev/ttyACM1");
        QTest::newRow("unchanged parallel") << TKind::ParallelPort << "" << false << TKind::ParallelPort << acm0 << TKind::ParallelPort << false;
        QTest::newRow("parallel to board") << TKind::ParallelPort << "" << false << TKind::LapBoard << acm0 << TKind::ParallelPort << true;
        QTest::newRow("board, same device") << TKind::LapBoard << acm0 << false << TKind::LapBoard << " /dev/ttyACM0" << TKind::LapBoard << false;
        QTest::newRow("board, other device") << TKind::LapBoard << acm0 << false << TKind::LapBoard << acm1 << TKind::LapBoard << true;
        QTest::newRow("flag over board") << TKind::LapBoard << acm0 << true << TKind::LapBoard << acm0 << TKind::Simulated << true;
        QTest::newRow("flag, simulated chosen") << TKind::ParallelPort << "" << true << TKind::Simulated << "" << TKind::Simulated << false;
        QTest::newRow("stored simulated") << TKind::Simulated << "" << false << TKind::Simulated << acm1 << TKind::Simulated << false;
    }
    void effectiveAndPending()
    {
        QFETCH(TKind, startKind);
        QFETCH(QString, startDevice);
        QFETCH(bool, simulateFlag);
        QFETCH(TKind, chosenKind);
        QFETCH(QString, chosenDevice);
        QFETCH(TKind, effective);
        QFETCH(bool, pending);
        const TTrackInterfaceChoice atStartUp{startKind, startDevice};
        QCOMPARE(EffectiveKind(atStartUp, simulateFlag), effective);
        QCOMPARE(ChoiceChangesInterface({chosenKind, chosenDevice}, atStartUp, simulateFlag), pending);
    }
};

QTEST_GUILESS_MAIN(TestTrackInterfaceChoice)
#include "tst_trackinterfacechoice.moc"
