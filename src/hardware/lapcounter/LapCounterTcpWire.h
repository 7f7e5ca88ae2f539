#pragma once

#include "hardware/ByteWire.h"

#include <cstdint>
#include <memory>

class QTcpSocket;

// A counter or transponder decoder on the network: a TCP connection to its
// address and port, carrying the same messages as the serial line.
class TLapCounterTcpWire final : public TByteWire {
public:
    TLapCounterTcpWire(QString host, uint16_t port);
    ~TLapCounterTcpWire() override;

    bool Open(QString& problem) override;
    void Close() override;
    void Discard() override;
    bool Send(const QByteArray& bytes) override;
    bool Receive(QByteArray& bytes, int waitMs) override;

private:
    QString m_host;
    uint16_t m_port = 0;
    std::unique_ptr<QTcpSocket> m_socket;
};

// "host:port" (a name, an IPv4 address or a bracketed IPv6 one) split; false
// when there is no port between 1 and 65535 or no host.
bool SplitHostAndPort(const QString& text, QString& host, uint16_t& port);
