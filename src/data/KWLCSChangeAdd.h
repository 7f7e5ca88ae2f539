#pragma once

#include "data/RecordDialog.h"
#include "data/RecordEdits.h"
#include "data/RecordMode.h"

#include <QSqlDatabase>

class QComboBox;
class QLabel;
class QLineEdit;

// The championship dialog: name, length, races that count and race type.
// Created once and reused; centred on its parent.
class TFCSChangeAdd : public TRecordDialog {
    Q_OBJECT
public:
    explicit TFCSChangeAdd(QSqlDatabase db, QWidget* parent = nullptr);
    // True when the table was written (OK), false for Cancel.
    bool Execute(TRecordMode mode, int csnr = 0);

protected:
    void OkClick() override;

private:
    void RaceTypeChanged();

    TChampionshipEdit m_edit;
    QLineEdit* m_name = nullptr;
    QLabel* m_lengthLabel = nullptr;
    QLineEdit* m_lapsMinutes = nullptr;
    QLineEdit* m_racesThatCount = nullptr;
    QComboBox* m_raceType = nullptr;
    // Set while the fields are filled from the row, so that only the user's
    // own changes make the row pending.
    bool m_filling = false;
};
