#pragma once

#include <QString>

class QWidget;
class TKWLStore;

// Stores the heat results an earlier run had to keep in files because the
// race database would not take them, and says what became of them.
void StoreKeptHeatResults(TKWLStore& store, const QString& workingDirectory, QWidget* parent);
