#include "hardware/parport/ZlPortIoProtocol.h"

#include "support/TestSupport.h"
#include <QByteArray>

#include <QtTest>

#include <memory>

class TestZlPortIoProtocol : public QObject {
    Q_OBJECT

private slots:
    void init() { m_dir = std::make_unique<TTestWorkDir>(); }

    void names()
    {
        QCOMPARE(QString::fromLatin1(ZlPortIo::DeviceName), QStringLiteral(R"(\\.\ZLPORTIO)"));
        QCOMPARE(QString::fromLatin1(ZlPortIo::ServiceName), QStringLiteral("zlportio"));
        QCOMPARE(QString::fromLatin1(ZlPortIo::DisplayName), QStringLiteral("zlportio"));
        QCOMPARE(QString::fromLatin1(ZlPortIo::DriverFileName), QStringLiteral("zlportio.sys"));
    }

    void controlCodes_data()
    {
        QTest::addColumn<uint>("code");
        QTest::addColumn<uint>("expected");
        QTest::newRow("read") << uint(ZlPortIo::ReadCode) << 0x80FF0004u;
        QTest::newRow("write") << uint(ZlPortIo::WriteCode) << 0x80FF0008u;
        QTest::newRow("function 3") << uint(ZlPortIo::Function3Code) << 0x80FF000Cu;
        QTest::newRow("function 4") << uint(ZlPortIo::Function4Code) << 0x80FF0010u;
        // The platform macro's other fields, to be sure they sit where it puts them.
        QTest::newRow("method and access") << uint(ZlPortIo::ControlCode(0x22, 0x800, 3, 1)) << 0x00226003u;
    }
    void controlCodes()
    {
        QFETCH(uint, code);
        QFETCH(uint, expected);
        QCOMPARE(code, expected);
    }

    void packRequest_data()
    {
        QTest::addColumn<uint>("address");
        QTest::addColumn<int>("size");
        QTest::addColumn<uint>("value");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("status read at $379") << 0x379u << 0 << 0u << QByteArray::fromHex("790300000000000000000000");
        QTest::newRow("data write at $378") << 0x378u << 0 << 0x14u << QByteArray::fromHex("780300000000000014000000");
        QTest::newRow("little-endian fields")
            << 0x12345678u << 2 << 0xAABBCCDDu << QByteArray::fromHex("7856341202000000DDCCBBAA");
        QTest::newRow("word size") << 0x278u << 1 << 0xFFFFu << QByteArray::fromHex("7802000001000000FFFF0000");
    }
    void packRequest()
    {
        QFETCH(uint, address);
        QFETCH(int, size);
        QFETCH(uint, value);
        QFETCH(QByteArray, expected);
        const ZlPortIo::TPortRequest record = ZlPortIo::PackPortRequest(address, TPortSize(size), value);
        QCOMPARE(int(record.size()), 12);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(record.data()), int(record.size())).toHex(),
                 expected.toHex());
    }

    void unpackValue_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<uint>("expected");
        QTest::newRow("a status byte") << QByteArray::fromHex("7F000000") << 0x7Fu;
        QTest::newRow("all four bytes") << QByteArray::fromHex("DDCCBBAA") << 0xAABBCCDDu;
    }
    void unpackValue()
    {
        QFETCH(QByteArray, answer);
        QFETCH(uint, expected);
        std::array<uint8_t, 4> bytes{};
        for (int i = 0; i < 4; ++i)
            bytes[size_t(i)] = uint8_t(answer[i]);
        QCOMPARE(uint(ZlPortIo::UnpackPortValue(bytes)), expected);
    }

    void openSucceeded_data()
    {
        QTest::addColumn<bool>("handleValid");
        QTest::addColumn<uint>("lastError");
        QTest::addColumn<bool>("expected");
        QTest::newRow("opened") << true << 0u << true;
        QTest::newRow("opened, already exists") << true << 183u << true;
        QTest::newRow("file not found") << false << 2u << false;
        QTest::newRow("access denied") << false << 5u << false;
        QTest::newRow("invalid handle, no error") << false << 0u << false;
        QTest::newRow("valid handle, other error") << true << 5u << false;
    }
    void openSucceeded()
    {
        QFETCH(bool, handleValid);
        QFETCH(uint, lastError);
        QFETCH(bool, expected);
        QCOMPARE(ZlPortIo::OpenSucceeded(handleValid, lastError), expected);
    }

    void driverFilePath_data()
    {
        QTest::addColumn<QString>("programDir");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Qt's slashes") << QStringLiteral("C:/Program Files/Kobalap")
                                      << QStringLiteral(R"(C:\Program Files\Kobalap\zlportio.sys)");
        QTest::newRow("native slashes") << QStringLiteral(R"(D:\Koba)") << QStringLiteral(R"(D:\Koba\zlportio.sys)");
        QTest::newRow("drive root") << QStringLiteral("C:/") << QStringLiteral(R"(C:\zlportio.sys)");
    }
    void driverFilePath()
    {
        QFETCH(QString, programDir);
        QFETCH(QString, expected);
        QCOMPARE(ZlPortIo::DriverFilePath(programDir), expected);
    }

private:
    std::unique_ptr<TTestWorkDir> m_dir;
};

QTEST_GUILESS_MAIN(TestZlPortIoProtocol)
#include "tst_zlportioprotocol.moc"
