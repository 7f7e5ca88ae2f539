#include "voice/TextToSpeechSpeaker.h"

#include <QTextToSpeech>
#include <QThread>
#include <QTimer>
#include <QVoice>

// The engine's side, on the speaker's thread.
class TSpeechWorker : public QObject {
    Q_OBJECT
public:
    explicit TSpeechWorker(const QString& engine) : m_engineName(engine) {}

    void Start()
    {
        const QStringList engines = QTextToSpeech::availableEngines();
        if (engines.isEmpty()) {
            emit EngineState(false,
                             QStringLiteral("No speech engine is installed, so nothing can be said out loud (on "
                                            "Debian: the package qt6-speech-flite-plugin)."),
                             {}, true);
            return;
        }
        const QString name = engines.contains(m_engineName) ? m_engineName : engines.first();
        m_engine = new QTextToSpeech(name, this);
        if (m_engine->state() == QTextToSpeech::Error) {
            emit EngineState(false, QStringLiteral("The speech engine did not start: %1").arg(m_engine->errorString()),
                             {}, true);
            return;
        }
        connect(m_engine, &QTextToSpeech::stateChanged, this, &TSpeechWorker::EngineStateChanged);
        m_watchdog = new QTimer(this);
        m_watchdog->setSingleShot(true);
        connect(m_watchdog, &QTimer::timeout, this, [this] {
            if (m_busy)
                Done(false, QStringLiteral("The speech engine did not finish the phrase."));
        });
        QStringList voices;
        for (const QVoice& voice : m_engine->availableVoices())
            voices << voice.name();
        // The engine may be there without a way to be heard (no sound output).
        const QString problem = m_engine->errorString().isEmpty()
                                    ? QString()
                                    : QStringLiteral("The speech engine has no sound output to speak through (%1).")
                                          .arg(m_engine->errorString());
        emit EngineState(true, problem, voices, KeepsItsPace());
    }

    void Configure(const QString& voice, int ratePercent, int volumePercent)
    {
        if (!m_engine)
            return;
        // The flite engine of Qt 6.4 cannot change its pace: slower, it starts
        // a phrase and never ends it; faster, it fails some phrases (by their
        // length) with "Audio streaming error" and says nothing more until the
        // program restarts. It keeps its own pace; other engines take the rate.
        m_rate = KeepsItsPace() ? 0.0 : std::clamp(ratePercent, -100, 100) / 100.0;
        m_engine->setRate(m_rate);
        m_engine->setVolume(std::clamp(volumePercent, 0, 100) / 100.0);
        const QList<QVoice> voices = m_engine->availableVoices();
        for (const QVoice& candidate : voices)
            if (candidate.name() == voice || (voice.isEmpty() && candidate == voices.first()))
                m_engine->setVoice(candidate);
    }

    void Say(const QString& text)
    {
        if (!m_engine) {
            emit Finished(false, QStringLiteral("No speech engine is installed."));
            return;
        }
        m_waiting << text;
        if (!m_busy)
            SayWaiting();
    }

    bool KeepsItsPace() const { return m_engine && m_engine->engine() == QLatin1String("flite"); }

signals:
    void EngineState(bool hasEngine, const QString& problem, const QStringList& voices, bool keepsItsPace);
    void Finished(bool spoken, const QString& problem);

private:
    void SayWaiting()
    {
        if (m_waiting.isEmpty())
            return;
        const QString text = m_waiting.takeFirst();
        m_busy = true;
        m_started = false;
        // A phrase takes seconds; an engine silent far beyond that has lost it.
        m_watchdog->start(10000 + 200 * int(text.size()));
        m_engine->setRate(m_rate);
        m_engine->say(text);
    }

    void EngineStateChanged(QTextToSpeech::State state)
    {
        if (!m_busy)
            return;
        if (state == QTextToSpeech::Speaking)
            m_started = true;
        else if (state == QTextToSpeech::Ready && m_started)
            Done(true, {});
        else if (state == QTextToSpeech::Error) {
            // The engine gives its reason only after it has said Error, and
            // goes back to Ready then, which does not mean the phrase was said.
            m_started = false;
            QMetaObject::invokeMethod(this, &TSpeechWorker::Failed, Qt::QueuedConnection);
        }
    }

    void Failed()
    {
        if (m_busy)
            Done(false, m_engine->errorString().isEmpty()
                            ? QStringLiteral("The speech engine could not say the phrase.")
                            : m_engine->errorString());
    }

    void Done(bool spoken, const QString& problem)
    {
        m_busy = false;
        m_watchdog->stop();
        emit Finished(spoken, problem);
        SayWaiting();
    }

    QString m_engineName;
    QTextToSpeech* m_engine = nullptr;
    QTimer* m_watchdog = nullptr;
    QStringList m_waiting;
    double m_rate = 0.0;
    bool m_busy = false;
    bool m_started = false;  // the engine has begun the present phrase
};

TTextToSpeechSpeaker::TTextToSpeechSpeaker(const QString& engine, QObject* parent) : TSpeaker(parent)
{
    m_thread = new QThread(this);
    m_thread->setObjectName(QStringLiteral("Speech"));
    m_worker = new TSpeechWorker(engine);
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::started, m_worker, &TSpeechWorker::Start);
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &TSpeechWorker::EngineState, this, &TTextToSpeechSpeaker::TakeEngineState);
    connect(m_worker, &TSpeechWorker::Finished, this, &TSpeaker::Finished);
    m_thread->start();
}

TTextToSpeechSpeaker::~TTextToSpeechSpeaker()
{
    m_thread->quit();
    m_thread->wait();
}

void TTextToSpeechSpeaker::Say(const QString& text)
{
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, text] { worker->Say(text); }, Qt::QueuedConnection);
}

void TTextToSpeechSpeaker::Configure(const QString& voice, int ratePercent, int volumePercent)
{
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker, voice, ratePercent, volumePercent] {
            worker->Configure(voice, ratePercent, volumePercent);
        },
        Qt::QueuedConnection);
}

void TTextToSpeechSpeaker::TakeEngineState(bool hasEngine, const QString& problem, const QStringList& voices,
                                           bool keepsItsPace)
{
    m_keepsItsPace = keepsItsPace;
    m_hasEngine = hasEngine;
    m_problem = problem;
    m_voices = voices;
    emit EngineReady();
}

#include "TextToSpeechSpeaker.moc"
