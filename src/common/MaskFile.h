#pragma once

#include <QString>
#include <array>
#include <cstdint>

struct TSettings;

// The sensor masks and the input XOR byte, held beside the settings record.
// Sensor n is set when (status byte XOR Xor) AND Mask[n-1] is not 0.
struct TSensorMasks {
    std::array<uint8_t, 4> Mask{8, 16, 32, 64};
    uint8_t Xor = 0;
    bool MaskFileUsed = false;  // KOBA.msk was found and opened
};

QString MaskFilePath(const QString& folder);

// Sets the default masks and the XOR byte from the inverted-input setting,
// then, when KOBA.msk opens, reads its five integer lines over them (low 8
// bits each) and marks the file as used.
void ReadMaskFile(const TSettings& settings, TSensorMasks& masks, const QString& folder);
