#pragma once

#include <QWidget>

// A drawn picture of one heat generation method that acts as a button: a
// click on it (or Space/Enter while it has the focus) picks the method.
// The drawing is made with the painter only, in the widget's own font, so it
// looks the same wherever the program runs.
class TMethodPicture : public QWidget {
    Q_OBJECT
public:
    enum class TKind { GroupsWithRotation, SlidingWindow };

    TMethodPicture(TKind kind, const QSize& size, QWidget* parent = nullptr);

    TKind Kind() const { return m_kind; }

signals:
    void Clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    TKind m_kind;
    // A click counts only when the button went down on the picture too, so
    // a press elsewhere dragged onto it picks nothing.
    bool m_pressed = false;
};
