#include "app/TrackInterfaceGroup.h"

#include "hardware/carrera/CarreraBleSearch.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPortInfo>
#include <QVBoxLayout>

#include <algorithm>

namespace {

using TKind = TTrackInterfaceChoice::TKind;
using TOutputs = TTrackInterfaceChoice::TOutputs;

constexpr int UsbRole = Qt::UserRole + 1;

QList<TSerialPortEntry> MachineSerialPorts()
{
    QList<TSerialPortEntry> entries;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts())
        entries.append({port.systemLocation(), SerialPortEntryText(port.systemLocation(), port.description()),
                        port.hasVendorIdentifier()});
    // The same order on every visit, whatever order the system reports.
    std::sort(entries.begin(), entries.end(),
              [](const TSerialPortEntry& a, const TSerialPortEntry& b) { return a.device < b.device; });
    return entries;
}

// A list of serial ports that can be asked to list them anew as it opens.
class TPortList final : public QComboBox {
public:
    TPortList(std::function<void()> beforeOpening, QWidget* parent)
        : QComboBox(parent), m_beforeOpening(std::move(beforeOpening))
    {
    }
    void showPopup() override
    {
        if (m_beforeOpening)
            m_beforeOpening();
        QComboBox::showPopup();
    }

private:
    std::function<void()> m_beforeOpening;
};

QRadioButton* Radio(const QString& caption, const QString& name, QWidget* parent)
{
    auto* radio = new QRadioButton(caption, parent);
    radio->setObjectName(name);
    return radio;
}

QLabel* Notice(const QString& text, const QString& name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setStyleSheet(QStringLiteral("color: darkblue;"));
    return label;
}

void ShowTextFromStart(QComboBox* list)
{
    // The device is the start of the text; a long description may run out
    // of the field, the device must not.
    list->lineEdit()->setCursorPosition(0);
}

// The device a list stands for: a listed entry its device, anything else
// what was typed.
QString DeviceShown(const QComboBox* list)
{
    const QString text = list->currentText();
    const int index = list->findText(text);
    return index >= 0 ? list->itemData(index).toString() : text.trimmed();
}

}  // namespace

TTrackInterfaceGroup::TTrackInterfaceGroup(const TTrackInterfaceChoice& atStartUp, const TInterfaceFlags& flags,
                                           QWidget* parent)
    : QGroupBox(QStringLiteral("Track interface"), parent),
      m_atStartUp(atStartUp),
      m_flags(flags),
      m_portLister(MachineSerialPorts)
{
    setObjectName(QStringLiteral("GroupBoxTrackInterface"));
    m_parallel = Radio(QStringLiteral("Parallel port at the Port Address above"),
                       QStringLiteral("RadioButtonParallelPort"), this);
    m_board = Radio(QStringLiteral("USB lap-sensor board"), QStringLiteral("RadioButtonLapBoard"), this);
    m_simulated = Radio(QStringLiteral("Simulated track"), QStringLiteral("RadioButtonSimulated"), this);
    m_carrera = Radio(QStringLiteral("Carrera Control Unit"), QStringLiteral("RadioButtonCarrera"), this);

    m_device = DeviceList(QStringLiteral("ComboBoxSerialDevice"));
    m_device->lineEdit()->setPlaceholderText(QStringLiteral("/dev/ttyACM0"));
    m_refresh = new QPushButton(QStringLiteral("Refresh"), this);
    m_refresh->setObjectName(QStringLiteral("ButtonRefreshSerialPorts"));
    // Beside its radio button, where a Refresh button would not fit: the
    // list is made anew each time it is opened instead.
    m_carreraDevice = DeviceList(QStringLiteral("ComboBoxCarreraDevice"), [this] { ListPorts(m_carreraDevice); });
    m_carreraDevice->lineEdit()->setPlaceholderText(QStringLiteral("/dev/ttyUSB0"));
    m_carreraDevice->setMinimumContentsLength(8);
    m_carreraBluetooth =
        Radio(QStringLiteral("Carrera Control Unit (Bluetooth)"), QStringLiteral("RadioButtonCarreraBluetooth"), this);
    // The adapter's list and what the search says show only while that
    // choice is made: the sub-page has no room for one more row always.
    m_bluetoothRow = new QWidget(this);
    m_carreraAddress = DeviceList(QStringLiteral("ComboBoxCarreraAddress"), [this] { SearchBluetooth(); });
    m_carreraAddress->setParent(m_bluetoothRow);
    m_carreraAddress->lineEdit()->setPlaceholderText(QStringLiteral("00:11:22:33:44:55"));
    m_bluetoothNote = Notice({}, QStringLiteral("LabelBluetoothNote"), m_bluetoothRow);
    m_bluetoothNote->hide();
    auto* carreraCars = new QLabel(
        QStringLiteral("Track n is controller n. Cars 5 and 6, the ghost and the pace car count for nothing."), this);
    carreraCars->setObjectName(QStringLiteral("LabelCarreraCars"));
    carreraCars->setWordWrap(true);
    for (QWidget* widget :
         std::initializer_list<QWidget*>{m_carrera, m_carreraDevice, carreraCars, m_carreraBluetooth, m_carreraAddress})
        widget->setToolTip(
            QStringLiteral("On a Carrera track, track n is controller n; cars 5 and 6, the ghost car "
                           "and the pace car count for nothing in a race."));

    // The lap counter's choices have a box of their own beside this group,
    // which has no room left: the page places it (LapCounterBox()). Its
    // radio buttons are one choice with the ones here all the same.
    m_lapCounterBox = new QGroupBox(QStringLiteral("Lap counter"), parent);
    m_lapCounterBox->setObjectName(QStringLiteral("GroupBoxLapCounter"));
    // As wide as the test above it, never wider: the test keeps its width.
    m_lapCounterBox->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_lapCounter =
        Radio(QStringLiteral("Lap counter (serial)"), QStringLiteral("RadioButtonLapCounter"), m_lapCounterBox);
    m_lapCounterDevice =
        DeviceList(QStringLiteral("ComboBoxLapCounterDevice"), [this] { ListPorts(m_lapCounterDevice); });
    m_lapCounterDevice->setParent(m_lapCounterBox);
    m_lapCounterDevice->setMinimumContentsLength(8);
    m_lapCounterDevice->lineEdit()->setPlaceholderText(QStringLiteral("/dev/ttyUSB0"));
    m_lapCounterTcp =
        Radio(QStringLiteral("Lap counter (TCP)"), QStringLiteral("RadioButtonLapCounterTcp"), m_lapCounterBox);
    m_lapCounterAddress = new QLineEdit(m_lapCounterBox);
    m_lapCounterAddress->setObjectName(QStringLiteral("EditLapCounterAddress"));
    m_lapCounterAddress->setPlaceholderText(QStringLiteral("192.168.1.50:5000"));
    auto* onlyCounts =
        new QLabel(QStringLiteral("The lap counter only counts: the power and the start lights need outputs, "
                                  "without them the lights show on the screen only."),
                   m_lapCounterBox);
    onlyCounts->setObjectName(QStringLiteral("LabelLapCounterOnlyCounts"));
    onlyCounts->setWordWrap(true);
    // Shown only while a lap counter is chosen.
    m_lapCounterRow = new QWidget(m_lapCounterBox);
    m_lapCounterOutputs = new QComboBox(m_lapCounterRow);
    m_lapCounterOutputs->setObjectName(QStringLiteral("ComboBoxLapCounterOutputs"));
    m_lapCounterOutputs->addItem(QStringLiteral("None"), int(TOutputs::None));
    m_lapCounterOutputs->addItem(QStringLiteral("Parallel port"), int(TOutputs::ParallelPort));
    m_lapCounterOutputs->addItem(QStringLiteral("USB lap-sensor board"), int(TOutputs::LapBoard));
    auto* outputsLabel = new QLabel(QStringLiteral("Outputs"), m_lapCounterRow);
    outputsLabel->setBuddy(m_lapCounterOutputs);
    for (QWidget* widget : std::initializer_list<QWidget*>{m_lapCounter, m_lapCounterDevice, m_lapCounterTcp,
                                                           m_lapCounterAddress, onlyCounts})
        widget->setToolTip(
            QStringLiteral("A home-made lap counter or a transponder decoder speaking the free "
                           "lap-counter protocol: it reports the laps of lanes 1 to 4 and switches "
                           "nothing."));
    m_lapCounterOutputs->setToolTip(
        QStringLiteral("What switches the power and the start lights: nothing, the parallel port at the Port "
                       "Address, or the USB lap-sensor board on its port in the Track interface group."));
    QLabel* lapCounterNotice = Notice(QStringLiteral("Started with --lapcounter: the lap counter on %1 is in use "
                                                     "whatever is chosen.")
                                          .arg(m_flags.LapCounter),
                                      QStringLiteral("LabelLapCounterFlag"), m_lapCounterBox);
    lapCounterNotice->setVisible(!m_flags.Simulate && m_flags.CarreraDevice.isEmpty() && !m_flags.LapCounter.isEmpty());

    m_restartNotice =
        Notice(QStringLiteral("Takes effect when Kobalap is started again."), QStringLiteral("LabelTakesEffect"), this);
    QLabel* simulateNotice =
        Notice(QStringLiteral("Started with --simulate: the simulated track is in use whatever is chosen here."),
               QStringLiteral("LabelSimulateFlag"), this);
    simulateNotice->setVisible(m_flags.Simulate);
    QLabel* carreraNotice = Notice(QStringLiteral("Started with --carrera: the Control Unit on %1 is in use "
                                                  "whatever is chosen here.")
                                       .arg(m_flags.CarreraDevice),
                                   QStringLiteral("LabelCarreraFlag"), this);
    carreraNotice->setVisible(!m_flags.Simulate && !m_flags.CarreraDevice.isEmpty());

    auto* deviceRow = new QHBoxLayout;
    deviceRow->setContentsMargins(20, 0, 0, 0);  // under its radio button's text
    deviceRow->addWidget(m_device, 1);
    deviceRow->addWidget(m_refresh);
    auto* carreraRow = new QHBoxLayout;
    carreraRow->addWidget(m_carrera);
    carreraRow->addWidget(m_carreraDevice, 1);
    auto* layout = new QVBoxLayout(this);
    // A little closer than the style's rows, for the Bluetooth choice to
    // fit in the sub-page beside every notice.
    layout->setSpacing(2);
    layout->addWidget(m_parallel);
    layout->addWidget(m_board);
    layout->addLayout(deviceRow);
    layout->addWidget(m_simulated);
    // The note says what the choice above it means, and the notices read as
    // one paragraph: small gaps, which also keep the group inside the
    // sub-page with every notice shown. The Control Unit's two ways stay
    // together, the Bluetooth one under the note, which is true of both.
    auto* addressRow = new QHBoxLayout(m_bluetoothRow);
    addressRow->setContentsMargins(20, 0, 0, 0);  // under its radio button's text
    addressRow->addWidget(m_carreraAddress);
    addressRow->addWidget(m_bluetoothNote, 1);
    auto* carreraBlock = new QVBoxLayout;
    carreraBlock->setSpacing(0);
    carreraBlock->addLayout(carreraRow);
    carreraBlock->addWidget(carreraCars);
    carreraBlock->addWidget(m_carreraBluetooth);
    carreraBlock->addWidget(m_bluetoothRow);
    layout->addLayout(carreraBlock);
    auto* notices = new QVBoxLayout;
    notices->setSpacing(2);
    notices->addWidget(simulateNotice);
    notices->addWidget(carreraNotice);
    notices->addWidget(m_restartNotice);
    layout->addLayout(notices);

    // Each field under the text of its radio button, as in the group.
    auto* outputsRow = new QHBoxLayout(m_lapCounterRow);
    outputsRow->setContentsMargins(0, 0, 0, 0);
    outputsRow->addWidget(outputsLabel);
    outputsRow->addWidget(m_lapCounterOutputs, 1);
    auto* lapCounterLayout = new QGridLayout(m_lapCounterBox);
    lapCounterLayout->setVerticalSpacing(2);
    lapCounterLayout->setColumnMinimumWidth(0, 12);
    lapCounterLayout->addWidget(m_lapCounter, 0, 0, 1, 2);
    lapCounterLayout->addWidget(m_lapCounterDevice, 1, 1);
    lapCounterLayout->addWidget(m_lapCounterTcp, 2, 0, 1, 2);
    lapCounterLayout->addWidget(m_lapCounterAddress, 3, 1);
    lapCounterLayout->addWidget(m_lapCounterRow, 4, 0, 1, 2);
    lapCounterLayout->addWidget(onlyCounts, 5, 0, 1, 2);
    lapCounterLayout->addWidget(lapCounterNotice, 6, 0, 1, 2);

    connect(m_refresh, &QPushButton::clicked, this, &TTrackInterfaceGroup::RefreshPorts);
    auto* choices = new QButtonGroup(this);
    for (QRadioButton* radio :
         {m_parallel, m_board, m_simulated, m_carrera, m_carreraBluetooth, m_lapCounter, m_lapCounterTcp}) {
        choices->addButton(radio);
        connect(radio, &QRadioButton::toggled, this, &TTrackInterfaceGroup::ChoiceEdited);
    }
    connect(m_board, &QRadioButton::toggled, this, [this](bool chosen) { SerialChoiceMade(m_device, chosen); });
    connect(m_carrera, &QRadioButton::toggled, this,
            [this](bool chosen) { SerialChoiceMade(m_carreraDevice, chosen); });
    connect(m_lapCounter, &QRadioButton::toggled, this,
            [this](bool chosen) { SerialChoiceMade(m_lapCounterDevice, chosen); });
    connect(m_lapCounterAddress, &QLineEdit::textChanged, this, &TTrackInterfaceGroup::ChoiceEdited);
    connect(m_lapCounterOutputs, &QComboBox::currentIndexChanged, this, &TTrackInterfaceGroup::ChoiceEdited);
    // Chosen by hand, not when the page shows a stored choice: a search next
    // to a connected adapter is no use.
    connect(m_carreraBluetooth, &QRadioButton::clicked, this, &TTrackInterfaceGroup::SearchBluetooth);

    RefreshPorts();
    ShowChoice(m_atStartUp);
}

QComboBox* TTrackInterfaceGroup::DeviceList(const QString& name, std::function<void()> beforeOpening)
{
    auto* list = new TPortList(std::move(beforeOpening), this);
    list->setObjectName(name);
    // A device the system does not list (yet) can be typed; typing adds no entry.
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(12);
    connect(list, &QComboBox::activated, this, [list] { ShowTextFromStart(list); });
    connect(list, &QComboBox::currentTextChanged, this, &TTrackInterfaceGroup::ChoiceEdited);
    return list;
}

void TTrackInterfaceGroup::SetPortLister(TPortLister lister)
{
    m_portLister = std::move(lister);
    RefreshPorts();
}

void TTrackInterfaceGroup::RefreshPorts()
{
    ListPorts(m_device);
    ListPorts(m_carreraDevice);
    ListPorts(m_lapCounterDevice);
}

void TTrackInterfaceGroup::ListPorts(QComboBox* list)
{
    const QString device = DeviceShown(list);
    list->clear();
    for (const TSerialPortEntry& entry : m_portLister()) {
        list->addItem(entry.text, entry.device);
        list->setItemData(list->count() - 1, entry.usb, UsbRole);
    }
    // The list opens wide enough for the descriptions the field cuts off.
    list->view()->setMinimumWidth(list->view()->sizeHintForColumn(0) + 8);
    ShowDevice(list, device);
}

void TTrackInterfaceGroup::ShowDevice(QComboBox* list, const QString& device)
{
    const int index = list->findData(device);
    list->setCurrentIndex(index);
    if (index < 0)
        list->setEditText(device);
    ShowTextFromStart(list);
    ChoiceEdited();
}

void TTrackInterfaceGroup::ShowChoice(const TTrackInterfaceChoice& choice)
{
    switch (choice.Kind) {
    case TKind::ParallelPort: m_parallel->setChecked(true); break;
    case TKind::LapBoard: m_board->setChecked(true); break;
    case TKind::Simulated: m_simulated->setChecked(true); break;
    case TKind::Carrera: m_carrera->setChecked(true); break;
    case TKind::CarreraBluetooth: m_carreraBluetooth->setChecked(true); break;
    case TKind::LapCounter: m_lapCounter->setChecked(true); break;
    case TKind::LapCounterTcp: m_lapCounterTcp->setChecked(true); break;
    }
    ShowDevice(m_device, choice.SerialDevice);
    ShowDevice(m_carreraDevice, choice.CarreraDevice);
    ShowDevice(m_carreraAddress, choice.CarreraAddress);
    ShowDevice(m_lapCounterDevice, choice.LapCounterDevice);
    m_lapCounterAddress->setText(choice.LapCounterAddress);
    m_lapCounterOutputs->setCurrentIndex(std::max(0, m_lapCounterOutputs->findData(int(choice.LapCounterOutputs))));
}

TTrackInterfaceChoice TTrackInterfaceGroup::Choice() const
{
    TTrackInterfaceChoice choice;
    if (m_board->isChecked())
        choice.Kind = TKind::LapBoard;
    else if (m_simulated->isChecked())
        choice.Kind = TKind::Simulated;
    else if (m_carrera->isChecked())
        choice.Kind = TKind::Carrera;
    else if (m_carreraBluetooth->isChecked())
        choice.Kind = TKind::CarreraBluetooth;
    else if (m_lapCounter->isChecked())
        choice.Kind = TKind::LapCounter;
    else if (m_lapCounterTcp->isChecked())
        choice.Kind = TKind::LapCounterTcp;
    choice.SerialDevice = DeviceShown(m_device);
    choice.CarreraDevice = DeviceShown(m_carreraDevice);
    choice.CarreraAddress = DeviceShown(m_carreraAddress);
    choice.LapCounterDevice = DeviceShown(m_lapCounterDevice);
    choice.LapCounterAddress = m_lapCounterAddress->text().trimmed();
    choice.LapCounterOutputs = TOutputs(m_lapCounterOutputs->currentData().toInt());
    return choice;
}

void TTrackInterfaceGroup::SerialChoiceMade(QComboBox* list, bool chosen)
{
    if (!chosen || !list->currentText().trimmed().isEmpty())
        return;
    // No device given yet: the first USB port found is the likely board or
    // Control Unit cable.
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemData(i, UsbRole).toBool()) {
            list->setCurrentIndex(i);
            ShowTextFromStart(list);
            return;
        }
    }
}

void TTrackInterfaceGroup::ChoiceEdited()
{
    const bool lapCounter = m_lapCounter->isChecked() || m_lapCounterTcp->isChecked();
    // The board's port is also the one of a board that switches a lap
    // counter's outputs.
    const bool board = m_board->isChecked() ||
                       (lapCounter && TOutputs(m_lapCounterOutputs->currentData().toInt()) == TOutputs::LapBoard);
    m_device->setEnabled(board);
    m_refresh->setEnabled(board);
    const bool carrera = m_carrera->isChecked();
    m_carreraDevice->setEnabled(carrera);
    const bool bluetooth = m_carreraBluetooth->isChecked();
    m_bluetoothRow->setVisible(bluetooth);
    m_lapCounterDevice->setEnabled(m_lapCounter->isChecked());
    m_lapCounterAddress->setEnabled(m_lapCounterTcp->isChecked());
    m_lapCounterRow->setVisible(lapCounter);
    m_restartNotice->setVisible(ChoiceChangesInterface(Choice(), m_atStartUp, m_flags));
}

void TTrackInterfaceGroup::SearchBluetooth()
{
    if (!m_bluetoothSearch) {
        m_bluetoothSearch = new TCarreraBleSearch(this);
        connect(m_bluetoothSearch, &TCarreraBleSearch::Found, this, &TTrackInterfaceGroup::BluetoothFound);
        connect(m_bluetoothSearch, &TCarreraBleSearch::Ended, this, &TTrackInterfaceGroup::BluetoothSearchEnded);
    }
    if (m_bluetoothSearch->Running())
        return;
    ShowBluetoothNote(QStringLiteral("Searching..."));
    // Ends at once, saying why, on a machine without Bluetooth.
    m_bluetoothSearch->Start();
}

void TTrackInterfaceGroup::BluetoothFound(const QString& address, const QString& name)
{
    if (m_carreraAddress->findData(address) >= 0)
        return;
    const QString shown = DeviceShown(m_carreraAddress);
    m_carreraAddress->addItem(QStringLiteral("%1 (%2)").arg(address, name), address);
    m_carreraAddress->view()->setMinimumWidth(m_carreraAddress->view()->sizeHintForColumn(0) + 8);
    // The first one found is the likely one when none is set yet.
    ShowDevice(m_carreraAddress, shown.isEmpty() && m_carreraBluetooth->isChecked() ? address : shown);
}

void TTrackInterfaceGroup::BluetoothSearchEnded(const QString& problem)
{
    if (!problem.isEmpty())
        ShowBluetoothNote(problem);
    else
        ShowBluetoothNote(m_carreraAddress->count() == 0 ? QStringLiteral("None found nearby.") : QString());
}

void TTrackInterfaceGroup::ShowBluetoothNote(const QString& text)
{
    m_bluetoothNote->setText(text);
    m_bluetoothNote->setVisible(!text.isEmpty());
}
