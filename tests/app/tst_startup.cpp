#include "app/CommandLine.h"
#include "app/InfoPage.h"
#include "app/SettingsIOTest.h"
#include "app/SettingsPage.h"
#include "app/Startup.h"
#include "hardware/parport/PpdevPort.h"
#include "support/AppRig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabWidget>
#include <QtTest>

#include <random>

#include <csignal>

namespace {
const QStringList AllWindows{"TKWL_MainForm",
                             "TKWL_Timer",
                             "TFKWLStopLicht",
                             "TFKWLPauseRace",
                             "TFKWLSelectDrivers",
                             "TFCSChangeAdd",
                             "TFKWLHeats",
                             "TFRCChangeAdd",
                             "TFKWLResults",
                             "TFDRVAddChange",
                             "TFHTAddChange",
                             "TQuickReportResult",
                             "TQuickReportResultDetail",
                             "TFHTChangeResult",
                             "TKWL_RoundResults",
                             "TFKWLGenHeats",
                             "TRecordsWindow"};
}

Q_DECLARE_METATYPE(TTrackInterfaceChoice)

// A parallel port found at $378 only: any other address reaches nothing.
class TPortAt378 final : public TPortDriver {
public:
    bool Open() override { return m_ready = true; }
    void Close() override {}
    QString UseBase(uint32_t base) override
    {
        bases << base;
        return base == 0x378 ? QString() : QStringLiteral("no port at %1").arg(base);
    }
    bool ReadPort(uint32_t, TPortSize, uint32_t&) override { return false; }
    void WritePort(uint32_t address, TPortSize, uint32_t value) override
    {
        writes << qMakePair(address, uint8_t(value));
    }
    QString Description() const override { return QStringLiteral("port at $378"); }
    QList<uint32_t> bases;
    QList<QPair<uint32_t, uint8_t>> writes;
};

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void withoutPortDriverEndsWithCode1()
    {
        TAppRig rig(false, "Permission denied on /dev/parport0");
        rig.messages.Answer(TMessageAnswer::Ok);
        QCOMPARE(rig.Start(), 1);
        const QList<TShownMessage> shown = Messages::Shown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().kind, TMessageKind::Error);
        QCOMPARE(shown.first().text, QStringLiteral("Couldnt start I/O driver (zlportio.sys). Exit Program!"));
        QCOMPARE(shown.first().detail, QStringLiteral("Permission denied on /dev/parport0"));
        QCOMPARE(rig.windows.CreationOrder, QStringList{"TKWL_MainForm"});
        QVERIFY(rig.port->writes.isEmpty());
        QVERIFY(!QFile::exists(rig.dir.File("data")));  // nothing was touched
        VERIFY_MESSAGES_SETTLED();
    }

    void machineWithoutParallelPort()
    {
        TTestWorkDir fakeRoot;
        QDir().mkpath(fakeRoot.File("proc"));
        QDir().mkpath(fakeRoot.File("dev"));
        TPpdevPort port(fakeRoot.File("proc"), fakeRoot.File("dev"));
        QVERIFY(!port.Open());
        QVERIFY2(port.ErrorText().contains("No parallel port found"), qPrintable(port.ErrorText()));
    }

    void missingSettingsWarnOnceAndDefaultsRule()
    {
        TAppRig rig;
        rig.messages.Answer(TMessageAnswer::Ok);
        QCOMPARE(rig.Start(), -1);
        QCOMPARE(rig.messages.Texts(), QStringList{"Settings could not be read. Defaults loaded."});
        QCOMPARE(Messages::Shown().first().kind, TMessageKind::Warning);
        QCOMPARE(rig.context.settings.Tracks, 4);
        QCOMPARE(rig.context.settings.PortAddress, 888);
        QVERIFY(!QFile::exists(rig.dir.File("KOBA.ini")));  // nothing is written
        // Lines 1..8 off, one write each, the whole byte to the data register.
        QCOMPARE(rig.port->writes.size(), 8);
        for (const auto& write : rig.port->writes)
            QCOMPARE(write, (QPair<uint32_t, uint8_t>(888, 0)));
        QCOMPARE(rig.windows.CreationOrder, AllWindows);
        QCOMPARE(rig.Form()->frameGeometry(), QRect(2, 2, 780, 575));
        VERIFY_MESSAGES_SETTLED();
    }

    // A KOBA.ini that is no settings record is said once, the defaults rule,
    // and the file stays as it was for whoever wants to look at it.
    void unusableSettingsFileWarns_data()
    {
        QTest::addColumn<QByteArray>("content");
        TSettings two;
        two.Tracks = 2;
        const QByteArray record = EncodeSettings(two);
        QByteArray noise(TSettings::RecordSize, '\0');
        std::mt19937 random(7);
        for (char& c : noise)
            c = char(random());
        QTest::newRow("short") << QByteArray(219, '\0');
        QTest::newRow("one byte long") << record + "x";
        QTest::newRow("random bytes") << noise;
    }
    void unusableSettingsFileWarns()
    {
        QFETCH(QByteArray, content);
        TAppRig rig;
        QFile file(rig.dir.File("KOBA.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        rig.messages.Answer(TMessageAnswer::Ok);
        QCOMPARE(rig.Start(), -1);
        QCOMPARE(rig.messages.Texts(), QStringList{"Settings could not be read. Defaults loaded."});
        QVERIFY(!Messages::Shown().first().detail.isEmpty());
        QCOMPARE(rig.context.settings.Tracks, 4);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
        VERIFY_MESSAGES_SETTLED();
    }

    void storedPlacementAndPortAreUsed()
    {
        TAppRig rig;
        TSettings settings;
        settings.PortAddress = 632;
        settings.WindowLeft = 40;
        settings.WindowTop = 30;
        settings.WindowWidth = 820;
        settings.WindowHeight = 610;
        rig.WriteSettingsFile(settings);
        QCOMPARE(rig.Start(), -1);
        QCOMPARE(rig.messages.Texts(), QStringList{});
        QCOMPARE(rig.Form()->frameGeometry(), QRect(40, 30, 820, 610));  // the whole window
        QCOMPARE(rig.port->writes.first().first, 632u);
        VERIFY_MESSAGES_SETTLED();
    }

    // A "Port Address" with no port behind it is reported at start and on the
    // Info page; the program goes on, and an address put right on the
    // Settings page is taken at once. The simulated track answers anywhere.
    void portAddressWithoutPort_data()
    {
        QTest::addColumn<bool>("simulated");
        QTest::newRow("parallel port") << false;
        QTest::newRow("simulated track") << true;
    }
    void portAddressWithoutPort()
    {
        QFETCH(bool, simulated);
        TAppRig rig;
        TPortAt378* port = nullptr;
        if (simulated) {
            rig.UseSimulatedTrack(1);
        } else {
            auto owned = std::make_unique<TPortAt378>();
            port = owned.get();
            owned->Open();
            rig.context.port = std::move(owned);
        }
        TSettings settings;
        settings.PortAddress = 0x278;
        rig.WriteSettingsFile(settings);
        if (!simulated)
            rig.messages.Answer(TMessageAnswer::Ok);
        QCOMPARE(rig.Start(), -1);
        const QString warning = simulated ? QString() : QStringLiteral("no port at 632");
        QCOMPARE(rig.messages.Texts(), warning.isEmpty() ? QStringList{} : QStringList{warning});
        QCOMPARE(rig.Form()->InfoPage()->PortWarning(), warning);
        VERIFY_MESSAGES_SETTLED();
        if (simulated)
            return;
        QCOMPARE(Messages::Shown().first().kind, TMessageKind::Warning);

        TSettingsPage* page = rig.Form()->SettingsPage();
        rig.Form()->Pages()->setCurrentWidget(page);
        auto* address = page->findChild<QComboBox*>("ComboBoxPortAddress");
        auto* apply = page->findChild<QPushButton*>("ButtonSETApply");
        page->IOTest()->PowerBox(1)->click();
        port->writes.clear();
        address->setEditText("$378");
        apply->click();
        QCOMPARE(rig.messages.Texts().size(), 1);  // no second warning
        QCOMPARE(rig.Form()->InfoPage()->PortWarning(), QString());
        QCOMPARE(port->bases, (QList<uint32_t>{0x278, 0x378}));
        QCOMPARE(port->writes.last(), qMakePair(0x378u, uint8_t(0)));  // the new port starts from off
        QVERIFY(!page->IOTest()->PowerBox(1)->isChecked());

        apply->click();  // the same address: nothing to take again
        QCOMPARE(port->bases.size(), 2);
        rig.messages.Answer(TMessageAnswer::Ok);
        address->setEditText("$3BC");
        apply->click();
        QCOMPARE(rig.messages.Texts().last(), QStringLiteral("no port at 956"));
        QCOMPARE(rig.Form()->InfoPage()->PortWarning(), QStringLiteral("no port at 956"));
        VERIFY_MESSAGES_SETTLED();
    }

    // The end of the run leaves the track dark and gives the port back.
    void shutDownSwitchesEveryLineOff()
    {
        TAppRig rig;
        rig.WriteSettingsFile();
        QCOMPARE(rig.Start(), -1);
        rig.context.trackIo->SetOutputLine(1, true);
        rig.context.trackIo->SetOutputLine(8, true);
        ShutDown(rig.context);
        QCOMPARE(rig.context.trackIo->OutputImage(), uint8_t(0));
        QCOMPARE(rig.port->writes.last(), qMakePair(888u, uint8_t(0)));
        QCOMPARE(rig.port->closes, 1);
    }

    // SIGTERM and SIGINT end the program through its own way out (which
    // switches the track off), not by the signal's default death.
    void signalEndsTheRunNormally_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void signalEndsTheRunNormally()
    {
        QFETCH(int, signal);
        TTestWorkDir dir;
        TSettings settings;
        TSensorMasks masks;
        QVERIFY(WriteSettings(settings, masks, dir.Path()));
        QProcess program;
        program.setWorkingDirectory(dir.Path());
        program.start(QStringLiteral(KOBALAP_BINARY), {"--simulate"});
        QVERIFY(program.waitForStarted(30000));
        // The race database is made after the handlers are in place.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.File("data/KWLManager.sqlite")), 30000);
        QCOMPARE(::kill(pid_t(program.processId()), signal), 0);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        // The journal is folded back in, so that a write-protected folder
        // can still open the file.
        QFile file(dir.File("data/KWLManager.sqlite"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(20).mid(18, 1), QByteArray(1, '\x01'));  // byte 18: 1 rollback journal, 2 WAL
        QVERIFY(!QFile::exists(dir.File("data/KWLManager.sqlite-wal")));
    }

    void clockCheck_data()
    {
        QTest::addColumn<int>("frequency");
        QTest::addColumn<bool>("frozen");
        QTest::addColumn<QString>("shown");
        QTest::newRow("counter runs") << 1'000'000 << false << "Enabled";
        QTest::newRow("counter stands still") << 1'000'000 << true << "Disabled";
        QTest::newRow("no frequency") << 0 << false << "Disabled";
    }
    void clockCheck()
    {
        QFETCH(int, frequency);
        QFETCH(bool, frozen);
        QFETCH(QString, shown);
        TAppRig rig;
        rig.counter.frequency = frequency;
        rig.counter.frozen = frozen;
        rig.WriteSettingsFile();
        QCOMPARE(rig.Start(), -1);
        QCOMPARE(rig.Form()->InfoPage()->ClockText(), shown);
        // Without the counter the race clock follows the tick count.
        QCOMPARE(rig.context.clock.NowMs(), shown == "Enabled" ? rig.context.clock.NowMs() : int64_t(5000));
    }

    // A damaged file ends the start with code 2 and is kept; one locked by
    // another program is opened at once for reading, with a warning.
    void databaseAtStart_data()
    {
        QTest::addColumn<bool>("locked");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("shown");
        QTest::newRow("damaged") << false << 2 << "left untouched";
        QTest::newRow("locked") << true << -1 << "locked by another program";
    }
    void databaseAtStart()
    {
        QFETCH(bool, locked);
        QFETCH(int, exitCode);
        QFETCH(QString, shown);
        TAppRig rig;
        rig.WriteSettingsFile();
        QDir().mkpath(rig.dir.File("data"));
        const QByteArray junk(8192, '\x33');
        QFile file(rig.dir.File("data/KWLManager.sqlite"));
        if (locked) {
            QCOMPARE(TKWLStore().Open(rig.dir.Path()), TKWLStore::Status::Open);
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
            other.setDatabaseName(file.fileName());
            // Another program in the middle of writing: its readers go on.
            QVERIFY(other.open());
            QVERIFY(QSqlQuery(other).exec("PRAGMA journal_mode = WAL"));
            QVERIFY(QSqlQuery(other).exec("BEGIN EXCLUSIVE"));
        } else {
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(junk);
            file.close();
        }
        rig.messages.Answer(TMessageAnswer::Ok);
        QCOMPARE(rig.Start(), exitCode);
        QSqlDatabase::removeDatabase("other");
        QCOMPARE(Messages::Shown().first().kind, locked ? TMessageKind::Warning : TMessageKind::Error);
        QVERIFY(Messages::Shown().first().text.contains(shown));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(locked || file.readAll() == junk);
        VERIFY_MESSAGES_SETTLED();
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");
        QTest::newRow("help") << QStringList{"--help"} << 0 << "--simulate";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "Kobalap 2.2";
        QTest::newRow("unknown") << QStringList{"--fast"} << 2 << "unknown option: --fast";
        QTest::newRow("Qt's own options")
            << QStringList{"-platform", "offscreen", "-style", "fusion", "--version"} << 0 << "Kobalap 2.2";
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        TTestWorkDir dir;
        QProcess program;
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(QStringLiteral(KOBALAP_BINARY), arguments);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), exitCode);
        QVERIFY(QString::fromLocal8Bit(program.readAll()).contains(output));
        QVERIFY(QDir(dir.Path()).isEmpty());  // nothing written by just asking
    }

    void parseCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("simulate");
        QTest::addColumn<QString>("refused");  // the argument named in the error, or empty
        QTest::newRow("simulate") << QStringList{"--simulate"} << true << "";
        QTest::newRow("nothing") << QStringList{} << false << "";
        QTest::newRow("unknown option of ours") << QStringList{"--simulate", "--bogus"} << true << "--bogus";
        QTest::newRow("Qt's options with their values")
            << QStringList{"-platform", "offscreen", "-style", "fusion", "--simulate", "-display", ":1"} << true << "";
        QTest::newRow("Qt's options joined or with two dashes")
            << QStringList{"-style=fusion", "--qwindowgeometry", "800x600+0+0", "-reverse"} << false << "";
        QTest::newRow("a stray word after a Qt flag") << QStringList{"-reverse", "fusion"} << false << "fusion";
    }
    void parseCommandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, refused);
        const TCommandLine line = ParseCommandLine(arguments);
        QTEST(line.simulate, "simulate");
        QCOMPARE(line.error.isEmpty(), refused.isEmpty());
        QVERIFY2(line.error.contains(refused), qPrintable(line.error));
    }

    // --carrera takes the Control Unit's device, --lapcounter the counter's
    // device or address; without one, or beside another track, the start is
    // refused.
    void carreraOption_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("refused");
        QTest::newRow("device") << QStringList{"--carrera", "/dev/ttyUSB0", "-v"} << "/dev/ttyUSB0" << QString();
        QTest::newRow("no device") << QStringList{"--carrera", "-v"} << QString() << "--carrera needs";
        QTest::newRow("with --simulate") << QStringList{"--simulate", "--carrera", "x"} << "x"
                                         << "cannot be used";
        QTest::newRow("lap counter's address") << QStringList{"--lapcounter=10.0.0.9:5000"} << "10.0.0.9:5000"
                                               << "";
        QTest::newRow("no lap counter") << QStringList{"--lapcounter", "-v"} << QString() << "--lapcounter needs";
        QTest::newRow("lap counter with --simulate") << QStringList{"--lapcounter", "y", "--simulate"} << "y"
                                                     << "cannot be used together";
    }
    void carreraOption()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, refused);
        const TCommandLine line = ParseCommandLine(arguments);
        QTEST(line.carreraDevice + line.lapCounter, "device");
        QCOMPARE(line.error.isEmpty(), refused.isEmpty());
        QVERIFY2(line.error.contains(refused), qPrintable(line.error));
    }

    // A lap counter that is not there ends the start as a missing lap-sensor
    // board does, the detail naming it.
    void missingLapCounter_data()
    {
        using TKind = TTrackInterfaceChoice::TKind;
        QTest::addColumn<TTrackInterfaceChoice>("stored");
        QTest::addColumn<QString>("named");
        QTest::newRow("no such device") << TTrackInterfaceChoice{TKind::LapCounter, {}, {}, {}, "/nonexistent/ttyLC"}
                                        << "The lap counter's port /nonexistent/ttyLC cannot be opened";
        QTest::newRow("no port in the address")
            << TTrackInterfaceChoice{TKind::LapCounterTcp, {}, {}, {}, {}, "counter.local"}
            << "The lap counter's address counter.local is not a host and a port";
    }
    void missingLapCounter()
    {
        QFETCH(TTrackInterfaceChoice, stored);
        QFETCH(QString, named);
        TAppRig rig;
        rig.WriteSettingsFile();
        QVERIFY(WriteTrackInterfaceChoice(rig.dir.Path(), stored));
        rig.context.port = MakePortDriver(rig.context);
        rig.port = nullptr;
        QVERIFY(!rig.context.port->Open());
        rig.messages.Answer(TMessageAnswer::Ok);
        QCOMPARE(rig.Start(), 1);
        QCOMPARE(rig.messages.Texts(), QStringList{"Couldnt start I/O driver (zlportio.sys). Exit Program!"});
        const QString detail = Messages::Shown().first().detail;
        QVERIFY2(detail.startsWith(named), qPrintable(detail));
        VERIFY_MESSAGES_SETTLED();
    }

    // A Control Unit that is not there ends the start as a missing lap-sensor
    // board does, the detail naming its device; --carrera wins over the board.
    void missingControlUnit_data()
    {
        using TKind = TTrackInterfaceChoice::TKind;
        QTest::addColumn<TTrackInterfaceChoice>("stored");
        QTest::addColumn<QString>("flag");  // --carrera's device
        QTest::addColumn<QString>("device");
        const QString address = QStringLiteral("00:11:22:33:44:55");
        QTest::newRow("--carrera over the board")
            << TTrackInterfaceChoice{TKind::LapBoard, "ttyACM0", {}, {}} << "ttyCU"
            << "ttyCU";
        // Here no machine has Bluetooth; one that has fails to connect instead.
        QTest::newRow("Bluetooth adapter")
            << TTrackInterfaceChoice{TKind::CarreraBluetooth, {}, {}, address} << QString() << "Bluetooth " + address;
    }
    void missingControlUnit()
    {
        QFETCH(TTrackInterfaceChoice, stored);
        QFETCH(QString, flag);
        QFETCH(QString, device);
        TAppRig rig;
        rig.WriteSettingsFile();
        QVERIFY(WriteTrackInterfaceChoice(rig.dir.Path(), stored));
        rig.context.carreraDevice = flag;
        rig.context.port = MakePortDriver(rig.context);
        rig.port = nullptr;
        QCOMPARE(rig.context.port->Description(), "Carrera Control Unit " + device);
        QVERIFY(!rig.context.port->Open());
        rig.messages.Answer(TMessageAnswer::Ok);
        QCOMPARE(rig.Start(), 1);
        QCOMPARE(rig.messages.Texts(), QStringList{"Couldnt start I/O driver (zlportio.sys). Exit Program!"});
        const QString detail = Messages::Shown().first().detail;
        QVERIFY2(detail.contains(device.section(' ', -1)), qPrintable(detail));
        VERIFY_MESSAGES_SETTLED();
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
