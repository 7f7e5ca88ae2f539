#include "common/MaskFile.h"
#include "common/Settings.h"

#include "support/TestSupport.h"
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <QtTest>

#include <algorithm>
#include <limits>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

constexpr int Size = TSettings::RecordSize;

void PutI32(QByteArray& b, int at, int64_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char(uint8_t(uint64_t(v) >> (8 * i)));
}

QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }

// A record as another copy of the program could have written it: every field
// off its default, booleans mixed, and the padding bytes not zero.
QByteArray HandBuiltRecord()
{
    QByteArray b(Size, char(0xA5));
    PutI32(b, 0, 0x278);
    b[4] = 1;
    PutI32(b, 8, 3);
    PutI32(b, 12, 250);
    PutI32(b, 16, 1234);
    b[20] = 0;
    PutI32(b, 24, 3);  // rotation 1 > 3 > 2
    PutI32(b, 28, 1);
    PutI32(b, 32, 2);
    PutI32(b, 36, 4);
    for (int p = 0; p < 20; ++p)
        PutI32(b, 40 + 4 * p, 100 + 3 * p);
    PutI32(b, 120, 3000);
    PutI32(b, 124, 15000);
    PutI32(b, 128, 2249);
    b[132] = 1;
    b[133] = 0;
    PutI32(b, 136, 750);
    for (int i = 0; i < 5; ++i) {
        PutI32(b, 140 + 4 * i, 0x00102030 + i);
        PutI32(b, 160 + 4 * i, 0x00405060 + i);
    }
    for (int i = 0; i < 8; ++i)
        b[180 + i] = char(i % 3 == 0 ? 0 : 1);
    PutI32(b, 188, 777);
    b[192] = 9;
    PutI32(b, 196, 4242);
    b[200] = ',';
    b[201] = 2;
    PutI32(b, 204, -40);
    PutI32(b, 208, 60);
    PutI32(b, 212, 1024);
    PutI32(b, 216, 768);
    return b;
}

QByteArray DefaultRecord() { return EncodeSettings(TSettings()); }

void WriteFile(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(contents), contents.size());
}

QByteArray FileContents(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Every value a reader of the record relies on being usable.
void VerifyInRange(const TSettings& s)
{
    QVERIFY(s.Tracks >= 1 && s.Tracks <= 4);
    QVERIFY(s.SectionsPerLap >= 0 && s.SectionsPerLap <= 1000);
    QVERIFY(s.BounceDelayMs >= 0);
    QVERIFY(s.SustainSensorReadMs >= 0);
    QVERIFY(s.LapFalseStartMs >= 0);
    QVERIFY(s.LapNoFinishMs >= 0);
    QVERIFY(s.TimedFalseStart >= 0);
    QVERIFY(s.TimedFalseStart % 1000 < std::max(s.SectionsPerLap, 1));
    for (int32_t n : s.TrackRotation)
        QVERIFY(n >= 1 && n <= 4);
    QVERIFY(s.WindowState <= 2);
    QVERIFY(s.WindowWidth >= 100);
    QVERIFY(s.WindowHeight >= 100);
    QVERIFY(s.ExportSeparator != '\0');
}

}  // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void init() { m_dir = std::make_unique<TTestWorkDir>(); }

    void defaults()
    {
        const TSettings s;
        QCOMPARE(s.PortAddress, 888);
        QCOMPARE(s.InvertedInput, false);
        QCOMPARE(s.Tracks, 4);
        QCOMPARE(s.SectionsPerLap, 100);
        QCOMPARE(s.BounceDelayMs, 5000);
        QCOMPARE(s.MultiplePowerSignals, true);
        QCOMPARE(s.TrackRotation, (std::array<int32_t, 4>{2, 3, 4, 1}));
        for (int p = 1; p <= 20; ++p)
            QCOMPARE(s.PlacePoints[p - 1], 21 - p);
        QCOMPARE(s.LapFalseStartMs, 8000);
        QCOMPARE(s.LapNoFinishMs, 12000);
        QCOMPARE(s.TimedFalseStart, 1000);
        QCOMPARE(s.EditResult, false);
        QCOMPARE(s.ShowTotals, true);
        QCOMPARE(s.SustainSensorReadMs, 500);
        QCOMPARE(s.Foreground, (std::array<uint32_t, 5>{0x000000FF, 0x0000FFFF, 0x00FFFF00, 0x0000FF00, 0x00C0C0C0}));
        QCOMPARE(s.Background, (std::array<uint32_t, 5>{0x000000D5, 0x0000D5D5, 0x00D5D500, 0x0000D500, 0x00C0C0C0}));
        for (bool on : s.Sounds)
            QVERIFY(on);
        QCOMPARE(s.Reserved188, 632);
        QCOMPARE(int(s.Reserved192), 0);
        QCOMPARE(s.Reserved196, 100);
        QCOMPARE(s.ExportSeparator, ';');
        QCOMPARE(int(s.WindowState), 0);
        QCOMPARE(s.WindowLeft, 2);
        QCOMPARE(s.WindowTop, 2);
        QCOMPARE(s.WindowWidth, 780);
        QCOMPARE(s.WindowHeight, 575);
        for (uint8_t byte : s.Image)
            QCOMPARE(int(byte), 0);
    }

    void loadDefaultsResetsEverything()
    {
        TSettings s;
        QVERIFY(DecodeSettings(HandBuiltRecord(), s));
        LoadDefaultSettings(s);
        QCOMPARE(EncodeSettings(s), DefaultRecord());
        for (uint8_t byte : s.Image)
            QCOMPARE(int(byte), 0);
    }

    void defaultBytes_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("port address") << 0 << Hex("78030000");
        QTest::newRow("inverted input + padding") << 4 << Hex("00000000");
        QTest::newRow("tracks") << 8 << Hex("04000000");
        QTest::newRow("sections") << 12 << Hex("64000000");
        QTest::newRow("bounce delay") << 16 << Hex("88130000");
        QTest::newRow("multiple power + padding") << 20 << Hex("01000000");
        QTest::newRow("rotation") << 24 << Hex("02000000030000000400000001000000");
        QTest::newRow("points place 1") << 40 << Hex("14000000");
        QTest::newRow("points place 20") << 116 << Hex("01000000");
        QTest::newRow("lap false start") << 120 << Hex("401f0000");
        QTest::newRow("no finish") << 124 << Hex("e02e0000");
        QTest::newRow("timed false start") << 128 << Hex("e8030000");
        QTest::newRow("edit result, totals, padding") << 132 << Hex("00010000");
        QTest::newRow("sustain") << 136 << Hex("f4010000");
        QTest::newRow("foreground 1") << 140 << Hex("ff000000");
        QTest::newRow("foreground 2") << 144 << Hex("ffff0000");
        QTest::newRow("foreground X") << 156 << Hex("c0c0c000");
        QTest::newRow("background 1") << 160 << Hex("d5000000");
        QTest::newRow("background 4") << 172 << Hex("00d50000");
        QTest::newRow("background X") << 176 << Hex("c0c0c000");
        QTest::newRow("sounds") << 180 << Hex("0101010101010101");
        QTest::newRow("reserved") << 188 << Hex("780200000000000064000000");
        QTest::newRow("separator, state, padding") << 200 << Hex("3b000000");
        QTest::newRow("geometry") << 204 << Hex("02000000020000000c0300003f020000");
    }
    void defaultBytes()
    {
        QFETCH(int, offset);
        QFETCH(QByteArray, bytes);
        const QByteArray record = DefaultRecord();
        QCOMPARE(record.size(), Size);
        QCOMPARE(record.mid(offset, bytes.size()).toHex(), bytes.toHex());
    }

    void decodeHandBuiltRecord()
    {
        const QByteArray record = HandBuiltRecord();
        TSettings s;
        QVERIFY(DecodeSettings(record, s));
        QCOMPARE(s.PortAddress, 0x278);
        QCOMPARE(s.InvertedInput, true);
        QCOMPARE(s.Tracks, 3);
        QCOMPARE(s.SectionsPerLap, 250);
        QCOMPARE(s.BounceDelayMs, 1234);
        QCOMPARE(s.MultiplePowerSignals, false);
        QCOMPARE(s.TrackRotation, (std::array<int32_t, 4>{3, 1, 2, 4}));
        for (int p = 0; p < 20; ++p)
            QCOMPARE(s.PlacePoints[p], 100 + 3 * p);
        QCOMPARE(s.LapFalseStartMs, 3000);
        QCOMPARE(s.LapNoFinishMs, 15000);
        QCOMPARE(s.TimedFalseStart, 2249);
        QCOMPARE(s.EditResult, true);
        QCOMPARE(s.ShowTotals, false);
        QCOMPARE(s.SustainSensorReadMs, 750);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(s.Foreground[i], uint32_t(0x00102030 + i));
            QCOMPARE(s.Background[i], uint32_t(0x00405060 + i));
        }
        for (int i = 0; i < 8; ++i)
            QCOMPARE(s.Sounds[i], i % 3 != 0);
        QCOMPARE(s.Reserved188, 777);
        QCOMPARE(int(s.Reserved192), 9);
        QCOMPARE(s.Reserved196, 4242);
        QCOMPARE(s.ExportSeparator, ',');
        QCOMPARE(int(s.WindowState), 2);
        QCOMPARE(s.WindowLeft, -40);
        QCOMPARE(s.WindowTop, 60);
        QCOMPARE(s.WindowWidth, 1024);
        QCOMPARE(s.WindowHeight, 768);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(s.Image.data()), Size), record);
    }

    void encodeCarriesPadding()
    {
        const QByteArray record = HandBuiltRecord();
        TSettings s;
        QVERIFY(DecodeSettings(record, s));
        QCOMPARE(EncodeSettings(s).toHex(), record.toHex());

        // A changed field lands at its offset; the padding stays as read.
        s.Tracks = 2;
        const QByteArray changed = EncodeSettings(s);
        QCOMPARE(changed.mid(8, 4).toHex(), Hex("02000000").toHex());
        QCOMPARE(changed.left(8), record.left(8));
        QCOMPARE(changed.mid(12), record.mid(12));
    }

    void nonzeroByteIsTrue()
    {
        QByteArray record = DefaultRecord();
        record[4] = char(0x80);
        record[133] = 0;
        TSettings s;
        QVERIFY(DecodeSettings(record, s));
        QVERIFY(s.InvertedInput);
        QVERIFY(!s.ShowTotals);
        QCOMPARE(int(EncodeSettings(s)[4]), 1);
    }

    void decodeRejectsWrongSize_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("empty") << 0;
        QTest::newRow("one short") << Size - 1;
        QTest::newRow("one long") << Size + 1;
    }
    void decodeRejectsWrongSize()
    {
        QFETCH(int, size);
        TSettings s;
        s.Tracks = 2;
        QVERIFY(!DecodeSettings(HandBuiltRecord().leftJustified(size, '\0', true), s));
        QCOMPARE(s.Tracks, 2);
        QCOMPARE(EncodeSettings(s).mid(12), DefaultRecord().mid(12));
    }

    // One field of a default record patched; the values that other parts use
    // as counts, indexes or durations come out usable.
    void rangeClamping_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("size");
        QTest::addColumn<qint64>("raw");
        QTest::addColumn<int>("readOffset");
        QTest::addColumn<QByteArray>("expected");
        const int intMin = std::numeric_limits<int32_t>::min();
        QTest::newRow("tracks 0") << 8 << 4 << qint64(0) << 8 << Hex("01000000");
        QTest::newRow("tracks 9") << 8 << 4 << qint64(9) << 8 << Hex("04000000");
        QTest::newRow("tracks negative") << 8 << 4 << qint64(intMin) << 8 << Hex("01000000");
        QTest::newRow("tracks 1 kept") << 8 << 4 << qint64(1) << 8 << Hex("01000000");
        QTest::newRow("sections 5000") << 12 << 4 << qint64(5000) << 12 << Hex("e8030000");
        QTest::newRow("sections 1000 kept") << 12 << 4 << qint64(1000) << 12 << Hex("e8030000");
        QTest::newRow("sections negative") << 12 << 4 << qint64(-1) << 12 << Hex("00000000");
        QTest::newRow("bounce delay negative") << 16 << 4 << qint64(-1) << 16 << Hex("00000000");
        QTest::newRow("lap false start negative") << 120 << 4 << qint64(intMin) << 120 << Hex("00000000");
        QTest::newRow("no finish negative") << 124 << 4 << qint64(-12000) << 124 << Hex("00000000");
        QTest::newRow("sustain negative") << 136 << 4 << qint64(-500) << 136 << Hex("00000000");
        QTest::newRow("timed false start negative") << 128 << 4 << qint64(-1000) << 128 << Hex("00000000");
        QTest::newRow("timed false start 1.150 at S 100") << 128 << 4 << qint64(1150) << 128 << Hex("4b040000");
        QTest::newRow("timed false start 2.099 kept") << 128 << 4 << qint64(2099) << 128 << Hex("33080000");
        QTest::newRow("window state 3") << 201 << 1 << qint64(3) << 201 << Hex("00");
        QTest::newRow("window state 255") << 201 << 1 << qint64(255) << 201 << Hex("00");
        QTest::newRow("window state 1 kept") << 201 << 1 << qint64(1) << 201 << Hex("01");
        QTest::newRow("width 50") << 212 << 4 << qint64(50) << 212 << Hex("0c030000");
        QTest::newRow("width 100 kept") << 212 << 4 << qint64(100) << 212 << Hex("64000000");
        QTest::newRow("width negative") << 212 << 4 << qint64(-780) << 212 << Hex("0c030000");
        QTest::newRow("height 0") << 216 << 4 << qint64(0) << 216 << Hex("3f020000");
        QTest::newRow("height huge") << 216 << 4 << qint64(1000000) << 216 << Hex("3f020000");
        QTest::newRow("left far off") << 204 << 4 << qint64(intMin) << 204 << Hex("02000000");
        QTest::newRow("left negative kept") << 204 << 4 << qint64(-300) << 204 << Hex("d4feffff");
        QTest::newRow("separator NUL") << 200 << 1 << qint64(0) << 200 << Hex("3b");
        QTest::newRow("separator LF") << 200 << 1 << qint64('\n') << 200 << Hex("3b");
        QTest::newRow("separator CR") << 200 << 1 << qint64('\r') << 200 << Hex("3b");
        QTest::newRow("separator tab kept") << 200 << 1 << qint64('\t') << 200 << Hex("09");
        QTest::newRow("port address any") << 0 << 4 << qint64(0x3bc) << 0 << Hex("bc030000");
        QTest::newRow("points negative kept") << 40 << 4 << qint64(-5) << 40 << Hex("fbffffff");
    }
    void rangeClamping()
    {
        QFETCH(int, offset);
        QFETCH(int, size);
        QFETCH(qint64, raw);
        QFETCH(int, readOffset);
        QFETCH(QByteArray, expected);
        QByteArray record = DefaultRecord();
        if (size == 1)
            record[offset] = char(uint8_t(raw));
        else
            PutI32(record, offset, raw);
        TSettings s;
        QVERIFY(DecodeSettings(record, s));
        VerifyInRange(s);
        QCOMPARE(EncodeSettings(s).mid(readOffset, expected.size()).toHex(), expected.toHex());
        // The record as read stays in the image, whatever was corrected.
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(s.Image.data()), Size), record);
    }

    void timedFalseStartFollowsSections_data()
    {
        QTest::addColumn<int>("sections");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("S 0 forces 0 sections") << 0 << 1050 << 1000;
        QTest::newRow("S 10") << 10 << 3050 << 3009;
        QTest::newRow("S 1000") << 1000 << 3999 << 3999;
        QTest::newRow("S clamped to 1000 first") << 5000 << 3999 << 3999;
        QTest::newRow("S 1") << 1 << 3005 << 3000;
    }
    void timedFalseStartFollowsSections()
    {
        QFETCH(int, sections);
        QFETCH(int, stored);
        QFETCH(int, expected);
        QByteArray record = DefaultRecord();
        PutI32(record, 12, sections);
        PutI32(record, 128, stored);
        TSettings s;
        QVERIFY(DecodeSettings(record, s));
        QCOMPARE(s.TimedFalseStart, expected);
    }

    void rotation_data()
    {
        QTest::addColumn<int>("tracks");
        QTest::addColumn<QList<int>>("stored");
        QTest::addColumn<QList<int>>("expected");
        const QList<int> def{2, 3, 4, 1};
        QTest::newRow("default") << 4 << def << def;
        QTest::newRow("1 > 3 > 2") << 3 << QList<int>{3, 1, 2, 4} << QList<int>{3, 1, 2, 4};
        QTest::newRow("1 > 4 > 3 > 2") << 4 << QList<int>{4, 1, 2, 3} << QList<int>{4, 1, 2, 3};
        QTest::newRow("default on 2 tracks") << 2 << def << def;
        QTest::newRow("one track") << 1 << QList<int>{1, 1, 1, 1} << QList<int>{1, 1, 1, 1};
        QTest::newRow("entry 0") << 4 << QList<int>{0, 3, 4, 1} << def;
        QTest::newRow("entry 5") << 4 << QList<int>{2, 3, 4, 5} << def;
        QTest::newRow("entry far negative") << 4 << QList<int>{2, std::numeric_limits<int32_t>::min(), 4, 1} << def;
        QTest::newRow("unused entry out of range") << 2 << QList<int>{2, 1, 7, 1} << def;
        QTest::newRow("walk repeats a track") << 4 << QList<int>{2, 1, 4, 3} << def;
        QTest::newRow("walk leaves the tracks") << 2 << QList<int>{3, 1, 1, 1} << def;
        QTest::newRow("walk stays on 1") << 3 << QList<int>{1, 3, 2, 1} << def;
        QTest::newRow("checked after tracks clamp") << 9 << QList<int>{2, 1, 4, 3} << def;
    }
    void rotation()
    {
        QFETCH(int, tracks);
        QFETCH(QList<int>, stored);
        QFETCH(QList<int>, expected);
        QByteArray record = DefaultRecord();
        PutI32(record, 8, tracks);
        for (int i = 0; i < 4; ++i)
            PutI32(record, 24 + 4 * i, stored[i]);
        TSettings s;
        QVERIFY(DecodeSettings(record, s));
        for (int i = 0; i < 4; ++i)
            QCOMPARE(s.TrackRotation[i], expected[i]);
    }

    void randomRecordsComeOutUsable()
    {
        QRandomGenerator random(20240611);
        for (int round = 0; round < 500; ++round) {
            QByteArray record(Size, '\0');
            for (char& c : record)
                c = char(random.bounded(256));
            TSettings s;
            QVERIFY(DecodeSettings(record, s));
            VerifyInRange(s);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("record %1").arg(QString::fromLatin1(record.toHex()))));
        }
    }

    void readSettingsFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("read");
        QTest::newRow("missing") << "missing" << false;
        QTest::newRow("empty") << "empty" << false;
        QTest::newRow("one byte short") << "short" << false;
        QTest::newRow("exact record") << "exact" << true;
        // The settings are one record and nothing else: a longer file, or
        // bytes that no settings record holds, are no settings.
        QTest::newRow("longer file") << "long" << false;
        QTest::newRow("random bytes") << "random" << false;
        QTest::newRow("yes/no byte 2") << "flag 2" << false;
        QTest::newRow("sound switch 255") << "sound 255" << false;
        QTest::newRow("5 tracks") << "tracks 5" << false;
        QTest::newRow("1001 sections") << "sections 1001" << false;
        QTest::newRow("window state 3") << "state 3" << false;
        QTest::newRow("folder named KOBA.ini") << "folder" << false;
    }
    void readSettingsFile()
    {
        QFETCH(QString, kind);
        QFETCH(bool, read);
        const QString path = SettingsFilePath(m_dir->Path());
        const QByteArray record = HandBuiltRecord();
        if (kind == QLatin1String("empty"))
            WriteFile(path, {});
        else if (kind == QLatin1String("short"))
            WriteFile(path, record.left(Size - 1));
        else if (kind == QLatin1String("exact"))
            WriteFile(path, record);
        else if (kind == QLatin1String("long"))
            WriteFile(path, record + DefaultRecord() + QByteArray(37, 'x'));
        else if (kind == QLatin1String("flag 2"))
            WriteFile(path, QByteArray(record).replace(133, 1, "\x02"));
        else if (kind == QLatin1String("sound 255"))
            WriteFile(path, QByteArray(record).replace(187, 1, "\xff"));
        else if (kind == QLatin1String("tracks 5"))
            WriteFile(path, QByteArray(record).replace(8, 4, QByteArray::fromHex("05000000")));
        else if (kind == QLatin1String("sections 1001"))
            WriteFile(path, QByteArray(record).replace(12, 4, QByteArray::fromHex("e9030000")));
        else if (kind == QLatin1String("state 3"))
            WriteFile(path, QByteArray(record).replace(201, 1, "\x03"));
        else if (kind == QLatin1String("random")) {
            QByteArray garbage(Size, '\0');
            QRandomGenerator random(7);
            for (char& c : garbage)
                c = char(random.bounded(256));
            WriteFile(path, garbage);
        } else if (kind == QLatin1String("folder"))
            QVERIFY(QDir(m_dir->Path()).mkdir(QStringLiteral("KOBA.ini")));

        TSettings s;
        QVERIFY(DecodeSettings(HandBuiltRecord(), s));  // something other than the defaults
        s.Tracks = 1;
        TSensorMasks masks;
        masks.Xor = 99;
        QCOMPARE(ReadSettings(s, masks, m_dir->Path()), read);
        QCOMPARE(EncodeSettings(s).toHex(), (read ? record : DefaultRecord()).toHex());
        // The masks are read afterwards either way, from the settings just loaded.
        QCOMPARE(int(masks.Xor), s.InvertedInput ? 255 : 0);
        QVERIFY(!masks.MaskFileUsed);
    }

    void readSettingsReadsMaskFileAfterwards_data()
    {
        QTest::addColumn<bool>("withSettings");
        QTest::newRow("settings read") << true;
        QTest::newRow("defaults loaded") << false;
    }
    void readSettingsReadsMaskFileAfterwards()
    {
        QFETCH(bool, withSettings);
        if (withSettings)
            WriteFile(SettingsFilePath(m_dir->Path()), HandBuiltRecord());
        WriteFile(MaskFilePath(m_dir->Path()), "1\n2\n4\n128\n17\n");
        TSettings s;
        TSensorMasks masks;
        QCOMPARE(ReadSettings(s, masks, m_dir->Path()), withSettings);
        QVERIFY(masks.MaskFileUsed);
        QCOMPARE(masks.Mask, (std::array<uint8_t, 4>{1, 2, 4, 128}));
        QCOMPARE(int(masks.Xor), 17);
    }

    void writeThenReadRoundTrips()
    {
        TSettings written;
        QVERIFY(DecodeSettings(HandBuiltRecord(), written));
        written.SectionsPerLap = 40;
        written.TimedFalseStart = 1039;
        written.ExportSeparator = '\t';
        TSensorMasks masks;
        QVERIFY(WriteSettings(written, masks, m_dir->Path()));
        const QByteArray onDisk = FileContents(SettingsFilePath(m_dir->Path()));
        QCOMPARE(onDisk.size(), Size);
        QCOMPARE(onDisk, EncodeSettings(written));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(written.Image.data()), Size), onDisk);

        TSettings read;
        QVERIFY(ReadSettings(read, masks, m_dir->Path()));
        QCOMPARE(EncodeSettings(read), onDisk);
        QCOMPARE(read.SectionsPerLap, 40);
        QCOMPARE(read.TimedFalseStart, 1039);
        QCOMPARE(read.ExportSeparator, '\t');
    }

    void writeTruncatesLongerFile()
    {
        const QString path = SettingsFilePath(m_dir->Path());
        WriteFile(path, QByteArray(1000, 'z'));
        TSettings s;
        TSensorMasks masks;
        QVERIFY(WriteSettings(s, masks, m_dir->Path()));
        QCOMPARE(FileContents(path), DefaultRecord());
        QCOMPARE(QDir(m_dir->Path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("KOBA.ini")});
    }

    void writeReadsMaskFileAfterwards()
    {
        WriteFile(MaskFilePath(m_dir->Path()), "1\n2\n4\n128\n17\n");
        TSettings s;
        s.InvertedInput = true;
        TSensorMasks masks;
        QVERIFY(WriteSettings(s, masks, m_dir->Path()));
        QVERIFY(masks.MaskFileUsed);
        QCOMPARE(int(masks.Xor), 17);

        // Without the file the masks follow the Inverted Input just saved.
        QVERIFY(QFile::remove(MaskFilePath(m_dir->Path())));
        QVERIFY(WriteSettings(s, masks, m_dir->Path()));
        QVERIFY(!masks.MaskFileUsed);
        QCOMPARE(int(masks.Xor), 255);
    }

    void writeIntoMissingFolderFails()
    {
        const QString folder = m_dir->File(QStringLiteral("no/such/folder"));
        TSettings s;
        s.InvertedInput = true;
        s.Image.fill(0x11);
        TSensorMasks masks;
        QVERIFY(!WriteSettings(s, masks, folder));
        QVERIFY(!QFile::exists(SettingsFilePath(folder)));
        // The mask file is read whether or not the write succeeded.
        QCOMPARE(int(masks.Xor), 255);
        // A failed write does not claim the record as written.
        QCOMPARE(int(s.Image[5]), 0x11);
    }

    void writeIntoUnwritableFolderKeepsOldFile()
    {
#ifdef Q_OS_UNIX
        if (RerunUnprivileged("writeIntoUnwritableFolderKeepsOldFile"))
            return;
        const QString folder = m_dir->File(QStringLiteral("locked"));
        QVERIFY(QDir(m_dir->Path()).mkdir(QStringLiteral("locked")));
        const QByteArray old = HandBuiltRecord();
        WriteFile(SettingsFilePath(folder), old);
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        const bool locked = !QFile(folder + QStringLiteral("/probe")).open(QIODevice::WriteOnly);
        QFile::remove(folder + QStringLiteral("/probe"));
        if (locked) {
            TSettings s;
            TSensorMasks masks;
            const bool written = WriteSettings(s, masks, folder);
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
            QVERIFY(!written);
            QCOMPARE(FileContents(SettingsFilePath(folder)), old);
        } else {
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
            QSKIP("folder permissions do not bind this user (root); the write-failure test below covers it");
        }
#else
        QSKIP("needs Unix folder permissions");
#endif
    }

    // A write that fails half-way (disk full, file size limit) must leave the
    // previous KOBA.ini as it was, not a short record that the next start
    // would refuse, and must say so.
    void failedWriteKeepsOldFile()
    {
#ifdef Q_OS_UNIX
        const QString path = SettingsFilePath(m_dir->Path());
        const QByteArray old = HandBuiltRecord();
        WriteFile(path, old);

        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 100;  // less than one record
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        TSettings s;
        TSensorMasks masks;
        const bool written = WriteSettings(s, masks, m_dir->Path());
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, savedHandler);

        QVERIFY(!written);
        QCOMPARE(FileContents(path), old);
        QCOMPARE(QDir(m_dir->Path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("KOBA.ini")});
#else
        QSKIP("needs a file size limit");
#endif
    }

    void pathIsInTheFolder()
    {
        QCOMPARE(SettingsFilePath(QStringLiteral("/some/folder")), QStringLiteral("/some/folder/KOBA.ini"));
        // No folder means the working directory.
        QCOMPARE(QFileInfo(SettingsFilePath(QString())).absoluteFilePath(),
                 QDir::current().absoluteFilePath(QStringLiteral("KOBA.ini")));
    }

private:
    std::unique_ptr<TTestWorkDir> m_dir;
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
