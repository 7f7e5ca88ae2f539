#pragma once

#include "app/ModalShell.h"
#include "data/RecordMode.h"

// The race dialog: adds a race to a championship or renames one.
class TFRCChangeAdd : public TModalShell {
public:
    explicit TFRCChangeAdd(QWidget* parent = nullptr) : TModalShell(QStringLiteral("Race"), parent) {}
    // True when the table was written (OK), false for Cancel.
    bool Execute(TRecordMode mode, int csnr, int rcnr = 0)
    {
        Record({mode == TRecordMode::Add ? 0 : 1, csnr, rcnr});
        return false;
    }
};
