#pragma once

#include <QString>
#include <cstdint>

// The shortest lap that can make a record, kept in kobalap.conf ([Records]
// MinimumLapMs) beside KOBA.ini. One second by default: no slot car laps a
// club track faster, and a bouncing sensor's double pass is far shorter.
inline constexpr uint32_t DefaultMinimumLapMs = 1000;
inline constexpr uint32_t MaximumMinimumLapMs = 600000;

// The stored minimum; a missing file or a value that makes no sense gives the default.
uint32_t ReadMinimumLapMs(const QString& workingDirectory);
// False when kobalap.conf could not be written.
bool WriteMinimumLapMs(const QString& workingDirectory, uint32_t minimumMs);
