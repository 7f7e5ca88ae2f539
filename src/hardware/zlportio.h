#pragma once

#include <QString>
#include <cstdint>

class TBoardTimestamps;
class TUnitRaceControl;

// Byte access to the parallel port. The program opens one port driver before
// any window exists and keeps it for the whole run. Backends: the Linux ppdev
// device, the Windows zlportio kernel driver, and the simulated track.
enum class TPortSize : uint32_t { Byte = 0, Word = 1, DoubleWord = 2 };

class TPortDriver {
public:
    virtual ~TPortDriver() = default;

    // Makes the port usable; returns DriverReady. When it fails, ErrorText()
    // tells why (shown as the detail of the start-up error).
    virtual bool Open() = 0;
    // Gives the port back (stops and removes the Windows driver service).
    virtual void Close() = 0;

    // Reads the register at the address. Returns false when nothing could be
    // read (no port at that address, driver not ready, the read failed); value
    // is then untouched. Called on the timing thread's hot path: no
    // allocation, no locks, no text work.
    virtual bool ReadPort(uint32_t address, TPortSize size, uint32_t& value) = 0;
    // Writes the register at the address. Failures are not reported: nothing
    // downstream could act on them.
    virtual void WritePort(uint32_t address, TPortSize size, uint32_t value) = 0;

    // Takes the port at the "Port Address" base for the track, giving back
    // one taken before. Returns why the track cannot be reached there (shown
    // as a warning; the program goes on so the address can be corrected),
    // empty when it can. A backend that reaches every address accepts any.
    virtual QString UseBase(uint32_t /*base*/) { return {}; }

    // The board's own timestamps, where the interface takes them (the
    // USB lap-sensor board); null where the program times the laps itself.
    virtual TBoardTimestamps* Timestamps() { return nullptr; }
    // The control unit that runs the start lights and the power itself (the
    // Carrera Control Unit); null where the program switches them.
    virtual TUnitRaceControl* RaceControl() { return nullptr; }
    // Whether the track can be reached right now. A board that is unplugged
    // or falls silent is not; a port is for as long as it is open.
    // Lock-free: the race engine asks in its poll loop.
    virtual bool Connected() const { return true; }
    // Whether the interface has output lines for the power and the start
    // lights. A lap counter without a second interface for them has none:
    // the lights then show on screen only.
    virtual bool HasOutputs() const { return true; }

    bool DriverReady() const { return m_ready; }
    QString ErrorText() const { return m_errorText; }
    // The track interface in use, for the Info page ("parallel port
    // /dev/parport0", "simulated track").
    virtual QString Description() const = 0;

protected:
    bool m_ready = false;
    QString m_errorText;
};
