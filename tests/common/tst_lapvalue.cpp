#include "common/LapValue.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>

class TestLapValue : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir::setCurrent(m_dir.path()));
    }

    void split_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("laps");
        QTest::addColumn<int>("sections");
        QTest::newRow("zero") << 0 << 0 << 0;
        QTest::newRow("12.30") << 12030 << 12 << 30;
        QTest::newRow("sections only") << 999 << 0 << 999;
        QTest::newRow("negative truncates toward zero") << -2020 << -2 << -20;
        QTest::newRow("negative below one lap") << -50 << 0 << -50;
        QTest::newRow("int32 max") << std::numeric_limits<int32_t>::max() << 2147483 << 647;
        QTest::newRow("int32 min") << std::numeric_limits<int32_t>::min() << -2147483 << -648;
    }
    void split()
    {
        QFETCH(int, value);
        QFETCH(int, laps);
        QFETCH(int, sections);
        QCOMPARE(LapsOf(value), laps);
        QCOMPARE(SectionsOf(value), sections);
        QCOMPARE(MakeLapValue(laps, sections), value);
    }

    void make_data()
    {
        QTest::addColumn<int>("laps");
        QTest::addColumn<int>("sections");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << 16 << 15 << 16015;
        QTest::newRow("sections taken as given") << 1 << 150 << 1150;
        QTest::newRow("saturates high") << 3000000 << 0 << std::numeric_limits<int32_t>::max();
        QTest::newRow("saturates low") << -3000000 << 0 << std::numeric_limits<int32_t>::min();
        QTest::newRow("extremes") << std::numeric_limits<int32_t>::max() << std::numeric_limits<int32_t>::max()
                                  << std::numeric_limits<int32_t>::max();
    }
    void make()
    {
        QFETCH(int, laps);
        QFETCH(int, sections);
        QFETCH(int, value);
        QCOMPARE(MakeLapValue(laps, sections), value);
    }

    void add_data()
    {
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<int>("s");
        QTest::addColumn<int>("sum");
        QTest::newRow("12.60 + 3.55 carries") << 12060 << 3055 << 100 << 16015;
        QTest::newRow("no carry") << 12030 << 3020 << 100 << 15050;
        QTest::newRow("exact carry") << 50 << 50 << 100 << 1000;
        QTest::newRow("S 0 drops sections") << 12060 << 3055 << 0 << 15000;
        QTest::newRow("S negative drops sections") << 12060 << 3055 << -5 << 15000;
        QTest::newRow("S 10") << 12007 << 5 << 10 << 13002;
        QTest::newRow("S 1000") << 12999 << 1 << 1000 << 13000;
        QTest::newRow("S above 1000 acts as 1000") << 12999 << 1 << 5000 << 13000;
        QTest::newRow("stale sections carried at S") << 12050 << 0 << 10 << 17000;
        // Negative "Add Sections" entries after a Timed race are plain section counts.
        QTest::newRow("negative sections") << 12030 << -50 << 100 << 11080;
        QTest::newRow("negative sections to below zero") << 30 << -50 << 100 << -20;
        // A negative heat result (false start) summed into a race total.
        QTest::newRow("negative heat result") << 5070 << -50 << 100 << 5020;
        QTest::newRow("two negative results") << -50 << -2020 << 100 << -2070;
        QTest::newRow("negative and positive cancel") << -2020 << 2020 << 100 << 0;
        QTest::newRow("saturates high") << std::numeric_limits<int32_t>::max() << std::numeric_limits<int32_t>::max()
                                        << 1000 << std::numeric_limits<int32_t>::max();
        QTest::newRow("saturates low") << std::numeric_limits<int32_t>::min() << std::numeric_limits<int32_t>::min()
                                       << 100 << std::numeric_limits<int32_t>::min();
    }
    void add()
    {
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(int, s);
        QFETCH(int, sum);
        QCOMPARE(AddLapValues(a, b, s), sum);
        QCOMPARE(AddLapValues(b, a, s), sum);
    }

    void subtract_data()
    {
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<int>("s");
        QTest::addColumn<int>("difference");
        QTest::newRow("12.30 - 0.50 borrows") << 12030 << 50 << 100 << 11080;
        QTest::newRow("12.40 - 1 lap") << 12040 << 1000 << 100 << 11040;
        QTest::newRow("to zero") << 12040 << 12040 << 100 << 0;
        QTest::newRow("S 0 drops sections") << 12030 << 50 << 0 << 12000;
        QTest::newRow("S 0 whole laps") << 12030 << 3070 << 0 << 9000;
        QTest::newRow("S 10 borrow") << 12003 << 7 << 10 << 11006;
        // A Timed false start may take a driver below zero laps.
        QTest::newRow("zero minus a lap") << 0 << 1000 << 100 << -1000;
        QTest::newRow("0.50 - 1 lap") << 50 << 1000 << 100 << -50;
        QTest::newRow("12.30 - 14.50") << 12030 << 14050 << 100 << -2020;
        QTest::newRow("minus a negative") << 1000 << -50 << 100 << 1050;
        QTest::newRow("saturates") << std::numeric_limits<int32_t>::min() << std::numeric_limits<int32_t>::max() << 1000
                                   << std::numeric_limits<int32_t>::min();
    }
    void subtract()
    {
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(int, s);
        QFETCH(int, difference);
        QCOMPARE(SubtractLapValues(a, b, s), difference);
    }

    // Whatever the signs, subtracting and adding back returns the start.
    void subtractThenAddRoundTrips_data()
    {
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::newRow("positive") << 12030 << 3055;
        QTest::newRow("through zero") << 50 << 1000;
        QTest::newRow("both negative") << -2020 << -50;
        QTest::newRow("larger b") << 3 << 19099;
    }
    void subtractThenAddRoundTrips()
    {
        QFETCH(int, a);
        QFETCH(int, b);
        QCOMPARE(AddLapValues(SubtractLapValues(a, b, 100), b, 100), a);
    }

    void format_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("s");
        QTest::addColumn<QString>("text");
        QTest::newRow("S 100 12.30") << 12030 << 100 << "12.30";
        QTest::newRow("S 100 5.00") << 5000 << 100 << "5.00";
        QTest::newRow("S 0 no point") << 5000 << 0 << "5";
        QTest::newRow("S 0 sections hidden") << 12030 << 0 << "12";
        QTest::newRow("S 10 one digit") << 12003 << 10 << "12.3";
        QTest::newRow("S 1 one digit") << 12000 << 1 << "12.0";
        QTest::newRow("S 11 two digits") << 12003 << 11 << "12.03";
        QTest::newRow("S 100 two digits") << 12003 << 100 << "12.03";
        QTest::newRow("S 101 three digits") << 12003 << 101 << "12.003";
        QTest::newRow("S 1000 three digits") << 12300 << 1000 << "12.300";
        QTest::newRow("zero") << 0 << 100 << "0.00";
        QTest::newRow("stale wider sections shown whole") << 12050 << 10 << "12.50";
        QTest::newRow("minus one lap") << -1000 << 100 << "-1.00";
        QTest::newRow("minus half a lap") << -50 << 100 << "-0.50";
        QTest::newRow("minus 2.20") << -2020 << 100 << "-2.20";
        QTest::newRow("negative S 0") << -2020 << 0 << "-2";
        QTest::newRow("int32 min") << std::numeric_limits<int32_t>::min() << 1000 << "-2147483.648";
    }
    void format()
    {
        QFETCH(int, value);
        QFETCH(int, s);
        QFETCH(QString, text);
        QCOMPARE(FormatLapValue(value, s), text);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestLapValue)
#include "tst_lapvalue.moc"
