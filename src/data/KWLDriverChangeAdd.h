#pragma once

#include "app/ModalShell.h"
#include "data/RecordMode.h"

// The driver dialog: adds a driver or changes a driver's name.
class TFDRVAddChange : public TModalShell {
public:
    explicit TFDRVAddChange(QWidget* parent = nullptr) : TModalShell(QStringLiteral("Driver"), parent) {}
    // True when the table was written (OK), false for Cancel.
    bool Execute(TRecordMode mode, int drvnr = 0)
    {
        Record({mode == TRecordMode::Add ? 0 : 1, drvnr});
        return false;
    }
};
