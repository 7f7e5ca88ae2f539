#pragma once

#include "app/ModalShell.h"
#include "data/RecordMode.h"

// The championship dialog: name, length, races that count and race type.
class TFCSChangeAdd : public TModalShell {
public:
    explicit TFCSChangeAdd(QWidget* parent = nullptr) : TModalShell(QStringLiteral("Championship"), parent) {}
    // True when the table was written (OK), false for Cancel.
    bool Execute(TRecordMode mode, int csnr = 0)
    {
        Record({mode == TRecordMode::Add ? 0 : 1, csnr});
        return false;
    }
};
