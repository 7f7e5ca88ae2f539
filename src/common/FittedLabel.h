#pragma once

#include <QFont>
#include <QLabel>
#include <QSize>
#include <QStringList>

// A one-line label that never cuts its text off: it shows its text at the
// font its layout gives it, lowered as far as the ink of the widest texts it
// shows in the normal course needs to stay in its room, and lowered further
// only while a longer text needs it. Its text is to be set with ShowText.
class TFittedLabel : public QLabel {
    Q_OBJECT
public:
    // Room kept free right of the text for the ink that hinting lets run past
    // the last glyph's advance; shrinking the font does not remove it.
    static constexpr int RightInkMargin = 2;

    explicit TFittedLabel(const QString& text = {}, QWidget* parent = nullptr);

    // Called when the label is laid out (its geometry set): `laidOut` is the
    // font the layout gives it, `widest` the widest texts it shows in the
    // normal course, so that the size does not change with each new text.
    // `room` is the part of the label, from its top left, that the ink must
    // stay in (the whole label when empty); narrower than the label only for
    // a label aligned left.
    void Fit(const QFont& laidOut, const QStringList& widest, const QSize& room = {});

    // Shows `text`, below the fitted size only when it needs to be.
    void ShowText(const QString& text);

private:
    void ApplyFont();

    QFont m_fitted;  // the layout's font fitted to the widest texts
    QSize m_room;
};
