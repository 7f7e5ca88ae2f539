// Draws the program's icon from its logo at the sizes desktops ask for:
//   make_icons <logo.jpg> <folder> <size>...
// writes <folder>/<size>x<size>/apps/kobalap.png for each size. The logo is
// wider than tall, so it is centred on a transparent square.

#include "common/JpegImage.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fputs("usage: make_icons <logo.jpg> <folder> <size>...\n", stderr);
        return 2;
    }
    const QImage logo = DecodeJpegFile(QString::fromLocal8Bit(argv[1]));
    if (logo.isNull()) {
        std::fprintf(stderr, "make_icons: cannot read %s\n", argv[1]);
        return 1;
    }
    const QDir folder(QString::fromLocal8Bit(argv[2]));
    for (int i = 3; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        if (size <= 0) {
            std::fprintf(stderr, "make_icons: not a size: %s\n", argv[i]);
            return 2;
        }
        QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
        icon.fill(Qt::transparent);
        const QImage scaled = logo.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QPainter(&icon).drawImage((size - scaled.width()) / 2, (size - scaled.height()) / 2, scaled);
        const QString subfolder = QStringLiteral("%1x%1/apps").arg(size);
        const QString path = folder.filePath(subfolder + QStringLiteral("/kobalap.png"));
        if (!folder.mkpath(subfolder) || !icon.save(path, "PNG")) {
            std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
