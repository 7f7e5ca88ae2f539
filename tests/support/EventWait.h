#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

// Runs the event loop until the condition holds or the time is up; returns
// the condition. Unlike QTRY_*, which sleeps between looks, this handles
// every event as it comes, so the race thread's display hand-overs are
// answered at once and a race in simulated time runs at the machine's speed.
// The condition is looked at every millisecond and may itself move things on.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 120000)
{
    QElapsedTimer elapsed;
    elapsed.start();
    QEventLoop loop;
    QTimer look;
    look.setInterval(1);
    bool met = condition();
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        met = condition();
        if (met || elapsed.elapsed() > timeoutMs)
            loop.quit();
    });
    look.start();
    if (!met)
        loop.exec();
    return met;
}
