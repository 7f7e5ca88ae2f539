#include "hardware/lapcounter/LapCounterTcpWire.h"

#include <QTcpSocket>

namespace {
constexpr int ConnectMs = 2000;
}

TLapCounterTcpWire::TLapCounterTcpWire(QString host, uint16_t port) : m_host(std::move(host)), m_port(port) {}

TLapCounterTcpWire::~TLapCounterTcpWire() = default;

bool TLapCounterTcpWire::Open(QString& problem)
{
    // Made here, on the link thread that uses it.
    m_socket = std::make_unique<QTcpSocket>();
    m_socket->connectToHost(m_host, m_port);
    if (!m_socket->waitForConnected(ConnectMs)) {
        problem = QStringLiteral("The lap counter at %1:%2 cannot be reached: %3.")
                      .arg(m_host)
                      .arg(m_port)
                      .arg(m_socket->errorString());
        m_socket->abort();
        return false;
    }
    // A lap message is a few bytes: each must go at once, not wait for more.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    return true;
}

void TLapCounterTcpWire::Close()
{
    if (m_socket)
        m_socket->abort();
}

void TLapCounterTcpWire::Discard()
{
    if (m_socket->bytesAvailable() > 0)
        m_socket->readAll();
}

bool TLapCounterTcpWire::Send(const QByteArray& bytes)
{
    if (m_socket->state() != QAbstractSocket::ConnectedState || m_socket->write(bytes) != bytes.size())
        return false;
    m_socket->flush();
    return true;
}

bool TLapCounterTcpWire::Receive(QByteArray& bytes, int waitMs)
{
    if (m_socket->bytesAvailable() == 0 && !m_socket->waitForReadyRead(waitMs)) {
        // Waiting without data reports a timeout; a closed connection or a
        // network error means the counter is gone.
        return m_socket->state() == QAbstractSocket::ConnectedState;
    }
    bytes += m_socket->readAll();
    return m_socket->state() == QAbstractSocket::ConnectedState || !bytes.isEmpty();
}

bool SplitHostAndPort(const QString& text, QString& host, uint16_t& port)
{
    const QString trimmed = text.trimmed();
    const qsizetype colon = trimmed.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    bool ok = false;
    const uint number = trimmed.mid(colon + 1).toUInt(&ok);
    if (!ok || number == 0 || number > 65535)
        return false;
    host = trimmed.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    else if (host.contains(QLatin1Char(':')))
        return false;  // an IPv6 address needs its brackets before a port
    if (host.isEmpty())
        return false;
    port = uint16_t(number);
    return true;
}
