#pragma once

#include "common/WindowPlacement.h"

#include <QWidget>
#include <array>
#include <functional>

struct TAppContext;
struct TAppWindows;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;

// The Single Race page: up to four drivers, a Lap or Timed race, run in the
// race screen and shown in the lap view. Nothing of the race is stored.
class TSingleRacePage : public QWidget {
    Q_OBJECT
public:
    TSingleRacePage(TAppContext& context, TAppWindows& windows, std::function<TWindowPlacement()> placement,
                    QWidget* parent = nullptr);

    QComboBox* DriverChoice(int track) const { return m_drivers[size_t(track - 1)]; }
    QComboBox* RaceType() const { return m_raceType; }
    QLineEdit* RaceLength() const { return m_length; }

public slots:
    void ButtonStartSingelRaceClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Every visit starts with no drivers chosen, on a fresh scratch row.
    void PageShown();
    void RaceTypeChanged(const QString& type);
    void DriverChosen(int track);

    TAppContext& m_context;
    TAppWindows& m_windows;
    std::function<TWindowPlacement()> m_placement;
    std::array<QGroupBox*, 4> m_panels{};
    std::array<QComboBox*, 4> m_drivers{};
    QComboBox* m_raceType = nullptr;
    QLabel* m_lengthLabel = nullptr;
    QLineEdit* m_length = nullptr;
    bool m_filling = false;
};
