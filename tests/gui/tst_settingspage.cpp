#include "app/AnnouncementsGroup.h"
#include "app/SettingsColours.h"
#include "app/SettingsIOTest.h"
#include "app/SettingsPage.h"
#include "app/TrackInterfaceGroup.h"
#include "data/RecordActions.h"
#include "support/AppRig.h"
#include "support/RecordingSpeaker.h"
#include "voice/Announcer.h"

#include <QBluetoothLocalDevice>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <tuple>

namespace {

QByteArray FileContents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void PutI32(QByteArray& b, int at, int64_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char(uint8_t(uint64_t(v) >> (8 * i)));
}

QStringList Items(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

using TWrite = QPair<uint32_t, uint8_t>;
using TKind = TTrackInterfaceChoice::TKind;
using TOutputs = TTrackInterfaceChoice::TOutputs;

// The serial ports the track interface group lists in these tests, whatever
// the machine has.
QList<TSerialPortEntry> TestPorts()
{
    return {{QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyS0"), false},
            {QStringLiteral("/dev/ttyACM0"), QStringLiteral("/dev/ttyACM0 (Arduino Uno)"), true}};
}

}  // namespace

class TestSettingsPage : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TAppRig> m_rig;

    TAppRig& Rig() { return *m_rig; }
    TSettings& Settings() { return Rig().context.settings; }
    TSettingsPage* Page() { return Rig().Form()->SettingsPage(); }
    TSettingsIOTest* IOTest() { return Page()->IOTest(); }
    QString IniPath() { return SettingsFilePath(Rig().dir.Path()); }

    template <typename T>
    T* Find(const char* name)
    {
        T* widget = Page()->findChild<T*>(QLatin1String(name));
        if (!widget)
            qFatal("no widget %s", name);
        return widget;
    }
    QLineEdit* Edit(const char* name) { return Find<QLineEdit>(name); }
    QCheckBox* Box(const char* name) { return Find<QCheckBox>(name); }
    QComboBox* Combo(const char* name) { return Find<QComboBox>(name); }
    QComboBox* Rotation() { return Combo("ComboBoxTackRotation"); }

    void Start(const QByteArray& maskFile = {}, const QByteArray& conf = {}, bool simulateFlag = false,
               const QString& carreraFlag = {}, const QString& lapCounterFlag = {})
    {
        m_rig = std::make_unique<TAppRig>();
        Rig().WriteSettingsFile();
        for (const auto& [path, contents] : {std::pair{MaskFilePath(Rig().dir.Path()), maskFile},
                                             std::pair{TrackInterfaceFilePath(Rig().dir.Path()), conf}}) {
            if (contents.isEmpty())
                continue;
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(contents);
        }
        // As start-up does before the windows are made.
        Rig().context.trackInterface = ReadTrackInterfaceChoice(Rig().dir.Path());
        Rig().context.simulated = simulateFlag;
        Rig().context.carreraDevice = carreraFlag;
        Rig().context.lapCounter = lapCounterFlag;
        QCOMPARE(Rig().Start(), -1);
        InterfaceGroup()->SetPortLister(TestPorts);
    }
    TAnnouncementsGroup* Announcements() { return Find<TAnnouncementsGroup>("GroupBoxAnnouncements"); }
    TRecordingSpeaker* Recorder()
    {
        auto* recorder = new TRecordingSpeaker;
        Rig().windows.Announcer->SetSpeaker(std::unique_ptr<TSpeaker>(recorder));
        return recorder;
    }
    TTrackInterfaceGroup* InterfaceGroup() { return Find<TTrackInterfaceGroup>("GroupBoxTrackInterface"); }
    bool Shown(const char* name) { return !Find<QLabel>(name)->isHidden(); }
    void ShowPage() { Rig().Form()->Pages()->setCurrentWidget(Page()); }
    void ShowOtherPage() { Rig().Form()->Pages()->setCurrentIndex(0); }
    void Apply() { Find<QPushButton>("ButtonSETApply")->click(); }
    void LoadDefaults() { Find<QPushButton>("ButtonSETLoadDefaults")->click(); }
    QList<bool> LampsLit()
    {
        QList<bool> lit;
        for (int n = 1; n <= 4; ++n)
            lit << IOTest()->Lamp(n)->Lit();
        return lit;
    }
    QList<bool> PowerBoxesShown()
    {
        QList<bool> shown;
        for (int n = 1; n <= 4; ++n)
            shown << !IOTest()->PowerBox(n)->isHidden();
        return shown;
    }
    QList<uint8_t> WrittenBytes()
    {
        QList<uint8_t> bytes;
        for (const TWrite& write : Rig().port->writes)
            bytes << write.second;
        return bytes;
    }

private slots:
    void init() { Start(); }
    void cleanup()
    {
        VERIFY_MESSAGES_SETTLED();
        m_rig.reset();
    }

    void filledWhenShown()
    {
        ShowPage();
        QCOMPARE(Combo("ComboBoxPortAddress")->currentText(), QStringLiteral("$378"));
        QCOMPARE(Items(Combo("ComboBoxPortAddress")), (QStringList{"$378", "$278"}));
        QCOMPARE(Combo("ComboBoxTracks")->currentText(), QStringLiteral("4"));
        QCOMPARE(Edit("EditSections")->text(), QStringLiteral("100"));
        QCOMPARE(Edit("EditBounceDelay")->text(), QStringLiteral("5000"));
        QCOMPARE(Edit("EditSustainSensorRead")->text(), QStringLiteral("500"));
        QVERIFY(Box("CheckBoxMultiplePower")->isChecked());
        QVERIFY(!Box("CheckBoxInvertedInput")->isChecked());
        QCOMPARE(Rotation()->currentText(), QStringLiteral("1 > 2 > 3 > 4"));
        QCOMPARE(Rotation()->count(), 6);
        QCOMPARE(Page()->PointsEdits()[0]->text(), QStringLiteral("20"));
        QCOMPARE(Page()->PointsEdits()[19]->text(), QStringLiteral("1"));
        QCOMPARE(Edit("EditFalseStart")->text(), QStringLiteral("8"));
        QCOMPARE(Edit("EditNoFinish")->text(), QStringLiteral("12"));
        QCOMPARE(Edit("EditFalseStartLaps")->text(), QStringLiteral("1"));
        QCOMPARE(Edit("EditFalseStartSections")->text(), QStringLiteral("0"));
        QVERIFY(!Box("CheckBoxEditResult")->isChecked());
        QVERIFY(Box("CheckBoxShowTotals")->isChecked());
        QCOMPARE(Edit("EditSeparator")->text(), QStringLiteral(";"));
        QCOMPARE(Page()->Colours()->Foreground(), Settings().Foreground);
        QCOMPARE(Page()->Colours()->ForegroundPanel(0)->text(), QStringLiteral("AbCdE 0123"));
        QCOMPARE(Page()->Colours()->BackgroundPanel(3)->Value(), 0x0000D500u);
        for (QCheckBox* sound : Page()->SoundSwitches())
            QVERIFY(sound->isChecked());
    }

    // Each visit shows the settings as they are; text typed but not applied
    // on an earlier visit is gone.
    void eachVisitShowsTheSettings()
    {
        ShowPage();
        Edit("EditSections")->setText(QStringLiteral("777"));
        ShowOtherPage();
        Settings().PortAddress = 0xBC00;
        Settings().Tracks = 3;
        Settings().TrackRotation = {3, 1, 2, 1};
        Settings().LapNoFinishMs = 20999;
        ShowPage();
        QCOMPARE(Edit("EditSections")->text(), QStringLiteral("100"));
        QCOMPARE(Combo("ComboBoxPortAddress")->currentText(), QStringLiteral("$BC00"));
        QCOMPARE(Items(Rotation()), (QStringList{"1 > 2 > 3", "1 > 3 > 2"}));
        QCOMPARE(Rotation()->currentText(), QStringLiteral("1 > 3 > 2"));
        QCOMPARE(Edit("EditNoFinish")->text(), QStringLiteral("20"));
    }

    // What "Apply & Save" writes, against a record built here field by field.
    void applyWritesTheRecord()
    {
        ShowPage();
        Page()->Colours()->SetColourChooser([](const QColor&, QWidget*) { return QColor(0x10, 0x20, 0x30); });
        Rig().Form()->move(40, 60);
        Rig().Form()->resize(800, 600);

        Combo("ComboBoxPortAddress")->setEditText(QStringLiteral("$278"));
        Box("CheckBoxInvertedInput")->click();
        Combo("ComboBoxTracks")->setCurrentIndex(2);  // "3"
        Rotation()->setCurrentIndex(1);               // "1 > 3 > 2"
        Edit("EditSections")->setText(QStringLiteral("2500"));
        Edit("EditBounceDelay")->setText(QStringLiteral("1234"));
        Box("CheckBoxMultiplePower")->click();
        for (int p = 0; p < 20; ++p)
            Page()->PointsEdits()[size_t(p)]->setText(QString::number(50 - 2 * p));
        Page()->PointsEdits()[19]->clear();
        Edit("EditFalseStart")->setText(QStringLiteral("3"));
        Edit("EditNoFinish")->setText(QStringLiteral("15"));
        Edit("EditFalseStartLaps")->setText(QStringLiteral("2"));
        Edit("EditFalseStartSections")->setText(QStringLiteral("1500"));
        Edit("EditSustainSensorRead")->setText(QStringLiteral("750"));
        Box("CheckBoxEditResult")->click();
        Box("CheckBoxShowTotals")->click();
        Edit("EditSeparator")->clear();
        QTest::mouseClick(Page()->Colours()->ForegroundPanel(TSettings::Track2), Qt::LeftButton);
        QTest::mouseClick(Page()->Colours()->ForegroundPanel(TSettings::TrackX), Qt::LeftButton);
        QTest::mouseClick(Page()->Colours()->BackgroundPanel(TSettings::Track4), Qt::LeftButton);
        Page()->SoundSwitches()[1]->click();
        Page()->SoundSwitches()[6]->click();
        Apply();

        QByteArray b(220, '\0');
        PutI32(b, 0, 0x278);
        b[4] = 1;
        PutI32(b, 8, 3);
        PutI32(b, 12, 1000);  // capped
        PutI32(b, 16, 1234);
        b[20] = 0;
        PutI32(b, 24, 3);  // next after 1
        PutI32(b, 28, 1);  // next after 2
        PutI32(b, 32, 2);  // next after 3
        PutI32(b, 36, 1);  // track 4 not in use: kept
        for (int p = 0; p < 19; ++p)
            PutI32(b, 40 + 4 * p, 50 - 2 * p);
        PutI32(b, 116, 0);  // the emptied field
        PutI32(b, 120, 3000);
        PutI32(b, 124, 15000);
        PutI32(b, 128, 2999);  // 1500 sections lowered to 999
        b[132] = 1;
        b[133] = 0;
        PutI32(b, 136, 750);
        const uint32_t chosen = 0x00302010;
        const uint32_t foreground[5] = {0x0000FF, chosen, 0xFFFF00, 0x00FF00, chosen};
        const uint32_t background[5] = {0x0000D5, 0x00D5D5, 0xD5D500, chosen, chosen};
        for (int i = 0; i < 5; ++i) {
            PutI32(b, 140 + 4 * i, foreground[i]);
            PutI32(b, 160 + 4 * i, background[i]);
        }
        for (int i = 0; i < 8; ++i)
            b[180 + i] = char(i == 1 || i == 6 ? 0 : 1);
        PutI32(b, 188, 632);
        PutI32(b, 196, 100);
        b[200] = ';';
        b[201] = 0;
        // The whole window, frame included.
        const QRect window = Rig().Form()->frameGeometry();
        QCOMPARE(window.topLeft(), QPoint(40, 60));
        PutI32(b, 204, 40);
        PutI32(b, 208, 60);
        PutI32(b, 212, window.width());
        PutI32(b, 216, window.height());
        QCOMPARE(FileContents(IniPath()).toHex(' '), b.toHex(' '));

        // Filled again from what was stored.
        QCOMPARE(Edit("EditSections")->text(), QStringLiteral("1000"));
        QCOMPARE(Edit("EditFalseStartSections")->text(), QStringLiteral("999"));
        QCOMPARE(Page()->PointsEdits()[19]->text(), QStringLiteral("0"));
        QCOMPARE(Edit("EditSeparator")->text(), QStringLiteral(";"));
        QCOMPARE(Combo("ComboBoxPortAddress")->currentText(), QStringLiteral("$278"));
    }

    void tracksFourToTwo()
    {
        ShowPage();
        Rotation()->setCurrentIndex(3);
        Combo("ComboBoxTracks")->setEditText(QStringLiteral("2"));
        QCOMPARE(Items(Rotation()), QStringList{"1 > 2"});
        QCOMPARE(Rotation()->currentText(), QStringLiteral("1 > 2"));
        QCOMPARE(PowerBoxesShown(), (QList<bool>{true, true, false, false}));
        for (int n = 1; n <= 4; ++n)
            QCOMPARE(!IOTest()->Lamp(n)->isHidden(), n <= 2);
        // Free text that is no number of tracks leaves the list alone.
        Combo("ComboBoxTracks")->setEditText(QStringLiteral("x"));
        QCOMPARE(Items(Rotation()), QStringList{"1 > 2"});
        // Back to three: the first rotation, not the one of the settings.
        Combo("ComboBoxTracks")->setEditText(QStringLiteral("3"));
        QCOMPARE(Rotation()->currentText(), QStringLiteral("1 > 2 > 3"));
    }

    void rotationShownAgainAfterReopening()
    {
        ShowPage();
        Combo("ComboBoxTracks")->setCurrentIndex(2);
        Rotation()->setCurrentIndex(Rotation()->findText(QStringLiteral("1 > 3 > 2")));
        Apply();
        QCOMPARE(Settings().TrackRotation[0], 3);
        QCOMPARE(Settings().TrackRotation[2], 2);
        QCOMPARE(Settings().TrackRotation[1], 1);
        ShowOtherPage();
        ShowPage();
        QCOMPARE(Rotation()->currentText(), QStringLiteral("1 > 3 > 2"));
        // And from the file, as the next start reads it.
        TSettings stored;
        TSensorMasks masks;
        QVERIFY(ReadSettings(stored, masks, Rig().dir.Path()));
        QCOMPARE(stored.TrackRotation, Settings().TrackRotation);
    }

    // A refused field stops the apply with a message: the fields before it
    // are in force, the file is not touched.
    void refusedField_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("portTaken");
        QTest::addColumn<bool>("sectionsTaken");
        QTest::newRow("port $") << "ComboBoxPortAddress"
                                << "$"
                                << "'$' is not a valid integer value" << false << false;
        QTest::newRow("port $XYZ") << "ComboBoxPortAddress"
                                   << "$XYZ"
                                   << "'$XYZ' is not a valid integer value" << false << false;
        QTest::newRow("port empty") << "ComboBoxPortAddress"
                                    << ""
                                    << "'' is not a valid integer value" << false << false;
        QTest::newRow("tracks 7") << "ComboBoxTracks"
                                  << "7"
                                  << "'7' is not a valid number of tracks (1..4)" << true << false;
        QTest::newRow("tracks 0") << "ComboBoxTracks"
                                  << "0"
                                  << "'0' is not a valid number of tracks (1..4)" << true << false;
        QTest::newRow("pasted letters") << "EditPoints6"
                                        << "abc"
                                        << "'abc' is not a valid integer value" << true << true;
        QTest::newRow("beyond 32 bits") << "EditPoints6"
                                        << "99999999999"
                                        << "'99999999999' is not a valid integer value" << true << true;
        QTest::newRow("seconds overflow") << "EditFalseStart"
                                          << "3000000"
                                          << "'3000000' is too large: at most 2147483 seconds" << true << true;
    }
    void refusedField()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(bool, portTaken);
        QFETCH(bool, sectionsTaken);
        ShowPage();
        const QByteArray before = FileContents(IniPath());
        const TSettings old = Settings();
        if (field != "ComboBoxPortAddress")
            Combo("ComboBoxPortAddress")->setEditText(QStringLiteral("$278"));
        Edit("EditSections")->setText(QStringLiteral("500"));
        Edit("EditBounceDelay")->clear();
        Edit("EditNoFinish")->setText(QStringLiteral("30"));
        if (auto* combo = Page()->findChild<QComboBox*>(field))
            combo->setEditText(text);
        else
            Page()->findChild<QLineEdit*>(field)->setText(text);  // pasted: the digit filter sees no keys

        Rig().messages.Answer(TMessageAnswer::Ok);
        Apply();
        QCOMPARE(Rig().messages.Texts(), QStringList{message});
        QCOMPARE(Messages::Shown().first().kind, TMessageKind::Error);
        QCOMPARE(FileContents(IniPath()), before);
        QCOMPARE(Settings().PortAddress, portTaken ? 0x278 : old.PortAddress);
        QCOMPARE(Settings().SectionsPerLap, sectionsTaken ? 500 : old.SectionsPerLap);
        QCOMPARE(Settings().LapNoFinishMs, old.LapNoFinishMs);  // after every refused field
        QCOMPARE(Settings().PlacePoints[5], old.PlacePoints[5]);
        // The emptied field shows the 0 it was taken as, the refused text stays.
        QCOMPARE(Edit("EditBounceDelay")->text(), QStringLiteral("0"));
        QCOMPARE(Edit("EditSections")->text(), QStringLiteral("500"));
    }

    void unwritableFile()
    {
        if (RerunUnprivileged("unwritableFile"))
            return;
        ShowPage();
        const QByteArray before = FileContents(IniPath());
        QVERIFY(QFile::setPermissions(IniPath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        Edit("EditSections")->setText(QStringLiteral("321"));
        Rig().messages.Answer(TMessageAnswer::Ok);
        Apply();
        QVERIFY(QFile::setPermissions(IniPath(), QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(Rig().messages.Texts(), QStringList{"Settings could not be saved."});
        QCOMPARE(Messages::Shown().first().kind, TMessageKind::Warning);
        QCOMPARE(FileContents(IniPath()), before);
        QCOMPARE(Settings().SectionsPerLap, 321);  // in force all the same
        QCOMPARE(Edit("EditSections")->text(), QStringLiteral("321"));
    }

    void loadDefaultsAnsweredNo()
    {
        ShowPage();
        Settings().SectionsPerLap = 300;
        Rig().Form()->move(50, 70);
        Edit("EditBounceDelay")->setText(QStringLiteral("42"));
        Rig().messages.Answer(TMessageAnswer::No);
        LoadDefaults();
        QCOMPARE(Rig().messages.Texts(), QStringList{"Load Defaults?"});
        QCOMPARE(Settings().SectionsPerLap, 300);
        QCOMPARE(Rig().Form()->pos(), QPoint(50, 70));
        QCOMPARE(Edit("EditBounceDelay")->text(), QStringLiteral("42"));
    }

    void loadDefaultsAnsweredYes()
    {
        ShowPage();
        Edit("EditSections")->setText(QStringLiteral("250"));
        Combo("ComboBoxTracks")->setCurrentIndex(1);
        Apply();
        const QByteArray stored = FileContents(IniPath());
        Rig().Form()->move(50, 70);
        Rig().Form()->resize(900, 650);
        Rig().messages.Answer(TMessageAnswer::Yes);
        LoadDefaults();
        QCOMPARE(EncodeSettings(Settings()), EncodeSettings(TSettings()));
        QCOMPARE(Rig().Form()->frameGeometry(), QRect(2, 2, 780, 575));
        QCOMPARE(FileContents(IniPath()), stored);
        QCOMPARE(Edit("EditSections")->text(), QStringLiteral("100"));
        QCOMPARE(Rotation()->currentText(), QStringLiteral("1 > 2 > 3 > 4"));
    }

    // Line 3 on, then line 5, then line 3 off: every click writes its whole row.
    void powerAndLightBoxesWriteTheirRows()
    {
        ShowPage();
        Rig().port->writes.clear();
        IOTest()->PowerBox(3)->click();
        IOTest()->LightBox(1)->click();
        IOTest()->PowerBox(3)->click();
        QCOMPARE(WrittenBytes(),
                 (QList<uint8_t>{0x00, 0x00, 0x04, 0x04, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x10, 0x10}));
        for (const TWrite& write : Rig().port->writes)
            QCOMPARE(write.first, 888u);
        QCOMPARE(Rig().context.trackIo->OutputImage(), uint8_t(0x10));

        // An applied port address is used at once, starting from all off.
        Combo("ComboBoxPortAddress")->setEditText(QStringLiteral("$278"));
        Apply();
        QVERIFY(!IOTest()->LightBox(1)->isChecked());
        Rig().port->writes.clear();
        IOTest()->LightBox(1)->click();
        QCOMPARE(Rig().port->writes.size(), 4);
        QCOMPARE(Rig().port->writes.last(), TWrite(632u, 0x10));
    }

    // Leaving the test, however it is left, switches every line off and
    // shows it: no track stays powered behind the user's back.
    void leavingTheIOTestSwitchesOff_data()
    {
        QTest::addColumn<QString>("leave");
        QTest::newRow("another page") << "page";
        QTest::newRow("another sub-page") << "sub-page";
        QTest::newRow("window hidden") << "window";
    }
    void leavingTheIOTestSwitchesOff()
    {
        QFETCH(QString, leave);
        ShowPage();
        Page()->SubPages()->setCurrentIndex(1);  // I/O
        IOTest()->PowerBox(1)->click();
        IOTest()->PowerBox(3)->click();
        IOTest()->LightBox(4)->click();
        QCOMPARE(Rig().context.trackIo->OutputImage(), uint8_t(0x85));
        if (leave == "page")
            ShowOtherPage();
        else if (leave == "sub-page")
            Page()->SubPages()->setCurrentIndex(2);
        else
            Rig().Form()->hide();
        QCOMPARE(Rig().context.trackIo->OutputImage(), uint8_t(0));
        QCOMPARE(Rig().port->writes.last(), TWrite(888u, 0x00));
        for (int n = 1; n <= 4; ++n) {
            QVERIFY(!IOTest()->PowerBox(n)->isChecked());
            QVERIFY(!IOTest()->LightBox(n)->isChecked());
        }
    }

    void multiplePowerOff()
    {
        ShowPage();
        for (int n = 1; n <= 4; ++n)
            IOTest()->PowerBox(n)->click();
        QCOMPARE(Rig().context.trackIo->OutputImage(), uint8_t(0x0F));
        Rig().port->writes.clear();
        Box("CheckBoxMultiplePower")->click();
        QCOMPARE(WrittenBytes(), (QList<uint8_t>{0x0D, 0x09, 0x01}));
        QCOMPARE(PowerBoxesShown(), (QList<bool>{true, false, false, false}));
        for (int n = 2; n <= 4; ++n)
            QVERIFY(!IOTest()->PowerBox(n)->isChecked());
        QVERIFY(IOTest()->PowerBox(1)->isChecked());

        Rig().port->writes.clear();
        Combo("ComboBoxTracks")->setCurrentIndex(2);  // 3 tracks
        Box("CheckBoxMultiplePower")->click();
        QCOMPARE(PowerBoxesShown(), (QList<bool>{true, true, true, false}));
        QVERIFY(Rig().port->writes.isEmpty());
    }

    void powerBoxesFollowTracks_data()
    {
        QTest::addColumn<int>("tracks");
        QTest::addColumn<bool>("multiple");
        QTest::addColumn<QList<bool>>("shown");
        QTest::newRow("2, multiple") << 2 << true << QList<bool>{true, true, false, false};
        QTest::newRow("4, multiple") << 4 << true << QList<bool>{true, true, true, true};
        QTest::newRow("1, multiple") << 1 << true << QList<bool>{true, false, false, false};
        QTest::newRow("4, single") << 4 << false << QList<bool>{true, false, false, false};
    }
    // Also as filled from the settings, not only when the fields change.
    void powerBoxesFollowTracks()
    {
        QFETCH(int, tracks);
        QFETCH(bool, multiple);
        QFETCH(QList<bool>, shown);
        Settings().Tracks = tracks;
        Settings().TrackRotation = {1, 1, 1, 1};
        for (int n = 1; n < tracks; ++n)
            Settings().TrackRotation[size_t(n - 1)] = n + 1;
        Settings().MultiplePowerSignals = multiple;
        ShowPage();
        QCOMPARE(PowerBoxesShown(), shown);
        QCOMPARE(Rotation()->currentText(), RotationChoices(tracks).first());
    }

    // A power box that goes out of sight does not leave its track powered.
    void fewerTracksSwitchHiddenPowerOff()
    {
        ShowPage();
        IOTest()->PowerBox(3)->click();
        IOTest()->PowerBox(1)->click();
        Rig().port->writes.clear();
        Combo("ComboBoxTracks")->setCurrentIndex(1);  // 2 tracks
        QVERIFY(!IOTest()->PowerBox(3)->isChecked());
        QCOMPARE(Rig().port->writes, (QList<TWrite>{{888u, 0x01}}));
    }

    void sensorLamps_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("inverted");
        QTest::addColumn<QList<bool>>("lit");
        QTest::newRow("0x18") << 0x18 << false << QList<bool>{true, true, false, false};
        QTest::newRow("0x18 inverted") << 0x18 << true << QList<bool>{false, false, true, true};
        QTest::newRow("none") << 0x00 << false << QList<bool>{false, false, false, false};
        QTest::newRow("all") << 0x78 << false << QList<bool>{true, true, true, true};
    }
    void sensorLamps()
    {
        QFETCH(int, status);
        QFETCH(bool, inverted);
        QFETCH(QList<bool>, lit);
        ShowPage();
        if (inverted) {
            Box("CheckBoxInvertedInput")->click();
            Apply();
        }
        Rig().port->status = uint8_t(status);
        Rig().port->reads.clear();
        IOTest()->TimerReadTrackTimer();
        QCOMPARE(LampsLit(), lit);
        QCOMPARE(Rig().port->reads, QList<uint32_t>{889u});
    }

    // A pass shorter than a tick is seen by the samples in between and shown
    // for one tick.
    void shortPassShownForOneTick()
    {
        ShowPage();
        IOTest()->TimerReadTrackTimer();
        Rig().port->status = 0x20;
        IOTest()->SampleSensors();
        Rig().port->status = 0x00;
        IOTest()->SampleSensors();
        IOTest()->TimerReadTrackTimer();
        QCOMPARE(LampsLit(), (QList<bool>{false, false, true, false}));
        IOTest()->TimerReadTrackTimer();
        QCOMPARE(LampsLit(), (QList<bool>{false, false, false, false}));
    }

    void invertedInputNeedsApply()
    {
        ShowPage();
        Rig().port->status = 0x18;
        Box("CheckBoxInvertedInput")->click();
        IOTest()->TimerReadTrackTimer();
        QCOMPARE(LampsLit(), (QList<bool>{true, true, false, false}));
        Apply();
        IOTest()->TimerReadTrackTimer();
        QCOMPARE(LampsLit(), (QList<bool>{false, false, true, true}));
    }

    // On the Control Unit the group shows, tick by tick, what the unit
    // reports instead of sensors and lines.
    void controlUnitShownLive()
    {
        TUnitTestState unit;
        IOTest()->SetUnitReader([&unit] { return unit; });
        ShowPage();
        QVERIFY(!IOTest()->Lamp(1)->isVisibleTo(IOTest()) && !IOTest()->PowerBox(1)->isVisibleTo(IOTest()));
        QVERIFY(IOTest()->TimerReadTrack()->isActive() && !IOTest()->SampleTimer()->isActive());
        unit = {true, QStringLiteral("5337"), 4, {}};
        unit.Address[6] = {1500, 1, 1, 12};
        IOTest()->TimerReadTrackTimer();
        const QStringList shown{IOTest()->UnitVersion()->text(), IOTest()->UnitStartLight()->text(),
                                IOTest()->UnitEvent(7)->text(), IOTest()->UnitFuel(7)->text()};
        QCOMPARE(shown, (QStringList{"5337", "3 lamps", "1.500 s, sector 1, 1 event", "fuel 12 of 15"}));
    }

    // With a lap counter the lamps stay, and each tick shows what its port
    // reports below them; a stray lane only once there was one.
    void lapCounterShownLive()
    {
        TCounterTestState counter{"/dev/ttyUSB0", true, 0, 0, false};
        IOTest()->SetCounterReader([&counter] { return counter; });
        ShowPage();
        QVERIFY(IOTest()->Lamp(1)->isVisibleTo(IOTest()) && IOTest()->SampleTimer()->isActive());
        QVERIFY(IOTest()->CounterStrayLane()->isHidden());
        counter = {"/dev/ttyUSB0", false, 3, 9, false};
        IOTest()->TimerReadTrackTimer();
        QCOMPARE(IOTest()->CounterDropped()->text(), "3 messages");
        QVERIFY(!IOTest()->CounterStrayLane()->isHidden() && IOTest()->CounterStrayLane()->text().contains("Lane 9"));
    }

    void maskFile_data()
    {
        QTest::addColumn<bool>("present");
        QTest::newRow("absent") << false;
        QTest::newRow("present") << true;
    }
    void maskFile()
    {
        QFETCH(bool, present);
        if (present) {
            m_rig.reset();
            Start("1\n2\n4\n128\n0\n");
        }
        ShowPage();
        QCOMPARE(Box("CheckBoxInvertedInput")->isEnabled(), !present);
        auto* notice = Find<QLabel>("LabelMaskFile");
        QCOMPARE(!notice->isHidden(), present);
        QCOMPARE(notice->text(), QStringLiteral("KOBA.msk is being used!!"));
        if (present) {
            Rig().port->status = 0x81;
            IOTest()->TimerReadTrackTimer();
            QCOMPARE(LampsLit(), (QList<bool>{true, false, false, true}));
        }
    }

    void timerRunsOnlyWhileThePageIsShown()
    {
        QTimer* timer = IOTest()->TimerReadTrack();
        QCOMPARE(timer->objectName(), QStringLiteral("TimerReadTrack"));
        QCOMPARE(timer->interval(), 100);
        QVERIFY(!timer->isActive());
        ShowPage();
        QVERIFY(timer->isActive());
        QVERIFY(IOTest()->SampleTimer()->isActive());
        Page()->SubPages()->setCurrentIndex(3);  // another sub-page of Settings
        QVERIFY(timer->isActive());
        Apply();
        QVERIFY(timer->isActive());
        Rig().Form()->Pages()->setCurrentIndex(1);
        QVERIFY(!timer->isActive());
        QVERIFY(!IOTest()->SampleTimer()->isActive());
        ShowPage();
        QVERIFY(timer->isActive());
        Rig().Form()->hide();
        QVERIFY(!timer->isActive());
    }

    void colourPanels()
    {
        ShowPage();
        QColor offered;
        QColor answer(1, 2, 3);
        Page()->Colours()->SetColourChooser([&](const QColor& current, QWidget*) {
            offered = current;
            return answer;
        });
        TColourPanel* panel = Page()->Colours()->BackgroundPanel(TSettings::Track1);
        QTest::mouseClick(panel, Qt::LeftButton);
        QCOMPARE(offered, QColor(0xD5, 0, 0));  // $000000D5: red in the low byte
        QCOMPARE(panel->Value(), 0x00030201u);
        answer = QColor();  // cancelled
        QTest::mouseClick(panel, Qt::LeftButton);
        QCOMPARE(panel->Value(), 0x00030201u);
        QCOMPARE(Settings().Background[0], 0x000000D5u);  // only "Apply & Save" stores it
        Apply();
        QCOMPARE(Settings().Background[0], 0x00030201u);
    }

    void runtimeControls_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("n");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("caption");
        QTest::newRow("sound 1") << "sound" << 1 << QRect(8, 16, 90, 17) << "Light 1";
        QTest::newRow("sound 4") << "sound" << 4 << QRect(8, 64, 90, 17) << "Light 4";
        QTest::newRow("sound 5") << "sound" << 5 << QRect(88, 16, 90, 17) << "Start";
        QTest::newRow("sound 7") << "sound" << 7 << QRect(88, 48, 90, 17) << "Best Lap";
        QTest::newRow("sound 8") << "sound" << 8 << QRect(88, 64, 90, 17) << "Finish";
        QTest::newRow("points 1") << "points" << 1 << QRect(56, 16, 50, 0) << "";
        QTest::newRow("points 10") << "points" << 10 << QRect(56, 232, 50, 0) << "";
        QTest::newRow("points 11") << "points" << 11 << QRect(160, 16, 50, 0) << "";
        QTest::newRow("points 20") << "points" << 20 << QRect(160, 232, 50, 0) << "";
        QTest::newRow("label 1") << "label" << 1 << QRect(16, 19, 31, 0) << "- 1 -";
        QTest::newRow("label 10") << "label" << 10 << QRect(16, 235, 31, 0) << "- 10 -";
        QTest::newRow("label 13") << "label" << 13 << QRect(120, 67, 31, 0) << "- 13 -";
    }
    void runtimeControls()
    {
        QFETCH(QString, kind);
        QFETCH(int, n);
        QFETCH(QRect, geometry);
        QFETCH(QString, caption);
        QWidget* control = nullptr;
        QString group;
        if (kind == "sound") {
            QCheckBox* box = Page()->SoundSwitches()[size_t(n - 1)];
            QCOMPARE(box->text(), caption);
            control = box;
            group = "On/Off";
        } else if (kind == "points") {
            control = Page()->PointsEdits()[size_t(n - 1)];
            group = "Place / Points";
        } else {
            QLabel* label = Page()->PlaceLabels()[size_t(n - 1)];
            QCOMPARE(label->text(), caption);
            QVERIFY(label->alignment() & Qt::AlignHCenter);
            control = label;
            group = "Place / Points";
        }
        QCOMPARE(qobject_cast<QGroupBox*>(control->parentWidget())->title(), group);
        QCOMPARE(control->pos(), geometry.topLeft());
        QCOMPARE(control->width(), geometry.width());
        if (geometry.height() > 0)
            QCOMPARE(control->height(), geometry.height());
    }

    // The track interface shown from kobalap.conf, changed on the page and
    // stored there by "Apply & Save"; KOBA.ini stays the record it was.
    void trackInterfaceSaved_data()
    {
        QTest::addColumn<QByteArray>("conf");
        QTest::addColumn<bool>("simulateFlag");
        QTest::addColumn<QString>("click");  // radio button, or none
        QTest::addColumn<QString>("typed");  // device text, or none
        QTest::addColumn<TKind>("shownKind");
        QTest::addColumn<TKind>("savedKind");
        QTest::addColumn<QString>("savedDevice");
        QTest::addColumn<bool>("restartNotice");
        const QByteArray board("[TrackInterface]\nKind=board\nSerialDevice=/dev/ttyACM0\n");
        const QString acm0 = QStringLiteral("/dev/ttyACM0");
        QTest::newRow("no file, board chosen: first USB port")
            << QByteArray() << false << "RadioButtonLapBoard"
            << "" << TKind::ParallelPort << TKind::LapBoard << acm0 << true;
        QTest::newRow("board, device typed")
            << board << false << ""
            << " /dev/ttyUSB7" << TKind::LapBoard << TKind::LapBoard << "/dev/ttyUSB7" << true;
        QTest::newRow("board, listed entry")
            << board << false << ""
            << "/dev/ttyACM0 (Arduino Uno)" << TKind::LapBoard << TKind::LapBoard << acm0 << false;
        QTest::newRow("unknown kind is the parallel port")
            << QByteArray("[TrackInterface]\nKind=usb3\n") << false << "RadioButtonSimulated"
            << "" << TKind::ParallelPort << TKind::Simulated << "" << true;
        QTest::newRow("--simulate, simulated chosen") << QByteArray() << true << "RadioButtonSimulated"
                                                      << "" << TKind::ParallelPort << TKind::Simulated << "" << false;
        QTest::newRow("--simulate, board stored") << board << true << ""
                                                  << "" << TKind::LapBoard << TKind::LapBoard << acm0 << true;
        QTest::newRow("no file, Control Unit chosen: first USB port")
            << QByteArray() << false << "RadioButtonCarrera"
            << "" << TKind::ParallelPort << TKind::Carrera << acm0 << true;
        QTest::newRow("Control Unit, device typed, the board's kept")
            << QByteArray("[TrackInterface]\nKind=carrera\nSerialDevice=/dev/ttyS0\n") << false << ""
            << "/dev/ttyUSB2" << TKind::Carrera << TKind::Carrera << "/dev/ttyUSB2" << true;
        QTest::newRow("no Bluetooth here: Control Unit over Bluetooth chosen, address typed")
            << QByteArray() << false << "RadioButtonCarreraBluetooth"
            << "00:11:22:33:44:55" << TKind::ParallelPort << TKind::CarreraBluetooth << "00:11:22:33:44:55" << true;
    }
    void trackInterfaceSaved()
    {
        QFETCH(QByteArray, conf);
        QFETCH(bool, simulateFlag);
        QFETCH(QString, click);
        QFETCH(QString, typed);
        QFETCH(TKind, shownKind);
        QFETCH(TKind, savedKind);
        QFETCH(QString, savedDevice);
        QFETCH(bool, restartNotice);
        m_rig.reset();
        Start({}, conf, simulateFlag);
        ShowPage();
        QCOMPARE(InterfaceGroup()->Choice().Kind, shownKind);
        QCOMPARE(Shown("LabelSimulateFlag"), simulateFlag);
        const bool bluetooth = savedKind == TKind::CarreraBluetooth;
        if (bluetooth && !QBluetoothLocalDevice::allDevices().isEmpty())
            QSKIP("This machine has Bluetooth: choosing it would search for real.");
        if (!click.isEmpty())
            Find<QRadioButton>(qPrintable(click))->click();
        if (bluetooth) {
            // The search is over at once: nothing listed, and a note says why.
            QCOMPARE(Combo("ComboBoxCarreraAddress")->count(), 0);
            QVERIFY(Shown("LabelBluetoothNote"));
            QCOMPARE(Find<QLabel>("LabelBluetoothNote")->text(), QStringLiteral("No Bluetooth on this PC."));
        }
        const bool unit = savedKind == TKind::Carrera;
        const char* const list = unit        ? "ComboBoxCarreraDevice"
                                 : bluetooth ? "ComboBoxCarreraAddress"
                                             : "ComboBoxSerialDevice";
        if (!typed.isEmpty())
            Combo(list)->setEditText(typed);
        QCOMPARE(Shown("LabelTakesEffect"), restartNotice);
        const QByteArray ini = FileContents(IniPath());
        Apply();
        QCOMPARE(FileContents(IniPath()), ini);
        const TTrackInterfaceChoice saved = ReadTrackInterfaceChoice(Rig().dir.Path());
        QCOMPARE(saved.Kind, savedKind);
        QCOMPARE(unit ? saved.CarreraDevice : bluetooth ? saved.CarreraAddress : saved.SerialDevice, savedDevice);
        QVERIFY(!conf.contains("ttyS0") || saved.SerialDevice == "/dev/ttyS0");
        // The page shows what was saved, and still waits for the next start.
        QCOMPARE(InterfaceGroup()->Choice().Kind, savedKind);
        QCOMPARE(Shown("LabelTakesEffect"), restartNotice);
    }

    // A stored lap counter shows with its outputs, whose board takes the
    // board's port; changed outputs are stored in kobalap.conf.
    void lapCounterSaved()
    {
        m_rig.reset();
        Start({}, "[TrackInterface]\nKind=lapcounter-tcp\nLapCounterAddress=10.0.0.9:5000\nLapCounterOutputs=board\n");
        ShowPage();
        QVERIFY(Combo("ComboBoxLapCounterOutputs")->isVisibleTo(Find<QWidget>("GroupBoxLapCounter")));
        QVERIFY(Combo("ComboBoxSerialDevice")->isEnabled());
        Combo("ComboBoxLapCounterOutputs")->setCurrentIndex(1);
        QVERIFY(!Combo("ComboBoxSerialDevice")->isEnabled());
        const QByteArray ini = FileContents(IniPath());
        Apply();
        QCOMPARE(FileContents(IniPath()), ini);
        const TTrackInterfaceChoice saved = ReadTrackInterfaceChoice(Rig().dir.Path());
        QCOMPARE(saved.LapCounterAddress, "10.0.0.9:5000");
        QCOMPARE(saved.LapCounterOutputs, TOutputs::ParallelPort);
        Find<QRadioButton>("RadioButtonParallelPort")->click();
        QVERIFY(!Combo("ComboBoxLapCounterOutputs")->isVisibleTo(Find<QWidget>("GroupBoxLapCounter")));
    }

    void trackInterfaceNotSaved()
    {
        if (RerunUnprivileged("trackInterfaceNotSaved"))
            return;
        const QString conf = TrackInterfaceFilePath(Rig().dir.Path());
        QFile file(conf);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(QFile::setPermissions(conf, QFile::ReadOwner));
        ShowPage();
        Box("CheckBoxEditResult")->click();
        Find<QRadioButton>("RadioButtonLapBoard")->click();
        Box("CheckBoxSpeakAnnouncements")->click();
        Rig().messages.Answer(TMessageAnswer::Ok);
        Rig().messages.Answer(TMessageAnswer::Ok);
        Apply();
        QCOMPARE(Rig().messages.Texts(), (QStringList{"The track interface could not be saved in " + conf + ".",
                                                      "The announcements could not be saved in " + conf + "."}));
        QCOMPARE(Messages::Shown().last().kind, TMessageKind::Warning);
        QVERIFY(Rig().windows.Announcer->Choice().Enabled);  // in force all the same
        QVERIFY(Settings().EditResult);                      // the record was saved all the same
        QCOMPARE(FileContents(IniPath()), EncodeSettings(Settings()));
        // The choice stays on the page to be saved again.
        QCOMPARE(InterfaceGroup()->Choice().Kind, TKind::LapBoard);
    }

    // The group and the lap counter's box sit beside the specified controls,
    // overlapping none, inside the sub-page, with a lap counter chosen, every
    // notice of the sub-page shown and Test I/O showing a Control Unit or a
    // lap counter.
    void trackInterfaceGroupFits_data()
    {
        QTest::addColumn<QString>("lapCounterFlag");  // else --simulate on a Control Unit
        QTest::newRow("Control Unit") << QString();
        QTest::newRow("lap counter") << "/dev/ttyUSB9";
    }
    void trackInterfaceGroupFits()
    {
        QFETCH(QString, lapCounterFlag);
        const bool unit = lapCounterFlag.isEmpty();
        m_rig.reset();
        Start("8\n16\n32\n64\n0\n", {}, unit, {}, lapCounterFlag);
        if (unit)
            IOTest()->SetUnitReader([] { return TUnitTestState{}; });
        else
            IOTest()->SetCounterReader([] { return TCounterTestState{"/dev/ttyUSB9", false, 99999, 999, false}; });
        Rig().Form()->show();
        ShowPage();
        Page()->SubPages()->setCurrentWidget(InterfaceGroup()->parentWidget());
        Find<QRadioButton>("RadioButtonLapCounterTcp")->click();
        QVERIFY(Shown("LabelMaskFile") && Shown("LabelTakesEffect") &&
                Shown(unit ? "LabelSimulateFlag" : "LabelLapCounterFlag") && Shown("LabelCarreraCars"));
        QWidget* subPage = InterfaceGroup()->parentWidget();
        QVERIFY(QTest::qWaitFor([&] { return subPage->layout()->geometry().isValid(); }));
        for (QWidget* box : {static_cast<QWidget*>(InterfaceGroup()), Find<QWidget>("GroupBoxLapCounter")}) {
            const QRect group = box->geometry();
            QVERIFY2(subPage->rect().contains(group), qPrintable(box->objectName()));
            for (QWidget* sibling : subPage->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
                if (sibling != box && !sibling->isHidden())
                    QVERIFY2(!sibling->geometry().intersects(group), qPrintable(sibling->objectName()));
            }
            // Nor is any of its texts cut short.
            for (QLabel* label : box->findChildren<QLabel*>()) {
                if (label->isVisible())
                    QVERIFY2(label->height() >= label->heightForWidth(label->width()), qPrintable(label->objectName()));
            }
        }
        // The box below the test leaves it its width.
        QCOMPARE(IOTest()->width(), IOTest()->sizeHint().width());
    }

    // To the right of On/Off, which keeps its place and size; inside the
    // sub-page, with no control over another or cut short, a problem shown.
    void announcementsBesideOnOff()
    {
        Recorder()->problem = "No speech engine is installed, so nothing can be said out loud (see the manual).";
        Rig().Form()->show();
        ShowPage();
        QWidget* onOff = Find<QWidget>("GroupBoxOnOff");
        QWidget* subPage = onOff->parentWidget();
        Page()->SubPages()->setCurrentWidget(subPage);
        QVERIFY(QTest::qWaitFor([&] { return subPage->layout()->geometry().isValid(); }));
        QCOMPARE(onOff->geometry(), QRect(subPage->layout()->contentsRect().topLeft(), QSize(190, 92)));
        const QRect group = Announcements()->geometry();
        QVERIFY(group.top() == onOff->y() && group.left() > onOff->geometry().right());
        QVERIFY(subPage->rect().contains(group) && Announcements()->title() == "Announcements");
        const QList<QWidget*> controls = Announcements()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        for (QWidget* control : controls) {
            QVERIFY(control->isVisible() && Announcements()->contentsRect().contains(control->geometry()));
            for (QWidget* other : controls)
                QVERIFY(other == control || !other->geometry().intersects(control->geometry()));
            if (auto* label = qobject_cast<QLabel*>(control))
                QVERIFY2(label->height() >= label->heightForWidth(label->width()), qPrintable(label->text()));
        }
    }

    // A stored voice the engine does not offer stays listed, the engine's
    // voices are listed once it is ready; what is set on the page is stored
    // in kobalap.conf by "Apply & Save", in force and shown at the next visit.
    void announcementsSavedAndShownAgain()
    {
        m_rig.reset();
        Start({}, "[Announcements]\nVoice=Zira\n");
        QVERIFY(TRecordActions(Rig().context.store.Database()).AddDrivers({"Bert Jansen", "Jan Sch\u00e4fer"}));
        TRecordingSpeaker* speaker = Recorder();
        ShowPage();
        QCOMPARE(Items(Combo("ComboBoxVoice")), (QStringList{"(engine default)", "Alan", "Kal", "Zira"}));
        speaker->voices = QStringList{"Zira", "Kal"};
        emit speaker->EngineReady();
        QCOMPARE(Items(Combo("ComboBoxVoice")), (QStringList{"(engine default)", "Zira", "Kal"}));
        Box("CheckBoxSpeakAnnouncements")->click();
        Combo("ComboBoxVoice")->setCurrentText("Kal");
        Find<QSlider>("SliderRate")->setValue(-40);
        Find<QSlider>("SliderVolume")->setValue(70);
        Box("CheckBoxSayFastestLap")->click();
        Combo("ComboBoxSpokenDriver")->setCurrentText("Jan Sch\u00e4fer");
        QTest::keyClicks(Edit("EditSaidAs"), " Yan Shayfer");
        Apply();
        const TAnnouncementChoice expected{
            .Enabled = true,
            .Voice = "Kal",
            .RatePercent = -40,
            .VolumePercent = 70,
            .Says = {true, true, false, true, true, true, true, true},
            .SpokenNames = {{Combo("ComboBoxSpokenDriver")->currentData().toInt(), "Yan Shayfer"}}};
        QVERIFY(ReadAnnouncementChoice(Rig().dir.Path()) == expected);
        QVERIFY(Rig().windows.Announcer->Choice() == expected);
        ShowOtherPage();
        ShowPage();
        QVERIFY(Announcements()->Choice() == expected);
        QCOMPARE(Edit("EditSaidAs")->text() + Find<QLabel>("LabelRateValue")->text(), "Yan Shayfer-40");
        Combo("ComboBoxSpokenDriver")->setCurrentText("Bert Jansen");
        QCOMPARE(Edit("EditSaidAs")->text(), "");
    }

    // Test says the sample when there is an engine; what went wrong is shown.
    void announcementsTest_data()
    {
        QTest::addColumn<bool>("hasEngine");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("shown");
        QTest::newRow("said") << true << QString() << QString() << QString();
        QTest::newRow("sample failed") << true << QString() << QStringLiteral("no audio device")
                                       << "The sample could not be said: no audio device";
        QTest::newRow("no engine") << false << QStringLiteral("No engine.") << QString() << "No engine.";
    }
    void announcementsTest()
    {
        QFETCH(bool, hasEngine);
        QFETCH(QString, problem);
        QFETCH(QString, failure);
        QFETCH(QString, shown);
        TRecordingSpeaker* speaker = Recorder();
        std::tie(speaker->hasEngine, speaker->problem, speaker->failure) = std::tuple(hasEngine, problem, failure);
        ShowPage();
        auto* test = Find<QPushButton>("ButtonAnnouncementsTest");
        QCOMPARE(test->isEnabled(), hasEngine);
        test->click();
        QCOMPARE(speaker->said, hasEngine ? QStringList{TAnnouncer::SampleText()} : QStringList());
        QTRY_COMPARE(Find<QLabel>("LabelAnnouncementsProblem")->text(), shown);
        QCOMPARE(Shown("LabelAnnouncementsProblem"), !shown.isEmpty());
    }

    // Typed keys other than digits do not reach a place/points field.
    void pointsFieldsTakeDigitsOnly()
    {
        ShowPage();
        QLineEdit* edit = Page()->PointsEdits()[4];
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("1a-2$"));
        QCOMPARE(edit->text(), QStringLiteral("12"));
    }
};

QTEST_MAIN(TestSettingsPage)
#include "tst_settingspage.moc"
