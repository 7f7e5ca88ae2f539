#include "hardware/lapcounter/LapCounterTestTexts.h"

#include <QtTest>

using namespace LapCounterTestTexts;

// What the I/O test page says of a lap counter.
class TestLapCounterTestTexts : public QObject {
    Q_OBJECT
private slots:
    void lines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("counter lost") << CounterText("10.0.0.9:5000", false) << "10.0.0.9:5000, not answering";
        QTest::newRow("one dropped") << DroppedText(1) << "1 message";
        QTest::newRow("stray lane") << StrayLaneText(17)
                                    << "Lane 17 sent by the counter is ignored: only lanes 1 to 4 count.";
        QTest::newRow("no outputs") << OutputsText(false) << "none: the boxes above switch nothing";
    }
    void lines()
    {
        QFETCH(QString, text);
        QTEST(text, "expected");
    }
};

QTEST_GUILESS_MAIN(TestLapCounterTestTexts)
#include "tst_lapcountertesttexts.moc"
