#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QBluetoothDeviceDiscoveryAgent;

// Looks for Carrera's Bluetooth adapters nearby (they call themselves
// "Control_Unit") for the Settings page to list. Qt Bluetooth is touched only
// once a search is asked for, so a machine without Bluetooth, or a page that
// is only looked at, costs nothing.
class TCarreraBleSearch final : public QObject {
    Q_OBJECT
public:
    explicit TCarreraBleSearch(QObject* parent = nullptr);
    ~TCarreraBleSearch() override;

    // Starts a search of a few seconds unless one runs.
    void Start();
    bool Running() const { return m_running; }

signals:
    void Found(const QString& address, const QString& name);
    // The search is over: problem says why it could not run, and is empty
    // when it ran its time.
    void Ended(const QString& problem);

private:
    void Finish(const QString& problem);

    std::unique_ptr<QBluetoothDeviceDiscoveryAgent> m_agent;
    bool m_running = false;
};
