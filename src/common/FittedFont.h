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
// `alignment`, stays inside `room`.
bool InkFits(const QFont& font, const QStringList& texts, const QSize& room, Qt::Alignment alignment);

// The largest size, not above `font`'s own, at which the ink of every one of
// `texts`, laid out in `room` with `alignment`, stays inside `room`. Sizes are
// whole points (whole pixels for a font sized in pixels) and never below 1.
QFont FittedFont(const QFont& font, const QStringList& texts, const QSize& room, Qt::Alignment alignment);

// `pattern` with its zeros replaced by each digit in turn ("00.000" gives
// "00.000" .. "99.999"): a number's widest ink, whatever its digits, when the
// digits' ink differs in width.
QStringList DigitVariants(const QString& pattern);
