#include "hardware/carrera/CarreraBleWire.h"

#include "hardware/carrera/CarreraBleFraming.h"

#include <QBluetoothAddress>
#include <QBluetoothDeviceInfo>
#include <QBluetoothLocalDevice>
#include <QBluetoothUuid>
#include <QDeadlineTimer>
#include <QLowEnergyController>
#include <QLowEnergyService>
#include <QMutex>
#include <QWaitCondition>
#include <chrono>

namespace {

// The adapter's service and characteristics, as Carrera's adapter offers them.
const QBluetoothUuid ServiceUuid(QStringLiteral("{39df7777-b1b4-b90b-57f1-7144ae4e4a6a}"));
const QBluetoothUuid WriteUuid(QStringLiteral("{39df8888-b1b4-b90b-57f1-7144ae4e4a6a}"));
const QBluetoothUuid NotifyUuid(QStringLiteral("{39df9999-b1b4-b90b-57f1-7144ae4e4a6a}"));

// Connecting, finding the service and switching its notifications on takes
// a second or two; more means the adapter is out of reach or switched off.
constexpr int ReadyMs = 6000;

int64_t NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

// What the link thread and the Bluetooth thread share, under the mutex.
struct TCarreraBleShared {
    enum class TPhase { Connecting, Ready, Gone };
    QMutex Mutex;
    QWaitCondition Changed;
    TPhase Phase = TPhase::Connecting;
    QString Problem;  // why it never became ready
    TCarreraBleFraming Framing;
    QByteArray Answers;  // as on the serial line, not yet read
};

// The Qt Bluetooth side, on the wire's own thread: it connects, finds the
// adapter's service, switches its notifications on, writes requests and
// takes notifications in.
class TCarreraBleSession final : public QObject {
public:
    TCarreraBleSession(const QBluetoothAddress& address, std::shared_ptr<TCarreraBleShared> shared)
        : m_address(address), m_shared(std::move(shared))
    {
    }

    void Start()
    {
        if (QBluetoothLocalDevice::allDevices().isEmpty()) {
            Fail(QStringLiteral("This machine has no Bluetooth adapter to reach the Carrera Control Unit %1 with.")
                     .arg(m_address.toString()));
            return;
        }
        QBluetoothDeviceInfo device(m_address, QStringLiteral("Control_Unit"), 0);
        device.setCoreConfigurations(QBluetoothDeviceInfo::LowEnergyCoreConfiguration);
        m_controller = QLowEnergyController::createCentral(device, this);
        connect(m_controller, &QLowEnergyController::connected, this, [this] { m_controller->discoverServices(); });
        connect(m_controller, &QLowEnergyController::discoveryFinished, this, &TCarreraBleSession::ServicesKnown);
        connect(m_controller, &QLowEnergyController::errorOccurred, this, [this] {
            Fail(QStringLiteral("The Carrera Control Unit %1 cannot be reached over Bluetooth: %2.")
                     .arg(m_address.toString(), m_controller->errorString()));
        });
        connect(m_controller, &QLowEnergyController::disconnected, this, [this] {
            Fail(QStringLiteral("The Carrera Control Unit %1 ended the Bluetooth connection.")
                     .arg(m_address.toString()));
        });
        m_controller->connectToDevice();
    }

    void Write(const QByteArray& message)
    {
        if (m_service && m_write.isValid())
            m_service->writeCharacteristic(m_write, message, m_writeMode);
    }

    void Stop()
    {
        if (m_controller)
            m_controller->disconnectFromDevice();
    }

private:
    void ServicesKnown()
    {
        m_service = m_controller->createServiceObject(ServiceUuid, this);
        if (!m_service) {
            Fail(QStringLiteral("The Bluetooth device %1 is no Carrera Control Unit: it lacks the adapter's service.")
                     .arg(m_address.toString()));
            return;
        }
        connect(m_service, &QLowEnergyService::stateChanged, this, [this](QLowEnergyService::ServiceState state) {
            if (state == QLowEnergyService::RemoteServiceDiscovered)
                DetailsKnown();
        });
        connect(m_service, &QLowEnergyService::characteristicChanged, this,
                [this](const QLowEnergyCharacteristic& characteristic, const QByteArray& value) {
                    if (characteristic.uuid() == NotifyUuid)
                        Notified(value);
                });
        connect(m_service, &QLowEnergyService::descriptorWritten, this,
                [this](const QLowEnergyDescriptor& descriptor, const QByteArray& /*value*/) {
                    if (descriptor.type() == QBluetoothUuid::DescriptorType::ClientCharacteristicConfiguration)
                        Ready();
                });
        connect(m_service, &QLowEnergyService::errorOccurred, this, [this] {
            Fail(QStringLiteral("The Carrera Control Unit %1 failed over Bluetooth (its service reports an error).")
                     .arg(m_address.toString()));
        });
        m_service->discoverDetails();
    }

    void DetailsKnown()
    {
        m_write = m_service->characteristic(WriteUuid);
        const QLowEnergyCharacteristic notify = m_service->characteristic(NotifyUuid);
        const QLowEnergyDescriptor configuration =
            notify.isValid() ? notify.clientCharacteristicConfiguration() : QLowEnergyDescriptor();
        if (!m_write.isValid() || !configuration.isValid()) {
            Fail(QStringLiteral("The Bluetooth device %1 is no Carrera Control Unit: its service lacks the "
                                "adapter's characteristics.")
                     .arg(m_address.toString()));
            return;
        }
        // An unconfirmed write where the adapter takes one: the answer comes
        // a connection interval sooner, and a lost request shows as a missing
        // answer, which the conversation copes with anyway.
        m_writeMode = (m_write.properties() & QLowEnergyCharacteristic::WriteNoResponse)
                          ? QLowEnergyService::WriteWithoutResponse
                          : QLowEnergyService::WriteWithResponse;
        m_service->writeDescriptor(configuration, QLowEnergyCharacteristic::CCCDEnableNotification);
    }

    void Notified(const QByteArray& value)
    {
        const QMutexLocker lock(&m_shared->Mutex);
        m_shared->Framing.Notification(value, NowMs(), m_shared->Answers);
        m_shared->Changed.wakeAll();
    }

    void Ready()
    {
        const QMutexLocker lock(&m_shared->Mutex);
        if (m_shared->Phase == TCarreraBleShared::TPhase::Connecting)
            m_shared->Phase = TCarreraBleShared::TPhase::Ready;
        m_shared->Changed.wakeAll();
    }

    void Fail(const QString& problem)
    {
        const QMutexLocker lock(&m_shared->Mutex);
        // The first word on it is why it failed; the rest follows from it.
        if (m_shared->Phase == TCarreraBleShared::TPhase::Connecting)
            m_shared->Problem = problem;
        m_shared->Phase = TCarreraBleShared::TPhase::Gone;
        m_shared->Changed.wakeAll();
    }

    QBluetoothAddress m_address;
    std::shared_ptr<TCarreraBleShared> m_shared;
    QLowEnergyController* m_controller = nullptr;
    QLowEnergyService* m_service = nullptr;
    QLowEnergyCharacteristic m_write;
    QLowEnergyService::WriteMode m_writeMode = QLowEnergyService::WriteWithResponse;
};

TCarreraTimeouts TCarreraBleWire::Timeouts()
{
    TCarreraTimeouts timeouts;
    timeouts.AnswerMs = 250;
    timeouts.SilenceMs = 1500;
    return timeouts;
}

TCarreraBleWire::TCarreraBleWire(QString address) : m_address(std::move(address).trimmed()) {}

TCarreraBleWire::~TCarreraBleWire() { Close(); }

bool TCarreraBleWire::Open(QString& problem)
{
    Close();
    const QBluetoothAddress address(m_address);
    if (address.isNull()) {
        problem = m_address.isEmpty()
                      ? QStringLiteral("No Bluetooth device is set for the Carrera Control Unit (Settings, I/O).")
                      : QStringLiteral("\"%1\" is no Bluetooth device address.").arg(m_address);
        return false;
    }
    m_shared = std::make_shared<TCarreraBleShared>();
    m_thread = std::make_unique<QThread>();
    m_thread->setObjectName(QStringLiteral("Carrera Bluetooth"));
    m_session = new TCarreraBleSession(address, m_shared);
    m_session->moveToThread(m_thread.get());
    TCarreraBleSession* session = m_session;
    QObject::connect(m_thread.get(), &QThread::started, session, [session] { session->Start(); });
    // Deleted on its own thread as that ends, its Bluetooth objects with it.
    QObject::connect(m_thread.get(), &QThread::finished, session, &QObject::deleteLater);
    m_thread->start();

    QMutexLocker lock(&m_shared->Mutex);
    const QDeadlineTimer deadline(ReadyMs);
    while (m_shared->Phase == TCarreraBleShared::TPhase::Connecting && !deadline.hasExpired())
        m_shared->Changed.wait(&m_shared->Mutex, deadline);
    if (m_shared->Phase == TCarreraBleShared::TPhase::Ready)
        return true;
    problem = m_shared->Phase == TCarreraBleShared::TPhase::Connecting
                  ? QStringLiteral(
                        "The Carrera Control Unit %1 did not connect over Bluetooth within %2 s: is it "
                        "switched on and near?")
                        .arg(m_address)
                        .arg(ReadyMs / 1000)
                  : m_shared->Problem;
    lock.unlock();
    Close();
    return false;
}

void TCarreraBleWire::Close()
{
    if (!m_thread)
        return;
    // The disconnect is asked for before the thread's loop ends, in one go:
    // a quit from here could end the loop with the request still queued.
    TCarreraBleSession* session = m_session;
    QMetaObject::invokeMethod(
        session,
        [session] {
            session->Stop();
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    if (!m_thread->wait(QDeadlineTimer(2000))) {
        m_thread->quit();
        m_thread->wait();
    }
    m_thread.reset();
    m_session = nullptr;
    const QMutexLocker lock(&m_shared->Mutex);
    m_shared->Phase = TCarreraBleShared::TPhase::Gone;
}

void TCarreraBleWire::Discard()
{
    if (!m_shared)
        return;
    const QMutexLocker lock(&m_shared->Mutex);
    m_shared->Answers.clear();
}

bool TCarreraBleWire::Send(const QByteArray& request)
{
    if (!m_shared)
        return false;
    QByteArray message;
    {
        const QMutexLocker lock(&m_shared->Mutex);
        if (m_shared->Phase != TCarreraBleShared::TPhase::Ready)
            return false;
        message = m_shared->Framing.Request(request, NowMs());
    }
    TCarreraBleSession* session = m_session;
    QMetaObject::invokeMethod(
        session, [session, message] { session->Write(message); }, Qt::QueuedConnection);
    return true;
}

bool TCarreraBleWire::Receive(QByteArray& bytes, int waitMs)
{
    if (!m_shared)
        return false;
    QMutexLocker lock(&m_shared->Mutex);
    if (m_shared->Answers.isEmpty() && m_shared->Phase == TCarreraBleShared::TPhase::Ready)
        m_shared->Changed.wait(&m_shared->Mutex, QDeadlineTimer(waitMs));
    if (m_shared->Phase != TCarreraBleShared::TPhase::Ready)
        return false;
    bytes += m_shared->Answers;
    m_shared->Answers.clear();
    return true;
}
