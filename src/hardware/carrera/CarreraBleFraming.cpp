#include "hardware/carrera/CarreraBleFraming.h"

#include "hardware/carrera/CarreraProtocol.h"

namespace {

// Longer than any answer the CU gives; a part that a notification leaves
// longer without an end byte is noise, and would only spoil the next answer.
constexpr int LongestAnswer = 64;

}  // namespace

QByteArray TCarreraBleFraming::Request(const QByteArray& serialRequest)
{
    QByteArray message = serialRequest;
    if (message.startsWith(CarreraProtocol::RequestStart))
        message.remove(0, 1);
    if (message.endsWith(CarreraProtocol::MessageEnd))
        message.chop(1);
    m_command = message.isEmpty() ? char(0) : message.at(0);
    m_part.clear();
    return message;
}

void TCarreraBleFraming::Notification(const QByteArray& value, QByteArray& answers)
{
    for (const char byte : value) {
        if (byte != CarreraProtocol::MessageEnd && byte != CarreraProtocol::OtherMessageEnd) {
            m_part.append(byte);
            continue;
        }
        // The adapter may leave out the command character: the answer is to
        // the request last sent, the only one waiting.
        if (m_command != 0 && (m_part.isEmpty() || m_part.at(0) != m_command))
            answers.append(m_command);
        answers.append(m_part);
        answers.append(byte);
        m_part.clear();
    }
    if (m_part.size() > LongestAnswer)
        m_part.clear();
}
