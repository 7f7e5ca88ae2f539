#include "hardware/carrera/CarreraTestTexts.h"

#include <QtTest>

using namespace CarreraTestTexts;

// What the I/O test page says of the Control Unit.
class TestCarreraTestTexts : public QObject {
    Q_OBJECT
private slots:
    void startLights_data()
    {
        QTest::addColumn<int>("indicator");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("text");
        QTest::newRow("7 after the green") << 7 << true << "off";
        QTest::newRow("1 armed") << 1 << true << "all red";
        QTest::newRow("2 first lamp") << 2 << true << "1 lamp";
        QTest::newRow("9 jump start") << 9 << true << "flashing: jump start";
        QTest::newRow("10 from a newer unit") << 10 << true << "unknown (10)";
        QTest::newRow("silent unit") << 1 << false << "not known";
    }
    void startLights()
    {
        QFETCH(int, indicator);
        QFETCH(bool, connected);
        QTEST(StartLightText(indicator, connected), "text");
    }

    // The lines of the version, a car's name, its last event and its fuel.
    void lines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("unit lost") << VersionText("5337", false) << "5337, not answering";
        QTest::newRow("never answered") << VersionText({}, false) << "not answering";
        QTest::newRow("address 7") << CarName(7) << "Ghost car";
        QTest::newRow("address 8") << CarName(8) << "Pace car";
        QTest::newRow("no event") << EventText(0, 0, 0) << "none yet";
        QTest::newRow("first event") << EventText(7, 2, 1) << "0.007 s, sector 2, 1 event";
        QTest::newRow("before the wrap") << EventText(4294967295u, 1, 3) << "4294967.295 s, sector 1, 3 events";
        QTest::newRow("fuel mode off") << FuelText(-1) << "";
    }
    void lines()
    {
        QFETCH(QString, text);
        QTEST(text, "expected");
    }
};

QTEST_GUILESS_MAIN(TestCarreraTestTexts)
#include "tst_carreratesttexts.moc"
