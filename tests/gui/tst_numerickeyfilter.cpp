#include "common/NumericKeyFilter.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

// Typing into a numeric field: digits stay, every other typed character is
// dropped, and the keys that edit or move still work.
class TestNumericKeyFilter : public QObject {
    Q_OBJECT
private slots:
    void typing_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("digits") << "0123456789"
                                << "0123456789";
        QTest::newRow("letters and signs dropped") << "1a-2.3,4 5+e"
                                                   << "12345";
        QTest::newRow("nothing typable") << "$%&"
                                         << "";
    }
    void typing()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QLineEdit edit;
        TNumericKeyFilter::Install(&edit);
        QTest::keyClicks(&edit, typed);
        QCOMPARE(edit.text(), shown);
    }

    void editingKeysStillWork()
    {
        QLineEdit edit;
        TNumericKeyFilter::Install(&edit);
        QSignalSpy entered(&edit, &QLineEdit::returnPressed);
        QTest::keyClicks(&edit, "1234");
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QTest::keyClick(&edit, Qt::Key_Left);
        QTest::keyClick(&edit, Qt::Key_Delete);
        QTest::keyClick(&edit, Qt::Key_Home);
        QTest::keyClicks(&edit, "9");
        QCOMPARE(edit.text(), QStringLiteral("912"));
        QTest::keyClick(&edit, Qt::Key_Return);
        QCOMPARE(entered.count(), 1);
        QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);  // select all is a shortcut, not a character
        QTest::keyClicks(&edit, "5");
        QCOMPARE(edit.text(), QStringLiteral("5"));
    }
};

QTEST_MAIN(TestNumericKeyFilter)
#include "tst_numerickeyfilter.moc"
