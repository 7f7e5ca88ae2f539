#include "hardware/carrera/CarreraBleFraming.h"

#include <QtTest>

// The serial line's requests and answers over Carrera's Bluetooth adapter.
class TestCarreraBleFraming : public QObject {
    Q_OBJECT
private slots:
    void requestsAndAnswers_data()
    {
        // Each step: its time in ms, then "send" and a request as framed for
        // the serial line, or "got" and a notification.
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QByteArray>("written");  // to the write characteristic, one after the other
        QTest::addColumn<QByteArray>("answers");  // what the conversation reads
        QTest::newRow("status without its command") << QStringList{"0 send \"?$", "40 got :>>>>>>>>10000;8$"}
                                                    << QByteArray("?") << QByteArray("?:>>>>>>>>10000;8$");
        QTest::newRow("event without its command, a '?' inside")
            << QStringList{"0 send \"?$", "40 got 2003037?>1=$"} << QByteArray("?") << QByteArray("?2003037?>1=$");
        QTest::newRow("event with its command")
            << QStringList{"0 send \"?$", "40 got ?2003037?>1=$"} << QByteArray("?") << QByteArray("?2003037?>1=$");
        QTest::newRow("version, '#' as end")
            << QStringList{"0 send \"0$", "40 got 5321;#"} << QByteArray("0") << QByteArray("05321;#");
        QTest::newRow("bare echo of a word")
            << QStringList{"0 send \"J60910$", "40 got $"} << QByteArray("J60910") << QByteArray("J$");
        QTest::newRow("split over three") << QStringList{"0 send \"?$", "30 got 20030", "40 got 37?>1", "50 got =$"}
                                          << QByteArray("?") << QByteArray("?2003037?>1=$");
        QTest::newRow("a poll's late answer after a press went out")
            << QStringList{"0 send \"?$", "250 send \"T22$", "260 got :>>>>>>>>10000;8$", "270 got $"}
            << QByteArray("?T22") << QByteArray("?:>>>>>>>>10000;8$T$");
        QTest::newRow("two in one, to two polls")
            << QStringList{"0 send \"?$", "250 send \"?$", "260 got 2003037?>1=$3003037?>1>$"} << QByteArray("??")
            << QByteArray("?2003037?>1=$?3003037?>1>$");
        QTest::newRow("a press never answered, given up a second on")
            << QStringList{"0 send \"T22$", "1500 send \"?$", "1540 got :>>>>>>>>10000;8$"} << QByteArray("T22?")
            << QByteArray("?:>>>>>>>>10000;8$");
        QTest::newRow("a press never answered, passed over by a named answer")
            << QStringList{"0 send \"T22$", "250 send \"0$", "290 got 05321;$"} << QByteArray("T220")
            << QByteArray("05321;$");
        QTest::newRow("a part not ended yet")
            << QStringList{"0 send \"?$", "40 got 2003037?"} << QByteArray("?") << QByteArray();
        QTest::newRow("noise past the longest answer dropped")
            << QStringList{"0 send \"0$", "40 got " + QString(70, 'x'), "50 got 5321;$"} << QByteArray("0")
            << QByteArray("05321;$");
    }
    void requestsAndAnswers()
    {
        QFETCH(QStringList, steps);
        TCarreraBleFraming framing;
        QByteArray written, answers;
        for (const QString& step : steps) {
            const int64_t ms = step.section(' ', 0, 0).toLongLong();
            const QByteArray bytes = step.section(' ', 2).toLatin1();
            if (step.section(' ', 1, 1) == QLatin1String("send"))
                written += framing.Request(bytes, ms);
            else
                framing.Notification(bytes, ms, answers);
        }
        QTEST(written, "written");
        QTEST(answers, "answers");
    }
};

QTEST_GUILESS_MAIN(TestCarreraBleFraming)
#include "tst_carrerableframing.moc"
