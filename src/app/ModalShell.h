#pragma once

#include "common/WindowPlacement.h"

#include <QDialog>
#include <QList>

// Base of the program's modal sub-windows. Each is created once at start-up
// and reused; it opens over its caller with the caller's state and bounds.
// Windows that are still to be built only record that they were asked to
// open (LastRequest), so the main window's wiring can be checked already.
class TModalShell : public QDialog {
    Q_OBJECT
public:
    TModalShell(const QString& title, QWidget* parent);

    // Gives this window the caller's state and bounds.
    void PlaceOver(const TWindowPlacement& placement);

    QList<int> LastRequest() const { return m_lastRequest; }
    int Requests() const { return m_requests; }

protected:
    void Record(const QList<int>& request);

private:
    QList<int> m_lastRequest;
    int m_requests = 0;
};
