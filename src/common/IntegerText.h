#pragma once

#include <QString>

#include <cstdint>

// Reads a whole number as typed into an edit field: decimal with an optional
// sign, or hexadecimal after a "$" (the way port addresses are written, e.g.
// "$378"). Blanks around the number are allowed. False, with value untouched,
// when the text is not a number or does not fit in 32 signed bits.
bool ParseInteger(const QString& text, int32_t& value);

// The message shown when ParseInteger refuses a text.
QString ConversionErrorText(const QString& text);
