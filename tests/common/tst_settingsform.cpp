#include "common/IntegerText.h"
#include "common/SettingsForm.h"

#include <QtTest>

namespace {

using TRotation = std::array<int32_t, TSettings::TrackCount>;

// The fields in the order the page takes them, each as text, so that a test
// can see exactly which were taken before an apply stopped.
const QStringList FieldNames = [] {
    QStringList names{"port", "inverted", "tracks", "sections", "bounce", "multiple", "rotation"};
    for (int p = 1; p <= TSettings::PlaceCount; ++p)
        names << QStringLiteral("points%1").arg(p);
    names << QStringList{"lapFalseStart", "noFinish",  "sustain",    "timedFalseStart", "editResult",
                         "showTotals",    "separator", "foreground", "background",      "sounds"};
    return names;
}();

template <typename Array>
QString Join(const Array& values)
{
    QStringList texts;
    for (auto v : values)
        texts << QString::number(int64_t(v));
    return texts.join(QLatin1Char(','));
}

QStringList Fields(const TSettings& s)
{
    QStringList fields{QString::number(s.PortAddress),
                       QString::number(s.InvertedInput),
                       QString::number(s.Tracks),
                       QString::number(s.SectionsPerLap),
                       QString::number(s.BounceDelayMs),
                       QString::number(s.MultiplePowerSignals),
                       Join(s.TrackRotation)};
    for (int32_t points : s.PlacePoints)
        fields << QString::number(points);
    fields << QString::number(s.LapFalseStartMs) << QString::number(s.LapNoFinishMs)
           << QString::number(s.SustainSensorReadMs) << QString::number(s.TimedFalseStart)
           << QString::number(s.EditResult) << QString::number(s.ShowTotals) << QString(QLatin1Char(s.ExportSeparator))
           << Join(s.Foreground) << Join(s.Background) << Join(s.Sounds);
    return fields;
}

// Settings that differ from the defaults in every field the page shows.
TSettings OtherSettings()
{
    TSettings s;
    s.PortAddress = 0x278;
    s.InvertedInput = true;
    s.Tracks = 3;
    s.SectionsPerLap = 250;
    s.BounceDelayMs = 1234;
    s.MultiplePowerSignals = false;
    s.TrackRotation = {3, 1, 2, 1};  // 1 > 3 > 2
    for (int p = 0; p < TSettings::PlaceCount; ++p)
        s.PlacePoints[size_t(p)] = 100 + 3 * p;
    s.LapFalseStartMs = 3000;
    s.LapNoFinishMs = 15000;
    s.SustainSensorReadMs = 750;
    s.TimedFalseStart = 2249;
    s.EditResult = true;
    s.ShowTotals = false;
    s.ExportSeparator = ',';
    for (size_t i = 0; i < TSettings::ColourCount; ++i) {
        s.Foreground[i] = uint32_t(0x00102030 + i);
        s.Background[i] = uint32_t(0x00405060 + i);
    }
    s.Background[TSettings::TrackX] = s.Foreground[TSettings::TrackX];
    for (size_t i = 0; i < TSettings::SoundCount; ++i)
        s.Sounds[i] = i % 3 != 0;
    return s;
}

QString& FormField(TSettingsForm& form, const QString& name)
{
    if (name == "port")
        return form.PortAddress;
    if (name == "tracks")
        return form.Tracks;
    if (name == "sections")
        return form.Sections;
    if (name == "bounce")
        return form.BounceDelay;
    if (name.startsWith("points"))
        return form.Points[size_t(name.mid(6).toInt() - 1)];
    if (name == "lapFalseStart")
        return form.LapFalseStart;
    if (name == "noFinish")
        return form.LapNoFinish;
    if (name == "sustain")
        return form.SustainSensorRead;
    if (name == "timedLaps")
        return form.TimedFalseStartLaps;
    if (name == "timedSections")
        return form.TimedFalseStartSections;
    if (name == "separator")
        return form.Separator;
    if (name == "rotation")
        return form.Rotation;
    qFatal("no form field %s", qPrintable(name));
}

}  // namespace

class TestSettingsForm : public QObject {
    Q_OBJECT

private slots:
    void portAddressText_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<QString>("text");
        QTest::newRow("default") << 888 << "$378";
        QTest::newRow("second port") << 632 << "$278";
        QTest::newRow("upper case") << 0xbc00 << "$BC00";
        QTest::newRow("zero") << 0 << "$0";
        QTest::newRow("negative") << -5 << "-$5";
        QTest::newRow("largest") << std::numeric_limits<int32_t>::max() << "$7FFFFFFF";
        QTest::newRow("smallest") << std::numeric_limits<int32_t>::min() << "-$80000000";
    }
    // The text reads back as the same number, so an apply without changes
    // keeps the address.
    void portAddressText()
    {
        QFETCH(int, address);
        QFETCH(QString, text);
        QCOMPARE(PortAddressText(address), text);
        int32_t back = 0;
        QVERIFY(ParseInteger(text, back));
        QCOMPARE(back, address);
    }

    void rotationChoices_data()
    {
        QTest::addColumn<int>("tracks");
        QTest::addColumn<QStringList>("choices");
        QTest::newRow("0") << 0 << QStringList{};
        QTest::newRow("1") << 1 << QStringList{"1"};
        QTest::newRow("2") << 2 << QStringList{"1 > 2"};
        QTest::newRow("3") << 3 << QStringList{"1 > 2 > 3", "1 > 3 > 2"};
        QTest::newRow("4") << 4 << QStringList{"1 > 2 > 3 > 4", "1 > 2 > 4 > 3", "1 > 3 > 2 > 4",
                                               "1 > 3 > 4 > 2", "1 > 4 > 2 > 3", "1 > 4 > 3 > 2"};
        QTest::newRow("5") << 5 << QStringList{};
    }
    void rotationChoices()
    {
        QFETCH(int, tracks);
        QFETCH(QStringList, choices);
        QCOMPARE(RotationChoices(tracks), choices);
    }

    // Every offered rotation goes into the record and is shown again as the
    // same text; entries of tracks beyond the number in use are kept.
    void rotationRoundTrip_data()
    {
        QTest::addColumn<int>("tracks");
        QTest::addColumn<QString>("text");
        QTest::addColumn<TRotation>("next");
        QTest::newRow("1") << 1 << "1" << TRotation{1, 3, 4, 1};
        QTest::newRow("1 > 2") << 2 << "1 > 2" << TRotation{2, 1, 4, 1};
        QTest::newRow("1 > 3 > 2") << 3 << "1 > 3 > 2" << TRotation{3, 1, 2, 1};
        QTest::newRow("1 > 2 > 3") << 3 << "1 > 2 > 3" << TRotation{2, 3, 1, 1};
        QTest::newRow("1 > 4 > 2 > 3") << 4 << "1 > 4 > 2 > 3" << TRotation{4, 3, 1, 2};
        QTest::newRow("1 > 3 > 4 > 2") << 4 << "1 > 3 > 4 > 2" << TRotation{3, 1, 4, 2};
        // Texts that are not a rotation of the tracks in use give the plain order.
        QTest::newRow("too short") << 3 << "1 > 2" << TRotation{2, 3, 1, 1};
        QTest::newRow("not from 1") << 3 << "2 > 1 > 3" << TRotation{2, 3, 1, 1};
        QTest::newRow("track twice") << 4 << "1 > 3 > 3 > 2" << TRotation{2, 3, 4, 1};
        QTest::newRow("empty") << 2 << "" << TRotation{2, 1, 4, 1};
    }
    void rotationRoundTrip()
    {
        QFETCH(int, tracks);
        QFETCH(QString, text);
        QFETCH(TRotation, next);
        TSettings settings;
        TSettingsForm form = SettingsFormOf(settings);
        form.Tracks = QString::number(tracks);
        form.Rotation = text;
        QCOMPARE(ApplySettingsForm(form, settings), QString());
        QCOMPARE(settings.TrackRotation, next);
        const QString shown = RotationText(settings.TrackRotation, tracks);
        QVERIFY(RotationChoices(tracks).contains(shown));
        if (RotationChoices(tracks).contains(text))
            QCOMPARE(shown, text);
    }

    void formOfSettings_data()
    {
        QTest::addColumn<bool>("other");
        QTest::addColumn<QStringList>("texts");
        // port, tracks, sections, bounce, rotation, points 1, points 20, false start, no finish, laps, sections, sustain, separator
        QTest::newRow("defaults") << false << QStringList{"$378", "4",  "100", "5000", "1 > 2 > 3 > 4", "20", "1",
                                                          "8",    "12", "1",   "0",    "500",           ";"};
        QTest::newRow("other") << true << QStringList{"$278", "3",  "250", "1234", "1 > 3 > 2", "100", "157",
                                                      "3",    "15", "2",   "249",  "750",       ","};
    }
    void formOfSettings()
    {
        QFETCH(bool, other);
        QFETCH(QStringList, texts);
        const TSettings settings = other ? OtherSettings() : TSettings();
        const TSettingsForm form = SettingsFormOf(settings);
        QCOMPARE(
            (QStringList{form.PortAddress, form.Tracks, form.Sections, form.BounceDelay, form.Rotation, form.Points[0],
                         form.Points[19], form.LapFalseStart, form.LapNoFinish, form.TimedFalseStartLaps,
                         form.TimedFalseStartSections, form.SustainSensorRead, form.Separator}),
            texts);
        QCOMPARE(form.InvertedInput, settings.InvertedInput);
        QCOMPARE(form.MultiplePowerSignals, settings.MultiplePowerSignals);
        QCOMPARE(form.EditResult, settings.EditResult);
        QCOMPARE(form.ShowTotals, settings.ShowTotals);
        QCOMPARE(form.Foreground, settings.Foreground);
        QCOMPARE(form.Background[3], settings.Background[3]);
        QCOMPARE(form.Sounds, settings.Sounds);
    }

    // Penalties are shown in whole seconds: the part below a second is not shown.
    void penaltiesInWholeSeconds()
    {
        TSettings settings;
        settings.LapFalseStartMs = 8999;
        settings.LapNoFinishMs = 500;
        const TSettingsForm form = SettingsFormOf(settings);
        QCOMPARE(form.LapFalseStart, QStringLiteral("8"));
        QCOMPARE(form.LapNoFinish, QStringLiteral("0"));
    }

    // What the page shows goes back in unchanged, in either direction.
    void applyTakesEveryField_data()
    {
        QTest::addColumn<bool>("toOther");
        QTest::newRow("defaults over other") << false;
        QTest::newRow("other over defaults") << true;
    }
    void applyTakesEveryField()
    {
        QFETCH(bool, toOther);
        const TSettings target = toOther ? OtherSettings() : TSettings();
        TSettings settings = toOther ? TSettings() : OtherSettings();
        settings.WindowLeft = 77;
        TSettingsForm form = SettingsFormOf(target);
        QCOMPARE(ApplySettingsForm(form, settings), QString());
        QCOMPARE(Fields(settings), Fields(target));
        QCOMPARE(settings.WindowLeft, 77);  // the window is the caller's
    }

    // Background X is not on the page; it follows the foreground X.
    void backgroundXFollowsForegroundX()
    {
        TSettings settings;
        TSettingsForm form = SettingsFormOf(settings);
        form.Foreground[TSettings::TrackX] = 0x00123456;
        QCOMPARE(ApplySettingsForm(form, settings), QString());
        QCOMPARE(settings.Foreground[TSettings::TrackX], 0x00123456u);
        QCOMPARE(settings.Background[TSettings::TrackX], 0x00123456u);
    }

    void sections_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("stored");
        QTest::newRow("capped") << "2500" << 1000;
        QTest::newRow("at the cap") << "1000" << 1000;
        QTest::newRow("off") << "0" << 0;
        QTest::newRow("pasted negative") << "-3" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("hexadecimal") << "$10" << 16;
    }
    void sections()
    {
        QFETCH(QString, text);
        QFETCH(int, stored);
        TSettings settings;
        TSettingsForm form = SettingsFormOf(settings);
        form.Sections = text;
        QCOMPARE(ApplySettingsForm(form, settings), QString());
        QCOMPARE(settings.SectionsPerLap, stored);
    }

    void timedFalseStart_data()
    {
        QTest::addColumn<QString>("sectionsPerLap");
        QTest::addColumn<QString>("laps");
        QTest::addColumn<QString>("sections");
        QTest::addColumn<int>("stored");
        QTest::newRow("within the lap") << "100"
                                        << "1"
                                        << "50" << 1050;
        QTest::newRow("beyond the lap") << "100"
                                        << "1"
                                        << "150" << 1099;
        QTest::newRow("at the lap") << "100"
                                    << "0"
                                    << "100" << 99;
        QTest::newRow("sections off") << "0"
                                      << "1"
                                      << "150" << 1000;
        QTest::newRow("sections off, none typed") << "0"
                                                  << "2"
                                                  << "0" << 2000;
        QTest::newRow("capped lap") << "2500"
                                    << "1"
                                    << "2000" << 1999;
        QTest::newRow("negative sections") << "100"
                                           << "1"
                                           << "-5" << 1000;
        QTest::newRow("negative laps") << "100"
                                       << "-1"
                                       << "50" << 0;
        QTest::newRow("empty fields") << "100"
                                      << ""
                                      << "" << 0;
        QTest::newRow("largest") << "1000"
                                 << "2147482"
                                 << "999" << 2147482999;
    }
    void timedFalseStart()
    {
        QFETCH(QString, sectionsPerLap);
        QFETCH(QString, laps);
        QFETCH(QString, sections);
        QFETCH(int, stored);
        TSettings settings;
        TSettingsForm form = SettingsFormOf(settings);
        form.Sections = sectionsPerLap;
        form.TimedFalseStartLaps = laps;
        form.TimedFalseStartSections = sections;
        QCOMPARE(ApplySettingsForm(form, settings), QString());
        QCOMPARE(settings.TimedFalseStart, stored);
    }

    void lapPenalties_data()
    {
        QTest::addColumn<QString>("falseStart");
        QTest::addColumn<QString>("noFinish");
        QTest::addColumn<int>("falseStartMs");
        QTest::addColumn<int>("noFinishMs");
        QTest::newRow("seconds") << "8"
                                 << "12" << 8000 << 12000;
        QTest::newRow("largest") << "2147483"
                                 << "0" << 2147483000 << 0;
        QTest::newRow("pasted negative") << "-3"
                                         << "-2147483648" << 0 << 0;
        QTest::newRow("empty") << ""
                               << "" << 0 << 0;
    }
    void lapPenalties()
    {
        QFETCH(QString, falseStart);
        QFETCH(QString, noFinish);
        QFETCH(int, falseStartMs);
        QFETCH(int, noFinishMs);
        TSettings settings;
        TSettingsForm form = SettingsFormOf(settings);
        form.LapFalseStart = falseStart;
        form.LapNoFinish = noFinish;
        QCOMPARE(ApplySettingsForm(form, settings), QString());
        QCOMPARE(settings.LapFalseStartMs, falseStartMs);
        QCOMPARE(settings.LapNoFinishMs, noFinishMs);
    }

    void separator_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<char>("stored");
        QTest::newRow("empty") << "" << ';';
        QTest::newRow("comma") << "," << ',';
        QTest::newRow("first character counts") << "|;" << '|';
        QTest::newRow("tab") << "\t" << '\t';
        QTest::newRow("Latin-1") << QString(QChar(0xA7)) << char(0xA7);
        QTest::newRow("not one byte") << QString(QChar(0x20AC)) << ';';
    }
    void separator()
    {
        QFETCH(QString, text);
        QFETCH(char, stored);
        TSettings settings;
        TSettingsForm form = SettingsFormOf(settings);
        form.Separator = text;
        QCOMPARE(ApplySettingsForm(form, settings), QString());
        QCOMPARE(settings.ExportSeparator, stored);
    }

    void tracksAccepted_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("tracks");
        for (int tracks = 1; tracks <= 4; ++tracks)
            QTest::addRow("%d", tracks) << QString::number(tracks) << tracks;
        QTest::newRow("blanks around") << " 2 " << 2;
    }
    void tracksAccepted()
    {
        QFETCH(QString, text);
        QFETCH(int, tracks);
        TSettings settings = OtherSettings();
        TSettingsForm form = SettingsFormOf(settings);
        form.Tracks = text;
        form.Rotation = RotationChoices(tracks).first();
        QCOMPARE(ApplySettingsForm(form, settings), QString());
        QCOMPARE(settings.Tracks, tracks);
    }

    void emptyFieldsShowZero()
    {
        TSettings settings;
        TSettingsForm form = SettingsFormOf(settings);
        form.Points[19].clear();
        form.BounceDelay.clear();
        form.SustainSensorRead.clear();
        form.PortAddress = QStringLiteral("$");  // stops at once
        QVERIFY(!ApplySettingsForm(form, settings).isEmpty());
        // Zeroed before the first field is taken, so the page shows them even
        // when the apply stopped.
        QCOMPARE(form.Points[19], QStringLiteral("0"));
        QCOMPARE(form.BounceDelay, QStringLiteral("0"));
        QCOMPARE(form.SustainSensorRead, QStringLiteral("0"));
        // Port Address and Tracks are never made up.
        form.PortAddress.clear();
        form.Tracks.clear();
        QCOMPARE(ApplySettingsForm(form, settings), ConversionErrorText(QString()));
        QCOMPARE(form.PortAddress, QString());
        QCOMPARE(form.Tracks, QString());
    }

    // A refused field stops the apply there: the fields before it are taken,
    // it and the ones after it keep their old values.
    void refusedFieldStopsTheApply_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("firstKept");
        QTest::newRow("port $") << "port"
                                << "$"
                                << "'$' is not a valid integer value"
                                << "port";
        QTest::newRow("port $XYZ") << "port"
                                   << "$XYZ"
                                   << "'$XYZ' is not a valid integer value"
                                   << "port";
        QTest::newRow("port letters") << "port"
                                      << "LPT1"
                                      << "'LPT1' is not a valid integer value"
                                      << "port";
        QTest::newRow("port empty") << "port"
                                    << ""
                                    << "'' is not a valid integer value"
                                    << "port";
        QTest::newRow("port beyond 32 bits") << "port"
                                             << "$100000000"
                                             << "'$100000000' is not a valid integer value"
                                             << "port";
        QTest::newRow("tracks 0") << "tracks"
                                  << "0"
                                  << "'0' is not a valid number of tracks (1..4)"
                                  << "tracks";
        QTest::newRow("tracks 5") << "tracks"
                                  << "5"
                                  << "'5' is not a valid number of tracks (1..4)"
                                  << "tracks";
        QTest::newRow("tracks letters") << "tracks"
                                        << "four"
                                        << "'four' is not a valid integer value"
                                        << "tracks";
        QTest::newRow("tracks empty") << "tracks"
                                      << ""
                                      << "'' is not a valid integer value"
                                      << "tracks";
        QTest::newRow("sections huge") << "sections"
                                       << "99999999999"
                                       << "'99999999999' is not a valid integer value"
                                       << "sections";
        QTest::newRow("bounce pasted") << "bounce"
                                       << "5 s"
                                       << "'5 s' is not a valid integer value"
                                       << "bounce";
        QTest::newRow("points 6") << "points6"
                                  << "99999999999"
                                  << "'99999999999' is not a valid integer value"
                                  << "points6";
        QTest::newRow("points 20") << "points20"
                                   << "1e3"
                                   << "'1e3' is not a valid integer value"
                                   << "points20";
        QTest::newRow("false start too long") << "lapFalseStart"
                                              << "2147484"
                                              << "'2147484' is too large: at most 2147483 seconds"
                                              << "lapFalseStart";
        QTest::newRow("no finish too long") << "noFinish"
                                            << "9999999"
                                            << "'9999999' is too large: at most 2147483 seconds"
                                            << "noFinish";
        QTest::newRow("sustain letters") << "sustain"
                                         << "half"
                                         << "'half' is not a valid integer value"
                                         << "sustain";
        QTest::newRow("timed laps too many") << "timedLaps"
                                             << "2147484"
                                             << "'2147484' is too large: at most 2147483 laps"
                                             << "timedFalseStart";
        QTest::newRow("timed sections letters") << "timedSections"
                                                << "x"
                                                << "'x' is not a valid integer value"
                                                << "timedFalseStart";
    }
    void refusedFieldStopsTheApply()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(QString, firstKept);
        const TSettings before = OtherSettings();
        const TSettings typed;  // every field differs from before
        TSettings settings = before;
        TSettingsForm form = SettingsFormOf(typed);
        FormField(form, field) = text;
        QCOMPARE(ApplySettingsForm(form, settings), message);
        const int kept = FieldNames.indexOf(firstKept);
        QVERIFY(kept >= 0);
        const QStringList now = Fields(settings);
        const QStringList taken = Fields(typed);
        const QStringList old = Fields(before);
        for (int i = 0; i < FieldNames.size(); ++i) {
            const QString expected = (i < kept ? taken : old).at(i);
            QVERIFY2(now.at(i) == expected,
                     qPrintable(QStringLiteral("%1: %2, expected %3").arg(FieldNames.at(i), now.at(i), expected)));
        }
    }
};

QTEST_MAIN(TestSettingsForm)
#include "tst_settingsform.moc"
