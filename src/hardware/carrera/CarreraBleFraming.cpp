#include "hardware/carrera/CarreraBleFraming.h"

#include "hardware/carrera/CarreraProtocol.h"

#include <algorithm>

namespace {

// Longer than any answer the CU gives; a part that a notification leaves
// longer without an end byte is noise, and would only spoil the next answer.
constexpr int LongestAnswer = 64;
// An answer takes a connection interval or two each way, some 100 ms; a
// request waiting far longer than that was never answered.
constexpr int64_t UnansweredMs = 1000;
// The conversation asks one thing at a time; this many waiting means the
// answers stopped coming, and the oldest are of no use.
constexpr size_t MostWaiting = 16;

}  // namespace

QByteArray TCarreraBleFraming::Request(const QByteArray& serialRequest, int64_t nowMs)
{
    QByteArray message = serialRequest;
    if (message.startsWith(CarreraProtocol::RequestStart))
        message.remove(0, 1);
    if (message.endsWith(CarreraProtocol::MessageEnd))
        message.chop(1);
    if (!message.isEmpty())
        m_waiting.push_back({message.at(0), nowMs});
    if (m_waiting.size() > MostWaiting)
        m_waiting.pop_front();
    return message;
}

void TCarreraBleFraming::Notification(const QByteArray& value, int64_t nowMs, QByteArray& answers)
{
    for (const char byte : value) {
        if (byte != CarreraProtocol::MessageEnd && byte != CarreraProtocol::OtherMessageEnd) {
            m_part.append(byte);
            continue;
        }
        const char command = AnsweredCommand(m_part, nowMs);
        // The adapter may leave out the command character.
        if (command != 0 && (m_part.isEmpty() || m_part.at(0) != command))
            answers.append(command);
        answers.append(m_part);
        answers.append(byte);
        m_part.clear();
    }
    if (m_part.size() > LongestAnswer)
        m_part.clear();
}

char TCarreraBleFraming::AnsweredCommand(const QByteArray& part, int64_t nowMs)
{
    // Requests that went unanswered: older than any answer takes while a
    // later one waits, or passed over by an answer that names its own.
    while (m_waiting.size() > 1 && nowMs - m_waiting.front().SentMs > UnansweredMs)
        m_waiting.pop_front();
    if (m_waiting.empty())
        return 0;
    if (!part.isEmpty() && part.at(0) != m_waiting.front().Command) {
        const auto named = std::find_if(m_waiting.begin(), m_waiting.end(),
                                        [&](const TWaiting& waiting) { return waiting.Command == part.at(0); });
        if (named != m_waiting.end())
            m_waiting.erase(m_waiting.begin(), named);
    }
    const char command = m_waiting.front().Command;
    m_waiting.pop_front();
    return command;
}
