#pragma once

#include "common/WindowPlacement.h"

#include <QColor>
#include <QRect>
#include <QWidget>
#include <array>

// The start-light window: four red lamps and a green one over the race
// screen. Created once with the program and reused for every start and
// restart; the timing thread has it placed, shown, lit and hidden, always on
// the UI thread.
class TFKWLStopLicht : public QWidget {
    Q_OBJECT
public:
    static constexpr int LampCount = 5;
    static constexpr int OutlineWidth = 6;

    explicit TFKWLStopLicht(QWidget* parent = nullptr);

    // Lamp k (1..5) laid out over bounds W x H: side W div 5 - 20, spaced
    // W div 5 apart from x = 8, centred vertically.
    static QRect LampGeometry(int lamp, int width, int height);
    // Lamps 1..4 are red lamps (maroon when out), lamp 5 the green one (teal
    // when out).
    static QColor LampColour(int lamp, bool lit);

    // Covers the timer window with the given state and bounds and puts every
    // lamp out, ready for the countdown.
    void PlaceOver(const TWindowPlacement& placement);
    void ResetLamps();
    void ShowLights();
    void SetLamp(int lamp, bool lit);
    void HideLights();

    bool LampLit(int lamp) const;
    // Where lamp k stands in the window as it is laid out now.
    QRect LampRect(int lamp) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TWindowPlacement m_placement;
    std::array<bool, LampCount> m_lit{};
};
