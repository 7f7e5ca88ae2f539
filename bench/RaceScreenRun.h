#pragma once

#include "common/WindowPlacement.h"
#include "timing/KWLTimer.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QPushButton>
#include <QTimer>

#include <array>
#include <functional>
#include <vector>

// The length of the benchmark races: a minute unless KOBALAP_BENCH_RACE_SECONDS says otherwise.
inline int RaceSeconds()
{
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("KOBALAP_BENCH_RACE_SECONDS", &ok);
    return ok && seconds > 0 ? seconds : 60;
}

// How long the UI thread keeps events waiting: every 20 ms an event is posted
// to it, and its wait is the time from posting to running.
class TUiLatencyProbe {
public:
    explicit TUiLatencyProbe(QObject& target, size_t expectedEvents = 0)
    {
        m_latenciesMs.reserve(expectedEvents);
        m_sinceStart.start();
        m_poster.setInterval(20);
        QObject::connect(&m_poster, &QTimer::timeout, [this, &target] {
            const qint64 posted = m_sinceStart.nsecsElapsed();
            QMetaObject::invokeMethod(
                &target,
                [this, posted] { m_latenciesMs.push_back(double(m_sinceStart.nsecsElapsed() - posted) / 1e6); },
                Qt::QueuedConnection);
        });
    }
    void Start() { m_poster.start(); }
    void Stop() { m_poster.stop(); }
    std::vector<double>& LatenciesMs() { return m_latenciesMs; }

private:
    QElapsedTimer m_sinceStart;
    QTimer m_poster;
    std::vector<double> m_latenciesMs;
};

// Runs a Timed race of `seconds` with four drivers in the race screen, as the
// race director would: Start once the window is up (`started` runs right
// after), and when Start is offered again the race has ended: `ended` runs
// and the window is left with Cancel. Returns when the window has closed.
inline void RunTimedRaceOnScreen(TKWL_Timer& timer, int32_t seconds, const std::function<void()>& started,
                                 const std::function<void()>& ended)
{
    QTimer::singleShot(0, &timer, [&] {
        auto* start = timer.findChild<QPushButton*>(QStringLiteral("ButtonStart"));
        auto* cancel = timer.findChild<QPushButton*>(QStringLiteral("ButtonCancel"));
        start->click();
        started();
        auto* done = new QTimer(&timer);
        done->setInterval(50);
        QObject::connect(done, &QTimer::timeout, [&ended, start, cancel, done] {
            if (!start->isEnabled())
                return;
            done->stop();
            ended();
            cancel->click();
        });
        done->start();
    });
    const std::array<QString, 4> names{QStringLiteral("Anna"), QStringLiteral("Bert"), QStringLiteral("Cees"),
                                       QStringLiteral("Dirk")};
    timer.StartRace(QStringLiteral("Timed"), seconds, names, {0, 0, 0, 0}, TWindowPlacement());
}
