#pragma once

#include <array>
#include <atomic>
#include <cstdint>

class TPortDriver;
struct TSettings;
struct TSensorMasks;

// Sensor n is index n - 1.
using TSensorLevels = std::array<bool, 4>;

// The race hardware on the parallel port: four lap sensors on the status
// register (base + 1), eight output lines on the data register (base). Lines
// 1..4 are the track power, 5..8 the start lights.
class TTrackIo {
public:
    TTrackIo(TPortDriver& port, const TSettings& settings, const TSensorMasks& masks);

    // The present level of the four sensors: one status read, XOR-ed with the
    // input XOR byte, then masked per sensor. A read that fails reports no
    // sensor set: a phantom lap would be worse than a missed one. On the
    // timing thread's hot path: no allocation, no locks, no text.
    TSensorLevels ReadSensors();

    // Sets or clears line 1..8 in the output image and writes the whole image
    // to the data register, also when nothing changed (the port is never read
    // back, so a write is the only way to be sure of what it shows). Other
    // line numbers are ignored.
    void SetOutputLine(int line, bool on);

    // Lines 1..8 off, one after the other: at start, when the I/O test is
    // left and when the program ends, so no track stays powered unwatched.
    void SwitchAllOff();

    // What the output lines were last set to; all off at the start.
    uint8_t OutputImage() const;

    TPortDriver& Port();

private:
    TPortDriver& m_port;
    const TSettings& m_settings;
    const TSensorMasks& m_masks;
    // Only one thread uses the lines at a time (the timing thread during a
    // race, the UI thread otherwise), handed over at thread start and end.
    // Relaxed atomic access costs nothing on the hardware we run on and keeps
    // the race checker quiet about the hand-over.
    std::atomic<uint8_t> m_image{0};
};
