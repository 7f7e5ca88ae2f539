#include "voice/Announcer.h"

#include "common/RaceClock.h"
#include "timing/SoundPlayer.h"
#include "voice/Speaker.h"

TAnnouncer::TAnnouncer(TRaceClock& clock, std::unique_ptr<TSpeaker> speaker, QObject* parent)
    : QObject(parent), m_clock(clock)
{
    SetSpeaker(std::move(speaker));
}

TAnnouncer::~TAnnouncer() = default;

void TAnnouncer::SetSpeaker(std::unique_ptr<TSpeaker> speaker)
{
    if (m_speaker)
        disconnect(m_speaker.get(), nullptr, this, nullptr);
    m_speaker = std::move(speaker);
    m_speaking = false;
    m_sampleSpoken = false;
    connect(m_speaker.get(), &TSpeaker::Finished, this, &TAnnouncer::SpeakerFinished);
    // Whether the engine keeps its own pace is known once it is ready.
    connect(m_speaker.get(), &TSpeaker::EngineReady, this,
            [this] { m_queue.SetRate(m_speaker->EffectiveRate(m_choice.RatePercent)); });
    m_queue.SetRate(m_speaker->EffectiveRate(m_choice.RatePercent));
    ApplyVoice(m_choice);
}

void TAnnouncer::SetChoice(const TAnnouncementChoice& choice)
{
    m_choice = choice;
    m_rulesConfig.Says = choice.Says;
    m_queue.SetRate(m_speaker->EffectiveRate(choice.RatePercent));
    if (!m_choice.Enabled)
        m_queue.Clear();
    ApplyVoice(m_choice);
}

void TAnnouncer::SetNameSource(std::function<QHash<QString, QString>(const QMap<int32_t, QString>&)> source)
{
    m_nameSource = std::move(source);
}

void TAnnouncer::SetWaves(TSoundPlayer* waves)
{
    if (m_waves)
        disconnect(m_waves, nullptr, this, nullptr);
    m_waves = waves;
    if (m_waves)
        connect(m_waves, &TSoundPlayer::Quiet, this, &TAnnouncer::SayNext);
}

void TAnnouncer::Hear(const TRaceEvent& event)
{
    if (!m_choice.Enabled)
        return;
    if (event.Type == TRaceEvent::TType::LineUp) {
        // A new race: nothing of the last one is worth saying any more.
        m_memory = {};
        m_queue.Clear();
        m_rulesConfig.SpokenNames = m_nameSource ? m_nameSource(m_choice.SpokenNames) : QHash<QString, QString>();
    }
    for (const TPhrase& phrase : AnnouncementRules::Announce(m_memory, event, m_rulesConfig))
        m_queue.Push(phrase);
    SayNext();
}

QString TAnnouncer::SampleText()
{
    return QStringLiteral("Heat 1. Track 1, Anna de Vries. Fastest lap, Anna de Vries, 6.02. Last lap.");
}

void TAnnouncer::SaySample(const TAnnouncementChoice& trial)
{
    ApplyVoice(trial);
    m_sampleSpoken = true;
    m_speaking = true;
    emit Saying(SampleText());
    m_speaker->Say(SampleText());
}

void TAnnouncer::SayNext()
{
    // One phrase at a time, and never over a race sound: the wave's end
    // (Quiet) or the phrase's end (Finished) brings the next.
    if (m_speaking || (m_waves && m_waves->Playing()))
        return;
    const std::optional<TPhrase> phrase = m_queue.TakeNext(m_clock.NowMs());
    if (!phrase)
        return;
    m_speaking = true;
    emit Saying(phrase->Text);
    m_speaker->Say(phrase->Text);
}

void TAnnouncer::SpeakerFinished()
{
    m_speaking = false;
    if (m_sampleSpoken) {
        m_sampleSpoken = false;
        ApplyVoice(m_choice);
    }
    SayNext();
}

void TAnnouncer::ApplyVoice(const TAnnouncementChoice& choice)
{
    m_speaker->Configure(choice.Voice, choice.RatePercent, choice.VolumePercent);
}
