#pragma once

#include "data/RecordDialog.h"
#include "data/RecordEdits.h"
#include "data/RecordMode.h"

#include <QSqlDatabase>

class QLabel;
class QLineEdit;

// The race dialog: adds a race to a championship or renames one. Unlike the
// other two it is an ordinary window at a fixed place on the screen, with the
// usual title-bar buttons; closing it is Cancel.
class TFRCChangeAdd : public TRecordDialog {
    Q_OBJECT
public:
    explicit TFRCChangeAdd(QSqlDatabase db, QWidget* parent = nullptr);
    // True when the table was written (OK), false for Cancel.
    bool Execute(TRecordMode mode, int csnr, int rcnr = 0);

protected:
    void OkClick() override;

private:
    TRaceEdit m_edit;
    QLabel* m_championship = nullptr;
    QLineEdit* m_name = nullptr;
};
