#include "common/DigitFilter.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestDigitFilter : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir::setCurrent(m_dir.path()));
    }

    void accepts_data()
    {
        QTest::addColumn<QChar>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("0") << QChar(u'0') << true;
        QTest::newRow("5") << QChar(u'5') << true;
        QTest::newRow("9") << QChar(u'9') << true;
        QTest::newRow("backspace") << QChar(u'\b') << true;
        QTest::newRow("enter CR") << QChar(u'\r') << true;
        QTest::newRow("enter LF") << QChar(u'\n') << true;
        QTest::newRow("minus") << QChar(u'-') << false;
        QTest::newRow("plus") << QChar(u'+') << false;
        QTest::newRow("point") << QChar(u'.') << false;
        QTest::newRow("dollar") << QChar(u'$') << false;
        QTest::newRow("letter") << QChar(u'a') << false;
        QTest::newRow("space") << QChar(u' ') << false;
        QTest::newRow("tab") << QChar(u'\t') << false;
        QTest::newRow("escape") << QChar(u'\x1b') << false;
        QTest::newRow("delete") << QChar(u'\x7f') << false;
        QTest::newRow("nul") << QChar(u'\0') << false;
        QTest::newRow("arabic-indic five") << QChar(u'\u0665') << false;
        QTest::newRow("fullwidth one") << QChar(u'\uff11') << false;
        QTest::newRow("superscript two") << QChar(u'\u00b2') << false;
    }
    void accepts()
    {
        QFETCH(QChar, typed);
        QFETCH(bool, accepted);
        QCOMPARE(EditNumKeyPress(typed), accepted);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestDigitFilter)
#include "tst_digitfilter.moc"
