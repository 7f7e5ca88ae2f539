#pragma once

#include <QObject>

class QWidget;

// Lets a numeric edit field take only digits, Backspace and Enter as typed
// characters. Keys that type nothing (arrows, Delete, shortcuts) pass, so the
// field can still be navigated; pasted text is checked where it is applied.
class TNumericKeyFilter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    static void Install(QWidget* edit);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
