#include "hardware/carrera/CarreraBleFraming.h"

#include <QtTest>

// The serial line's requests and answers over Carrera's Bluetooth adapter.
class TestCarreraBleFraming : public QObject {
    Q_OBJECT
private slots:
    void requestAndAnswers_data()
    {
        QTest::addColumn<QByteArray>("request");       // as framed for the serial line
        QTest::addColumn<QByteArray>("written");       // to the write characteristic
        QTest::addColumn<QByteArrayList>("notified");  // the notifications, in order
        QTest::addColumn<QByteArray>("answers");       // what the conversation reads
        const QByteArray poll("\"?$");
        QTest::newRow("status without its command")
            << poll << QByteArray("?") << QByteArrayList{":>>>>>>>>10000;8$"} << QByteArray("?:>>>>>>>>10000;8$");
        QTest::newRow("event without its command, a '?' inside")
            << poll << QByteArray("?") << QByteArrayList{"2003037?>1=$"} << QByteArray("?2003037?>1=$");
        QTest::newRow("event with its command")
            << poll << QByteArray("?") << QByteArrayList{"?2003037?>1=$"} << QByteArray("?2003037?>1=$");
        QTest::newRow("version, '#' as end")
            << QByteArray("\"0$") << QByteArray("0") << QByteArrayList{"5321;#"} << QByteArray("05321;#");
        QTest::newRow("bare echo of a word")
            << QByteArray("\"J60910$") << QByteArray("J60910") << QByteArrayList{"$"} << QByteArray("J$");
        QTest::newRow("split over three")
            << poll << QByteArray("?") << QByteArrayList{"20030", "37?>1", "=$"} << QByteArray("?2003037?>1=$");
        QTest::newRow("two in one") << poll << QByteArray("?") << QByteArrayList{"2003037?>1=$3003037?>1>$"}
                                    << QByteArray("?2003037?>1=$?3003037?>1>$");
        QTest::newRow("a part not ended yet") << poll << QByteArray("?") << QByteArrayList{"2003037?"} << QByteArray();
        QTest::newRow("noise past the longest answer dropped")
            << QByteArray("\"0$") << QByteArray("0") << QByteArrayList{QByteArray(70, 'x'), "5321;$"}
            << QByteArray("05321;$");
    }
    void requestAndAnswers()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArrayList, notified);
        TCarreraBleFraming framing;
        // Whatever came for an earlier request is not this one's.
        QByteArray earlier;
        framing.Notification("2003", earlier);
        QTEST(framing.Request(request), "written");
        QByteArray answers;
        for (const QByteArray& value : notified)
            framing.Notification(value, answers);
        QTEST(answers, "answers");
    }
};

QTEST_GUILESS_MAIN(TestCarreraBleFraming)
#include "tst_carrerableframing.moc"
