#pragma once

#include <QString>

// Which track interface the program runs on: the parallel port (at the port
// address of the settings record), the USB lap-sensor board on a serial
// device, or the simulated track. KOBA.ini has no room for it, so it lives in
// kobalap.conf beside it; the port is opened once at start-up, so a changed
// choice is taken at the next start.
struct TTrackInterfaceChoice {
    enum class TKind { ParallelPort, LapBoard, Simulated };
    TKind Kind = TKind::ParallelPort;
    QString SerialDevice;  // the board's device, e.g. /dev/ttyACM0
};

// kobalap.conf in the given folder (the one KOBA.ini is read from).
QString TrackInterfaceFilePath(const QString& folder);

// The choice stored in kobalap.conf. A missing or unreadable file, or a kind
// this version does not know, gives the parallel port: what the program ran
// on before the choice existed.
TTrackInterfaceChoice ReadTrackInterfaceChoice(const QString& workingDirectory);
// Stores the choice in kobalap.conf, keeping whatever else the file holds.
// False when the file could not be written (say a read-only folder).
bool WriteTrackInterfaceChoice(const QString& workingDirectory, const TTrackInterfaceChoice& choice);

// The interface a start runs on: --simulate always wins over the stored choice.
TTrackInterfaceChoice::TKind EffectiveKind(const TTrackInterfaceChoice& choice, bool simulateFlag);

// Whether a start with this choice would run on another interface than the
// one in use now (the choice read at start-up, under the same flag): another
// kind, or the board on another device.
bool ChoiceChangesInterface(const TTrackInterfaceChoice& chosen, const TTrackInterfaceChoice& atStartUp,
                            bool simulateFlag);

// How a serial port found on the machine is listed: its device with the
// description when there is one, "/dev/ttyACM0 (Arduino Uno)".
QString SerialPortEntryText(const QString& systemLocation, const QString& description);
