#pragma once

#include <QByteArray>
#include <QString>

// The bytes between the PC and the Control Unit: the serial line of the PC
// cable, or Carrera's Bluetooth adapter. Made and used on the link thread
// only; every call returns within the wait it is given.
class TCarreraWire {
public:
    virtual ~TCarreraWire() = default;

    // False when the CU cannot be reached, with why in `problem`, naming
    // the device.
    virtual bool Open(QString& problem) = 0;
    virtual void Close() = 0;
    // Drops whatever has come and was not read.
    virtual void Discard() = 0;
    // Sends one request as framed on the serial line ('"', message, '$');
    // false when the wire is gone.
    virtual bool Send(const QByteArray& request) = 0;
    // Appends the bytes that have come to `bytes`, waiting at most waitMs for
    // some; answers arrive as on the serial line (command character, message,
    // '$'). False when the wire is gone.
    virtual bool Receive(QByteArray& bytes, int waitMs) = 0;
};
