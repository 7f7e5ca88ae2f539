#include "common/IntegerText.h"

#include "support/TestSupport.h"

#include <QtTest>

class TestIntegerText : public QObject {
    Q_OBJECT

private slots:
    void init() { m_dir.reset(new TTestWorkDir); }
    void cleanup() { m_dir.reset(); }

    void parses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("expected");
        QTest::newRow("zero") << "0" << true << 0;
        QTest::newRow("plain") << "20" << true << 20;
        QTest::newRow("leading zeros") << "007" << true << 7;
        QTest::newRow("plus sign") << "+5" << true << 5;
        QTest::newRow("minus sign") << "-5" << true << -5;
        QTest::newRow("blanks around") << "  42 " << true << 42;
        QTest::newRow("int32 max") << "2147483647" << true << 2147483647;
        QTest::newRow("int32 min") << "-2147483648" << true << int(-2147483647 - 1);
        QTest::newRow("hex port address") << "$378" << true << 888;
        QTest::newRow("hex lower case") << "$3bc" << true << 956;
        QTest::newRow("hex negative") << "-$10" << true << -16;
        QTest::newRow("hex max") << "$7FFFFFFF" << true << 2147483647;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("blanks only") << "   " << false << 0;
        QTest::newRow("sign only") << "-" << false << 0;
        QTest::newRow("dollar only") << "$" << false << 0;
        QTest::newRow("hex bad digits") << "$XYZ" << false << 0;
        QTest::newRow("letters") << "abc" << false << 0;
        QTest::newRow("trailing letter") << "12a" << false << 0;
        QTest::newRow("hex digits without dollar") << "1F" << false << 0;
        QTest::newRow("inner blank") << "1 2" << false << 0;
        QTest::newRow("double sign") << "--1" << false << 0;
        QTest::newRow("decimal point") << "1.5" << false << 0;
        QTest::newRow("one past max") << "2147483648" << false << 0;
        QTest::newRow("one past min") << "-2147483649" << false << 0;
        QTest::newRow("hex past max") << "$80000000" << false << 0;
        QTest::newRow("huge pasted") << "99999999999999999999999999" << false << 0;
        QTest::newRow("wraps to small in 64 bits") << "18446744073709551621" << false << 0;
        QTest::newRow("arabic-indic digit") << QString(QChar(0x0665)) << false << 0;
        QTest::newRow("fullwidth digit") << QString(QChar(0xff11)) << false << 0;
    }
    void parses()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, expected);
        int32_t value = 12345;
        QCOMPARE(ParseInteger(text, value), valid);
        // A refused text leaves the caller's value alone.
        QCOMPARE(value, valid ? expected : 12345);
    }

    void message()
    {
        QCOMPARE(ConversionErrorText(QStringLiteral("99999999999")),
                 QStringLiteral("'99999999999' is not a valid integer value"));
    }

private:
    std::unique_ptr<TTestWorkDir> m_dir;
};

QTEST_GUILESS_MAIN(TestIntegerText)
#include "tst_integertext.moc"
