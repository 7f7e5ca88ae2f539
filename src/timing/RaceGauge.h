#pragma once

#include <QColor>
#include <QWidget>

// A track's progress bar: 0..100, filled from the left in the fore colour
// over the back colour, no text. It fills its whole track panel, so the
// panel's labels lie over it.
class TRaceGauge : public QWidget {
    Q_OBJECT
public:
    explicit TRaceGauge(QWidget* parent = nullptr);

    // Values outside 0..100 are taken as the nearest end.
    void SetValue(int percent);
    int Value() const { return m_value; }

    void SetColours(const QColor& fore, const QColor& back);
    QColor ForeColour() const { return m_fore; }
    QColor BackColour() const { return m_back; }

    // How many pixels of a bar `width` wide the fore colour fills at a value.
    static int FilledWidth(int width, int percent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_value = 0;
    QColor m_fore = Qt::red;
    QColor m_back = Qt::darkRed;
};
