// A lap counter's bytes as the program reads them: every message, both lane
// forms, times of any length, and every way the stream can be damaged, each
// with what the program makes of it.
#include "hardware/lapcounter/LapCounterProtocol.h"

#include <QtTest>

namespace {

// What the reader took, one word per message ("A", "T500", "L1@500").
QString Read(const QList<QByteArray>& pieces, uint32_t& dropped)
{
    LapCounter::TReader reader;
    QStringList taken;
    LapCounter::TMessage message;
    for (const QByteArray& piece : pieces) {
        for (const char byte : piece) {
            if (!reader.Feed(byte, message))
                continue;
            switch (message.Kind) {
            case LapCounter::TKind::Acknowledge: taken << QStringLiteral("A"); break;
            case LapCounter::TKind::Clock: taken << QStringLiteral("T%1").arg(message.Ms); break;
            case LapCounter::TKind::Lap: taken << QStringLiteral("L%1@%2").arg(message.Lane).arg(message.Ms); break;
            }
        }
    }
    dropped = reader.Dropped();
    return taken.join(QLatin1Char(' '));
}

}  // namespace

class TestLapCounterProtocol : public QObject {
    Q_OBJECT

private slots:
    void Stream_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<QString>("taken");
        QTest::addColumn<uint>("dropped");

        const QByteArray zeros(30, '0');
        // Messages as counters send them.
        QTest::newRow("acknowledge") << QList<QByteArray>{"%A&"} << "A" << 0u;
        QTest::newRow("clock") << QList<QByteArray>{"%T1F4&"} << "T500" << 0u;
        QTest::newRow("clock, lower-case digits") << QList<QByteArray>{"%T1f4&"} << "T500" << 0u;
        QTest::newRow("clock, padded with zeros") << QList<QByteArray>{"%T" + zeros + "1F4&"} << "T500" << 0u;
        QTest::newRow("clock, one digit") << QList<QByteArray>{"%T0&"} << "T0" << 0u;
        QTest::newRow("lap, two-digit lane") << QList<QByteArray>{"%L011F4&"} << "L1@500" << 0u;
        QTest::newRow("lap, two-digit lane 0A") << QList<QByteArray>{"%L0A3E8&"} << "L10@1000" << 0u;
        QTest::newRow("lap, lane with comma") << QList<QByteArray>{"%L4,1F4&"} << "L4@500" << 0u;
        QTest::newRow("lap, long lane with comma") << QList<QByteArray>{"%L00000003,3E8&"} << "L3@1000" << 0u;
        QTest::newRow("lap, a 40-bit time") << QList<QByteArray>{"%L02FFFFFFFFFF&"} << "L2@1099511627775" << 0u;
        QTest::newRow("lap at zero") << QList<QByteArray>{"%L030&"} << "L3@0" << 0u;
        QTest::newRow("lane beyond 1..4 is still read") << QList<QByteArray>{"%L1F,64&"} << "L31@100" << 0u;
        QTest::newRow("a sketch's line ends between")
            << QList<QByteArray>{"%A&\r\n%T1&\n \t%L011&\r\n"} << "A T1 L1@1" << 0u;
        // Messages cut by the wire into pieces.
        QTest::newRow("split lap") << QList<QByteArray>{"%L0", "11F", "4&"} << "L1@500" << 0u;
        QTest::newRow("split at the comma") << QList<QByteArray>{"%L2", ",1F4", "&%T", "2&"} << "L2@500 T2" << 0u;
        // Damaged, dropped whole and counted, never read as a lap.
        QTest::newRow("lap without a time") << QList<QByteArray>{"%L01&"} << "" << 1u;
        QTest::newRow("lap, one-digit lane, no comma") << QList<QByteArray>{"%L1&"} << "" << 1u;
        QTest::newRow("lap, comma without lane") << QList<QByteArray>{"%L,1F4&"} << "" << 1u;
        QTest::newRow("lap, comma without time") << QList<QByteArray>{"%L01,&"} << "" << 1u;
        QTest::newRow("lap, not hexadecimal") << QList<QByteArray>{"%L01G4&"} << "" << 1u;
        QTest::newRow("lap, two commas") << QList<QByteArray>{"%L1,2,3&"} << "" << 1u;
        QTest::newRow("clock without time") << QList<QByteArray>{"%T&"} << "" << 1u;
        QTest::newRow("clock with a sign") << QList<QByteArray>{"%T-1&"} << "" << 1u;
        QTest::newRow("acknowledge with more") << QList<QByteArray>{"%A1&"} << "" << 1u;
        QTest::newRow("unknown message") << QList<QByteArray>{"%Q12&"} << "" << 1u;
        QTest::newRow("empty message") << QList<QByteArray>{"%&"} << "" << 1u;
        QTest::newRow("time beyond 64 bits of µs") << QList<QByteArray>{"%T" + QByteArray(16, 'F') + "&"} << "" << 1u;
        QTest::newRow("lane beyond 32 bits") << QList<QByteArray>{"%L123456789,1&"} << "" << 1u;
        QTest::newRow("rubbish before a message") << QList<QByteArray>{"xy\x01%A&"} << "A" << 1u;
        QTest::newRow("rubbish ended by &") << QList<QByteArray>{"xy&%A&"} << "A" << 1u;
        QTest::newRow("message cut short by the next") << QList<QByteArray>{"%L01%T5&"} << "T5" << 1u;
        QTest::newRow("overlong, then a good one")
            << QList<QByteArray>{"%T" + QByteArray(60, '1') + "&%L011&"} << "L1@1" << 1u;
        QTest::newRow("overlong lap with a lap's end in it")
            << QList<QByteArray>{"%L01" + QByteArray(45, '2') + "%L02A&"} << "L2@10" << 1u;
    }

    void Stream()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(QString, taken);
        QFETCH(uint, dropped);
        uint32_t counted = 0;
        QCOMPARE(Read(pieces, counted), taken);
        QCOMPARE(counted, dropped);
    }
};

QTEST_GUILESS_MAIN(TestLapCounterProtocol)
#include "tst_lapcounterprotocol.moc"
