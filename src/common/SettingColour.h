#pragma once

#include <QColor>
#include <cstdint>

// Colours are stored as $00BBGGRR: red in the low byte. The top byte is not a
// colour and is ignored when painting.
inline QColor ColourOfSetting(uint32_t value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

inline uint32_t SettingOfColour(const QColor& colour)
{
    return uint32_t(colour.red()) | uint32_t(colour.green()) << 8 | uint32_t(colour.blue()) << 16;
}
