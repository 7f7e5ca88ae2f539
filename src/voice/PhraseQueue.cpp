#include "voice/PhraseQueue.h"

#include <algorithm>
#include <cmath>

int64_t EstimatedSpeechMs(const QString& text, int ratePercent)
{
    // Measured on the flite voices at their normal pace: about 70 ms a
    // character, a digit said as a word of its own, a breath at each comma
    // or stop, and the engine's start. A rate of +100 says it in half the
    // time, -100 in twice the time.
    int64_t ms = 400;
    for (const QChar c : text)
        ms += c.isDigit() ? 320 : (c == QLatin1Char(',') || c == QLatin1Char('.')) ? 220 : 70;
    const double pace = std::pow(2.0, -std::clamp(ratePercent, -100, 100) / 100.0);
    return int64_t(std::lround(double(ms) * pace));
}

namespace {
// More urgent first; of equal urgency the older first.
bool MoreUrgent(const TPhrase& a, const TPhrase& b)
{
    return a.Priority != b.Priority ? a.Priority < b.Priority : a.MadeMs < b.MadeMs;
}
}  // namespace

void TPhraseQueue::Push(const TPhrase& phrase)
{
    // A newer phrase on the same topic says what the waiting one would have.
    const auto stale =
        std::remove_if(m_waiting.begin(), m_waiting.end(), [&](const TPhrase& p) { return p.Topic == phrase.Topic; });
    m_dropped += int(m_waiting.end() - stale);
    m_waiting.erase(stale, m_waiting.end());

    m_waiting.insert(std::upper_bound(m_waiting.begin(), m_waiting.end(), phrase, MoreUrgent), phrase);
    // Over the limit: the least urgent go first, the newcomer too when it is
    // the least urgent. A single phrase always stays, however long.
    while (m_waiting.size() > 1 && WaitingMs() > MaxWaitingMs) {
        m_waiting.removeLast();
        ++m_dropped;
    }
}

std::optional<TPhrase> TPhraseQueue::TakeNext(int64_t nowMs)
{
    while (!m_waiting.isEmpty()) {
        TPhrase phrase = m_waiting.takeFirst();
        if (phrase.DeadlineMs >= nowMs)
            return phrase;
        ++m_dropped;
    }
    return std::nullopt;
}

int64_t TPhraseQueue::WaitingMs() const
{
    int64_t total = 0;
    for (const TPhrase& phrase : m_waiting)
        total += EstimatedSpeechMs(phrase.Text, m_rate);
    return total;
}
