#include "heats/KWLGenHeat.h"
#include "support/ModalProbe.h"
#include "support/TestSupport.h"

#include <QtTest>

Q_DECLARE_METATYPE(TGenerationMethod)

namespace {
// What the user does in the open chooser.
void Act(QDialog* dialog, const QString& action)
{
    auto* a = dialog->findChild<QWidget*>(QStringLiteral("ImageMethodA"));
    auto* b = dialog->findChild<QWidget*>(QStringLiteral("ImageMethodB"));
    QVERIFY(a && b);
    if (action == QLatin1String("click A")) {
        QTest::mouseClick(a, Qt::LeftButton);
    } else if (action == QLatin1String("click B")) {
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(3, b->height() - 3));
    } else if (action == QLatin1String("Space on B")) {
        b->setFocus();
        QTest::keyClick(b, Qt::Key_Space);
    } else if (action == QLatin1String("press on A, release beside it")) {
        QTest::mousePress(a, Qt::LeftButton);
        QTest::mouseRelease(a, Qt::LeftButton, {}, QPoint(a->width() + 20, 10));
        QVERIFY2(dialog->isVisible(), "a press dragged off the picture picked it");
        dialog->close();
    } else if (action == QLatin1String("Enter as it opens")) {
        QTRY_VERIFY(dialog->isActiveWindow());
        QWidget* focused = QApplication::focusWidget();
        QTest::keyClick(focused ? focused : dialog, Qt::Key_Return);
        QVERIFY2(dialog->isVisible(), "a stray Enter picked a method");
        dialog->close();
    } else if (action == QLatin1String("Escape")) {
        QTest::keyClick(dialog, Qt::Key_Escape);
    } else {
        dialog->close();  // the close box
    }
}
}  // namespace

class TestGenHeats : public QObject {
    Q_OBJECT
private slots:
    void init() { m_dir = std::make_unique<TTestWorkDir>(); }
    void cleanup() { m_dir.reset(); }

    void titleBarHasOnlyTheCloseBox()
    {
        TFKWLGenHeats chooser;
        const Qt::WindowFlags flags = chooser.windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    }

    void choose_data()
    {
        QTest::addColumn<bool>("pickedBefore");
        QTest::addColumn<QString>("action");
        QTest::addColumn<TGenerationMethod>("expected");
        QTest::newRow("click A") << false << "click A" << TGenerationMethod::A;
        QTest::newRow("click B at its corner") << false << "click B" << TGenerationMethod::B;
        QTest::newRow("Space on B") << false << "Space on B" << TGenerationMethod::B;
        QTest::newRow("close box") << false << "close" << TGenerationMethod::None;
        QTest::newRow("Escape") << false << "Escape" << TGenerationMethod::None;
        QTest::newRow("Enter as it opens") << false << "Enter as it opens" << TGenerationMethod::None;
        QTest::newRow("Enter as it opens again") << true << "Enter as it opens" << TGenerationMethod::None;
        QTest::newRow("press dragged off A") << false << "press on A, release beside it" << TGenerationMethod::None;
        QTest::newRow("close box after an earlier pick") << true << "close" << TGenerationMethod::None;
        QTest::newRow("B after an earlier pick of A") << true << "click B" << TGenerationMethod::B;
    }
    void choose()
    {
        QFETCH(bool, pickedBefore);
        QFETCH(QString, action);
        QFETCH(TGenerationMethod, expected);
        TFKWLGenHeats chooser;
        if (pickedBefore) {
            TGenerationMethod earlier = TGenerationMethod::None;
            Pick(chooser, QStringLiteral("click A"), earlier);
            QCOMPARE(earlier, TGenerationMethod::A);
        }
        TGenerationMethod chosen = TGenerationMethod::B;
        Pick(chooser, action, chosen);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(chosen, expected);
        QCOMPARE(chooser.GenerationMethod(), expected);
        QCOMPARE(chooser.result(), expected == TGenerationMethod::None ? QDialog::Rejected : QDialog::Accepted);
    }

private:
    void Pick(TFKWLGenHeats& chooser, const QString& action, TGenerationMethod& result)
    {
        const TModalProbe probe([&] { result = chooser.Choose(); }, [&](QDialog* dialog) { Act(dialog, action); });
        QVERIFY(probe.opened == &chooser);
        QVERIFY2(!probe.leftOpen, qPrintable(action + QLatin1String(" left the chooser open")));
        QVERIFY(!chooser.isVisible());
    }

    std::unique_ptr<TTestWorkDir> m_dir;
};

QTEST_MAIN(TestGenHeats)
#include "tst_genheats.moc"
