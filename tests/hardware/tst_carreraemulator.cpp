#include "hardware/carrera/CarreraProtocol.h"
#include "support/CarreraEmulator.h"

#include <QSerialPort>
#include <QtTest>

using namespace CarreraProtocol;

// The Control Unit emulator as the program meets it: over its port, every
// answer read the way the program reads a real unit's.
class TestCarreraEmulator : public QObject {
    Q_OBJECT
private slots:
    // Steps: a request (version, poll, start, speed, tower, reset), "command
    // <line>" for the emulator, "wait <log prefix>". Each answer is read as
    // the program would; an event's time must be the one the emulator logged.
    void answers_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("answers");
        const QString idle = QStringLiteral("status light 0 mode 0 pits 0 fuel ffffffff cars 6 long 0");
        QTest::newRow("version") << QStringList{"--version", "5321"} << QStringList{"version"}
                                 << QStringList{"version 5321"};
        QTest::newRow("status with fuel and the pit adapter")
            << QStringList{} << QStringList{"command fuelmode on", "command pitadapter on", "command fuel 3 7", "poll"}
            << QStringList{"status light 0 mode 5 pits 0 fuel ff7fffff cars 6 long 0"};
        QTest::newRow("long status, tower, a car in the pit lane")
            << QStringList{"--long-status"} << QStringList{"command tower on", "command pit 2 60000", "poll"}
            << QStringList{"status light 0 mode 8 pits 2 fuel ffffffff cars 6 long 1"};
        QTest::newRow("echoes") << QStringList{} << QStringList{"speed", "tower", "wait tower 0 6 9", "reset"}
                                << QStringList{"echo", "echo", "echo"};
        QTest::newRow("a damaged answer, then a whole one")
            << QStringList{} << QStringList{"command corrupt", "version", "version"}
            << QStringList{"invalid", "version 5337"};
        QTest::newRow("the countdown's first lamp")
            << QStringList{"--step-ms", "5000"}
            << QStringList{"poll", "start", "poll", "start", "wait lights 2", "poll"}
            << QStringList{idle, "echo", QString(idle).replace("light 0", "light 1"), "echo",
                           QString(idle).replace("light 0", "light 2")};
        QTest::newRow("a lap told twice, then the status")
            << QStringList{"--step-ms", "300"}
            << QStringList{"command car 2 400 60000", "command repeat", "start", "start", "wait green",
                           "wait crossing 2",         "poll",           "poll",  "poll"}
            << QStringList{"echo", "echo", "event 2 1", "event 2 1", idle};
        QTest::newRow("a lap past the clock's wrap")
            << QStringList{"--step-ms", "100", "--clock-start", "4294967000"}
            << QStringList{"command car 1 1000", "start", "start", "wait crossing 1", "poll"}
            << QStringList{"echo", "echo", "event 1 1"};
        QTest::newRow("a jump start flashes until START")
            << QStringList{"--step-ms", "300"}
            << QStringList{"command jump 3", "start", "start", "wait jump 3", "poll", "poll", "start", "poll"}
            << QStringList{"echo",      "echo",
                           "event 3 1", QString(idle).replace("light 0", "light 8"),
                           "echo",      QString(idle).replace("light 0", "light 1")};
    }
    void answers()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, steps);
        TCarreraEmulator emulator(arguments);
        QVERIFY2(!emulator.Device().isEmpty(), "the emulator did not start");
        QSerialPort port(emulator.Device());
        port.setBaudRate(19200);
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        const QMap<QString, QByteArray> requests{{"version", VersionRequest()},
                                                 {"poll", PollRequest()},
                                                 {"start", PressRequest(TButton::StartEnter)},
                                                 {"speed", PressRequest(TButton::Speed)},
                                                 {"tower", SetWordRequest(6, 0, 9, 1)},
                                                 {"reset", ResetClockRequest()}};
        QStringList answers;
        QString waited;
        for (const QString& step : steps) {
            if (step.startsWith("command ")) {
                QVERIFY2(emulator.Send(step.mid(8)), qPrintable(step));
                continue;
            }
            if (step.startsWith("wait ")) {
                waited = emulator.WaitFor(step.mid(5));
                QVERIFY2(!waited.isEmpty(), qPrintable(step));
                continue;
            }
            const QByteArray request = requests.value(step);
            port.write(request);
            QByteArray answer;
            while (!answer.endsWith(MessageEnd) && port.waitForReadyRead(5000))
                answer += port.readAll();
            QVERIFY2(answer.endsWith(MessageEnd), qPrintable(step + " got no answer"));
            const TAnswer parsed = ParseAnswer(request[1], answer.chopped(1));
            answers << Read(parsed);
            // Crossing and jump lines carry the unit's ms third.
            if (parsed.Kind == TAnswer::TKind::TimerEvent)
                QCOMPARE(parsed.Event.TimeMs, waited.section(' ', 2, 2).toUInt());
        }
        QTEST(answers, "answers");
    }

private:
    static QString Read(const TAnswer& parsed)
    {
        switch (parsed.Kind) {
        case TAnswer::TKind::Invalid: return QStringLiteral("invalid");
        case TAnswer::TKind::Echo: return QStringLiteral("echo");
        case TAnswer::TKind::Version: return QStringLiteral("version ") + QString::fromLatin1(parsed.Version);
        case TAnswer::TKind::TimerEvent:
            return QStringLiteral("event %1 %2").arg(parsed.Event.Address).arg(parsed.Event.Sector);
        case TAnswer::TKind::Status: break;
        }
        const TStatus& s = parsed.Status;
        QString fuel;
        for (const uint8_t level : s.Fuel)
            fuel += QString::number(level, 16);
        return QStringLiteral("status light %1 mode %2 pits %3 fuel %4 cars %5 long %6")
            .arg(s.StartLight)
            .arg(s.Mode)
            .arg(s.PitMask)
            .arg(fuel, QString::number(s.DisplayedCars), QString::number(int(s.Extended)));
    }
};

QTEST_GUILESS_MAIN(TestCarreraEmulator)
#include "tst_carreraemulator.moc"
