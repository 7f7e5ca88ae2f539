#pragma once

#include <QString>
#include <cstdint>

// A lap value is one signed 32-bit integer: laps * 1000 + sections, where a
// section is a fraction of a lap and sectionsPerLap (S, 0..1000) says how many
// make a lap. Every Laps field of the tables holds one.
//
// Below zero (a Timed false start can take a driver under zero laps) laps and
// sections both carry the sign, so that LapsOf/SectionsOf split a value the
// same way whatever its sign: -0.50 laps at S = 100 is -50, -2.20 is -2020.
// AddLapValues and SubtractLapValues produce that form and read any input in
// it, so a negative heat result still sums correctly into a race total.
//
// Arithmetic is done in 64 bits and the result saturates at the int32 range,
// so no input can cause signed overflow. S above 1000 is treated as 1000
// (more sections would spill into the laps digits); S <= 0 turns sections off.

// Whole laps: v div 1000, truncating toward zero.
int32_t LapsOf(int32_t v);
// Section part: v mod 1000, with the sign of v.
int32_t SectionsOf(int32_t v);
// laps * 1000 + sections, taken as given (no carrying into laps).
int32_t MakeLapValue(int32_t laps, int32_t sections);

// a + b with the sections carried into laps at sectionsPerLap. With
// sectionsPerLap <= 0 only the whole laps are added and the result has no
// section part.
int32_t AddLapValues(int32_t a, int32_t b, int32_t sectionsPerLap);
// a - b, likewise; a lap is borrowed when the sections of b exceed those of a.
int32_t SubtractLapValues(int32_t a, int32_t b, int32_t sectionsPerLap);

// "12.30": the whole laps, then, unless sectionsPerLap is 0, a point and the
// sections filled with "0" to 3 digits (S > 100), 2 digits (10 < S <= 100) or
// 1 digit (S <= 10). A negative value reads as its distance with a minus sign
// in front, "-0.50" or "-2.20".
QString FormatLapValue(int32_t v, int32_t sectionsPerLap);
