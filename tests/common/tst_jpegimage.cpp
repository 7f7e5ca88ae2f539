#include "common/JpegImage.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <functional>
#include <vector>

#include <unistd.h>

#include <jpeglib.h>

#ifndef KOBALAP_RESOURCE_DIR
#error "KOBALAP_RESOURCE_DIR must name the resources folder"
#endif

namespace {

// Test pictures are made with libjpeg's own encoder so that the tests do not
// depend on which Qt image plugins happen to be installed, and so that
// grayscale and CMYK files can be made at all.
enum class Layout { Rgb, Gray, AdobeCmyk };

QByteArray EncodeJpeg(int width, int height, Layout layout, const std::function<void(int x, int y, JSAMPLE* px)>& pixel,
                      bool progressive = false, const std::vector<jpeg_scan_info>& script = {})
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = layout == Layout::Gray ? 1 : layout == Layout::Rgb ? 3 : 4;
    cinfo.in_color_space = layout == Layout::Gray ? JCS_GRAYSCALE : layout == Layout::Rgb ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    if (progressive)
        jpeg_simple_progression(&cinfo);
    if (!script.empty()) {
        cinfo.scan_info = script.data();
        cinfo.num_scans = int(script.size());
    }
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(size_t(width) * size_t(cinfo.input_components));
    while (cinfo.next_scanline < cinfo.image_height) {
        for (int x = 0; x < width; ++x)
            pixel(x, int(cinfo.next_scanline), &row[size_t(x) * size_t(cinfo.input_components)]);
        JSAMPROW rowPtr = row.data();
        jpeg_write_scanlines(&cinfo, &rowPtr, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray result(reinterpret_cast<const char*>(buffer), qsizetype(size));
    free(buffer);
    return result;
}

QByteArray SolidRgbJpeg(int width, int height, QColor colour, bool progressive = false)
{
    return EncodeJpeg(
        width, height, Layout::Rgb,
        [&](int, int, JSAMPLE* px) {
            px[0] = JSAMPLE(colour.red());
            px[1] = JSAMPLE(colour.green());
            px[2] = JSAMPLE(colour.blue());
        },
        progressive);
}

// Left half red, right half blue: a decoder that swaps channels, rows or
// columns gets at least one of the two probes wrong.
QByteArray SplitJpeg(int width, int height)
{
    return EncodeJpeg(width, height, Layout::Rgb, [&](int x, int, JSAMPLE* px) {
        const bool left = x < width / 2;
        px[0] = left ? 220 : 20;
        px[1] = 30;
        px[2] = left ? 20 : 220;
    });
}

// A legal progressive script with as many scans as libjpeg allows: every AC
// coefficient of every component sent on its own, then refined bit by bit.
// One component gives 694 scans, three give 2080.
std::vector<jpeg_scan_info> ManyScans(int components)
{
    std::vector<jpeg_scan_info> script;
    jpeg_scan_info dc{};
    dc.comps_in_scan = components;
    for (int c = 0; c < components; ++c)
        dc.component_index[c] = c;
    script.push_back(dc);
    for (int c = 0; c < components; ++c) {
        for (int k = 1; k < 64; ++k) {
            for (int ah = 0; ah <= 10; ++ah) {
                jpeg_scan_info ac{};
                ac.comps_in_scan = 1;
                ac.component_index[0] = c;
                ac.Ss = ac.Se = k;
                ac.Ah = ah == 0 ? 0 : 11 - ah;
                ac.Al = 10 - ah;
                script.push_back(ac);
            }
        }
    }
    return script;
}

bool Near(QColor a, QColor b, int tolerance = 12)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

QString Describe(QColor c) { return QStringLiteral("(%1,%2,%3)").arg(c.red()).arg(c.green()).arg(c.blue()); }

// Overwrites the frame size in the first SOF0/SOF2 marker segment.
QByteArray WithFrameSize(QByteArray jpeg, int width, int height)
{
    for (qsizetype i = 2; i + 8 < jpeg.size(); ++i) {
        const auto marker = uchar(jpeg[i + 1]);
        if (uchar(jpeg[i]) == 0xFF && (marker == 0xC0 || marker == 0xC2)) {
            jpeg[i + 5] = char(height >> 8);
            jpeg[i + 6] = char(height & 0xFF);
            jpeg[i + 7] = char(width >> 8);
            jpeg[i + 8] = char(width & 0xFF);
            return jpeg;
        }
    }
    return {};
}

// Offset of the entropy-coded data: just behind the SOS segment.
qsizetype ScanDataOffset(const QByteArray& jpeg)
{
    for (qsizetype i = 2; i + 3 < jpeg.size(); ++i)
        if (uchar(jpeg[i]) == 0xFF && uchar(jpeg[i + 1]) == 0xDA)
            return i + 2 + ((uchar(jpeg[i + 2]) << 8) | uchar(jpeg[i + 3]));
    return -1;
}

}  // namespace

class TstJpegImage : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString WriteFile(const QString& name, const QByteArray& bytes)
    {
        QFile f(m_dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return {};
        return f.fileName();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir::setCurrent(m_dir.path()));
    }

    void logoHasTheInfoPageSize()
    {
        QString error = QStringLiteral("stale");
        const QImage logo = DecodeJpegFile(QStringLiteral(KOBALAP_RESOURCE_DIR "/logo.jpg"), &error);
        QVERIFY2(!logo.isNull(), qPrintable(error));
        QCOMPARE(logo.size(), QSize(419, 259));
        QVERIFY(error.isEmpty());
        // A real picture, not a flat fill.
        QVERIFY(logo.pixelColor(5, 5) != logo.pixelColor(209, 129));
    }

    void roundTrip_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<bool>("progressive");
        QTest::newRow("one pixel") << 1 << 1 << QColor(200, 30, 40) << false;
        QTest::newRow("odd size, not a multiple of the block size") << 37 << 23 << QColor(30, 90, 200) << false;
        QTest::newRow("wide and flat") << 1000 << 3 << QColor(40, 180, 60) << false;
        QTest::newRow("tall and thin") << 2 << 700 << QColor(250, 250, 250) << false;
        QTest::newRow("progressive") << 64 << 48 << QColor(128, 0, 128) << true;
    }

    void roundTrip()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QColor, colour);
        QFETCH(bool, progressive);
        QString error;
        const QImage image = DecodeJpegData(SolidRgbJpeg(width, height, colour, progressive), &error);
        QVERIFY2(!image.isNull(), qPrintable(error));
        QCOMPARE(image.size(), QSize(width, height));
        for (const QPoint p : {QPoint(0, 0), QPoint(width - 1, height - 1), QPoint(width / 2, height / 2)})
            QVERIFY2(Near(image.pixelColor(p), colour), qPrintable(Describe(image.pixelColor(p))));
    }

    void keepsChannelsAndOrientation()
    {
        const QImage image = DecodeJpegData(SplitJpeg(64, 32));
        QVERIFY(!image.isNull());
        QVERIFY2(Near(image.pixelColor(8, 16), QColor(220, 30, 20)), qPrintable(Describe(image.pixelColor(8, 16))));
        QVERIFY2(Near(image.pixelColor(56, 16), QColor(20, 30, 220)), qPrintable(Describe(image.pixelColor(56, 16))));
    }

    void readsWhatQtWrites()
    {
        if (!QImageWriter::supportedImageFormats().contains("jpeg"))
            QSKIP("Qt has no JPEG writer here; libjpeg-made files cover the decoder");
        QImage source(40, 30, QImage::Format_RGB32);
        source.fill(QColor(10, 120, 230));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QVERIFY(source.save(&buffer, "JPG", 95));
        const QImage image = DecodeJpegData(bytes);
        QCOMPARE(image.size(), source.size());
        QVERIFY2(Near(image.pixelColor(20, 15), QColor(10, 120, 230)), qPrintable(Describe(image.pixelColor(20, 15))));
    }

    void grayscale()
    {
        const QByteArray jpeg =
            EncodeJpeg(33, 17, Layout::Gray, [](int x, int, JSAMPLE* px) { *px = x < 16 ? 40 : 200; });
        QString error;
        const QImage image = DecodeJpegData(jpeg, &error);
        QVERIFY2(!image.isNull(), qPrintable(error));
        QCOMPARE(image.size(), QSize(33, 17));
        QVERIFY2(Near(image.pixelColor(4, 8), QColor(40, 40, 40)), qPrintable(Describe(image.pixelColor(4, 8))));
        QVERIFY2(Near(image.pixelColor(30, 8), QColor(200, 200, 200)), qPrintable(Describe(image.pixelColor(30, 8))));
    }

    void adobeCmyk()
    {
        // Adobe stores CMYK inverted: 255 means no ink. No cyan, full magenta
        // and yellow, no black is red.
        const QByteArray jpeg = EncodeJpeg(16, 16, Layout::AdobeCmyk, [](int, int, JSAMPLE* px) {
            px[0] = 255;
            px[1] = 0;
            px[2] = 0;
            px[3] = 255;
        });
        QString error;
        const QImage image = DecodeJpegData(jpeg, &error);
        QVERIFY2(!image.isNull(), qPrintable(error));
        QVERIFY2(Near(image.pixelColor(8, 8), QColor(255, 0, 0)), qPrintable(Describe(image.pixelColor(8, 8))));
    }

    void badDataGivesNullImageAndReason_data()
    {
        QTest::addColumn<QByteArray>("data");
        const QByteArray good = SplitJpeg(64, 64);
        const qsizetype scan = ScanDataOffset(good);
        QVERIFY(scan > 0 && scan < good.size() - 10);

        // An end-of-image marker halfway through the pixels.
        QByteArray corrupted = good;
        const qsizetype middle = scan + (good.size() - scan) / 2;
        corrupted[middle] = char(0xFF);
        corrupted[middle + 1] = char(0xD9);

        const QByteArray zeroWidth = WithFrameSize(good, 0, 64);
        const QByteArray tooWide = WithFrameSize(good, JpegMaxSide + 1, 64);
        const QByteArray tooTall = WithFrameSize(good, 64, 65535);
        QVERIFY(!zeroWidth.isEmpty() && !tooWide.isEmpty() && !tooTall.isEmpty());

        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not a jpeg") << QByteArray("This is plain text, not a picture at all.\n");
        QTest::newRow("start marker only") << good.left(2);
        QTest::newRow("headers without image data") << good.left(scan);
        QTest::newRow("cut in the middle of the image data") << good.left(scan + (good.size() - scan) / 2);
        QTest::newRow("marker inside the image data") << corrupted;
        QTest::newRow("zero width") << zeroWidth;
        QTest::newRow("wider than the limit") << tooWide;
        QTest::newRow("taller than the limit") << tooTall;
        QTest::newRow("PNG signature") << QByteArray::fromHex("89504e470d0a1a0a0000000d49484452");
    }

    void badDataGivesNullImageAndReason()
    {
        QFETCH(QByteArray, data);
        QString error;
        const QImage image = DecodeJpegData(data, &error);
        QVERIFY(image.isNull());
        QVERIFY(!error.isEmpty());
    }

    void sizeLimitIsInclusive()
    {
        // The limit refuses before allocating; the largest accepted side still
        // decodes. 16384 x 8 keeps the test light.
        QString error;
        const QImage image = DecodeJpegData(SolidRgbJpeg(JpegMaxSide, 8, Qt::black), &error);
        QVERIFY2(!image.isNull(), qPrintable(error));
        QCOMPARE(image.width(), JpegMaxSide);
    }

    void scanLimit_data()
    {
        QTest::addColumn<int>("components");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("694 scans") << 1 << true;
        QTest::newRow("2080 scans") << 3 << false;
    }

    void scanLimit()
    {
        QFETCH(int, components);
        QFETCH(bool, accepted);
        const std::vector<jpeg_scan_info> script = ManyScans(components);
        QCOMPARE(int(script.size()) <= JpegMaxScans, accepted);
        const Layout layout = components == 1 ? Layout::Gray : Layout::Rgb;
        const QByteArray jpeg = EncodeJpeg(
            16, 16, layout,
            [&](int x, int y, JSAMPLE* px) {
                for (int c = 0; c < components; ++c)
                    px[c] = JSAMPLE((x * 13 + y * 7 + c * 50) & 0xFF);
            },
            false, script);
        QString error;
        const QImage image = DecodeJpegData(jpeg, &error);
        QCOMPARE(!image.isNull(), accepted);
        QCOMPARE(error.isEmpty(), accepted);
    }

    void damageIsNotPrinted()
    {
        // libjpeg's default handlers write to stderr (and exit on errors).
        const QString capture = m_dir.filePath(QStringLiteral("stderr.txt"));
        std::fflush(stderr);
        const int saved = dup(STDERR_FILENO);
        QVERIFY(saved >= 0);
        FILE* sink = std::fopen(QFile::encodeName(capture).constData(), "w");
        QVERIFY(sink);
        dup2(fileno(sink), STDERR_FILENO);

        const QByteArray good = SplitJpeg(64, 64);
        const bool truncatedNull = DecodeJpegData(good.left(good.size() / 2)).isNull();
        const bool garbageNull = DecodeJpegData(QByteArray(300, 'x')).isNull();

        std::fflush(stderr);
        dup2(saved, STDERR_FILENO);
        close(saved);
        std::fclose(sink);

        QVERIFY(truncatedNull);
        QVERIFY(garbageNull);
        QFile printed(capture);
        QVERIFY(printed.open(QIODevice::ReadOnly));
        QCOMPARE(printed.readAll(), QByteArray());
    }

    void fileThatDecodes()
    {
        const QString path = WriteFile(QStringLiteral("picture.jpg"), SplitJpeg(20, 10));
        QVERIFY(!path.isEmpty());
        QString error = QStringLiteral("stale");
        const QImage image = DecodeJpegFile(path, &error);
        QCOMPARE(image.size(), QSize(20, 10));
        QVERIFY(error.isEmpty());
    }

    void badFileGivesNullImageAndNamesIt_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing") << m_dir.filePath(QStringLiteral("no-such-logo.jpg"));
        QTest::newRow("a directory") << m_dir.path();
        QTest::newRow("empty file") << WriteFile(QStringLiteral("empty.jpg"), QByteArray());
        QTest::newRow("garbage file") << WriteFile(QStringLiteral("garbage.jpg"), QByteArray(5000, '\x5a'));
        const QByteArray good = SplitJpeg(64, 64);
        QTest::newRow("truncated file") << WriteFile(QStringLiteral("cut.jpg"), good.left(good.size() - 100));
    }

    void badFileGivesNullImageAndNamesIt()
    {
        QFETCH(QString, path);
        QVERIFY(!path.isEmpty());
        QString error;
        const QImage image = DecodeJpegFile(path, &error);
        QVERIFY(image.isNull());
        QVERIFY2(error.contains(QDir::toNativeSeparators(path)), qPrintable(error));
    }

    void errorArgumentIsOptional()
    {
        QVERIFY(DecodeJpegData(QByteArray("junk")).isNull());
        QVERIFY(DecodeJpegFile(m_dir.filePath(QStringLiteral("absent.jpg"))).isNull());
    }
};

QTEST_GUILESS_MAIN(TstJpegImage)
#include "tst_jpegimage.moc"
