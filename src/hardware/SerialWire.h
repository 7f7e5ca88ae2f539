#pragma once

#include "hardware/ByteWire.h"

#include <memory>

class QSerialPort;

// A timer's serial line at 19200 baud, 8 data bits, no parity, one stop bit
// (the Carrera Control Unit's PC cable, a DIY lap counter's USB serial).
class TSerialWire final : public TByteWire {
public:
    // cannotOpen: what is said when the port cannot be opened, with %1 for
    // the device and %2 for the system's reason.
    TSerialWire(QString device, QString cannotOpen);
    ~TSerialWire() override;

    bool Open(QString& problem) override;
    void Close() override;
    void Discard() override;
    bool Send(const QByteArray& bytes) override;
    bool Receive(QByteArray& bytes, int waitMs) override;
    int64_t TransferUs(int byteCount) const override;

private:
    QString m_device;
    QString m_cannotOpen;
    std::unique_ptr<QSerialPort> m_port;
};
