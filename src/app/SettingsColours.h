#pragma once

#include "common/Settings.h"

#include <QGroupBox>
#include <QLabel>
#include <array>
#include <functional>

// Asks the user for a colour, starting from the current one; an invalid
// colour means the user cancelled. The platform's colour dialog unless a
// test puts its own answer in.
using TColourChooser = std::function<QColor(const QColor& current, QWidget* parent)>;

// One colour panel: filled with its colour, showing the sample text. A click
// lets the user choose another colour. The value is kept as stored
// ($00BBGGRR), so an unchanged panel gives back exactly what it was given.
class TColourPanel : public QLabel {
    Q_OBJECT
public:
    explicit TColourPanel(QWidget* parent = nullptr);
    void SetValue(uint32_t value);
    uint32_t Value() const { return m_value; }

signals:
    void Clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    uint32_t m_value = 0;
};

// The group "Colors Timer Window": foreground and background colour of
// tracks 1..4, and the foreground colour X (its background follows it).
class TSettingsColours : public QGroupBox {
    Q_OBJECT
public:
    explicit TSettingsColours(QWidget* parent = nullptr);

    void SetColours(const std::array<uint32_t, TSettings::ColourCount>& foreground,
                    const std::array<uint32_t, TSettings::TrackCount>& background);
    std::array<uint32_t, TSettings::ColourCount> Foreground() const;
    std::array<uint32_t, TSettings::TrackCount> Background() const;

    TColourPanel* ForegroundPanel(int index) const { return m_foreground[size_t(index)]; }
    TColourPanel* BackgroundPanel(int index) const { return m_background[size_t(index)]; }
    void SetColourChooser(TColourChooser chooser) { m_chooser = std::move(chooser); }

private:
    void Choose(TColourPanel* panel);

    std::array<TColourPanel*, TSettings::ColourCount> m_foreground{};
    std::array<TColourPanel*, TSettings::TrackCount> m_background{};
    TColourChooser m_chooser;
};
