#pragma once

#include <QSemaphore>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

class QThread;

// What a timer's link thread runs: the conversation with one timer over its
// wire. Made on the link thread, so that the wire lives where it is used.
class TLinkConversation {
public:
    virtual ~TLinkConversation() = default;
    // Opens the wire and greets the timer; true once it answered.
    virtual bool Connect() = 0;
    // Serves a connected timer until it is lost or a stop is requested.
    virtual void Serve() = 0;
    // Says goodbye to the timer and closes the wire.
    virtual void Finish() = 0;
    // Why Connect failed, naming the timer.
    virtual QString ProblemText() const = 0;
};

// A timer's link thread: the first connection is waited for, so that a
// timer missing at start-up is said at once; after a loss the thread tries
// again every reconnectMs until it is stopped. Used by the lap board, the
// Carrera Control Unit and the lap counter alike.
class TLinkThread {
public:
    using TMaker = std::function<std::unique_ptr<TLinkConversation>()>;

    struct TOptions {
        int ReconnectMs = 500;
        // The moment the thread wakes with a message is the moment it takes
        // for it: ask for real-time scheduling where allowed (see the .cpp).
        bool WakePromptly = false;
    };

    explicit TLinkThread(std::atomic<bool>& stopRequested);
    ~TLinkThread();
    TLinkThread(const TLinkThread&) = delete;
    TLinkThread& operator=(const TLinkThread&) = delete;

    // Starts the thread and waits for the first Connect. False when it
    // failed, with the conversation's reason in `problem`; the thread has
    // ended then. `connected` runs on the link thread right after the first
    // Connect, for what the caller reads of the conversation then.
    bool Start(TMaker make, const TOptions& options, QString& problem,
               const std::function<void(TLinkConversation&)>& connected = {});
    // Asks the thread to stop and waits for it (a no-op when not running).
    void Stop();
    bool Running() const { return m_thread != nullptr; }

private:
    void Run(const TMaker& make, const TOptions& options, const std::function<void(TLinkConversation&)>& connected);

    std::atomic<bool>& m_stopRequested;
    std::unique_ptr<QThread> m_thread;
    QSemaphore m_firstConnect;
    // Written by the link thread before it releases m_firstConnect, read after.
    bool m_connected = false;
    QString m_problem;
};
