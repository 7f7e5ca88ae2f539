#include "app/CommandLine.h"
#include "app/InfoPage.h"
#include "hardware/PpdevPort.h"
#include "support/AppRig.h"

#include <QFile>
#include <QProcess>
#include <QtTest>

namespace {
const QStringList AllWindows{"TKWL_MainForm",    "TKWL_Timer",          "TFKWLStopLicht",     "TFKWLPauseRace",
                             "TFKWLSelectDrivers", "TFCSChangeAdd",     "TFKWLHeats",         "TFRCChangeAdd",
                             "TFKWLResults",      "TFDRVAddChange",      "TFHTAddChange",      "TQuickReportResult",
                             "TQuickReportResultDetail", "TFHTChangeResult", "TKWL_RoundResults", "TFKWLGenHeats"};
}

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
        QCOMPARE(rig.Form()->geometry().size(), QSize(780, 575));
        VERIFY_MESSAGES_SETTLED();
    }

    void shortSettingsFileWarns()
    {
        TAppRig rig;
        QFile file(rig.dir.File("KOBA.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(219, '\0'));
        file.close();
        rig.messages.Answer(TMessageAnswer::Ok);
        QCOMPARE(rig.Start(), -1);
        QCOMPARE(rig.messages.Texts(), QStringList{"Settings could not be read. Defaults loaded."});
        QCOMPARE(file.size(), 219);
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
        QCOMPARE(rig.Form()->pos(), QPoint(40, 30));
        QCOMPARE(rig.Form()->size(), QSize(820, 610));
        QCOMPARE(rig.port->writes.first().first, 632u);
        VERIFY_MESSAGES_SETTLED();
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

    void damagedDatabaseEndsWithCode2AndIsKept()
    {
        TAppRig rig;
        rig.WriteSettingsFile();
        QDir().mkpath(rig.dir.File("data"));
        const QByteArray junk(8192, '\x33');
        QFile file(rig.dir.File("data/KWLManager.sqlite"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(junk);
        file.close();
        rig.messages.Answer(TMessageAnswer::Ok);
        QCOMPARE(rig.Start(), 2);
        QCOMPARE(Messages::Shown().first().kind, TMessageKind::Error);
        QVERIFY(Messages::Shown().first().text.contains("left untouched"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), junk);
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

    void parseCommandLine()
    {
        QVERIFY(ParseCommandLine({"--simulate"}).simulate);
        QVERIFY(!ParseCommandLine({}).simulate);
        QVERIFY(ParseCommandLine({"--simulate", "--bogus"}).error.contains("--bogus"));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
