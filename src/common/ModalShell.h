#pragma once

#include "common/WindowPlacement.h"

#include <QDialog>

// Base of the program's modal sub-windows. Each is created once at start-up
// and reused; it opens over its caller with the caller's state and bounds.
class TModalShell : public QDialog {
    Q_OBJECT
public:
    TModalShell(const QString& title, QWidget* parent);

    // Gives this window the caller's state and bounds.
    void PlaceOver(const TWindowPlacement& placement);
    // The same, with a fixed border: the user cannot resize it after.
    void PlaceFixedOver(const TWindowPlacement& placement);
};
