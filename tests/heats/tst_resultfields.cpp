#include "heats/ResultFields.h"

#include "support/TestSupport.h"

#include <QtTest>

Q_DECLARE_METATYPE(TResultField)

class TestResultFields : public QObject {
    Q_OBJECT

private slots:
    void init() { m_dir.reset(new TTestWorkDir); }
    void cleanup() { m_dir.reset(); }

    void limitsTheText_data()
    {
        QTest::addColumn<TResultField>("field");
        QTest::addColumn<int>("sectionsPerLap");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty stays empty") << TResultField::Seconds << 100 << ""
                                           << "";
        QTest::newRow("seconds at the limit") << TResultField::Seconds << 100 << "59"
                                              << "59";
        QTest::newRow("seconds above") << TResultField::Seconds << 100 << "60"
                                       << "59";
        QTest::newRow("minutes above") << TResultField::Minutes << 100 << "16666"
                                       << "999";
        QTest::newRow("laps above") << TResultField::Laps << 100 << "10000"
                                    << "9999";
        QTest::newRow("sections above") << TResultField::Sections << 100 << "150"
                                        << "99";
        QTest::newRow("sections, 1000 per lap") << TResultField::Sections << 1000 << "1000"
                                                << "999";
        QTest::newRow("sections off") << TResultField::Sections << 0 << "5"
                                      << "0";
        QTest::newRow("20 digits pasted") << TResultField::Milliseconds << 100 << "99999999999999999999"
                                          << "999";
        QTest::newRow("garbage left") << TResultField::Milliseconds << 100 << "12a"
                                      << "12a";
        QTest::newRow("negative left") << TResultField::Laps << 100 << "-5"
                                       << "-5";
    }
    void limitsTheText()
    {
        QFETCH(TResultField, field);
        QFETCH(int, sectionsPerLap);
        QFETCH(QString, text);
        QTEST(LimitedFieldText(text, ResultFieldLimit(field, sectionsPerLap)), "expected");
    }

    // A stored result shown (when given) or typed texts, and what OK makes of them.
    void readsALine_data()
    {
        QTest::addColumn<int>("storedTime");
        QTest::addColumn<int>("storedLaps");
        QTest::addColumn<QString>("texts");  // minutes, seconds, ms, laps, sections; "|" for empty
        QTest::addColumn<int>("badField");   // -1 when OK takes the line
        QTest::addColumn<int>("time");
        QTest::addColumn<int>("laps");
        QTest::newRow("1:23.456 shown") << 83456 << 12000 << "1 23 456 12 0" << -1 << 83456 << 12000;
        QTest::newRow("23 laps 45 sections shown") << 61002 << 23045 << "1 1 2 23 45" << -1 << 61002 << 23045;
        QTest::newRow("did not finish shown") << 999999999 << 3000 << "999 39 999 3 0" << -1 << 59979999 << 3000;
        QTest::newRow("all empty is zero") << -1 << 0 << "| | | | |" << -1 << 0 << 0;
        QTest::newRow("seconds typed") << -1 << 0 << "1 20 456 | |" << -1 << 80456 << 0;
        QTest::newRow("too much is cut, not wrapped")
            << -1 << 0 << "99999 99 9999 2147483647 999" << -1 << 59999999 << 9999099;
        QTest::newRow("pasted garbage") << -1 << 0 << "1 x2 0 0 0" << int(TResultField::Seconds) << 0 << 0;
        QTest::newRow("negative time refused") << -1 << 0 << "0 -5 0 0 0" << int(TResultField::Seconds) << 0 << 0;
        QTest::newRow("false start below zero kept") << 61002 << -1020 << "1 1 2 -1 -20" << -1 << 61002 << -1020;
        QTest::newRow("digits then letter") << -1 << 0 << "0 0 0 1 12a" << int(TResultField::Sections) << 0 << 0;
        QTest::newRow("beyond 32 bits") << -1 << 0 << "0 0 99999999999 0 0" << int(TResultField::Milliseconds) << 0
                                        << 0;
    }
    void readsALine()
    {
        QFETCH(int, storedTime);
        QFETCH(int, storedLaps);
        QFETCH(QString, texts);
        QFETCH(int, badField);
        const QStringList words = texts.replace(QLatin1Char('|'), QString()).split(QLatin1Char(' '));
        TResultTexts line;
        std::copy(words.begin(), words.end(), line.begin());
        if (storedTime >= 0) {
            const TResultTexts shown = ShownFieldTexts({7, storedLaps, storedTime}, 100);
            QCOMPARE(QStringList(shown.begin(), shown.end()), words);
        }
        const TResultLineValues values = ReadResultLine(line, 100);
        QCOMPARE(values.Valid, badField < 0);
        if (values.Valid) {
            QTEST(values.Time, "time");
            QTEST(values.Laps, "laps");
        } else {
            QCOMPARE(int(values.BadField), badField);
        }
    }

private:
    std::unique_ptr<TTestWorkDir> m_dir;
};

QTEST_GUILESS_MAIN(TestResultFields)
#include "tst_resultfields.moc"
