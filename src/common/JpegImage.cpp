#include "common/JpegImage.h"

#include <QDir>
#include <QFile>

#include <climits>
#include <csetjmp>
#include <cstdio>  // jpeglib.h uses FILE and size_t without including anything

#include <jerror.h>
#include <jpeglib.h>

namespace {

// Bigger than any sensible logo; reading stops here so that pointing the
// program at a huge file or at a device such as /dev/zero cannot eat memory.
constexpr qint64 MaxFileBytes = 128 * 1024 * 1024;

// libjpeg's own error handler prints and calls exit(). Ours records the text
// and jumps back to RunDecode, which cleans up and reports failure.
struct ErrorManager {
    jpeg_error_mgr pub;  // first, so libjpeg's pointer to it is a pointer to us
    std::jmp_buf escape;
    char message[JMSG_LENGTH_MAX];
};

// Everything one decode needs, kept in plain C structs owned by the caller so
// that a longjmp never skips a C++ destructor.
struct DecodeJob {
    const unsigned char* data;
    unsigned long size;
    QImage* image;  // lives in DecodeJpegData's frame, above the jump
    ErrorManager err;
    jpeg_progress_mgr progress;
    jpeg_decompress_struct cinfo;
};

ErrorManager* ErrorsOf(j_common_ptr cinfo) { return reinterpret_cast<ErrorManager*>(cinfo->err); }

[[noreturn]] void Escape(j_common_ptr cinfo) { std::longjmp(ErrorsOf(cinfo)->escape, 1); }

void OnError(j_common_ptr cinfo)
{
    (*cinfo->err->format_message)(cinfo, ErrorsOf(cinfo)->message);
    Escape(cinfo);
}

void OnMessage(j_common_ptr cinfo, int msgLevel)
{
    if (msgLevel >= 0)
        return;  // trace output is for debugging libjpeg, not for us
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JFIF_MAJOR || code == JWRN_ADOBE_XFORM)
        return;  // odd header metadata; the pixels themselves are fine
    // Any other warning means the compressed data is damaged or cut short.
    // libjpeg would carry on and fill the rest with grey; a half-grey logo is
    // worse than none, so give up here.
    cinfo->err->num_warnings++;
    (*cinfo->err->format_message)(cinfo, ErrorsOf(cinfo)->message);
    Escape(cinfo);
}

void OnOutput(j_common_ptr) {}

void OnProgress(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor)
        return;
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > JpegMaxScans) {
        std::snprintf(ErrorsOf(cinfo)->message, JMSG_LENGTH_MAX, "Too many scans (more than %d)", JpegMaxScans);
        Escape(cinfo);
    }
}

void CmykRowToRgb(const JSAMPLE* in, uchar* out, JDIMENSION width, bool inverted)
{
    // Adobe writes CMYK inverted (0 = full ink); other writers do not.
    for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
        const unsigned k = inverted ? in[3] : 255u - in[3];
        for (int c = 0; c < 3; ++c) {
            const unsigned v = inverted ? in[c] : 255u - in[c];
            out[c] = static_cast<uchar>(v * k / 255u);
        }
    }
}

// All calls that may jump back live here, below RunDecode's setjmp. This
// function has no locals with destructors and none that are read after a
// jump, so nothing is skipped or clobbered.
bool DecodeBody(DecodeJob* job)
{
    j_decompress_ptr cinfo = &job->cinfo;
    jpeg_create_decompress(cinfo);
    job->progress.progress_monitor = OnProgress;
    cinfo->progress = &job->progress;
    jpeg_mem_src(cinfo, job->data, job->size);
    jpeg_read_header(cinfo, TRUE);

    if (cinfo->image_width > JDIMENSION(JpegMaxSide) || cinfo->image_height > JDIMENSION(JpegMaxSide)) {
        std::snprintf(job->err.message, JMSG_LENGTH_MAX, "Picture too large (%u x %u, at most %d per side)",
                      unsigned(cinfo->image_width), unsigned(cinfo->image_height), JpegMaxSide);
        return false;
    }
    // libjpeg-turbo turns grayscale and YCbCr into RGB itself; CMYK it can only
    // hand over as it is, so that is converted row by row below.
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;

    jpeg_start_decompress(cinfo);
    const JDIMENSION width = cinfo->output_width;
    const int wantComponents = cmyk ? 4 : 3;
    if (cinfo->output_components != wantComponents) {
        std::snprintf(job->err.message, JMSG_LENGTH_MAX, "Unexpected colour layout (%d components)",
                      cinfo->output_components);
        return false;
    }
    *job->image = QImage(int(width), int(cinfo->output_height), QImage::Format_RGB888);
    if (job->image->isNull()) {
        std::snprintf(job->err.message, JMSG_LENGTH_MAX, "Not enough memory for a %u x %u picture", unsigned(width),
                      unsigned(cinfo->output_height));
        return false;
    }

    JSAMPARRAY cmykRow = nullptr;
    if (cmyk)
        cmykRow = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, width * 4, 1);
    while (cinfo->output_scanline < cinfo->output_height) {
        uchar* line = job->image->scanLine(int(cinfo->output_scanline));
        if (cmyk) {
            jpeg_read_scanlines(cinfo, cmykRow, 1);
            CmykRowToRgb(cmykRow[0], line, width, cinfo->saw_Adobe_marker);
        } else {
            JSAMPROW row = line;
            jpeg_read_scanlines(cinfo, &row, 1);
        }
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

// The only setjmp. Its frame holds nothing but the job pointer, which never
// changes, so a jump back here is safe.
bool RunDecode(DecodeJob* job)
{
    job->cinfo.err = jpeg_std_error(&job->err.pub);
    job->err.pub.error_exit = OnError;
    job->err.pub.emit_message = OnMessage;
    job->err.pub.output_message = OnOutput;
    if (setjmp(job->err.escape) != 0) {
        jpeg_destroy_decompress(&job->cinfo);
        return false;
    }
    const bool ok = DecodeBody(job);
    jpeg_destroy_decompress(&job->cinfo);
    return ok;
}

QImage Fail(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return QImage();
}

}  // namespace

QImage DecodeJpegData(const QByteArray& data, QString* error)
{
    if (data.isEmpty())
        return Fail(error, QStringLiteral("No JPEG data"));
    if (quint64(data.size()) > quint64(ULONG_MAX))
        return Fail(error, QStringLiteral("JPEG data too large"));

    QImage image;
    DecodeJob job{};
    job.data = reinterpret_cast<const unsigned char*>(data.constData());
    job.size = static_cast<unsigned long>(data.size());
    job.image = &image;
    if (!RunDecode(&job))
        return Fail(error, QStringLiteral("Cannot decode JPEG: ") + QString::fromLocal8Bit(job.err.message));
    if (error)
        error->clear();
    return image;
}

QImage DecodeJpegFile(const QString& path, QString* error)
{
    const QString shownPath = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Fail(error, QStringLiteral("Cannot open %1: %2").arg(shownPath, file.errorString()));
    const QByteArray data = file.read(MaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return Fail(error, QStringLiteral("Cannot read %1: %2").arg(shownPath, file.errorString()));
    if (data.size() > MaxFileBytes)
        return Fail(error, QStringLiteral("Cannot read %1: file too large").arg(shownPath));

    QString why;
    QImage image = DecodeJpegData(data, &why);
    if (image.isNull())
        return Fail(error, shownPath + QStringLiteral(": ") + why);
    if (error)
        error->clear();
    return image;
}
