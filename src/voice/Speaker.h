#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// Something that says phrases out loud. The announcer speaks through it and
// the settings' "Test" button tries it; a test puts a recorder in its place.
// Nothing here may block: Say returns at once and Finished follows.
class TSpeaker : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts saying text. Exactly one Finished follows, once it has been said
    // or could not be. A phrase given while one is being said waits its turn.
    virtual void Say(const QString& text) = 0;
    // The voice (empty: the engine's default), the rate (-100..100) and the
    // volume (0..100) for what is said next.
    virtual void Configure(const QString& voice, int ratePercent, int volumePercent) = 0;

    // Whether there is an engine to speak with at all; Problem says what is
    // missing when there is not, in a sentence for the settings page.
    virtual bool HasEngine() const = 0;
    virtual QString Problem() const = 0;
    // The voices the engine offers, by name; empty until it is ready.
    virtual QStringList Voices() const = 0;
    // The rate the engine actually speaks at when asked for ratePercent: an
    // engine that keeps its own pace says 0. The announcer plans with it.
    virtual int EffectiveRate(int ratePercent) const { return ratePercent; }

signals:
    // The engine is ready (or known to be missing): HasEngine, Problem and
    // Voices are settled.
    void EngineReady();
    // The phrase of the last Say is done; spoken is false when the engine
    // could not say it, and problem says why.
    void Finished(bool spoken, const QString& problem);
};
