#pragma once

#include <QWidget>

class QLabel;

// The page shown at start: the program's title, its logo, the version, the
// result of the clock check, the track interface in use and the scheduling
// the race's timing thread gets, and the folder the club's files live in.
class TInfoPage : public QWidget {
    Q_OBJECT
public:
    TInfoPage(const QString& trackInterface, bool simulated, QWidget* parent = nullptr);

    void SetVersion(const QString& version);
    // The track interface in use, and why the track cannot be reached at the
    // "Port Address" (empty when it can).
    void SetTrackInterface(const QString& trackInterface, const QString& portWarning);
    QString PortWarning() const;
    void SetHighResClock(bool available);
    QString ClockText() const;
    bool HasLogo() const { return m_hasLogo; }
    QString TimingText() const;
    // Where phones find the spectator page, or why they cannot; nothing shown
    // when the page is off.
    void SetSpectatorText(const QString& text);
    QString SpectatorText() const;
    // The folder the club's settings, database, sounds and exports live in.
    void SetDataFolder(const QString& folder);
    QString DataFolderText() const;

    // logo.jpg beside the program, or else in the working directory.
    static QString LogoPath();

protected:
    // Shows what the last race got, or before any race what one will get.
    void showEvent(QShowEvent* event) override;

private:
    QLabel* m_version = nullptr;
    QLabel* m_clock = nullptr;
    QLabel* m_track = nullptr;
    QLabel* m_portWarning = nullptr;
    QLabel* m_timing = nullptr;
    QLabel* m_spectator = nullptr;
    QLabel* m_dataFolder = nullptr;
    bool m_hasLogo = false;
};
