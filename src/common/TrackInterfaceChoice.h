#pragma once

#include <QString>

// Which track interface the program runs on: the parallel port (at the port
// address of the settings record), the USB lap-sensor board on a serial
// device, the simulated track, the Carrera Control Unit on a serial device or
// through Carrera's Bluetooth adapter, or a DIY lap counter on a serial device
// or on the network. KOBA.ini has no room for it, so it lives in kobalap.conf
// beside it; the port is opened once at start-up, so a changed choice is
// taken at the next start.
struct TTrackInterfaceChoice {
    enum class TKind { ParallelPort, LapBoard, Simulated, Carrera, CarreraBluetooth, LapCounter, LapCounterTcp };
    // A lap counter only counts; the power and the start lights go to a
    // second interface, if the club has one: the parallel port at the port
    // address, or the USB lap-sensor board on SerialDevice.
    enum class TOutputs { None, ParallelPort, LapBoard };
    TKind Kind = TKind::ParallelPort;
    QString SerialDevice;  // the board's device, e.g. /dev/ttyACM0
    // The Control Unit's own: a club with both keeps both devices, and
    // switching between them does not lose the other's.
    QString CarreraDevice;  // e.g. /dev/ttyUSB0
    // The Bluetooth adapter's device address, e.g. 00:11:22:33:44:55; kept
    // beside the cable's, as a club may use either.
    QString CarreraAddress;
    // The lap counter's own, kept beside the others for the same reason.
    // Initialised here, so that a choice spelt out without them leaves them
    // empty without being told.
    QString LapCounterDevice{};   // e.g. /dev/ttyUSB0
    QString LapCounterAddress{};  // host:port, e.g. 192.168.1.50:5000
    TOutputs LapCounterOutputs = TOutputs::None;
};

// A track interface named on the command line for one run: --simulate,
// --carrera with the Control Unit's device, or --lapcounter with the lap
// counter's device or address. Each wins over the stored choice, which stays
// as it is for the next start.
struct TInterfaceFlags {
    bool Simulate = false;
    QString CarreraDevice;  // empty: no --carrera
    QString LapCounter{};   // empty: no --lapcounter
};

// Whether what --lapcounter names is a network address (host:port) rather
// than a serial device: no path, and a port after the last colon.
bool IsLapCounterAddress(const QString& text);

// kobalap.conf in the given folder (the one KOBA.ini is read from).
QString TrackInterfaceFilePath(const QString& folder);

// The choice stored in kobalap.conf. A missing or unreadable file, or a kind
// this version does not know, gives the parallel port: what the program ran
// on before the choice existed.
TTrackInterfaceChoice ReadTrackInterfaceChoice(const QString& workingDirectory);
// Stores the choice in kobalap.conf, keeping whatever else the file holds.
// False when the file could not be written (say a read-only folder).
bool WriteTrackInterfaceChoice(const QString& workingDirectory, const TTrackInterfaceChoice& choice);

// The interface a start runs on: the one the command line names, else the
// stored choice.
TTrackInterfaceChoice InterfaceInUse(const TTrackInterfaceChoice& choice, const TInterfaceFlags& flags);

// Whether a start with this choice would run on another interface than the
// one in use now (the choice read at start-up, under the same flags): another
// kind, the board, the Control Unit or the lap counter on another device or
// address, or the lap counter with other outputs.
bool ChoiceChangesInterface(const TTrackInterfaceChoice& chosen, const TTrackInterfaceChoice& atStartUp,
                            const TInterfaceFlags& flags);

// How a serial port found on the machine is listed: its device with the
// description when there is one, "/dev/ttyACM0 (Arduino Uno)".
QString SerialPortEntryText(const QString& systemLocation, const QString& description);
