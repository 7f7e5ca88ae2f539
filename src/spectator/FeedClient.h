#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

class QTcpSocket;

// One phone on the spectator feed: a TCP connection whose WebSocket handshake
// has been answered. It sends the documents it is given and reads what the
// phone sends only to answer pings and notice a close; all else is dropped.
//
// What it may cost is bounded at every moment: output waiting to go (the
// documents, pongs and close frames alike) may not pass the bound, or the
// phone is dropped at once; input is taken at a bounded rate, the rest left
// to the network's flow control; and a frame that breaks RFC 6455 (an
// unmasked one, say) closes the connection with its code.
//
// It announces Gone exactly once, however the connection ends, and deletes
// itself once its socket is closed.
class TFeedClient : public QObject {
    Q_OBJECT
public:
    // Bytes taken from the phone per interval; a page sends next to nothing,
    // so this only caps what a flood of frames can cost.
    static constexpr qint64 ReadBudgetBytes = 1024;
    static constexpr int ReadIntervalMs = 100;
    // A closing phone that does not close its end in this time is cut off.
    static constexpr int CloseTimeoutMs = 1000;

    // Takes the connected socket, whose handshake answer has been written.
    TFeedClient(QTcpSocket* socket, qint64 maxUnsentBytes, QObject* parent);

    // Reads what came with the handshake; call once Gone is connected.
    void Start();
    // Sends a frame made by WebSocketFrames; drops the phone if its output
    // would pass the bound.
    void Send(const QByteArray& frame);
    bool IsGone() const { return m_gone; }

signals:
    void Gone(TFeedClient* client);

private:
    void Read();
    bool TakeFrames();
    bool Write(const QByteArray& frame);
    void Close(quint16 code);
    void Drop();
    void Leave();

    QTcpSocket* m_socket;
    const qint64 m_maxUnsentBytes;
    QByteArray m_received;
    qint64 m_budget = ReadBudgetBytes;
    QTimer m_refill;
    bool m_closing = false;
    bool m_gone = false;
};
