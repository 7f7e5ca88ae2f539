#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

class QFontMetrics;

// Fitting a line of text to the room it is given. A label sized by a layout
// formula for one font can be too narrow for another (a machine without the
// font falls back to a wider one); a number cut off at its first digit reads
// as a wrong number, so such a label lowers its point size instead.

// Where the ink of `text` falls when it is laid out as one line in a box of
// size `room` with `alignment`, the way a QLabel paints it (aligned left,
// right or centred, vertically centred unless aligned top or bottom), in the
// box's own coordinates.
QRect InkRect(const QFontMetrics& metrics, const QString& text, const QSize& room, Qt::Alignment alignment);

// Whether the ink of every one of `texts`, laid out in `room` with
// `alignment`, stays inside `room`, or at most `rightSlack` pixels beyond its
// right edge (a label's right margin: text is placed by its advance, and with
// hinting the last glyph's ink can end a pixel or two past it at any size).
bool InkFits(const QFont& font, const QStringList& texts, const QSize& room, Qt::Alignment alignment,
             int rightSlack = 0);

// The largest size, not above `font`'s own, at which the ink of every one of
// `texts`, laid out in `room` with `alignment`, fits as InkFits says. Sizes
// are whole points (whole pixels for a font sized in pixels) and never below 1.
QFont FittedFont(const QFont& font, const QStringList& texts, const QSize& room, Qt::Alignment alignment,
                 int rightSlack = 0);

// `pattern` with its zeros replaced by each digit in turn ("00.000" gives
// "00.000" .. "99.999"): a number's widest ink, whatever its digits, when the
// digits' ink differs in width.
QStringList DigitVariants(const QString& pattern);
