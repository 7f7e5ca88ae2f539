#include "hardware/carrera/CarreraBleSearch.h"

#include <QBluetoothDeviceDiscoveryAgent>
#include <QBluetoothDeviceInfo>
#include <QBluetoothLocalDevice>

namespace {

// Long enough for an adapter that advertises now and then, short enough
// for someone waiting at the list.
constexpr int SearchMs = 8000;

QString NoBluetooth() { return QStringLiteral("No Bluetooth on this PC."); }

// Short: the note stands beside the list, in a narrow group.
QString ProblemText(QBluetoothDeviceDiscoveryAgent::Error error)
{
    switch (error) {
    case QBluetoothDeviceDiscoveryAgent::InvalidBluetoothAdapterError: return NoBluetooth();
    case QBluetoothDeviceDiscoveryAgent::PoweredOffError: return QStringLiteral("Bluetooth is switched off.");
    default: return QStringLiteral("The search failed.");
    }
}

}  // namespace

TCarreraBleSearch::TCarreraBleSearch(QObject* parent) : QObject(parent) {}

TCarreraBleSearch::~TCarreraBleSearch() = default;

void TCarreraBleSearch::Start()
{
    if (m_running)
        return;
    m_running = true;
    // Said plainly, before the agent's own words for it come into play.
    if (QBluetoothLocalDevice::allDevices().isEmpty()) {
        Finish(NoBluetooth());
        return;
    }
    if (!m_agent) {
        m_agent = std::make_unique<QBluetoothDeviceDiscoveryAgent>();
        m_agent->setLowEnergyDiscoveryTimeout(SearchMs);
        connect(m_agent.get(), &QBluetoothDeviceDiscoveryAgent::deviceDiscovered, this,
                [this](const QBluetoothDeviceInfo& device) {
                    if (device.name() == QLatin1String("Control_Unit"))
                        emit Found(device.address().toString(), device.name());
                });
        connect(m_agent.get(), &QBluetoothDeviceDiscoveryAgent::finished, this, [this] { Finish({}); });
        connect(m_agent.get(), &QBluetoothDeviceDiscoveryAgent::canceled, this, [this] { Finish({}); });
        connect(m_agent.get(), &QBluetoothDeviceDiscoveryAgent::errorOccurred, this,
                [this](QBluetoothDeviceDiscoveryAgent::Error error) { Finish(ProblemText(error)); });
    }
    // An adapter that is switched off is reported from within start().
    m_agent->start(QBluetoothDeviceDiscoveryAgent::LowEnergyMethod);
}

void TCarreraBleSearch::Finish(const QString& problem)
{
    if (!m_running)
        return;
    m_running = false;
    emit Ended(problem);
}
