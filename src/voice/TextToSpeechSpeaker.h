#pragma once

#include "voice/Speaker.h"

#include <QString>
#include <QStringList>

class QThread;
class TSpeechWorker;

// The machine's own speech engine (Qt TextToSpeech; the flite engine on
// Debian). The engine lives on a thread of its own: making it loads its
// voices, and an engine may take its time over a phrase, and neither may
// hold up the window or the race. Everything crosses over by queued calls.
class TTextToSpeechSpeaker final : public TSpeaker {
    Q_OBJECT
public:
    // engine: one of QTextToSpeech::availableEngines(); empty for the first.
    explicit TTextToSpeechSpeaker(const QString& engine = {}, QObject* parent = nullptr);
    ~TTextToSpeechSpeaker() override;

    void Say(const QString& text) override;
    void Configure(const QString& voice, int ratePercent, int volumePercent) override;
    bool HasEngine() const override { return m_hasEngine; }
    QString Problem() const override { return m_problem; }
    QStringList Voices() const override { return m_voices; }
    int EffectiveRate(int ratePercent) const override { return m_keepsItsPace ? 0 : ratePercent; }

private:
    void TakeEngineState(bool hasEngine, const QString& problem, const QStringList& voices, bool keepsItsPace);

    QThread* m_thread = nullptr;
    TSpeechWorker* m_worker = nullptr;  // lives on m_thread
    bool m_hasEngine = false;
    QString m_problem;
    QStringList m_voices;
    bool m_keepsItsPace = false;
};
