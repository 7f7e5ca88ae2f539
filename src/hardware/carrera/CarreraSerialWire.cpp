#include "hardware/carrera/CarreraSerialWire.h"

#include <QSerialPort>

TCarreraSerialWire::TCarreraSerialWire(QString device) : m_device(std::move(device)) {}

TCarreraSerialWire::~TCarreraSerialWire() = default;

bool TCarreraSerialWire::Open(QString& problem)
{
    // Made here, on the link thread that uses it.
    if (!m_port)
        m_port = std::make_unique<QSerialPort>();
    m_port->setPortName(m_device);
    if (!m_port->open(QIODevice::ReadWrite)) {
        problem = QStringLiteral("The Carrera Control Unit's port %1 cannot be opened: %2.")
                      .arg(m_device, m_port->errorString());
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

void TCarreraSerialWire::Close()
{
    if (m_port)
        m_port->close();
}

void TCarreraSerialWire::Discard()
{
    if (m_port->bytesAvailable() > 0)
        m_port->readAll();
}

bool TCarreraSerialWire::Send(const QByteArray& request)
{
    if (m_port->write(request) != request.size())
        return false;
    m_port->flush();
    return true;
}

bool TCarreraSerialWire::Receive(QByteArray& bytes, int waitMs)
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
