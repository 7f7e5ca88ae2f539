#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM and SIGINT end the program the way closing the main window does,
// so that the shutdown switches the track off. The handler only writes the
// signal into a socket pair (nothing else is safe inside a handler); the
// notifier on the other end ends the event loops on the user-interface thread.
class TQuitOnSignal : public QObject {
    Q_OBJECT
public:
    // Installs the handlers. Call it early, before the application object
    // exists: a signal that comes before the notifier waits in the socket.
    // False when the socket pair or a handler could not be set up.
    static bool InstallHandlers();

    // Watches the socket; needs the application object.
    explicit TQuitOnSignal(QObject* parent = nullptr);

    // A signal came: the program is on its way out, and must not start its
    // event loop again once a nested one (a message box at start) has ended.
    bool Requested() const { return m_requested; }

private:
    void SignalArrived();

    QSocketNotifier* m_notifier = nullptr;
    bool m_requested = false;
};
