#include "hardware/carrera/CarreraProtocol.h"

#include <QtTest>

using namespace CarreraProtocol;

// The Control Unit's answers as they come off the wire, without the end byte.
class TestCarreraProtocol : public QObject {
    Q_OBJECT
private slots:
    void answers_data()
    {
        QTest::addColumn<char>("command");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("read");  // what was read from it
        using K = TAnswer::TKind;
        QTest::newRow("version") << '0' << QByteArray("05321;") << int(K::Version) << "5321";
        QTest::newRow("timer event") << '?' << QByteArray("?2003037?>1=") << int(K::TimerEvent) << "2 226287 1";
        QTest::newRow("pace car event") << '?' << QByteArray("?80000000019") << int(K::TimerEvent) << "8 0 1";
        QTest::newRow("status") << '?' << QByteArray("?:?>=<;:98141264") << int(K::Status)
                                << "fuel 15 14 13 12 11 10 9 8 light 1 mode 4 pits 33 cars 6 extended 0";
        QTest::newRow("status of a recent unit")
            << '?' << QByteArray("?:?>=<;:9814126004") << int(K::Status)
            << "fuel 15 14 13 12 11 10 9 8 light 1 mode 4 pits 33 cars 6 extended 1";
        QTest::newRow("echo") << 'J' << QByteArray("J60910") << int(K::Echo) << "";
        QTest::newRow("checksum wrong") << '?' << QByteArray("?2003037?>1>") << int(K::Invalid) << "";
        QTest::newRow("a time byte damaged") << '?' << QByteArray("?2003037@>1=") << int(K::Invalid) << "";
        QTest::newRow("cut short") << '?' << QByteArray("?2003037?>") << int(K::Invalid) << "";
        QTest::newRow("status cut short") << '?' << QByteArray("?:?>=<;:9814124") << int(K::Invalid) << "";
        QTest::newRow("address 0") << '?' << QByteArray("?0003037?>1;") << int(K::Invalid) << "";
        QTest::newRow("answer to another request") << '0' << QByteArray("?2003037?>1=") << int(K::Invalid) << "";
        QTest::newRow("version too long") << '0' << QByteArray("053210;") << int(K::Invalid) << "";
        QTest::newRow("nothing") << '?' << QByteArray() << int(K::Invalid) << "";
    }
    void answers()
    {
        QFETCH(char, command);
        QFETCH(QByteArray, answer);
        const TAnswer parsed = ParseAnswer(command, answer);
        QTEST(int(parsed.Kind), "kind");
        QString read;
        if (parsed.Kind == TAnswer::TKind::Version)
            read = QString::fromLatin1(parsed.Version);
        if (parsed.Kind == TAnswer::TKind::TimerEvent)
            read =
                QStringLiteral("%1 %2 %3").arg(parsed.Event.Address).arg(parsed.Event.TimeMs).arg(parsed.Event.Sector);
        if (parsed.Kind == TAnswer::TKind::Status) {
            const TStatus& s = parsed.Status;
            read = QStringLiteral("fuel");
            for (uint8_t fuel : s.Fuel)
                read += QStringLiteral(" %1").arg(fuel);
            read += QStringLiteral(" light %1 mode %2 pits %3 cars %4 extended %5")
                        .arg(s.StartLight)
                        .arg(s.Mode)
                        .arg(s.PitMask)
                        .arg(s.DisplayedCars)
                        .arg(int(s.Extended));
        }
        QTEST(read, "read");
    }

    // Requests as the wire carries them, and what the link makes of the
    // events: a crossing told twice is one, and the clock goes on past its
    // 32-bit wrap.
    void requestsAndEvents()
    {
        QCOMPARE(VersionRequest(), QByteArray("\"0$"));
        QCOMPARE(PollRequest(), QByteArray("\"?$"));
        QCOMPARE(SetWordRequest(6, 0, 9, 1), QByteArray("\"J60910$"));
        QCOMPARE(PressRequest(TButton::StartEnter), QByteArray("\"T22$"));
        QCOMPARE(ResetClockRequest(), QByteArray("\"=101$"));

        TEventFilter filter;
        QVERIFY(filter.IsNew({2, 1000, 1}));
        QVERIFY(!filter.IsNew({2, 1000, 1}));
        QVERIFY(filter.IsNew({3, 1000, 1}));
        QVERIFY(filter.IsNew({2, 1000, 1}));  // another car came between: a new crossing

        TClockExtender clock;
        QCOMPARE(clock.Extend(0xFFFFFF00u), int64_t(0xFFFFFF00u));
        QCOMPARE(clock.Extend(0x100u), int64_t(0x100000100ll));
        QCOMPARE(clock.Extend(0xFFFFFFF0u), int64_t(0xFFFFFFF0u));  // told late, before the wrap
        QCOMPARE(clock.Extend(0x200u), int64_t(0x100000200ll));
    }
};

QTEST_GUILESS_MAIN(TestCarreraProtocol)
#include "tst_carreraprotocol.moc"
