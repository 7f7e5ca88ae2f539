#include "spectator/FeedClient.h"

#include "spectator/WebSocketFrames.h"

#include <QTcpSocket>

using WebSocketFrames::TClientFrame;

TFeedClient::TFeedClient(QTcpSocket* socket, qint64 maxUnsentBytes, QObject* parent)
    : QObject(parent), m_socket(socket), m_maxUnsentBytes(maxUnsentBytes)
{
    socket->setParent(this);
    // Unread input stays with the network beyond one budget's worth, so a
    // phone that floods is slowed by TCP itself rather than by our memory.
    socket->setReadBufferSize(ReadBudgetBytes);
    m_refill.setSingleShot(true);
    m_refill.setInterval(ReadIntervalMs);
    connect(&m_refill, &QTimer::timeout, this, [this] {
        m_budget = ReadBudgetBytes;
        Read();
    });
    connect(socket, &QTcpSocket::readyRead, this, &TFeedClient::Read);
    connect(socket, &QTcpSocket::errorOccurred, this, &TFeedClient::Drop);
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        Leave();
        deleteLater();
    });
}

void TFeedClient::Start()
{
    if (m_socket->state() != QAbstractSocket::ConnectedState) {
        Drop();
        return;
    }
    Read();
}

void TFeedClient::Send(const QByteArray& frame) { Write(frame); }

void TFeedClient::Read()
{
    while (!m_closing && m_budget > 0 && m_socket->bytesAvailable() > 0) {
        const QByteArray bytes = m_socket->read(m_budget);
        m_budget -= bytes.size();
        m_received += bytes;
        if (!TakeFrames())
            return;
    }
    if (!m_closing && m_budget <= 0 && !m_refill.isActive())
        m_refill.start();
}

bool TFeedClient::TakeFrames()
{
    for (;;) {
        const TClientFrame frame = WebSocketFrames::ReadClientFrame(m_received);
        m_received.remove(0, frame.Length);
        switch (frame.Kind) {
        case TClientFrame::TKind::Incomplete: return true;
        case TClientFrame::TKind::Other: break;
        case TClientFrame::TKind::Ping:
            if (!Write(WebSocketFrames::PongFrame(frame.Payload)))
                return false;
            break;
        case TClientFrame::TKind::Close: Close(WebSocketFrames::Normal); return false;
        case TClientFrame::TKind::Refused: Close(frame.Code); return false;
        }
    }
}

bool TFeedClient::Write(const QByteArray& frame)
{
    if (m_closing)
        return false;
    // Judged on every write, the pongs too: a phone that does not read gets
    // no more than the bound queued for it, whatever it sends.
    if (m_socket->bytesToWrite() + frame.size() > m_maxUnsentBytes) {
        Drop();
        return false;
    }
    m_socket->write(frame);
    return true;
}

void TFeedClient::Close(quint16 code)
{
    if (m_closing)
        return;
    Write(WebSocketFrames::CloseFrame(code));
    m_closing = true;
    m_received.clear();
    Leave();
    if (m_socket->state() == QAbstractSocket::UnconnectedState)
        return;
    m_socket->disconnectFromHost();
    QTimer::singleShot(CloseTimeoutMs, m_socket, &QTcpSocket::abort);
}

void TFeedClient::Drop()
{
    m_closing = true;
    Leave();
    // abort() ends in disconnected(), which deletes this; an unconnected
    // socket emits nothing more, so it is deleted here.
    if (m_socket->state() == QAbstractSocket::UnconnectedState)
        deleteLater();
    else
        m_socket->abort();
}

void TFeedClient::Leave()
{
    if (m_gone)
        return;
    m_gone = true;
    m_refill.stop();
    emit Gone(this);
}
