#pragma once

#include <QString>
#include <cstdint>

// What the I/O test page shows of the Carrera Control Unit, in words. The
// page only copies the unit's state in and these texts out, so that what a
// club reads while it checks its CU is settled here.
namespace CarreraTestTexts {

// The version the CU answered ("5337"), or that it does not answer now.
QString VersionText(const QString& version, bool connected);
// The start-light indicator of the CU's last status (0..9): "off", "all
// red", "3 lamps", "flashing: jump start". Not known while the CU is silent:
// its last status may be long out of date.
QString StartLightText(int indicator, bool connected);
// Controller address 1..8: "Car 1".."Car 6", "Ghost car", "Pace car".
QString CarName(int address);
// The last timer event of an address: its CU time in seconds with the
// milliseconds, its sector and how many events there were ("226.287 s,
// sector 1, 12 events"); "none yet" while there were none.
QString EventText(uint32_t timeMs, int sector, uint32_t count);
// A car's fuel (0..15) as "fuel 12 of 15"; empty when the CU reports none
// (fuel mode off, or below 0).
QString FuelText(int fuel);

}  // namespace CarreraTestTexts
