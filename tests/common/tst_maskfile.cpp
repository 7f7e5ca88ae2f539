#include "common/MaskFile.h"
#include "common/Settings.h"

#include "support/TestSupport.h"
#include <QDir>
#include <QFile>

#include <QtTest>

#include <array>

using Masks = std::array<int, 5>;  // masks 1..4, then the XOR byte
Q_DECLARE_METATYPE(Masks)

class TestMaskFile : public QObject {
    Q_OBJECT

private slots:
    void init() { m_dir = std::make_unique<TTestWorkDir>(); }

    void absentFileGivesDefaults_data()
    {
        QTest::addColumn<bool>("inverted");
        QTest::addColumn<int>("xorByte");
        QTest::newRow("not inverted") << false << 0;
        QTest::newRow("inverted") << true << 255;
    }
    void absentFileGivesDefaults()
    {
        QFETCH(bool, inverted);
        QFETCH(int, xorByte);
        TSettings settings;
        settings.InvertedInput = inverted;
        TSensorMasks masks;
        masks.Mask = {1, 2, 3, 4};  // stale values from an earlier read
        masks.Xor = 77;
        masks.MaskFileUsed = true;
        ReadMaskFile(settings, masks, m_dir->Path());
        QCOMPARE(masks.Mask, (std::array<uint8_t, 4>{8, 16, 32, 64}));
        QCOMPARE(int(masks.Xor), xorByte);
        QVERIFY(!masks.MaskFileUsed);
    }

    void fileContents_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("inverted");
        QTest::addColumn<Masks>("expected");
        QTest::newRow("five values") << QByteArray("1\n2\n4\n128\n255\n") << false << Masks{1, 2, 4, 128, 255};
        // The file's XOR value rules over the Inverted Input setting.
        QTest::newRow("xor 0 overrides inverted")
            << QByteArray("8\n16\n32\n64\n0\n") << true << Masks{8, 16, 32, 64, 0};
        QTest::newRow("CR LF") << QByteArray("1\r\n2\r\n4\r\n128\r\n7\r\n") << false << Masks{1, 2, 4, 128, 7};
        QTest::newRow("no final line end") << QByteArray("1\n2\n4\n128\n7") << false << Masks{1, 2, 4, 128, 7};
        QTest::newRow("blanks around") << QByteArray("  1 \n\t2\n4  \n128\n 7\n") << false << Masks{1, 2, 4, 128, 7};
        QTest::newRow("low 8 bits") << QByteArray("256\n257\n511\n4104\n65535\n") << false << Masks{0, 1, 255, 8, 255};
        QTest::newRow("negative is two's complement")
            << QByteArray("-1\n-256\n-255\n1\n-2\n") << false << Masks{255, 0, 1, 1, 254};
        QTest::newRow("hexadecimal") << QByteArray("$8\n$10\n$20\n$40\n$FF\n") << false << Masks{8, 16, 32, 64, 255};
        QTest::newRow("lines after the fifth ignored")
            << QByteArray("1\n2\n3\n4\n5\n6\n7\n") << false << Masks{1, 2, 3, 4, 5};
        // Malformed lines keep their default and do not shift the others.
        QTest::newRow("malformed mask") << QByteArray("1\nabc\n4\n128\n7\n") << false << Masks{1, 16, 4, 128, 7};
        QTest::newRow("malformed xor, inverted") << QByteArray("1\n2\n4\n128\nx\n") << true << Masks{1, 2, 4, 128, 255};
        QTest::newRow("empty line") << QByteArray("1\n\n4\n128\n7\n") << false << Masks{1, 16, 4, 128, 7};
        QTest::newRow("number with junk") << QByteArray("12abc\n2\n4\n128\n7\n") << false << Masks{8, 2, 4, 128, 7};
        QTest::newRow("too large for 64 bits")
            << QByteArray("99999999999999999999999\n2\n4\n128\n7\n") << false << Masks{8, 2, 4, 128, 7};
        QTest::newRow("overlong line skipped whole")
            << QByteArray(QByteArray(200, '1') + "\n2\n4\n128\n7\n") << false << Masks{8, 2, 4, 128, 7};
        QTest::newRow("short file") << QByteArray("1\n2\n") << true << Masks{1, 2, 32, 64, 255};
        QTest::newRow("empty file") << QByteArray() << false << Masks{8, 16, 32, 64, 0};
        QTest::newRow("binary garbage") << QByteArray("\x00\xff\x13\n\x01", 5) << false << Masks{8, 16, 32, 64, 0};
    }
    void fileContents()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, inverted);
        QFETCH(Masks, expected);
        QFile file(MaskFilePath(m_dir->Path()));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(contents), contents.size());
        file.close();

        TSettings settings;
        settings.InvertedInput = inverted;
        TSensorMasks masks;
        ReadMaskFile(settings, masks, m_dir->Path());
        const Masks actual{masks.Mask[0], masks.Mask[1], masks.Mask[2], masks.Mask[3], masks.Xor};
        QCOMPARE(actual, expected);
        // Once the file opens it is in use, whatever its lines hold.
        QVERIFY(masks.MaskFileUsed);
    }

    void unreadableFileIsNotUsed()
    {
        // A folder of that name cannot be opened as a file.
        QVERIFY(QDir(m_dir->Path()).mkdir(QStringLiteral("KOBA.msk")));
        TSettings settings;
        settings.InvertedInput = true;
        TSensorMasks masks;
        ReadMaskFile(settings, masks, m_dir->Path());
        QVERIFY(!masks.MaskFileUsed);
        QCOMPARE(int(masks.Xor), 255);
    }

    void pathIsInTheFolder()
    {
        QCOMPARE(MaskFilePath(QStringLiteral("/some/folder")), QStringLiteral("/some/folder/KOBA.msk"));
    }

private:
    std::unique_ptr<TTestWorkDir> m_dir;
};

QTEST_GUILESS_MAIN(TestMaskFile)
#include "tst_maskfile.moc"
