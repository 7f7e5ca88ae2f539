#pragma once

#include "voice/Speaker.h"

#include <QStringList>
#include <QTimer>

// A speaker that writes down what it is given instead of saying it, and is
// done with each phrase as soon as the event loop turns, as a real engine is
// done some time after Say has returned.
class TRecordingSpeaker final : public TSpeaker {
public:
    explicit TRecordingSpeaker(bool hasEngine = true, QString problem = {})
        : m_hasEngine(hasEngine), m_problem(std::move(problem))
    {
    }

    void Say(const QString& text) override
    {
        Said << text;
        QTimer::singleShot(0, this, [this] { emit Finished(m_hasEngine, m_problem); });
    }
    void Configure(const QString& voice, int ratePercent, int volumePercent) override
    {
        Voice = voice;
        Rate = ratePercent;
        Volume = volumePercent;
    }
    bool HasEngine() const override { return m_hasEngine; }
    QString Problem() const override { return m_problem; }
    QStringList Voices() const override { return {QStringLiteral("kal"), QStringLiteral("slt")}; }

    QStringList Said;
    QString Voice;
    int Rate = 0;
    int Volume = 100;

private:
    bool m_hasEngine;
    QString m_problem;
};
