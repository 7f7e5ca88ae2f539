#include "common/HelpKey.h"
#include "support/AppRig.h"
#include "support/ModalProbe.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

// F1 goes to the manual at the section of what is in front: the main window's
// page shown, a window opened over it, or a box shown by one of those.
class TestHelpKey : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TAppRig> m_rig;
    QList<QUrl> m_asked;
    bool m_opens = true;

    QString PressF1(QWidget* widget)
    {
        m_asked.clear();
        QTest::keyClick(widget, Qt::Key_F1);
        return m_asked.size() == 1 ? m_asked.first().fragment() : QStringLiteral("<%1 requests>").arg(m_asked.size());
    }

private slots:
    void init()
    {
        m_rig = std::make_unique<TAppRig>();
        m_rig->WriteSettingsFile();
        QCOMPARE(m_rig->Start(), -1);
        m_opens = true;
        SetManualOpener([this](const QUrl& url) {
            m_asked << url;
            return m_opens;
        });
    }
    void cleanup()
    {
        SetManualOpener({});
        VERIFY_MESSAGES_SETTLED();
        m_rig.reset();
    }

    void pageShownDecides_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("anchor");
        QTest::newRow("drivers") << 1 << "drivers-page";
        QTest::newRow("championship") << 3 << "championship-page";
        QTest::newRow("settings") << 4 << "settings-page";
    }
    void pageShownDecides()
    {
        QFETCH(int, page);
        QFETCH(QString, anchor);
        QTabWidget* pages = m_rig->Form()->Pages();
        pages->setCurrentIndex(page);
        // From the tab bar (which lies outside every page) and from inside the page.
        QCOMPARE(PressF1(pages->tabBar()), anchor);
        auto* inside = pages->currentWidget()->findChild<QWidget*>();
        QVERIFY(inside);
        QCOMPARE(PressF1(inside), anchor);
        QVERIFY(m_asked.first().isLocalFile());
        QVERIFY(m_asked.first().path().endsWith(QLatin1String("/help/index.html")));
    }

    void windowInFrontDecides_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("anchor");
        QTest::newRow("driver") << "ButtonDriverAdd"
                                << "driver-dialog";
        QTest::newRow("championship") << "ButtonCSAdd"
                                      << "championship-dialog";
    }
    void windowInFrontDecides()
    {
        QFETCH(QString, button);
        QFETCH(QString, anchor);
        auto* open = m_rig->Form()->findChild<QPushButton*>(button);
        QVERIFY(open);
        QString asked;
        TModalProbe probe([&] { open->click(); },
                          [&](QDialog* dialog) {
                              auto* field = dialog->findChild<QLineEdit*>();
                              asked = PressF1(field ? static_cast<QWidget*>(field) : dialog);
                              dialog->reject();
                          });
        QVERIFY(probe.opened);
        QCOMPARE(asked, anchor);
    }

    void failureIsTold()
    {
        m_opens = false;
        m_rig->messages.Answer(TMessageAnswer::Ok);
        PressF1(m_rig->Form());
        const QList<TShownMessage> shown = Messages::Shown();
        QVERIFY(!shown.isEmpty());
        QVERIFY(shown.last().text.startsWith(QLatin1String("The manual could not be opened: ")));
    }
};

QTEST_MAIN(TestHelpKey)
#include "tst_helpkey.moc"
