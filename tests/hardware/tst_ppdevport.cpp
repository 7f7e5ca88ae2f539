#include "hardware/PpdevPort.h"

#include <QDir>
#include <QFile>
#include "support/TestSupport.h"

#include <QtTest>

#include <cerrno>
#include <cstring>
#include <memory>
#include <unistd.h>

using TEntryList = QList<QPair<int, uint>>;  // number, base
Q_DECLARE_METATYPE(TEntryList)

// A fake /proc/sys/dev/parport and /dev in the test's working directory. The
// ioctl calls on a real port cannot be reached from a test; what can go wrong
// before them (finding, naming and opening the ports, explaining failures) is
// tested here.
class TestPpdevPort : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<TTestWorkDir>();
        QVERIFY(QDir().mkpath(SysDir()));
        QVERIFY(QDir().mkpath(DevDir()));
    }

    void parseBaseAddr_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<uint>("base");
        QTest::newRow("base and extended base") << QByteArray("888\t1912\n") << true << 888u;
        QTest::newRow("no extended base") << QByteArray("888\t-1\n") << true << 888u;
        QTest::newRow("$278") << QByteArray("632\t0\n") << true << 632u;
        QTest::newRow("bare number") << QByteArray("888") << true << 888u;
        QTest::newRow("blanks") << QByteArray("  53264 53248\n") << true << 53264u;
        QTest::newRow("empty") << QByteArray("") << false << 0u;
        QTest::newRow("blank line") << QByteArray("\n") << false << 0u;
        QTest::newRow("text") << QByteArray("none\n") << false << 0u;
        QTest::newRow("hexadecimal is not the format") << QByteArray("0x378\n") << false << 0u;
        QTest::newRow("negative") << QByteArray("-1\n") << false << 0u;
        QTest::newRow("too large") << QByteArray("4294967296\n") << false << 0u;
    }
    void parseBaseAddr()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, valid);
        QFETCH(uint, base);
        const std::optional<uint32_t> parsed = TPpdevPort::ParseBaseAddr(text);
        QCOMPARE(parsed.has_value(), valid);
        if (valid)
            QCOMPARE(uint(*parsed), base);
    }

    void listPorts()
    {
        AddPort(1, "632\t0\n");
        AddPort(0, "888\t1912\n");
        AddPort(10, "53264\t0\n");
        AddPort(2, "956\t0\n");
        QVERIFY(QDir().mkpath(SysDir() + "/default"));  // kernel defaults, not a port
        QVERIFY(QDir().mkpath(SysDir() + "/parportx"));
        QFile notADir(SysDir() + "/parport7");
        QVERIFY(notADir.open(QIODevice::WriteOnly));
        notADir.close();
        QVERIFY(QDir().mkpath(SysDir() + "/parport3"));  // no base-addr file
        AddPort(4, "garbage\n");

        QStringList problems;
        const std::vector<TPpdevPort::TPortEntry> entries = TPpdevPort::ListPorts(SysDir(), &problems);
        TEntryList got;
        for (const auto& entry : entries)
            got.append({entry.Number, entry.Base});
        QCOMPARE(got, (TEntryList{{0, 888u}, {1, 632u}, {2, 956u}, {10, 53264u}}));  // numeric order
        QCOMPARE(problems.size(), 2);
        QVERIFY2(problems.join('|').contains(SysDir() + "/parport3/base-addr"), qPrintable(problems.join('|')));
        QVERIFY2(problems.join('|').contains(SysDir() + "/parport4/base-addr"), qPrintable(problems.join('|')));
    }

    void noPorts_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::newRow("folder missing") << QStringLiteral("missing");
        QTest::newRow("folder empty") << QStringLiteral("empty");
        QTest::newRow("only defaults") << QStringLiteral("default");
    }
    void noPorts()
    {
        QFETCH(QString, layout);
        QString sys = SysDir();
        if (layout == "missing")
            sys += "/nowhere";
        if (layout == "default")
            QVERIFY(QDir().mkpath(sys + "/default"));
        TPpdevPort port(sys, DevDir());
        QVERIFY(!port.Open());
        QVERIFY(!port.DriverReady());
        QCOMPARE(port.ErrorText(), QStringLiteral("No parallel port found (%1 has no ports)").arg(sys));
        QCOMPARE(port.OpenPortCount(), 0);
    }

    void missingDeviceNamesIt()
    {
        AddPort(0, "888\t1912\n");
        TPpdevPort port(SysDir(), DevDir());
        QVERIFY(!port.Open());
        QVERIFY(!port.DriverReady());
        const QString device = DevDir() + "/parport0";
        QCOMPARE(port.ErrorText(), QStringLiteral("%1 on %2").arg(QString::fromLocal8Bit(std::strerror(ENOENT)), device));
        ExpectNoAccess(port);
    }

    void notAParallelPort()
    {
        // A device node that exists but is no parallel port: opening works,
        // claiming does not.
        AddPort(0, "888\t1912\n");
        AddDevice(0);
        TPpdevPort port(SysDir(), DevDir());
        QVERIFY(!port.Open());
        QVERIFY2(port.ErrorText().endsWith(" claiming " + DevDir() + "/parport0"), qPrintable(port.ErrorText()));
        ExpectNoAccess(port);
    }

    void permissionDenied()
    {
        if (RerunUnprivileged("permissionDenied"))
            return;
        AddPort(0, "888\t1912\n");
        AddDevice(0);
        QVERIFY(QFile::setPermissions(DevDir() + "/parport0", QFileDevice::Permissions()));
        TPpdevPort port(SysDir(), DevDir());
        QVERIFY(!port.Open());
        QCOMPARE(port.ErrorText(), QStringLiteral("%1 on %2").arg(QString::fromLocal8Bit(std::strerror(EACCES)), DevDir() + "/parport0"));
    }

    void everyFailureIsExplained()
    {
        AddPort(0, "888\t1912\n");
        AddPort(1, "632\t0\n");
        AddDevice(1);
        QVERIFY(QDir().mkpath(SysDir() + "/parport2"));  // base-addr missing
        TPpdevPort port(SysDir(), DevDir());
        QVERIFY(!port.Open());
        const QStringList parts = port.ErrorText().split("; ");
        QCOMPARE(parts.size(), 3);
        QVERIFY2(port.ErrorText().contains(DevDir() + "/parport0"), qPrintable(port.ErrorText()));
        QVERIFY2(port.ErrorText().contains(DevDir() + "/parport1"), qPrintable(port.ErrorText()));
        QVERIFY2(port.ErrorText().contains(SysDir() + "/parport2/base-addr"), qPrintable(port.ErrorText()));
    }

    void unreadableBaseAddrIsNotNoPort()
    {
        QVERIFY(QDir().mkpath(SysDir() + "/parport0"));
        TPpdevPort port(SysDir(), DevDir());
        QVERIFY(!port.Open());
        QVERIFY2(port.ErrorText().contains(SysDir() + "/parport0/base-addr"), qPrintable(port.ErrorText()));
        QVERIFY(!port.ErrorText().startsWith("No parallel port found"));
    }

    void reopenAfterFailureStaysClosed()
    {
        AddPort(0, "888\t1912\n");
        TPpdevPort port(SysDir(), DevDir());
        QVERIFY(!port.Open());
        QVERIFY(!port.Open());
        port.Close();
        QVERIFY(!port.DriverReady());
        ExpectNoAccess(port);
    }

private:
    QString SysDir() const { return m_dir->Path() + "/proc/sys/dev/parport"; }
    QString DevDir() const { return m_dir->Path() + "/dev"; }

    void AddPort(int number, const QByteArray& baseAddr)
    {
        const QString folder = SysDir() + QStringLiteral("/parport%1").arg(number);
        QVERIFY(QDir().mkpath(folder));
        QFile file(folder + "/base-addr");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(baseAddr);
    }
    void AddDevice(int number)
    {
        QFile file(DevDir() + QStringLiteral("/parport%1").arg(number));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    // A port that did not open answers at no address and writes nowhere.
    static void ExpectNoAccess(TPpdevPort& port)
    {
        for (uint32_t address : {888u, 889u, 890u, 632u, 633u}) {
            uint32_t value = 0xABCD;
            QVERIFY(!port.ReadPort(address, TPortSize::Byte, value));
            QCOMPARE(value, 0xABCDu);  // untouched
            QVERIFY(!port.HasPortAt(address));
            port.WritePort(address, TPortSize::Byte, 0xFF);  // must not crash
        }
        QCOMPARE(port.Description(), QStringLiteral("parallel port (not open)"));
    }

    std::unique_ptr<TTestWorkDir> m_dir;
};

QTEST_GUILESS_MAIN(TestPpdevPort)
#include "tst_ppdevport.moc"
