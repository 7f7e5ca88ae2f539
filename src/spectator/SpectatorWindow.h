#pragma once

#include "spectator/RaceSnapshot.h"
#include "spectator/SpectatorBoard.h"

#include <QTimer>
#include <QWidget>

class QScreen;

// The spectator screen: what the board says the public should see, painted
// large for a TV on the wall. It goes full screen on a monitor other than the
// race director's, or opens as an ordinary window when there is only one.
// It never takes the focus or a key: the director keeps typing into his own
// windows while it follows the race. A double click closes it.
class TSpectatorWindow : public QWidget {
    Q_OBJECT
public:
    // How often the race is read: the race screen's own refresh rate.
    static constexpr int PollMs = 40;

    explicit TSpectatorWindow(TSpectatorBoard& board, QWidget* parent = nullptr);

    // Shows the window on a screen other than home's, full screen, or as a
    // window of its own beside it when home's screen is the only one.
    void ShowBeside(const QWidget& home);
    // Repaints since it was made; for tests and the benchmark.
    int PaintCount() const { return m_paintCount; }

    // The screen that is not `home`, or null when there is none.
    static QScreen* OtherScreen(const QScreen* home);

signals:
    void Closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Poll();

    TSpectatorBoard& m_board;
    QTimer m_poll;
    TRaceSnapshot m_painted;
    int m_paintCount = 0;
};
