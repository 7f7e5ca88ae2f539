// The board's lines as the program reads them: every way a line can come
// in, each with what the program makes of it.
#include "common/MaskFile.h"
#include "hardware/lapboard/LapBoardPort.h"
#include "hardware/lapboard/LapBoardProtocol.h"
#include "hardware/lapboard/LapBoardReceiver.h"

#include <QtTest>
#include <atomic>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

// Writes down every call, in order, for comparison with the table.
class TRecordingSink final : public TLapBoardSink {
public:
    QStringList Calls;
    void Hello(int protocol, const char* firmware, bool restarted) override
    {
        Calls << QStringLiteral("hello %1 %2%3").arg(protocol).arg(QLatin1String(firmware), restarted ? "" : " again");
    }
    void Arrival(int sensor, int64_t boardUs) override
    {
        Calls << QStringLiteral("arrival %1 @%2").arg(sensor).arg(boardUs);
    }
    void Levels(uint8_t) override {}
    void Applied(uint8_t pcSeq, int64_t boardUs, uint8_t outputs) override
    {
        Calls << QStringLiteral("applied %1 @%2 out %3").arg(pcSeq).arg(boardUs).arg(outputs);
    }
    void Refused() override { Calls << QStringLiteral("refused"); }
};

// An item is a line body, sealed with its checksum and a line feed (after a
// '^' with a carriage return before the feed), or raw bytes after a '='.
QByteArray Stream(const QStringList& items)
{
    QByteArray bytes;
    for (const QString& item : items) {
        if (item.startsWith(QLatin1Char('='))) {
            bytes += item.mid(1).toLatin1();
            continue;
        }
        const bool carriageReturn = item.startsWith(QLatin1Char('^'));
        const QByteArray body = item.mid(carriageReturn ? 1 : 0).toLatin1();
        char line[LapBoard::MaxLineLength + 8];
        QByteArray sealed(line, qsizetype(LapBoard::SealLine(body.constData(), size_t(body.size()), line)));
        if (carriageReturn)
            sealed.insert(sealed.size() - 1, '\r');
        bytes += sealed;
    }
    return bytes;
}

const QString Hello = QStringLiteral("K 00 1 1.0");

// A pseudo-terminal standing in for a board: it answers every "?" with the
// given hello, or stays silent when there is none. Output commands for
// `heldImage` get no answer until `sendings` of them have come; then the
// sendings listed in `answered` (counted from 0) are answered in turn, sending
// k applied at board time 1000 * (k + 1) us. Other images are answered at once.
class TFakeBoard {
public:
    explicit TFakeBoard(const QByteArray& hello, const QByteArray& heldImage = {}, int sendings = 0,
                        const QList<int>& answered = {})
        : m_hello(Stream({QString::fromLatin1(hello)})),
          m_answers(!hello.isEmpty()),
          m_heldImage(heldImage),
          m_sendings(sendings),
          m_answered(answered)
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
            return;
        Device = QString::fromLatin1(ptsname(m_master));
        m_thread = std::thread([this] {
            QByteArray line;
            QList<QByteArray> held;  // the numbers of the held sendings
            char byte = 0;
            while (!m_stop.load()) {
                fd_set readable;
                FD_ZERO(&readable);
                FD_SET(m_master, &readable);
                timeval wait{0, 20'000};
                if (select(m_master + 1, &readable, nullptr, nullptr, &wait) <= 0 || read(m_master, &byte, 1) != 1)
                    continue;
                if (byte != '\n') {
                    line += byte;
                    continue;
                }
                QByteArray reply;
                if (line.startsWith('?') && m_answers) {
                    reply = m_hello;
                } else if (line.startsWith('O')) {
                    const QByteArray seq = line.mid(2, 2);
                    const QByteArray image = line.mid(5, 2);
                    if (image != m_heldImage) {
                        reply = Applied(seq, 0, image);
                    } else {
                        held << seq;
                        if (held.size() == m_sendings)
                            for (const int k : m_answered)
                                reply += Applied(held[k], 1000 * (k + 1), image);
                    }
                }
                line.clear();
                if (!reply.isEmpty() && write(m_master, reply.constData(), size_t(reply.size())) < 0)
                    return;
            }
        });
    }
    ~TFakeBoard()
    {
        m_stop.store(true);
        if (m_thread.joinable())
            m_thread.join();
        if (m_master >= 0)
            close(m_master);
    }
    QString Device;

private:
    QByteArray Applied(const QByteArray& pcSeq, int boardUs, const QByteArray& image)
    {
        return Stream({QStringLiteral("A %1 %2 %3 %4")
                           .arg(++m_seq, 2, 16, QLatin1Char('0'))
                           .arg(QLatin1String(pcSeq))
                           .arg(boardUs, 8, 16, QLatin1Char('0'))
                           .arg(QLatin1String(image))
                           .toUpper()});
    }

    QByteArray m_hello;
    bool m_answers;
    QByteArray m_heldImage;
    int m_sendings;
    QList<int> m_answered;
    int m_seq = 0;
    int m_master = -1;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace

class TestLapBoardProtocol : public QObject {
    Q_OBJECT
private slots:
    void checksumIsTheBoardsCrc()
    {
        QCOMPARE(LapBoard::Crc16("123456789", 9), uint16_t(0x6F91));
        char line[LapBoard::MaxLineLength];
        const size_t length = LapBoard::FormatCommand('O', 0x1F, 0x81, line);
        const QByteArray text(line, qsizetype(length));
        QVERIFY2(text.startsWith("O 1F 81*") && text.endsWith('\n') && length == 13, text.constData());
        LapBoard::TMessage unused;
        // Our own command is a well-formed line, but not one the board sends.
        QCOMPARE(LapBoard::DecodeLine(line, length - 1, unused), LapBoard::TDecode::BadFormat);
    }

    void linesAndOutcomes_data()
    {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<int>("damaged");
        QTest::addColumn<int>("gaps");

        QTest::newRow("an arrival is timed by its event")
            << QStringList{Hello, "H 01 00000000 0 00", "E 02 000003E8 1", "E 03 00004E20 0"}
            << QStringList{"hello 1 1.0", "arrival 1 @1000"} << 0 << 0;
        QTest::newRow("two cars in one event")
            << QStringList{Hello, "H 01 00000000 0 00", "E 02 000003E8 5"}
            << QStringList{"hello 1 1.0", "arrival 1 @1000", "arrival 3 @1000"} << 0 << 0;
        QTest::newRow("the first levels after the hello make no lap")
            << QStringList{Hello, "E 01 000003E8 2", "E 02 000007D0 3"} << QStringList{"hello 1 1.0", "arrival 1 @2000"}
            << 0 << 0;
        QTest::newRow("carriage returns are ignored")
            << QStringList{"^K 00 1 1.0", "^H 01 00000000 0 00", "E 02 00000010 8"}
            << QStringList{"hello 1 1.0", "arrival 4 @16"} << 0 << 0;
        QTest::newRow("a wrong checksum drops the line, and the change after it makes no lap")
            << QStringList{Hello, "H 01 00000000 0 00", "=E 02 000003E8 1*0000\n", "E 03 000007D0 0", "E 04 00000BB8 1"}
            << QStringList{"hello 1 1.0", "arrival 1 @3000"} << 1 << 1;
        QTest::newRow("a skipped sequence number makes no lap")
            << QStringList{Hello, "H 01 00000000 0 00", "E 03 000003E8 1", "E 04 000007D0 3"}
            << QStringList{"hello 1 1.0", "arrival 2 @2000"} << 0 << 1;
        QTest::newRow("a heartbeat never makes a lap")
            << QStringList{Hello, "H 01 00000000 0 00", "H 02 000186A0 1 00"} << QStringList{"hello 1 1.0"} << 0 << 0;
        QTest::newRow("garbage between lines takes no number")
            << QStringList{Hello, "H 01 00000000 0 00", "=\x01\x7Fnoise\n", "E 02 000003E8 1"}
            << QStringList{"hello 1 1.0", "arrival 1 @1000"} << 1 << 0;
        QTest::newRow("a line too long is dropped whole")
            << QStringList{Hello, "=E 01 000003E8 1" + QString(40, QLatin1Char(' ')) + "\n", "E 02 000007D0 1"}
            << QStringList{"hello 1 1.0"} << 1 << 1;
        QTest::newRow("lower-case hex and extra fields are refused")
            << QStringList{Hello, "H 01 00000000 0 00", "E 02 000003e8 1", "E 03 000003E8 1 7"}
            << QStringList{"hello 1 1.0"} << 2 << 0;
        QTest::newRow("the clock wraps at 2^32 microseconds")
            << QStringList{Hello, "H 01 FFFFFF00 0 00", "E 02 00000100 1"}
            << QStringList{"hello 1 1.0", "arrival 1 @4294967552"} << 0 << 0;
        QTest::newRow("an event sent after a later heartbeat keeps its own time")
            << QStringList{Hello, "H 01 00001000 0 00", "H 02 00002000 0 00", "E 03 00001800 1"}
            << QStringList{"hello 1 1.0", "arrival 1 @6144"} << 0 << 0;
        QTest::newRow("an unknown protocol version is not listened to")
            << QStringList{"K 00 2 9.9", "H 01 00000000 0 00", "E 02 000003E8 1", "A 03 05 000003E8 81"}
            << QStringList{"hello 2 9.9"} << 0 << 0;
        QTest::newRow("lines before the hello mean nothing")
            << QStringList{"H 07 00000000 0 00", "E 08 000003E8 1", Hello, "H 01 00000000 0 00"}
            << QStringList{"hello 1 1.0"} << 0 << 0;
        QTest::newRow("a restarted board begins its clock again")
            << QStringList{Hello, "H 01 00100000 0 00", "E 02 00100010 1",
                           Hello, "H 01 00000000 0 00", "E 02 00000020 1"}
            << QStringList{"hello 1 1.0", "arrival 1 @1048592", "hello 1 1.0", "arrival 1 @32"} << 0 << 0;
        QTest::newRow("a hello in answer to ? is no restart")
            << QStringList{Hello, "H 01 00000000 0 00", "K 02 1 1.0", "E 03 000003E8 1"}
            << QStringList{"hello 1 1.0", "hello 1 1.0 again", "arrival 1 @1000"} << 0 << 0;
        QTest::newRow("an output command applied") << QStringList{Hello, "A 01 1F 00000400 81"}
                                                   << QStringList{"hello 1 1.0", "applied 31 @1024 out 129"} << 0 << 0;
        QTest::newRow("a damaged command of ours is refused; lost changes stop the laps")
            << QStringList{Hello, "H 01 00000000 0 00", "X 02 CRC", "X 03 LOST", "E 04 000003E8 1", "E 05 000007D0 3"}
            << QStringList{"hello 1 1.0", "refused", "arrival 2 @2000"} << 0 << 0;
    }

    // At start-up these stop the program like a missing port; the message
    // names the device.
    void boardThatCannotBeUsed_data()
    {
        QTest::addColumn<QByteArray>("hello");  // empty: no board behind the name
        QTest::addColumn<QString>("problem");
        QTest::newRow("no such device") << QByteArray() << QStringLiteral("cannot be opened");
        QTest::newRow("a port where nothing answers")
            << QByteArray("") << QStringLiteral("No lap-sensor board answers on");
        QTest::newRow("another protocol version")
            << QByteArray("K 00 2 9.9") << QStringLiteral("speaks protocol version 2");
    }

    void boardThatCannotBeUsed()
    {
        QFETCH(QByteArray, hello);
        QFETCH(QString, problem);
        TFakeBoard fake(hello);
        const QString device = hello.isNull() ? QStringLiteral("/dev/kobalap-no-such-board") : fake.Device;
        TSensorMasks masks;
        TLapBoardTimeouts quick;
        quick.HelloMs = 600;
        TLapBoardPort port(device, masks, quick);
        QVERIFY(!port.Open());
        QVERIFY(!port.DriverReady());
        QVERIFY2(port.ErrorText().contains(problem) && port.ErrorText().contains(device), qPrintable(port.ErrorText()));
    }

    // An output command whose answer is late goes again. The board set the
    // outputs at the first sending that reached it, and that is the write's
    // time (the green lamp's is race time 0), also when its answer comes
    // after the repetition was sent.
    void outputsTakeTheTimeOfTheirFirstSending_data()
    {
        QTest::addColumn<QList<int>>("answered");  // of the two sendings
        QTest::addColumn<int64_t>("boardUs");
        QTest::newRow("the first answer comes after the repetition") << QList<int>{0, 1} << int64_t(1000);
        QTest::newRow("the first sending was lost on the way") << QList<int>{1} << int64_t(2000);
    }

    void outputsTakeTheTimeOfTheirFirstSending()
    {
        QFETCH(QList<int>, answered);
        QFETCH(int64_t, boardUs);
        TFakeBoard fake("K 00 1 1.0", "81", 2, answered);
        TSensorMasks masks;
        TLapBoardTimeouts patient;  // the fake sends no heartbeats
        patient.SilenceMs = 60000;
        TLapBoardPort port(fake.Device, masks, patient);
        QVERIFY(port.Open());
        port.WritePort(0, TPortSize::Byte, 0x81);
        uint32_t epoch = 0;
        int64_t us = -1;
        QTRY_VERIFY(port.AppliedAt(port.WriteCount(), epoch, us));
        QCOMPARE(us, boardUs);
    }

    void linesAndOutcomes()
    {
        QFETCH(QStringList, items);
        QFETCH(QStringList, calls);
        QFETCH(int, damaged);
        QFETCH(int, gaps);
        const QByteArray stream = Stream(items);
        // The port hands over whatever has come: whole, a byte at a time, or
        // cut anywhere in a line.
        for (const qsizetype chunk : {stream.size(), qsizetype(1), qsizetype(7)}) {
            TLapBoardReceiver receiver;
            TRecordingSink sink;
            for (qsizetype at = 0; at < stream.size(); at += chunk)
                receiver.Feed(stream.constData() + at, size_t(std::min(chunk, stream.size() - at)), sink);
            QCOMPARE(sink.Calls, calls);
            QCOMPARE(receiver.Faults().Damaged, int64_t(damaged));
            QCOMPARE(receiver.Faults().Gaps, int64_t(gaps));
        }
    }
};

QTEST_GUILESS_MAIN(TestLapBoardProtocol)
#include "tst_lapboardprotocol.moc"
