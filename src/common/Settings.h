#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

struct TSensorMasks;

// The settings record, held once for the whole run and stored in KOBA.ini as
// one binary record of exactly 220 bytes (little-endian integers, one-byte
// booleans, colours as $00BBGGRR). Field comments give the byte offset.
struct TSettings {
    static constexpr int RecordSize = 220;
    static constexpr int TrackCount = 4;   // the most tracks the program supports
    static constexpr int PlaceCount = 20;  // scoring places
    static constexpr int MaxSectionsPerLap = 1000;

    enum Sound {
        SoundLight1,
        SoundLight2,
        SoundLight3,
        SoundLight4,
        SoundStart,
        SoundLap,
        SoundBestLap,
        SoundFinish,
        SoundCount
    };
    enum Colour { Track1, Track2, Track3, Track4, TrackX, ColourCount };

    int32_t PortAddress = 888;                                  //   0: $378
    bool InvertedInput = false;                                 //   4
    int32_t Tracks = 4;                                         //   8: 1..4
    int32_t SectionsPerLap = 100;                               //  12: 0..1000
    int32_t BounceDelayMs = 5000;                               //  16
    bool MultiplePowerSignals = true;                           //  20
    std::array<int32_t, TrackCount> TrackRotation{2, 3, 4, 1};  // 24: next track after track 1..4
    std::array<int32_t, PlaceCount> PlacePoints{};              //  40: points of places 1..20
    int32_t LapFalseStartMs = 8000;                             // 120
    int32_t LapNoFinishMs = 12000;                              // 124: per missing lap
    int32_t TimedFalseStart = 1000;                             // 128: lap value
    bool EditResult = false;                                    // 132
    bool ShowTotals = true;                                     // 133
    int32_t SustainSensorReadMs = 500;                          // 136
    std::array<uint32_t, ColourCount> Foreground{};             // 140: tracks 1..4 and X
    std::array<uint32_t, ColourCount> Background{};             // 160: tracks 1..4 and X
    std::array<bool, SoundCount> Sounds{};                      // 180
    int32_t Reserved188 = 632;                                  // 188: carried, never read
    uint8_t Reserved192 = 0;                                    // 192: carried, never read
    int32_t Reserved196 = 100;                                  // 196: carried, never read
    char ExportSeparator = ';';                                 // 200
    uint8_t WindowState = 0;                                    // 201: 0 normal, 1 minimised, 2 maximised
    int32_t WindowLeft = 2;                                     // 204
    int32_t WindowTop = 2;                                      // 208
    int32_t WindowWidth = 780;                                  // 212
    int32_t WindowHeight = 575;                                 // 216

    // The record's bytes as last read from or written to the file. Padding
    // bytes are carried from here into the next write (zero for a record
    // built from the defaults).
    std::array<uint8_t, RecordSize> Image{};

    TSettings();  // the defaults
};

// Fills every field with its default; the masks are not touched.
void LoadDefaultSettings(TSettings& settings);

// The 220-byte record for these settings, padding taken from settings.Image.
QByteArray EncodeSettings(const TSettings& settings);
// Reads a record of exactly 220 bytes (false for any other size, settings
// untouched). Values outside what the program can use are brought into range
// as they are read, so nothing downstream indexes outside its arrays.
bool DecodeSettings(const QByteArray& record, TSettings& settings);

// The export separator, or ';' for one the export cannot use: a line break
// would split its lines, no separator would merge its fields.
char UsableSeparator(char separator);

// KOBA.ini in the given folder (the working directory in the program).
QString SettingsFilePath(const QString& folder);

// Reads KOBA.ini; on any failure (missing, unreadable, not exactly one
// record, or a record with values no settings record holds) loads the
// defaults and, with problem, says what was wrong. The file is never
// changed. Either way reads the mask file afterwards. Returns whether the
// file was read.
bool ReadSettings(TSettings& settings, TSensorMasks& masks, const QString& folder, QString* problem = nullptr);
// Creates or truncates KOBA.ini and writes the record; reads the mask file
// afterwards whether or not the write succeeded. Returns whether it was written.
bool WriteSettings(TSettings& settings, TSensorMasks& masks, const QString& folder);
