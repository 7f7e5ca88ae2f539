#include "common/MaskFile.h"
#include "common/Settings.h"
#include "common/TrackIo.h"
#include "hardware/zlportio.h"

#include "support/TestSupport.h"
#include <QList>
#include <QPair>

#include <QtTest>

#include <memory>

namespace {

// A port that answers reads from a script and records every access.
class TStatusScriptPort final : public TPortDriver {
public:
    bool Open() override { return m_ready = true; }
    void Close() override { m_ready = false; }
    bool ReadPort(uint32_t address, TPortSize size, uint32_t& value) override
    {
        ReadAddresses.append(address);
        ReadSizes.append(size);
        if (!ReadSucceeds) {
            value = 0;  // garbage a careless caller might use (all set after inversion)
            return false;
        }
        value = Status;
        return true;
    }
    void WritePort(uint32_t address, TPortSize size, uint32_t value) override
    {
        WriteAddresses.append(address);
        WriteSizes.append(size);
        Written.append(value);
    }
    QString Description() const override { return QStringLiteral("scripted port"); }

    uint32_t Status = 0;
    bool ReadSucceeds = true;
    QList<uint32_t> ReadAddresses;
    QList<TPortSize> ReadSizes;
    QList<uint32_t> WriteAddresses;
    QList<TPortSize> WriteSizes;
    QList<uint32_t> Written;
};

using TLineSteps = QList<QPair<int, bool>>;
using TBytes = QList<uint32_t>;
using TMasks = QList<int>;

int SensorBits(const TSensorLevels& levels)
{
    int bits = 0;
    for (size_t n = 0; n < levels.size(); ++n)
        if (levels[n])
            bits |= 1 << n;
    return bits;
}

}  // namespace

Q_DECLARE_METATYPE(TLineSteps)
Q_DECLARE_METATYPE(TBytes)
Q_DECLARE_METATYPE(TMasks)

class TestTrackIo : public QObject {
    Q_OBJECT

private slots:
    void init() { m_dir = std::make_unique<TTestWorkDir>(); }

    void readSensors_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("xorByte");
        QTest::addColumn<TMasks>("masks");
        QTest::addColumn<int>("expected");  // bit n-1 = sensor n
        const TMasks defaults{8, 16, 32, 64};
        QTest::newRow("0x18 gives sensors 1 and 2") << 0x18 << 0 << defaults << 0b0011;
        QTest::newRow("0x18 inverted gives 3 and 4") << 0x18 << 255 << defaults << 0b1100;
        QTest::newRow("nothing set") << 0x00 << 0 << defaults << 0b0000;
        QTest::newRow("all four") << 0x78 << 0 << defaults << 0b1111;
        QTest::newRow("bits outside the masks") << 0x87 << 0 << defaults << 0b0000;
        QTest::newRow("inverted, all lines low") << 0x00 << 255 << defaults << 0b1111;
        QTest::newRow("inverted, all lines high") << 0xFF << 255 << defaults << 0b0000;
        QTest::newRow("custom masks") << 0x81 << 0 << TMasks{1, 2, 4, 128} << 0b1001;
        QTest::newRow("custom masks inverted") << 0x81 << 255 << TMasks{1, 2, 4, 128} << 0b0110;
        QTest::newRow("xor on one bit only") << 0x00 << 0x08 << defaults << 0b0001;
        QTest::newRow("mask of two bits, either one") << 0x10 << 0 << TMasks{0x18, 16, 32, 64} << 0b0011;
        QTest::newRow("zero mask is never set") << 0xFF << 0 << TMasks{0, 16, 32, 64} << 0b1110;
        QTest::newRow("only the low byte counts") << 0x100 << 0 << TMasks{8, 16, 32, 64} << 0b0000;
    }
    void readSensors()
    {
        QFETCH(int, status);
        QFETCH(int, xorByte);
        QFETCH(TMasks, masks);
        QFETCH(int, expected);
        TStatusScriptPort port;
        TSettings settings;
        TSensorMasks sensorMasks;
        for (int n = 0; n < 4; ++n)
            sensorMasks.Mask[size_t(n)] = uint8_t(masks[n]);
        sensorMasks.Xor = uint8_t(xorByte);
        port.Status = uint32_t(status);
        TTrackIo io(port, settings, sensorMasks);
        QCOMPARE(SensorBits(io.ReadSensors()), expected);
        QCOMPARE(port.ReadAddresses.size(), 1);  // one read per call
        QCOMPARE(port.ReadSizes.value(0), TPortSize::Byte);
        QVERIFY(port.Written.isEmpty());
    }

    void failedReadReportsNoSensor_data()
    {
        QTest::addColumn<int>("xorByte");
        QTest::newRow("not inverted") << 0;
        QTest::newRow("inverted") << 255;
    }
    void failedReadReportsNoSensor()
    {
        QFETCH(int, xorByte);
        TStatusScriptPort port;
        port.ReadSucceeds = false;
        TSettings settings;
        TSensorMasks masks;
        masks.Xor = uint8_t(xorByte);
        TTrackIo io(port, settings, masks);
        QCOMPARE(SensorBits(io.ReadSensors()), 0);
    }

    void masksAreReadAtEachCall()
    {
        // The masks are reloaded after "Apply & Save"; the track I/O must use
        // the new ones without being rebuilt.
        TStatusScriptPort port;
        port.Status = 0x18;
        TSettings settings;
        TSensorMasks masks;
        TTrackIo io(port, settings, masks);
        QCOMPARE(SensorBits(io.ReadSensors()), 0b0011);
        masks.Xor = 255;
        QCOMPARE(SensorBits(io.ReadSensors()), 0b1100);
    }

    void outputLines_data()
    {
        QTest::addColumn<TLineSteps>("steps");
        QTest::addColumn<TBytes>("written");
        QTest::newRow("3 on, 5 on, 3 off") << TLineSteps{{3, true}, {5, true}, {3, false}} << TBytes{0x04, 0x14, 0x10};
        QTest::newRow("unchanged line still written") << TLineSteps{{1, true}, {1, true}} << TBytes{0x01, 0x01};
        QTest::newRow("off while off still written") << TLineSteps{{2, false}} << TBytes{0x00};
        QTest::newRow("line 8 is bit 7") << TLineSteps{{8, true}} << TBytes{0x80};
        QTest::newRow("start-up: 1..8 off") << TLineSteps{{1, false}, {2, false}, {3, false}, {4, false},
                                                          {5, false}, {6, false}, {7, false}, {8, false}}
                                            << TBytes{0, 0, 0, 0, 0, 0, 0, 0};
        QTest::newRow("all on") << TLineSteps{{1, true}, {2, true}, {3, true}, {4, true},
                                              {5, true}, {6, true}, {7, true}, {8, true}}
                                << TBytes{0x01, 0x03, 0x07, 0x0F, 0x1F, 0x3F, 0x7F, 0xFF};
        QTest::newRow("lines outside 1..8 ignored")
            << TLineSteps{{0, true}, {9, true}, {-1, true}, {32, true}, {64, true}, {1000, false}} << TBytes{};
        QTest::newRow("ignored line between valid ones")
            << TLineSteps{{4, true}, {9, true}, {4, false}} << TBytes{0x08, 0x00};
    }
    void outputLines()
    {
        QFETCH(TLineSteps, steps);
        QFETCH(TBytes, written);
        TStatusScriptPort port;
        TSettings settings;
        TSensorMasks masks;
        TTrackIo io(port, settings, masks);
        QCOMPARE(io.OutputImage(), uint8_t(0));  // all off at the start
        for (const auto& step : steps)
            io.SetOutputLine(step.first, step.second);
        QCOMPARE(port.Written, written);
        QCOMPARE(io.OutputImage(), written.isEmpty() ? uint8_t(0) : uint8_t(written.last()));
        for (TPortSize size : port.WriteSizes)
            QCOMPARE(size, TPortSize::Byte);
        QVERIFY(port.ReadAddresses.isEmpty());  // the port is never read back
    }

    void registerAddresses_data()
    {
        QTest::addColumn<int>("portAddress");
        QTest::newRow("$378") << 888;
        QTest::newRow("$278") << 632;
    }
    void registerAddresses()
    {
        QFETCH(int, portAddress);
        TStatusScriptPort port;
        TSettings settings;
        settings.PortAddress = portAddress;
        TSensorMasks masks;
        TTrackIo io(port, settings, masks);
        io.ReadSensors();
        io.SetOutputLine(1, true);
        QCOMPARE(port.ReadAddresses, QList<uint32_t>{uint32_t(portAddress + 1)});
        QCOMPARE(port.WriteAddresses, QList<uint32_t>{uint32_t(portAddress)});
        QCOMPARE(&io.Port(), static_cast<TPortDriver*>(&port));
    }

private:
    std::unique_ptr<TTestWorkDir> m_dir;
};

QTEST_GUILESS_MAIN(TestTrackIo)
#include "tst_trackio.moc"
