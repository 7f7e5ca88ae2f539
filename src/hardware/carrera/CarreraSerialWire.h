#pragma once

#include "hardware/carrera/CarreraWire.h"

#include <memory>

class QSerialPort;

// The CU's PC connection: 19200 baud, 8 data bits, no parity, one stop bit.
class TCarreraSerialWire final : public TCarreraWire {
public:
    explicit TCarreraSerialWire(QString device);
    ~TCarreraSerialWire() override;

    bool Open(QString& problem) override;
    void Close() override;
    void Discard() override;
    bool Send(const QByteArray& request) override;
    bool Receive(QByteArray& bytes, int waitMs) override;

private:
    QString m_device;
    std::unique_ptr<QSerialPort> m_port;
};
