#include "app/TrackInterfaceGroup.h"

#include <QAbstractItemView>
#include <QComboBox>
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

}  // namespace

TTrackInterfaceGroup::TTrackInterfaceGroup(const TTrackInterfaceChoice& atStartUp, bool simulateFlag, QWidget* parent)
    : QGroupBox(QStringLiteral("Track interface"), parent),
      m_atStartUp(atStartUp),
      m_simulateFlag(simulateFlag),
      m_portLister(MachineSerialPorts)
{
    setObjectName(QStringLiteral("GroupBoxTrackInterface"));
    m_parallel = Radio(QStringLiteral("Parallel port at the Port Address above"),
                       QStringLiteral("RadioButtonParallelPort"), this);
    m_board = Radio(QStringLiteral("USB lap-sensor board"), QStringLiteral("RadioButtonLapBoard"), this);
    m_simulated = Radio(QStringLiteral("Simulated track"), QStringLiteral("RadioButtonSimulated"), this);

    m_device = new QComboBox(this);
    m_device->setObjectName(QStringLiteral("ComboBoxSerialDevice"));
    // A device the system does not list (yet) can be typed; typing adds no entry.
    m_device->setEditable(true);
    m_device->setInsertPolicy(QComboBox::NoInsert);
    m_device->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_device->setMinimumContentsLength(12);
    m_device->lineEdit()->setPlaceholderText(QStringLiteral("/dev/ttyACM0"));
    m_refresh = new QPushButton(QStringLiteral("Refresh"), this);
    m_refresh->setObjectName(QStringLiteral("ButtonRefreshSerialPorts"));

    m_restartNotice =
        Notice(QStringLiteral("Takes effect when Kobalap is started again."), QStringLiteral("LabelTakesEffect"), this);
    QLabel* simulateNotice =
        Notice(QStringLiteral("Started with --simulate: the simulated track is in use whatever is chosen here."),
               QStringLiteral("LabelSimulateFlag"), this);
    simulateNotice->setVisible(m_simulateFlag);

    auto* deviceRow = new QHBoxLayout;
    deviceRow->setContentsMargins(20, 0, 0, 0);  // under its radio button's text
    deviceRow->addWidget(m_device, 1);
    deviceRow->addWidget(m_refresh);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_parallel);
    layout->addWidget(m_board);
    layout->addLayout(deviceRow);
    layout->addWidget(m_simulated);
    layout->addWidget(simulateNotice);
    layout->addWidget(m_restartNotice);

    connect(m_device, &QComboBox::activated, this, &TTrackInterfaceGroup::ShowTextFromStart);
    connect(m_refresh, &QPushButton::clicked, this, &TTrackInterfaceGroup::RefreshPorts);
    for (QRadioButton* radio : {m_parallel, m_board, m_simulated})
        connect(radio, &QRadioButton::toggled, this, &TTrackInterfaceGroup::ChoiceEdited);
    connect(m_board, &QRadioButton::toggled, this, &TTrackInterfaceGroup::BoardChosen);
    connect(m_device, &QComboBox::currentTextChanged, this, &TTrackInterfaceGroup::ChoiceEdited);

    RefreshPorts();
    ShowChoice(m_atStartUp);
}

void TTrackInterfaceGroup::SetPortLister(TPortLister lister)
{
    m_portLister = std::move(lister);
    RefreshPorts();
}

void TTrackInterfaceGroup::RefreshPorts()
{
    const QString device = Choice().SerialDevice;
    m_device->clear();
    for (const TSerialPortEntry& entry : m_portLister()) {
        m_device->addItem(entry.text, entry.device);
        m_device->setItemData(m_device->count() - 1, entry.usb, UsbRole);
    }
    // The list opens wide enough for the descriptions the field cuts off.
    m_device->view()->setMinimumWidth(m_device->view()->sizeHintForColumn(0) + 8);
    ShowDevice(device);
}

void TTrackInterfaceGroup::ShowDevice(const QString& device)
{
    const int index = m_device->findData(device);
    m_device->setCurrentIndex(index);
    if (index < 0)
        m_device->setEditText(device);
    ShowTextFromStart();
    ChoiceEdited();
}

void TTrackInterfaceGroup::ShowTextFromStart()
{
    // The device is the start of the text; a long description may run out
    // of the field, the device must not.
    m_device->lineEdit()->setCursorPosition(0);
}

void TTrackInterfaceGroup::ShowChoice(const TTrackInterfaceChoice& choice)
{
    switch (choice.Kind) {
    case TKind::ParallelPort: m_parallel->setChecked(true); break;
    case TKind::LapBoard: m_board->setChecked(true); break;
    case TKind::Simulated: m_simulated->setChecked(true); break;
    }
    ShowDevice(choice.SerialDevice);
}

TTrackInterfaceChoice TTrackInterfaceGroup::Choice() const
{
    TTrackInterfaceChoice choice;
    if (m_board->isChecked())
        choice.Kind = TKind::LapBoard;
    else if (m_simulated->isChecked())
        choice.Kind = TKind::Simulated;
    // A listed entry stands for its device; anything else is a typed device.
    const QString text = m_device->currentText();
    const int index = m_device->findText(text);
    choice.SerialDevice = index >= 0 ? m_device->itemData(index).toString() : text.trimmed();
    return choice;
}

void TTrackInterfaceGroup::BoardChosen(bool chosen)
{
    if (!chosen || !m_device->currentText().trimmed().isEmpty())
        return;
    // No device given yet: the first USB port found is the likely board.
    for (int i = 0; i < m_device->count(); ++i) {
        if (m_device->itemData(i, UsbRole).toBool()) {
            m_device->setCurrentIndex(i);
            ShowTextFromStart();
            return;
        }
    }
}

void TTrackInterfaceGroup::ChoiceEdited()
{
    const bool board = m_board->isChecked();
    m_device->setEnabled(board);
    m_refresh->setEnabled(board);
    m_restartNotice->setVisible(ChoiceChangesInterface(Choice(), m_atStartUp, m_simulateFlag));
}
