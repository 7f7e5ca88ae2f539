#pragma once

#include "common/TrackInterfaceChoice.h"

#include <QGroupBox>
#include <QList>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

// A serial port as the board's device list shows it.
struct TSerialPortEntry {
    QString device;    // what is stored: /dev/ttyACM0
    QString text;      // what is listed: /dev/ttyACM0 (Arduino Uno)
    bool usb = false;  // a USB device, as the board is; not a built-in UART
};

// The "Track interface" group of the I/O sub-page: the parallel port, the
// USB lap-sensor board on a serial device, or the simulated track. It only
// shows and edits a choice; the Settings page reads and stores it. The port
// is opened once at start-up, so a choice other than the interface in use
// says that it takes effect at the next start.
class TTrackInterfaceGroup : public QGroupBox {
    Q_OBJECT
public:
    using TPortLister = std::function<QList<TSerialPortEntry>()>;

    // atStartUp: the choice read when the program started; simulateFlag:
    // whether it was started with --simulate.
    TTrackInterfaceGroup(const TTrackInterfaceChoice& atStartUp, bool simulateFlag, QWidget* parent = nullptr);

    void ShowChoice(const TTrackInterfaceChoice& choice);
    TTrackInterfaceChoice Choice() const;

    // Lists the serial ports found now, keeping the device shown.
    void RefreshPorts();
    // Where the ports come from; the machine's serial ports unless a test
    // puts a list of its own in their place.
    void SetPortLister(TPortLister lister);

private:
    void ShowDevice(const QString& device);
    void ChoiceEdited();
    void BoardChosen(bool chosen);
    void ShowTextFromStart();

    TTrackInterfaceChoice m_atStartUp;
    bool m_simulateFlag;
    TPortLister m_portLister;

    QRadioButton* m_parallel = nullptr;
    QRadioButton* m_board = nullptr;
    QRadioButton* m_simulated = nullptr;
    QComboBox* m_device = nullptr;
    QPushButton* m_refresh = nullptr;
    QLabel* m_restartNotice = nullptr;
};
