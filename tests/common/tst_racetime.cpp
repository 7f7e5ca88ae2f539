#include "common/RaceTime.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestRaceTime : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir::setCurrent(m_dir.path()));
    }

    void format_data()
    {
        QTest::addColumn<uint>("ms");
        QTest::addColumn<int>("precision");
        QTest::addColumn<bool>("withMinutes");
        QTest::addColumn<QString>("text");
        QTest::newRow("1:05.432") << 65432u << 3 << true << "1:05.432";
        QTest::newRow("1:05.43") << 65432u << 2 << true << "1:05.43";
        QTest::newRow("1:05.4") << 65432u << 1 << true << "1:05.4";
        QTest::newRow("1:05") << 65432u << 0 << true << "1:05";
        QTest::newRow("05.432") << 5432u << 3 << false << "05.432";
        QTest::newRow("05.43") << 5432u << 2 << false << "05.43";
        QTest::newRow("05.4") << 5432u << 1 << false << "05.4";
        QTest::newRow("05") << 5432u << 0 << false << "05";
        QTest::newRow("zero with minutes") << 0u << 3 << true << "0:00.000";
        QTest::newRow("zero clock") << 0u << 0 << true << "0:00";
        QTest::newRow("zero without minutes") << 0u << 3 << false << "00.000";
        QTest::newRow("five minutes") << 300000u << 0 << true << "5:00";
        QTest::newRow("lap time 8.5 s") << 8500u << 3 << false << "08.500";
        QTest::newRow("last ms of a minute") << 59999u << 3 << false << "59.999";
        QTest::newRow("one minute without minutes") << 60000u << 3 << false << "99.999";
        QTest::newRow("one minute cut") << 60000u << 1 << false << "99.9";
        QTest::newRow("999 minutes") << 59999999u << 3 << true << "999:59.999";
        QTest::newRow("1000 minutes") << 60000000u << 3 << true << "999:99.999";
        QTest::newRow("1000 minutes cut") << 60000000u << 0 << true << "999:99";
        QTest::newRow("non-finisher") << 999999999u << 3 << true << "999:99.999";
        QTest::newRow("uint32 max") << 4294967295u << 3 << true << "999:99.999";
        QTest::newRow("precision below 0") << 65432u << -5 << true << "1:05";
        QTest::newRow("precision above 3") << 65432u << 9 << true << "1:05.432";
    }
    void format()
    {
        QFETCH(uint, ms);
        QFETCH(int, precision);
        QFETCH(bool, withMinutes);
        QFETCH(QString, text);
        QCOMPARE(FormatRaceTime(ms, precision, withMinutes), text);
    }

    void split_data()
    {
        QTest::addColumn<uint>("ms");
        QTest::addColumn<uint>("minutes");
        QTest::addColumn<uint>("seconds");
        QTest::addColumn<uint>("milliseconds");
        QTest::newRow("83456") << 83456u << 1u << 23u << 456u;
        QTest::newRow("zero") << 0u << 0u << 0u << 0u;
        QTest::newRow("59999") << 59999u << 0u << 59u << 999u;
        QTest::newRow("60000") << 60000u << 1u << 0u << 0u;
        QTest::newRow("uint32 max") << 4294967295u << 71582u << 47u << 295u;
    }
    void split()
    {
        QFETCH(uint, ms);
        QFETCH(uint, minutes);
        QFETCH(uint, seconds);
        QFETCH(uint, milliseconds);
        const TRaceTimeParts parts = SplitRaceTime(ms);
        QCOMPARE(parts.Minutes, minutes);
        QCOMPARE(parts.Seconds, seconds);
        QCOMPARE(parts.Milliseconds, milliseconds);
        // The heat result dialog rebuilds the time from the parts.
        QCOMPARE(parts.Minutes * 60000u + parts.Seconds * 1000u + parts.Milliseconds, ms);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestRaceTime)
#include "tst_racetime.moc"
