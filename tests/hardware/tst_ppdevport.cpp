#include "hardware/parport/PpdevPort.h"

#include "support/TestSupport.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QtTest>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/ppdev.h>
#include <map>
#include <memory>
#include <set>
#include <sys/ioctl.h>
#include <unistd.h>

using TEntryList = QList<QPair<int, uint>>;  // number, base
Q_DECLARE_METATYPE(TEntryList)

// Device files opened for real, with the port's ioctl calls answered as a
// parallel port would for the files named in parallel: which port is claimed,
// and what is written to and read from it, is then seen here.
class TFakePortCalls final : public TPpdevCalls {
public:
    int Open(const char* path) override
    {
        const int fd = TPpdevCalls::Open(path);
        if (fd >= 0)
            names[fd] = QFileInfo(QFile::decodeName(path)).fileName();
        return fd;
    }
    int Ioctl(int fd, unsigned long request, void* argument) override
    {
        const QString name = names[fd];
        if (!parallel.contains(name) || (request == PPCLAIM && busy.contains(name))) {
            errno = parallel.contains(name) ? EBUSY : ENOTTY;
            return -1;
        }
        if (request == PPCLAIM)
            claimed.insert(name);
        else if (request == PPRELEASE)
            claimed.erase(name);
        else if (request == PPWDATA)
            writes << QStringLiteral("%1=%2").arg(name).arg(*static_cast<unsigned char*>(argument));
        else if (request == PPRSTATUS)
            *static_cast<unsigned char*>(argument) = status;
        return 0;
    }
    void Close(int fd) override
    {
        names.erase(fd);
        TPpdevCalls::Close(fd);
    }

    QStringList parallel;  // device names that answer as parallel ports
    QStringList busy;      // ... that another driver will not give up
    std::map<int, QString> names;
    std::set<QString> claimed;
    QStringList writes;  // "parport1=16"
    unsigned char status = 0x5A;
};

// A fake /proc/sys/dev/parport and /dev in the test's working directory.
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

    // Open() claims nothing; UseBase() claims the one port at the address
    // and only that port is read and written.
    void claimsOnlyThePortAtTheAddress_data()
    {
        QTest::addColumn<uint>("base");
        QTest::addColumn<QString>("claimed");  // empty: none
        QTest::addColumn<QString>("warning");  // what the warning must say
        QTest::newRow("$378") << 0x378u << "parport0"
                              << "";
        QTest::newRow("$278") << 0x278u << "parport1"
                              << "";
        QTest::newRow("PCIe card base") << 0xD010u << "parport2"
                                        << "";
        QTest::newRow("$3BC: no port there") << 0x3BCu << ""
                                             << "Port Address $3BC matches no parallel port";
        QTest::newRow("status register is no base") << 0x379u << ""
                                                    << "Port Address $379 matches no parallel port";
        QTest::newRow("port held by another driver")
            << 0x3E8u << ""
            << "Port Address $3E8: " + QString::fromLocal8Bit(std::strerror(EBUSY)) + " claiming ";
    }
    void claimsOnlyThePortAtTheAddress()
    {
        QFETCH(uint, base);
        QFETCH(QString, claimed);
        QFETCH(QString, warning);
        TFakePortCalls calls;
        AddFakePorts(calls);
        TPpdevPort port(SysDir(), DevDir(), &calls);
        QVERIFY(port.Open());
        QVERIFY(calls.claimed.empty());  // a printer on any port stays usable

        const QString said = port.UseBase(base);
        QVERIFY2(warning.isEmpty() ? said.isEmpty() : said.startsWith(warning), qPrintable(said));
        if (said.contains("matches no"))
            QVERIFY2(said.endsWith("Parallel ports found: $378 (" + DevDir() + "/parport0), $278 (" + DevDir() +
                                   "/parport1), $D010 (" + DevDir() + "/parport2), $3E8 (" + DevDir() + "/parport3)."),
                     qPrintable(said));
        QCOMPARE(calls.claimed, claimed.isEmpty() ? std::set<QString>{} : std::set<QString>{claimed});

        uint32_t value = 0;
        QCOMPARE(port.ReadPort(base + 1, TPortSize::Byte, value), !claimed.isEmpty());
        for (uint32_t other : {0x378u, 0x278u, 0xD010u, 0x3E8u})
            port.WritePort(other, TPortSize::Byte, 0x11);
        QCOMPARE(calls.writes, claimed.isEmpty() ? QStringList{} : QStringList{claimed + "=17"});
    }

    // A changed address gives the old port back dark and takes the new one;
    // the same address again changes nothing.
    void changedAddressReclaims()
    {
        TFakePortCalls calls;
        AddFakePorts(calls);
        TPpdevPort port(SysDir(), DevDir(), &calls);
        QVERIFY(port.Open());
        QCOMPARE(port.UseBase(0x378), QString());
        port.WritePort(0x378, TPortSize::Byte, 0x0F);
        QCOMPARE(port.UseBase(0x378), QString());
        QCOMPARE(port.UseBase(0x278), QString());
        QCOMPARE(calls.claimed, std::set<QString>{"parport1"});
        QVERIFY(port.Description().endsWith("parport1 at $278"));
        QVERIFY(!port.UseBase(0x3BC).isEmpty());
        QVERIFY(calls.claimed.empty());
        QCOMPARE(calls.writes, (QStringList{"parport0=15", "parport0=0", "parport1=0"}));
        port.Close();
        QVERIFY(calls.names.empty());  // every device closed
    }

    void missingDeviceNamesIt()
    {
        AddPort(0, "888\t1912\n");
        TPpdevPort port(SysDir(), DevDir());
        QVERIFY(!port.Open());
        QVERIFY(!port.DriverReady());
        const QString device = DevDir() + "/parport0";
        QCOMPARE(port.ErrorText(),
                 QStringLiteral("%1 on %2").arg(QString::fromLocal8Bit(std::strerror(ENOENT)), device));
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
        QVERIFY2(port.ErrorText().endsWith(" checking " + DevDir() + "/parport0"), qPrintable(port.ErrorText()));
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
        QCOMPARE(port.ErrorText(),
                 QStringLiteral("%1 on %2").arg(QString::fromLocal8Bit(std::strerror(EACCES)), DevDir() + "/parport0"));
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
    // Four parallel ports: $378, $278, a PCIe card at $D010, and $3E8 held
    // by another driver.
    void AddFakePorts(TFakePortCalls& calls)
    {
        const QList<QPair<int, QByteArray>> ports{
            {0, "888\t1912\n"}, {1, "632\t0\n"}, {2, "53264\t0\n"}, {3, "1000\n"}};
        for (const auto& [number, base] : ports) {
            AddPort(number, base);
            AddDevice(number);
            calls.parallel << QStringLiteral("parport%1").arg(number);
        }
        calls.busy << "parport3";
    }
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
