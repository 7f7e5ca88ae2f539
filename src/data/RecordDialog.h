#pragma once

#include "data/RecordEdits.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// What the three record dialogs share: a fixed client area, "OK" as the
// default button (Enter) and "Cancel" (Esc, or closing the window), and the
// way an answer from OK is carried out.
class TRecordDialog : public QDialog {
    Q_OBJECT
public:
    TRecordDialog(const QSize& clientSize, QWidget* parent);

protected:
    // Places the two buttons; OK runs OkClick().
    void PlaceButtons(int top, int okLeft, int cancelLeft);
    virtual void OkClick() = 0;
    // Shows the answer's message, then closes with OK or Cancel, or stays
    // open when the entry is to be corrected.
    void Finish(const TRecordOk& answer);
    // Runs the dialog modally once the row is begun; true for OK. When the row
    // could not be begun the dialog does not open and the result is Cancel.
    bool Run(bool begun, const QString& readError);

    QLabel* AddLabel(const QString& text, int left, int top);
    QLineEdit* AddEdit(const QString& objectName, int left, int top, int width);
    // A name field: at most as many characters as the store holds.
    QLineEdit* AddNameEdit(const QString& objectName, int left, int top, int width);

private:
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};
