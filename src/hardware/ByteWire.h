#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// The bytes between the PC and a timer that talks over a line of its own: a
// serial port, a TCP connection, Carrera's Bluetooth adapter. Made and used
// on the timer's link thread only; every call returns within the wait it is
// given.
class TByteWire {
public:
    virtual ~TByteWire() = default;

    // False when the timer cannot be reached, with why in `problem`, naming
    // the device.
    virtual bool Open(QString& problem) = 0;
    virtual void Close() = 0;
    // Drops whatever has come and was not read.
    virtual void Discard() = 0;
    // Sends the bytes; false when the wire is gone.
    virtual bool Send(const QByteArray& bytes) = 0;
    // Appends the bytes that have come to `bytes`, waiting at most waitMs for
    // some. False when the wire is gone.
    virtual bool Receive(QByteArray& bytes, int waitMs) = 0;
    // How long `byteCount` bytes take on the wire, in µs: a timer that starts
    // its clock when a message has arrived started it that much later.
    virtual int64_t TransferUs(int /*byteCount*/) const { return 0; }
};
