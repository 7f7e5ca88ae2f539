#include "common/FittedFont.h"

#include <QFontMetrics>

#include <algorithm>

namespace {

// A font's size in the unit it is given in: points, or pixels for a font
// sized in pixels.
int SizeOf(const QFont& font) { return font.pointSize() > 0 ? font.pointSize() : font.pixelSize(); }

QFont Resized(QFont font, int size)
{
    if (font.pointSize() > 0)
        font.setPointSize(size);
    else
        font.setPixelSize(size);
    return font;
}

}  // namespace

QRect InkRect(const QFontMetrics& metrics, const QString& text, const QSize& room, Qt::Alignment alignment)
{
    const int advance = metrics.horizontalAdvance(text);
    int x = 0;
    if (alignment.testFlag(Qt::AlignRight))
        x = room.width() - advance;
    else if (alignment.testFlag(Qt::AlignHCenter))
        x = (room.width() - advance) / 2;
    int baseline = (room.height() - metrics.height()) / 2 + metrics.ascent();
    if (alignment.testFlag(Qt::AlignTop))
        baseline = metrics.ascent();
    else if (alignment.testFlag(Qt::AlignBottom))
        baseline = room.height() - metrics.descent();
    return metrics.tightBoundingRect(text).translated(x, baseline);
}

bool InkFits(const QFont& font, const QStringList& texts, const QSize& room, Qt::Alignment alignment, int rightSlack)
{
    const QFontMetrics metrics(font);
    const QRect box(0, 0, room.width() + std::max(rightSlack, 0), room.height());
    for (const QString& text : texts)
        if (!box.contains(InkRect(metrics, text, room, alignment)))
            return false;
    return true;
}

QFont FittedFont(const QFont& font, const QStringList& texts, const QSize& room, Qt::Alignment alignment,
                 int rightSlack)
{
    const int laidOut = SizeOf(font);
    if (laidOut <= 1 || InkFits(font, texts, room, alignment, rightSlack))
        return font;
    // The ink grows with the size, so the largest size that fits is found by
    // halving: `fits` fits (or is the floor of 1), `tooLarge` does not.
    int fits = 1;
    int tooLarge = laidOut;
    while (tooLarge - fits > 1) {
        const int middle = fits + (tooLarge - fits) / 2;
        if (InkFits(Resized(font, middle), texts, room, alignment, rightSlack))
            fits = middle;
        else
            tooLarge = middle;
    }
    return Resized(font, fits);
}

QStringList DigitVariants(const QString& pattern)
{
    QStringList variants;
    for (char digit = '0'; digit <= '9'; ++digit) {
        QString text = pattern;
        text.replace(QLatin1Char('0'), QLatin1Char(digit));
        variants << text;
    }
    return variants;
}
