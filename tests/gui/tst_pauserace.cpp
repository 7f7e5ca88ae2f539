#include "common/IntegerText.h"
#include "common/Settings.h"
#include "support/ModalProbe.h"
#include "support/TestSupport.h"
#include "timing/KWLPauseRace.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <functional>
#include <memory>

// The pause dialog driven the way the race director drives it: the timer
// window opens it with Execute, and the test clicks and types while it is
// open.
namespace {

using TResult = TFKWLPauseRace::TPauseResult;

QPushButton* Button(QDialog* dialog, const QString& name) { return dialog->findChild<QPushButton*>(name); }
QPushButton* Button(QDialog* dialog, const char* name, int track)
{
    return Button(dialog, QLatin1String(name) + QString::number(track));
}
QLabel* Label(QDialog* dialog, const char* name, int track)
{
    return dialog->findChild<QLabel*>(QLatin1String(name) + QString::number(track));
}
QLineEdit* Edit(QDialog* dialog, int track)
{
    return dialog->findChild<QLineEdit*>(QStringLiteral("EditSections") + QString::number(track));
}
QString LapsText(QDialog* dialog, int track) { return Label(dialog, "LabelLaps", track)->text(); }
QString PreviewText(QDialog* dialog, int track) { return Label(dialog, "LabelPreview", track)->text(); }

void Click(QPushButton* button)
{
    QVERIFY(button);
    QVERIFY(button->isVisible());
    QTest::mouseClick(button, Qt::LeftButton);
}
void Click(QDialog* dialog, const char* name, int track) { Click(Button(dialog, name, track)); }
void Click(QDialog* dialog, const char* name) { Click(Button(dialog, QLatin1String(name))); }

void Type(QDialog* dialog, int track, const QString& text)
{
    QLineEdit* edit = Edit(dialog, track);
    QVERIFY(edit);
    QVERIFY(edit->isVisible());
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, text);
}

}  // namespace

class TstPauseRace : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void modeAndFields_data();
    void modeAndFields();
    void tracksAboveSettingHidden_data();
    void tracksAboveSettingHidden();
    void frameWithoutCaptionButtons();
    void centredOnTheTimerWindow();
    void sectionsAdded_data();
    void sectionsAdded();
    void plusAndMinusInLapRace_data();
    void plusAndMinusInLapRace();
    void cancelDropsEverything_data();
    void cancelDropsEverything();
    void secondEditShowsCurrentLaps();
    void pausePreviewWithOneCarFinished();
    void noSectionsPerLap();
    void nonNumberKeepsDialogOpen();
    void emptyEditBecomesZero();
    void finishRaceOrResume_data();
    void finishRaceOrResume();
    void editTakesThreeCharacters();
    void labelsShowTheirWholeText();

private:
    void Setup(TRaceKind kind, int32_t length, bool ended, int32_t sectionsPerLap = 100, int32_t tracks = 4);
    // Opens the dialog through Execute and runs respond while it is open.
    TResult Run(const std::function<void(QDialog*)>& respond);
    TTrackState& Track(int n) { return (*m_live)[size_t(n - 1)]; }

    std::unique_ptr<TTestWorkDir> m_workDir;
    TSettings m_settings;
    std::unique_ptr<TRaceState> m_state;
    std::unique_ptr<TTrackStates> m_live;
    std::unique_ptr<QWidget> m_mainForm;
    TFKWLPauseRace* m_dialog = nullptr;
    bool m_leftOpen = false;
};

void TstPauseRace::init()
{
    m_workDir = std::make_unique<TTestWorkDir>();
    m_settings = TSettings();
    m_state = std::make_unique<TRaceState>();
    m_live = std::make_unique<TTrackStates>();
    m_mainForm = std::make_unique<QWidget>();
    m_mainForm->setGeometry(40, 60, 780, 575);
    m_mainForm->show();
    // As in the program: made once, with the main form as its parent.
    m_dialog = new TFKWLPauseRace(m_settings, m_mainForm.get());
}

void TstPauseRace::cleanup()
{
    m_mainForm.reset();
    m_dialog = nullptr;
    m_workDir.reset();
}

void TstPauseRace::Setup(TRaceKind kind, int32_t length, bool ended, int32_t sectionsPerLap, int32_t tracks)
{
    m_settings.SectionsPerLap = sectionsPerLap;
    m_settings.Tracks = tracks;
    m_state->RaceKind = kind;
    m_state->RaceLength = length;
    m_state->TargetLaps = kind == TRaceKind::Lap ? length : TimedTargetLaps;
    m_state->RaceEnded = ended;
    for (int n = 1; n <= 4; ++n) {
        Track(n).Active = true;
        Track(n).DriverName = QStringLiteral("Driver %1").arg(n);
    }
}

TResult TstPauseRace::Run(const std::function<void(QDialog*)>& respond)
{
    TResult result = TResult::Resume;
    TModalProbe probe([&] { result = m_dialog->Execute(*m_state, *m_live); },
                      [&](QDialog* dialog) {
                          if (dialog != m_dialog) {
                              QFAIL("another dialog opened");
                              return;
                          }
                          respond(dialog);
                      });
    m_leftOpen = probe.leftOpen;
    return result;
}

void TstPauseRace::modeAndFields_data()
{
    QTest::addColumn<bool>("ended");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("sectionsPerLap");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("finishEnabled");
    QTest::addColumn<bool>("sectionsVisible");
    const QString pause = QStringLiteral(" K.O.B.A. v2.2- Pause Race");
    const QString edit = QStringLiteral(" K.O.B.A. v2.2- Edit Results");
    const int lap = int(TRaceKind::Lap);
    const int timed = int(TRaceKind::Timed);
    QTest::newRow("pause, Timed race") << false << timed << 100 << pause << true << false;
    QTest::newRow("pause, Lap race") << false << lap << 100 << pause << true << false;
    QTest::newRow("edit, Timed race") << true << timed << 100 << edit << false << true;
    QTest::newRow("edit, Timed race, S=0") << true << timed << 0 << edit << false << false;
    QTest::newRow("edit, Lap race") << true << lap << 100 << edit << false << false;
}

void TstPauseRace::modeAndFields()
{
    QFETCH(bool, ended);
    QFETCH(int, kind);
    QFETCH(int, sectionsPerLap);
    QFETCH(QString, caption);
    QFETCH(bool, finishEnabled);
    QFETCH(bool, sectionsVisible);
    Setup(TRaceKind(kind), 20, ended, sectionsPerLap);
    // The same dialog shows every mode in turn; each opening sets its own.
    for (int opening = 0; opening < 2; ++opening) {
        Run([&](QDialog* dialog) {
            QCOMPARE(dialog->windowTitle(), caption);
            QVERIFY(Button(dialog, QStringLiteral("ButtonOK"))->isEnabled());
            QCOMPARE(Button(dialog, QStringLiteral("ButtonFinishRace"))->isEnabled(), finishEnabled);
            QVERIFY(Button(dialog, QStringLiteral("ButtonCancel"))->isEnabled());
            QCOMPARE(Button(dialog, QStringLiteral("ButtonCancel"))->text(), QStringLiteral("Cancel "));
            QCOMPARE(Button(dialog, QStringLiteral("ButtonFinishRace"))->text(), QStringLiteral("Finish Race"));
            for (int n = 1; n <= 4; ++n) {
                QCOMPARE(Label(dialog, "LabelAddSections", n)->isVisible(), sectionsVisible);
                QCOMPARE(Label(dialog, "LabelAddSections", n)->text(), QStringLiteral("Add Sections:"));
                QCOMPARE(Edit(dialog, n)->isVisible(), sectionsVisible);
                QCOMPARE(Edit(dialog, n)->text(), QStringLiteral("0"));
                QVERIFY(Button(dialog, "ButtonMinus", n)->isVisible());
                QVERIFY(Button(dialog, "ButtonPlus", n)->isVisible());
            }
            Click(dialog, "ButtonCancel");
        });
        QVERIFY(!m_leftOpen);
        // The other mode in between must not leave its marks.
        m_state->RaceEnded = !ended;
        Run([](QDialog* dialog) { Click(dialog, "ButtonCancel"); });
        m_state->RaceEnded = ended;
    }
}

void TstPauseRace::tracksAboveSettingHidden_data()
{
    QTest::addColumn<int>("tracks");
    for (int n = 1; n <= 4; ++n)
        QTest::addRow("%d tracks", n) << n;
}

void TstPauseRace::tracksAboveSettingHidden()
{
    QFETCH(int, tracks);
    Setup(TRaceKind::Timed, 300, true, 100, tracks);
    Run([&](QDialog* dialog) {
        for (int n = 1; n <= 4; ++n) {
            auto* group = dialog->findChild<QGroupBox*>(QStringLiteral("GroupTrack") + QString::number(n));
            QVERIFY(group);
            QCOMPARE(group->title(), QStringLiteral("Track %1").arg(n));
            QCOMPARE(group->isVisible(), n <= tracks);
            // Every shown group lies wholly inside the dialog: nothing cut.
            if (n <= tracks)
                QVERIFY(dialog->rect().contains(group->geometry()));
        }
        Click(dialog, "ButtonCancel");
    });
    QVERIFY(!m_leftOpen);
}

void TstPauseRace::frameWithoutCaptionButtons()
{
    const Qt::WindowFlags flags = m_dialog->windowFlags();
    QCOMPARE(m_dialog->windowType(), Qt::Dialog);
    QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowSystemMenuHint));
}

void TstPauseRace::centredOnTheTimerWindow()
{
    // The timer window is modal over the main form when it opens the pause
    // dialog; it need not lie where the main form does. Few tracks, so that
    // the dialog fits the test screen whole; the second opening has another
    // size (one track more, no "Add Sections:" row), centred all the same.
    Setup(TRaceKind::Timed, 300, true, 100, 1);
    QDialog timer(m_mainForm.get());
    timer.setGeometry(150, 90, 600, 450);
    QPoint timerCentre;
    QList<QPoint> dialogCentres;
    QList<QSize> sizes;
    TModalProbe outer([&] { timer.exec(); },
                      [&](QDialog* opened) {
                          QCOMPARE(opened, &timer);
                          timerCentre = timer.frameGeometry().center();
                          for (int tracks = 1; tracks <= 2; ++tracks) {
                              m_settings.Tracks = tracks;
                              m_state->RaceEnded = tracks == 1;
                              Run([&](QDialog* dialog) {
                                  dialogCentres << dialog->frameGeometry().center();
                                  sizes << dialog->size();
                                  Click(dialog, "ButtonCancel");
                              });
                          }
                          timer.accept();
                      });
    QVERIFY(!outer.leftOpen);
    QVERIFY(!m_leftOpen);
    QCOMPARE(dialogCentres.size(), 2);
    QVERIFY(sizes[0] != sizes[1]);
    for (const QPoint& centre : dialogCentres)
        QVERIFY2((centre - timerCentre).manhattanLength() <= 2,
                 qPrintable(QStringLiteral("dialog centre %1,%2, timer centre %3,%4")
                                .arg(centre.x())
                                .arg(centre.y())
                                .arg(timerCentre.x())
                                .arg(timerCentre.y())));
}

void TstPauseRace::sectionsAdded_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("shownAfter");
    QTest::newRow("23 + 45") << "45" << 23045 << "Laps: 23.45";
    QTest::newRow("150 gives 23.99") << "150" << 23099 << "Laps: 23.99";
    QTest::newRow("minus 45 takes back") << "-45" << 22055 << "Laps: 22.55";
}

void TstPauseRace::sectionsAdded()
{
    QFETCH(QString, typed);
    QFETCH(int, expected);
    QFETCH(QString, shownAfter);
    Setup(TRaceKind::Timed, 300, true);
    Track(2).Laps = 23000;
    Track(2).TotalTime = 301234;
    const TResult result = Run([&](QDialog* dialog) {
        QCOMPARE(LapsText(dialog, 2), QStringLiteral("Laps: 23.00"));
        QCOMPARE(PreviewText(dialog, 2), QStringLiteral("23.00/5:01.234"));
        Type(dialog, 2, typed);
        Click(dialog, "ButtonOK");
    });
    QVERIFY(!m_leftOpen);
    QCOMPARE(result, TResult::Resume);
    QCOMPARE(Track(2).Laps, expected);
    QCOMPARE(Track(1).Laps, 0);
    Run([&](QDialog* dialog) {
        QCOMPARE(LapsText(dialog, 2), shownAfter);
        Click(dialog, "ButtonCancel");
    });
}

void TstPauseRace::plusAndMinusInLapRace_data()
{
    QTest::addColumn<int>("laps");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("expected");
    // Raised at most to one lap short of the finish: 19 of 20.
    QTest::newRow("+ at 19 of 20 does nothing") << 19000 << "ButtonPlus" << 1 << "Laps: 19.00" << 19000;
    QTest::newRow("+ at 18 of 20 gives 19") << 18000 << "ButtonPlus" << 1 << "Laps: 19.00" << 19000;
    QTest::newRow("+ at 17 of 20 gives 18") << 17000 << "ButtonPlus" << 1 << "Laps: 18.00" << 18000;
    QTest::newRow("+ three times from 17 stops at 19") << 17000 << "ButtonPlus" << 3 << "Laps: 19.00" << 19000;
    QTest::newRow("+ on a finished car does nothing") << 20000 << "ButtonPlus" << 1 << "Laps: 20.00" << 20000;
    QTest::newRow("- at 0 does nothing") << 0 << "ButtonMinus" << 1 << "Laps: 0.00" << 0;
    QTest::newRow("- twice from 2") << 2000 << "ButtonMinus" << 2 << "Laps: 0.00" << 0;
}

void TstPauseRace::plusAndMinusInLapRace()
{
    QFETCH(int, laps);
    QFETCH(QString, button);
    QFETCH(int, clicks);
    QFETCH(QString, shown);
    QFETCH(int, expected);
    Setup(TRaceKind::Lap, 20, false);
    Track(3).Laps = laps;
    Run([&](QDialog* dialog) {
        for (int i = 0; i < clicks; ++i)
            Click(dialog, qPrintable(button), 3);
        QCOMPARE(LapsText(dialog, 3), shown);
        Click(dialog, "ButtonOK");
    });
    QVERIFY(!m_leftOpen);
    QCOMPARE(Track(3).Laps, expected);
}

void TstPauseRace::cancelDropsEverything_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("Cancel button") << false;
    QTest::newRow("Esc key") << true;
}

void TstPauseRace::cancelDropsEverything()
{
    QFETCH(bool, escape);
    Setup(TRaceKind::Timed, 300, true);
    Track(1).Laps = 10000;
    Track(4).Laps = 7000;
    const TResult result = Run([&](QDialog* dialog) {
        for (int i = 0; i < 3; ++i)
            Click(dialog, "ButtonPlus", 1);
        Click(dialog, "ButtonMinus", 4);
        Type(dialog, 1, QStringLiteral("45"));
        QCOMPARE(LapsText(dialog, 1), QStringLiteral("Laps: 13.00"));
        QCOMPARE(PreviewText(dialog, 1), QStringLiteral("13.00/0:00.000"));
        if (escape)
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            Click(dialog, "ButtonCancel");
    });
    QVERIFY(!m_leftOpen);
    QCOMPARE(result, TResult::Resume);
    QCOMPARE(Track(1).Laps, 10000);
    QCOMPARE(Track(4).Laps, 7000);
    QCOMPARE(m_state->SectionsToAdd[0], 0);
}

void TstPauseRace::secondEditShowsCurrentLaps()
{
    Setup(TRaceKind::Timed, 300, true);
    Track(1).Laps = 23000;
    Track(1).TotalTime = 300500;
    Run([&](QDialog* dialog) {
        Type(dialog, 1, QStringLiteral("45"));
        Click(dialog, "ButtonOK");
    });
    QCOMPARE(Track(1).Laps, 23045);
    Run([&](QDialog* dialog) {
        QCOMPARE(LapsText(dialog, 1), QStringLiteral("Laps: 23.45"));
        QCOMPARE(PreviewText(dialog, 1), QStringLiteral("23.45/5:00.500"));
        for (int n = 1; n <= 4; ++n)
            QCOMPARE(Edit(dialog, n)->text(), QStringLiteral("0"));
        Click(dialog, "ButtonOK");
    });
    QVERIFY(!m_leftOpen);
    QCOMPARE(Track(1).Laps, 23045);
}

void TstPauseRace::pausePreviewWithOneCarFinished()
{
    Setup(TRaceKind::Lap, 20, false);
    Track(1).Laps = 20000;
    Track(1).TotalTime = 120000;
    Track(2).Laps = 18000;
    Track(2).TotalTime = 110000;
    Track(3).Laps = 19000;
    Track(3).TotalTime = 118000;
    Track(4).Active = false;
    Run([&](QDialog* dialog) {
        QCOMPARE(PreviewText(dialog, 1), QStringLiteral("20.00/2:00.000"));
        // 12 s a missing lap after the finisher's time, by default.
        QCOMPARE(PreviewText(dialog, 2), QStringLiteral("20.00/2:24.000"));
        QCOMPARE(PreviewText(dialog, 3), QStringLiteral("20.00/2:12.000"));
        QCOMPARE(PreviewText(dialog, 4), QStringLiteral("0.00/0:00.000"));
        QCOMPARE(LapsText(dialog, 2), QStringLiteral("Laps: 18.00"));
        // A lap more for track 2 shortens its fill-in.
        Click(dialog, "ButtonPlus", 2);
        QCOMPARE(LapsText(dialog, 2), QStringLiteral("Laps: 19.00"));
        QCOMPARE(PreviewText(dialog, 2), QStringLiteral("20.00/2:12.000"));
        Click(dialog, "ButtonOK");
    });
    QVERIFY(!m_leftOpen);
    // Only the lap the director added is written; the fill-ins are the race
    // end's to make.
    QCOMPARE(Track(2).Laps, 19000);
    QCOMPARE(Track(2).TotalTime, 110000u);
    QCOMPARE(Track(3).Laps, 19000);
    QCOMPARE(Track(3).TotalTime, 118000u);
}

void TstPauseRace::noSectionsPerLap()
{
    Setup(TRaceKind::Timed, 300, true, 0);
    Track(1).Laps = 23000;
    Track(1).TotalTime = 1000;
    const TResult result = Run([&](QDialog* dialog) {
        QVERIFY(!Edit(dialog, 1)->isVisible());
        QVERIFY(!Label(dialog, "LabelAddSections", 1)->isVisible());
        QCOMPARE(LapsText(dialog, 1), QStringLiteral("Laps: 23"));
        QCOMPARE(PreviewText(dialog, 1), QStringLiteral("23/0:01.000"));
        Click(dialog, "ButtonOK");
    });
    QVERIFY(!m_leftOpen);
    QCOMPARE(result, TResult::Resume);
    QCOMPARE(Track(1).Laps, 23000);
    QCOMPARE(m_state->SectionsToAdd[0], 0);
}

void TstPauseRace::nonNumberKeepsDialogOpen()
{
    TMessageScript messages;
    messages.Answer(TMessageAnswer::Ok);
    Setup(TRaceKind::Timed, 300, true);
    Track(1).Laps = 23000;
    Track(2).Laps = 12000;
    bool stayedOpen = false;
    Run([&](QDialog* dialog) {
        Click(dialog, "ButtonPlus", 1);
        Type(dialog, 1, QStringLiteral("45"));
        Type(dialog, 2, QStringLiteral("4x"));
        Click(dialog, "ButtonOK");
        stayedOpen = dialog->isVisible();
        QCOMPARE(Edit(dialog, 2)->text(), QStringLiteral("4x"));
        // The refused text is ready to be corrected.
        QCOMPARE(dialog->focusWidget(), Edit(dialog, 2));
        QCOMPARE(Edit(dialog, 2)->selectedText(), QStringLiteral("4x"));
        QCOMPARE(LapsText(dialog, 1), QStringLiteral("Laps: 24.00"));
        Click(dialog, "ButtonCancel");
    });
    QVERIFY(stayedOpen);
    QVERIFY(!m_leftOpen);
    const QList<TShownMessage> shown = Messages::Shown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].kind, TMessageKind::Error);
    QCOMPARE(shown[0].text, ConversionErrorText(QStringLiteral("4x")));
    QCOMPARE(Track(1).Laps, 23000);
    QCOMPARE(Track(2).Laps, 12000);
    QCOMPARE(m_state->SectionsToAdd[0], 0);
    VERIFY_MESSAGES_SETTLED();
}

void TstPauseRace::emptyEditBecomesZero()
{
    Setup(TRaceKind::Timed, 300, true);
    Track(1).Laps = 23000;
    QLineEdit* edit = nullptr;
    Run([&](QDialog* dialog) {
        edit = Edit(dialog, 1);
        Type(dialog, 1, QString());
        QCOMPARE(edit->text(), QString());
        Click(dialog, "ButtonOK");
    });
    QVERIFY(!m_leftOpen);
    QVERIFY(edit);
    QCOMPARE(edit->text(), QStringLiteral("0"));
    QCOMPARE(Track(1).Laps, 23000);
}

void TstPauseRace::finishRaceOrResume_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("laps");
    QTest::newRow("OK resumes") << "ButtonOK" << int(TResult::Resume) << 6000;
    QTest::newRow("Finish Race ends the race") << "ButtonFinishRace" << int(TResult::FinishRace) << 6000;
    QTest::newRow("Cancel resumes") << "ButtonCancel" << int(TResult::Resume) << 5000;
}

void TstPauseRace::finishRaceOrResume()
{
    QFETCH(QString, button);
    QFETCH(int, result);
    QFETCH(int, laps);
    Setup(TRaceKind::Lap, 20, false);
    Track(1).Laps = 5000;
    const TResult answer = Run([&](QDialog* dialog) {
        Click(dialog, "ButtonPlus", 1);
        Click(dialog, qPrintable(button));
    });
    QVERIFY(!m_leftOpen);
    QCOMPARE(int(answer), result);
    QCOMPARE(Track(1).Laps, laps);
    // Ending the race is the timer window's to do.
    QVERIFY(!m_state->RaceEnded.load());
}

void TstPauseRace::editTakesThreeCharacters()
{
    Setup(TRaceKind::Timed, 300, true);
    Track(1).Laps = 1000;
    Run([&](QDialog* dialog) {
        Type(dialog, 1, QStringLiteral("12345"));
        QCOMPARE(Edit(dialog, 1)->text(), QStringLiteral("123"));
        Click(dialog, "ButtonOK");
    });
    QVERIFY(!m_leftOpen);
    QCOMPARE(Track(1).Laps, 1099);
}

QTEST_MAIN(TstPauseRace)
void TstPauseRace::labelsShowTheirWholeText()
{
    // However wide the font and however long the numbers, the dialog grows
    // with its labels rather than cut a digit off, also when a text changes
    // while it is open.
    Setup(TRaceKind::Timed, 300, true);
    Track(1).Laps = 1234056;
    Track(1).TotalTime = 999 * 60000 + 59999;
    Run([&](QDialog* dialog) {
        Click(dialog, "ButtonPlus", 1);
        QCOMPARE(PreviewText(dialog, 1), QStringLiteral("1235.56/999:59.999"));
        for (QLabel* label : dialog->findChildren<QLabel*>()) {
            if (!label->isVisible())
                continue;
            const int margin = label->margin();
            const QRect inside = label->contentsRect().adjusted(margin, margin, -margin, -margin);
            const QFontMetrics metrics = label->fontMetrics();
            QVERIFY2(metrics.horizontalAdvance(label->text()) <= inside.width() && metrics.height() <= inside.height(),
                     qPrintable(label->text()));
        }
        Click(dialog, "ButtonOK");
    });
    QVERIFY(!m_leftOpen);
}

#include "tst_pauserace.moc"
