#pragma once

#include "common/Settings.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

// The Settings page as the user sees and edits it: the texts of its fields,
// the ticks of its boxes and the colours of its panels. Kept apart from the
// widgets so that filling and applying can be checked without a window.
struct TSettingsForm {
    QString PortAddress;  // "$378"; decimal is accepted too
    bool InvertedInput = false;
    QString Tracks;
    QString Sections;
    QString BounceDelay;
    bool MultiplePowerSignals = false;
    QString Rotation;  // "1 > 3 > 2"
    std::array<QString, TSettings::PlaceCount> Points;
    QString LapFalseStart;  // seconds
    QString LapNoFinish;    // seconds per missing lap
    QString TimedFalseStartLaps;
    QString TimedFalseStartSections;
    QString SustainSensorRead;
    bool EditResult = false;
    bool ShowTotals = false;
    QString Separator;
    std::array<uint32_t, TSettings::ColourCount> Foreground{};  // tracks 1..4 and X
    std::array<uint32_t, TSettings::TrackCount> Background{};   // tracks 1..4; X follows the foreground
    std::array<bool, TSettings::SoundCount> Sounds{};
};

// "$" and the address in upper-case hexadecimal without leading zeros: "$378".
QString PortAddressText(int32_t address);

// The rotation walked from track 1: "1", then " > " and the next track of the
// last one, tracks - 1 times ("1 > 3 > 2").
QString RotationText(const std::array<int32_t, TSettings::TrackCount>& next, int32_t tracks);

// The rotations the page offers for 1..4 tracks, in the order shown; empty
// for any other number.
QStringList RotationChoices(int32_t tracks);

// What the page shows for these settings.
TSettingsForm SettingsFormOf(const TSettings& settings);

// Takes the form into the settings, field by field in the page's order (port
// address, inverted input, tracks, sections, bounce delay, multiple power,
// rotation, points, lap penalties, sustain, timed false start, edit result,
// show totals, separator, colours, sounds). Empty numeric fields (all but Port
// Address and Tracks) are first set to "0" in the form. Stops at the first
// field it refuses and returns the message for it; the fields taken before it
// stay changed. Returns an empty text when every field was taken. The window
// placement and the file are the caller's.
QString ApplySettingsForm(TSettingsForm& form, TSettings& settings);
