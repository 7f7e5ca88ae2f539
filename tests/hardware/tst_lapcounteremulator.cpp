#include "support/LapCounterEmulator.h"

#include <QDeadlineTimer>
#include <QSerialPort>
#include <QTcpSocket>
#include <QtTest>
#include <memory>

// The lap counter emulator as the PC meets it: raw bytes over its
// pseudo-terminal (a serial line, 19200 8N1) or over TCP, read back message
// by message ('%' to '&'), with no help from the program's protocol code.
class TestLapCounterEmulator : public QObject {
    Q_OBJECT
private slots:
    // Steps: "send <bytes>" to the counter, "command <line>" for the
    // emulator, "wait <log prefix>", "read <message> <ms>" (the next message,
    // within that time), "find <message> <ms>" (passing over others),
    // "quiet <ms>" (no message), "closed" (the PC sees the link end),
    // "reopen" (the PC reaches the counter again).
    void wire_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<QStringList>("steps");
        const QStringList noClock{"--clock-ms", "0"};
        for (const QString& link : {QStringLiteral("pty"), QStringLiteral("tcp")}) {
            const QStringList options = link == "tcp" ? noClock + QStringList{"--tcp", "0"} : noClock;
            const auto row = [&](const char* name) -> QTestData& {
                return QTest::newRow(qPrintable(link + ": " + name));
            };
            row("hello answered") << options << QStringList{} << QStringList{"send %C&", "read %A& 500"};
            row("hello unanswered") << options + QStringList{"--no-ack"} << QStringList{}
                                    << QStringList{"send %C&", "wait hello", "quiet 700"};
            // Scripted before the start, which zeroes the clock: the laps count from there.
            row("laps from the start") << options << QStringList{"car 1 1000 300"}
                                       << QStringList{"send %I&", "read %L013E8& 3000", "read %L01514& 3000"};
            row("lanes with a comma") << options + QStringList{"--lane-form", "comma"} << QStringList{"car 12 800"}
                                      << QStringList{"send %I&", "read %LC,320& 3000"};
            row("detections stopped") << options << QStringList{"car 2 600 600"}
                                      << QStringList{"send %I&",  "read %L02258& 3000", "send %F&",
                                                     "wait stop", "wait held 2 1200",   "quiet 200"};
            row("the clock's period") << options + QStringList{"--clock-ms", "250"} << QStringList{}
                                      << QStringList{"send %I&", "find %T1F4& 3000", "read %T2EE& 1000"};
            row("a hang-up") << options << QStringList{}
                             << QStringList{"command close", "closed", "reopen", "send %C&", "read %A& 500"};
        }
    }
    void wire()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, script);
        QFETCH(QStringList, steps);
        TLapCounterEmulator emulator(arguments, script);
        QVERIFY2(!emulator.Device().isEmpty(), "the emulator did not start");
        const bool tcp = arguments.contains("--tcp");
        QVERIFY(Open(tcp, emulator.Device()));
        for (const QString& step : steps) {
            const QString word = step.section(' ', 0, 0);
            const QString what = step.section(' ', 1, -2);
            const int ms = step.section(' ', -1).toInt();
            if (word == "send") {
                m_link->write(step.mid(5).toLatin1());
                QVERIFY(m_link->waitForBytesWritten(1000) || m_link->bytesToWrite() == 0);
            } else if (word == "command") {
                QVERIFY2(emulator.Send(step.mid(8)), qPrintable(step));
            } else if (word == "wait") {
                QVERIFY2(!emulator.WaitFor(step.mid(5)).isEmpty(), qPrintable(step));
            } else if (word == "read") {
                QCOMPARE(NextMessage(ms), what.toLatin1());
            } else if (word == "find") {
                QByteArray message;
                QDeadlineTimer deadline(ms);
                while (message != what.toLatin1() && !deadline.hasExpired())
                    message = NextMessage(int(deadline.remainingTime()));
                QCOMPARE(message, what.toLatin1());
            } else if (word == "quiet") {
                QCOMPARE(NextMessage(ms), QByteArray());
            } else if (word == "closed") {
                QVERIFY2(Closed(5000), "the PC did not see the link end");
            } else if (word == "reopen") {
                QVERIFY(Open(tcp, tcp ? emulator.Device() : emulator.Restarted()));
            }
        }
    }

private:
    bool Open(bool tcp, const QString& device)
    {
        m_buffer.clear();
        if (tcp) {
            auto socket = std::make_unique<QTcpSocket>();
            socket->connectToHost(device.section(':', 0, 0), quint16(device.section(':', 1).toUInt()));
            const bool connected = socket->waitForConnected(5000);
            m_link = std::move(socket);
            return connected;
        }
        auto port = std::make_unique<QSerialPort>(device);
        port->setBaudRate(19200);
        const bool opened = port->open(QIODevice::ReadWrite);
        m_link = std::move(port);
        return opened;
    }

    // The next whole message, or empty when none came within timeoutMs.
    QByteArray NextMessage(int timeoutMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            const qsizetype start = m_buffer.indexOf('%');
            const qsizetype end = m_buffer.indexOf('&', start);
            if (start >= 0 && end >= 0) {
                const QByteArray message = m_buffer.mid(start, end - start + 1);
                m_buffer.remove(0, end + 1);
                return message;
            }
            if (deadline.hasExpired() || !m_link->waitForReadyRead(int(deadline.remainingTime())))
                return {};
            m_buffer += m_link->readAll();
        }
    }

    bool Closed(int timeoutMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            const auto* socket = qobject_cast<QTcpSocket*>(m_link.get());
            const auto* port = qobject_cast<QSerialPort*>(m_link.get());
            if ((socket && socket->state() == QAbstractSocket::UnconnectedState) ||
                (port && port->error() == QSerialPort::ResourceError) || !m_link->isOpen())
                return true;
            if (m_link->waitForReadyRead(int(deadline.remainingTime())))
                m_link->readAll();
        }
        return false;
    }

    std::unique_ptr<QIODevice> m_link;
    QByteArray m_buffer;
};

QTEST_GUILESS_MAIN(TestLapCounterEmulator)
#include "tst_lapcounteremulator.moc"
