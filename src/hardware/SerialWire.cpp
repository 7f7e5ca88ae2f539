#include "hardware/SerialWire.h"

#include <QSerialPort>

namespace {
constexpr int BitsPerSecond = 19200;
constexpr int BitsPerByte = 10;  // start, 8 data, stop
}  // namespace

TSerialWire::TSerialWire(QString device, QString cannotOpen)
    : m_device(std::move(device)), m_cannotOpen(std::move(cannotOpen))
{
}

TSerialWire::~TSerialWire() = default;

bool TSerialWire::Open(QString& problem)
{
    // Made here, on the link thread that uses it.
    if (!m_port)
        m_port = std::make_unique<QSerialPort>();
    m_port->setPortName(m_device);
    if (!m_port->open(QIODevice::ReadWrite)) {
        problem = m_cannotOpen.arg(m_device, m_port->errorString());
        return false;
    }
    m_port->setBaudRate(QSerialPort::Baud19200);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    m_port->clear();
    return true;
}

void TSerialWire::Close()
{
    if (m_port)
        m_port->close();
}

void TSerialWire::Discard()
{
    if (m_port->bytesAvailable() > 0)
        m_port->readAll();
}

bool TSerialWire::Send(const QByteArray& bytes)
{
    if (m_port->write(bytes) != bytes.size())
        return false;
    m_port->flush();
    return true;
}

bool TSerialWire::Receive(QByteArray& bytes, int waitMs)
{
    if (m_port->bytesAvailable() == 0 && !m_port->waitForReadyRead(waitMs)) {
        const QSerialPort::SerialPortError error = m_port->error();
        // Waiting without data reports a timeout; anything else means the
        // port is gone (the cable was pulled).
        if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError)
            return false;
        m_port->clearError();
        return m_port->isOpen();
    }
    bytes += m_port->readAll();
    return true;
}

int64_t TSerialWire::TransferUs(int byteCount) const
{
    return int64_t(byteCount) * BitsPerByte * 1000000 / BitsPerSecond;
}
