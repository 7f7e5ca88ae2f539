#pragma once

#include "data/RecordDialog.h"
#include "data/RecordEdits.h"
#include "data/RecordMode.h"

#include <QSqlDatabase>

class QLineEdit;

// The driver dialog: adds a driver or changes a driver's name. Created once
// and reused; centred on its parent.
class TFDRVAddChange : public TRecordDialog {
    Q_OBJECT
public:
    explicit TFDRVAddChange(QSqlDatabase db, QWidget* parent = nullptr);
    // True when the table was written (OK), false for Cancel.
    bool Execute(TRecordMode mode, int drvnr = 0);

protected:
    void OkClick() override;

private:
    TDriverEdit m_edit;
    QLineEdit* m_name = nullptr;
};
