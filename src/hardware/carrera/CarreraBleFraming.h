#pragma once

#include <QByteArray>

// Carrera's Bluetooth adapter carries the serial line's messages in a form of
// its own: a request is written without the serial framing, and an answer
// comes as notifications that may leave out the command character. This
// turns the one into the other, so that the conversation reads the same
// bytes over either wire.
class TCarreraBleFraming {
public:
    // What is written to the adapter for a request framed for the serial line
    // ('"', message, '$'): the message alone. Its command character is kept
    // for the answer, and a part answer to an earlier request is dropped.
    QByteArray Request(const QByteArray& serialRequest);

    // Appends to `answers` every answer that a notification completes, as the
    // serial line brings it: command character, message, end byte. A
    // notification may carry a part of an answer or several answers; a part
    // waits for the rest.
    void Notification(const QByteArray& value, QByteArray& answers);

private:
    char m_command = 0;
    QByteArray m_part;
};
