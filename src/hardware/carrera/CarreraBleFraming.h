#pragma once

#include <QByteArray>
#include <cstdint>
#include <deque>

// Carrera's Bluetooth adapter carries the serial line's messages in a form of
// its own: a request is written without the serial framing, and an answer
// comes as notifications that may leave out the command character. This
// turns the one into the other, so that the conversation reads the same
// bytes over either wire, late answers included.
//
// The CU answers every request in turn, so an answer belongs to the oldest
// request not yet answered. One never answered (a write or a notification
// lost on the radio) would shift every later answer by one: an answer that
// carries its own command character puts that right at once, and a request
// waiting longer than any answer takes is given up when a later one waits.
// Times are in ms on any steady clock.
class TCarreraBleFraming {
public:
    // What is written to the adapter for a request framed for the serial line
    // ('"', message, '$'): the message alone. The request then waits for its
    // answer.
    QByteArray Request(const QByteArray& serialRequest, int64_t nowMs);

    // Appends to `answers` every answer that a notification completes, as the
    // serial line brings it: command character, message, end byte. A
    // notification may carry a part of an answer or several answers; a part
    // waits for the rest.
    void Notification(const QByteArray& value, int64_t nowMs, QByteArray& answers);

private:
    struct TWaiting {
        char Command;
        int64_t SentMs;
    };
    // The command character the answer `part` is to, taking it and any
    // request it shows went unanswered off the queue; 0 when none waits.
    char AnsweredCommand(const QByteArray& part, int64_t nowMs);

    std::deque<TWaiting> m_waiting;
    QByteArray m_part;
};
