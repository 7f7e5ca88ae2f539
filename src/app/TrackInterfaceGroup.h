#pragma once

#include "common/TrackInterfaceChoice.h"

#include <QGroupBox>
#include <QList>
#include <functional>

class QComboBox;
class TCarreraBleSearch;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// A serial port as the board's device list shows it.
struct TSerialPortEntry {
    QString device;    // what is stored: /dev/ttyACM0
    QString text;      // what is listed: /dev/ttyACM0 (Arduino Uno)
    bool usb = false;  // a USB device, as the board is; not a built-in UART
};

// The "Track interface" group of the I/O sub-page: the parallel port, the
// USB lap-sensor board on a serial device, the simulated track, the Carrera
// Control Unit on a serial device or through Carrera's Bluetooth adapter (the
// adapters nearby are looked for when that choice is made or its list is
// opened, never by merely showing the page), or a DIY lap counter on a serial
// device or at a network address, with the interface for its outputs (shown
// only while a lap counter is chosen; these in a box of their own, which the
// page places beside the group). It only shows and edits a choice;
// the Settings page reads and stores it. The port is opened once at
// start-up, so a choice other than the interface in use says that it takes
// effect at the next start.
class TTrackInterfaceGroup : public QGroupBox {
    Q_OBJECT
public:
    using TPortLister = std::function<QList<TSerialPortEntry>()>;

    // atStartUp: the choice read when the program started; flags: the
    // interface the command line named for this run, if any.
    TTrackInterfaceGroup(const TTrackInterfaceChoice& atStartUp, const TInterfaceFlags& flags,
                         QWidget* parent = nullptr);

    // The lap counter's part of the choice, made with the group's parent:
    // the page puts it where there is room.
    QGroupBox* LapCounterBox() const { return m_lapCounterBox; }

    void ShowChoice(const TTrackInterfaceChoice& choice);
    TTrackInterfaceChoice Choice() const;

    // Lists the serial ports found now, keeping the devices shown.
    void RefreshPorts();
    // Where the ports come from; the machine's serial ports unless a test
    // puts a list of its own in their place.
    void SetPortLister(TPortLister lister);

private:
    QComboBox* DeviceList(const QString& name, std::function<void()> beforeOpening = {});
    void ListPorts(QComboBox* list);
    void ShowDevice(QComboBox* list, const QString& device);
    void ChoiceEdited();
    void SerialChoiceMade(QComboBox* list, bool chosen);
    void SearchBluetooth();
    void BluetoothFound(const QString& address, const QString& name);
    void BluetoothSearchEnded(const QString& problem);
    void ShowBluetoothNote(const QString& text);

    TTrackInterfaceChoice m_atStartUp;
    TInterfaceFlags m_flags;
    TPortLister m_portLister;

    QRadioButton* m_parallel = nullptr;
    QRadioButton* m_board = nullptr;
    QRadioButton* m_simulated = nullptr;
    QRadioButton* m_carrera = nullptr;
    QComboBox* m_device = nullptr;
    QPushButton* m_refresh = nullptr;
    QComboBox* m_carreraDevice = nullptr;
    QRadioButton* m_carreraBluetooth = nullptr;
    QWidget* m_bluetoothRow = nullptr;
    QComboBox* m_carreraAddress = nullptr;
    QLabel* m_bluetoothNote = nullptr;
    TCarreraBleSearch* m_bluetoothSearch = nullptr;  // made by the first search
    QGroupBox* m_lapCounterBox = nullptr;
    QRadioButton* m_lapCounter = nullptr;
    QComboBox* m_lapCounterDevice = nullptr;
    QRadioButton* m_lapCounterTcp = nullptr;
    QLineEdit* m_lapCounterAddress = nullptr;
    QWidget* m_lapCounterRow = nullptr;
    QComboBox* m_lapCounterOutputs = nullptr;
    QLabel* m_restartNotice = nullptr;
};
