#include "support/TestSupport.h"
#include "timing/KWLStopLicht.h"

#include <QImage>
#include <QtTest>

namespace {
TWindowPlacement Bounds(int width, int height)
{
    TWindowPlacement placement;
    placement.left = 30;
    placement.top = 40;
    placement.width = width;
    placement.height = height;
    return placement;
}

QColor Pixel(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

const QColor Maroon(128, 0, 0);
const QColor Teal(0, 128, 128);
const QColor Red(255, 0, 0);
const QColor Green(0, 128, 0);
}  // namespace

class TestStopLicht : public QObject {
    Q_OBJECT
private slots:
    void init() { m_dir = std::make_unique<TTestWorkDir>(); }
    void cleanup() { m_dir.reset(); }

    void lampGeometry_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("lamp");
        QTest::addColumn<QRect>("expected");
        // W div 5 - 20 square, left (W div 5)(k - 1) + 8, top (H - side) div 2.
        QTest::newRow("780x575 lamp 1") << 780 << 575 << 1 << QRect(8, 219, 136, 136);
        QTest::newRow("780x575 lamp 5") << 780 << 575 << 5 << QRect(632, 219, 136, 136);
        QTest::newRow("width not a multiple of 5") << 803 << 600 << 3 << QRect(328, 230, 140, 140);
        QTest::newRow("odd leftover height rounds down") << 709 << 300 << 2 << QRect(149, 89, 121, 121);
        QTest::newRow("lamps taller than the window") << 1000 << 100 << 4 << QRect(608, -40, 180, 180);
    }
    void lampGeometry()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, lamp);
        QFETCH(QRect, expected);
        QCOMPARE(TFKWLStopLicht::LampGeometry(lamp, width, height), expected);
        TFKWLStopLicht lights;
        lights.PlaceOver(Bounds(width, height));
        QCOMPARE(lights.LampRect(lamp), expected);
    }

    void placedOverTheGivenBounds()
    {
        TFKWLStopLicht lights;
        lights.PlaceOver(Bounds(755, 547));
        QCOMPARE(lights.geometry(), QRect(30, 40, 755, 547));
    }

    void captionAndWindowKind()
    {
        TFKWLStopLicht lights;
        QCOMPARE(lights.windowTitle(), QStringLiteral("Kobalap Timer"));
        const Qt::WindowFlags flags = lights.windowFlags();
        QCOMPARE(lights.windowType(), Qt::Tool);
        QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
        QVERIFY(flags.testFlag(Qt::WindowTitleHint));
        QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowSystemMenuHint));
    }

    // What the window shows, read back from its pixels: fill at the lamp's
    // centre, outline at its left edge, black between the lamps.
    void lampColours_data()
    {
        QTest::addColumn<int>("lamp");
        QTest::addColumn<QColor>("unlit");
        QTest::addColumn<QColor>("lit");
        QTest::newRow("lamp 1") << 1 << Maroon << Red;
        QTest::newRow("lamp 2") << 2 << Maroon << Red;
        QTest::newRow("lamp 3") << 3 << Maroon << Red;
        QTest::newRow("lamp 4") << 4 << Maroon << Red;
        QTest::newRow("lamp 5") << 5 << Teal << Green;
    }
    void lampColours()
    {
        QFETCH(int, lamp);
        QFETCH(QColor, unlit);
        QFETCH(QColor, lit);
        QCOMPARE(TFKWLStopLicht::LampColour(lamp, false), unlit);
        QCOMPARE(TFKWLStopLicht::LampColour(lamp, true), lit);

        TFKWLStopLicht lights;
        lights.PlaceOver(Bounds(780, 575));
        const QRect rect = lights.LampRect(lamp);
        QImage image = lights.grab().toImage();
        QCOMPARE(Pixel(image, rect.center().x(), rect.center().y()), unlit);
        QCOMPARE(Pixel(image, rect.left() + 3, rect.center().y()), QColor(Qt::white));
        QCOMPARE(Pixel(image, rect.right() - 3, rect.center().y()), QColor(Qt::white));
        QCOMPARE(Pixel(image, rect.center().x(), rect.top() + 3), QColor(Qt::white));
        QCOMPARE(Pixel(image, rect.center().x(), rect.top() - 2), QColor(Qt::black));
        QCOMPARE(Pixel(image, rect.right() + 4, rect.center().y()), QColor(Qt::black));
        QCOMPARE(Pixel(image, rect.left() + 2, rect.top() + 2), QColor(Qt::black));  // round, not square

        lights.SetLamp(lamp, true);
        image = lights.grab().toImage();
        QCOMPARE(Pixel(image, rect.center().x(), rect.center().y()), lit);
        QCOMPARE(Pixel(image, rect.left() + 3, rect.center().y()), QColor(Qt::white));
        for (int other = 1; other <= TFKWLStopLicht::LampCount; ++other) {
            if (other == lamp)
                continue;
            const QPoint centre = lights.LampRect(other).center();
            QCOMPARE(Pixel(image, centre.x(), centre.y()), TFKWLStopLicht::LampColour(other, false));
        }
    }

    // The window is reused for every start: placing it again for the next
    // countdown puts out what the last one lit.
    void placingAgainPutsTheLampsOut()
    {
        TFKWLStopLicht lights;
        lights.PlaceOver(Bounds(780, 575));
        for (int lamp = 1; lamp <= TFKWLStopLicht::LampCount; ++lamp)
            lights.SetLamp(lamp, true);
        lights.PlaceOver(Bounds(900, 600));
        const QImage image = lights.grab().toImage();
        for (int lamp = 1; lamp <= TFKWLStopLicht::LampCount; ++lamp) {
            QVERIFY(!lights.LampLit(lamp));
            const QPoint centre = lights.LampRect(lamp).center();
            QCOMPARE(Pixel(image, centre.x(), centre.y()), TFKWLStopLicht::LampColour(lamp, false));
        }
    }

    void lampNumbersOutsideOneToFiveAreIgnored()
    {
        TFKWLStopLicht lights;
        lights.SetLamp(0, true);
        lights.SetLamp(6, true);
        for (int lamp = 0; lamp <= 6; ++lamp)
            QVERIFY(!lights.LampLit(lamp));
    }

    void showAndHide()
    {
        QWidget owner;
        auto* lights = new TFKWLStopLicht(&owner);
        QVERIFY(lights->isWindow());
        lights->PlaceOver(Bounds(780, 575));
        lights->ShowLights();
        QVERIFY(lights->isVisible());
        lights->HideLights();
        QVERIFY(!lights->isVisible());
    }

private:
    std::unique_ptr<TTestWorkDir> m_dir;
};

QTEST_MAIN(TestStopLicht)
#include "tst_stoplicht.moc"
