#pragma once

#include "voice/Speaker.h"

#include <QTimer>
#include <tuple>

// A speaker that writes down what it is given to say, and reports it done on
// the next turn of the event loop, as an engine would.
class TRecordingSpeaker final : public TSpeaker {
public:
    void Say(const QString& text) override
    {
        said << text;
        QTimer::singleShot(0, this, [this] { emit Finished(failure.isEmpty(), failure); });
    }
    void Configure(const QString& v, int r, int l) override { std::tie(voice, rate, volume) = std::tuple(v, r, l); }
    bool HasEngine() const override { return hasEngine; }
    QString Problem() const override { return problem; }
    QStringList Voices() const override { return voices; }

    QStringList said;
    QString voice;  // the last voice, rate and volume configured
    int rate = 0;
    int volume = 100;
    bool hasEngine = true;
    QString problem;
    QStringList voices{QStringLiteral("Alan"), QStringLiteral("Kal")};
    QString failure;  // not empty: every phrase fails for this reason
};
