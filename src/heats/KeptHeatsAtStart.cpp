#include "heats/KeptHeatsAtStart.h"

#include "common/MessageBoxes.h"
#include "data/KWLStore.h"
#include "heats/KeptHeatResults.h"

void StoreKeptHeatResults(TKWLStore& store, const QString& workingDirectory, QWidget* parent)
{
    const QString database = store.FilePath();
    const TKeptHeatsOutcome outcome =
        KeptHeatResults::StoreAll(store.Database(), KeptHeatResults::Folders(database, workingDirectory), database);
    const QString separator = QStringLiteral("; ");
    if (!outcome.Stored.isEmpty())
        Messages::Information(QStringLiteral("Heat results that could not be stored before are stored now: %1.")
                                  .arg(outcome.Stored.join(separator)),
                              parent);
    if (!outcome.NotYet.isEmpty())
        Messages::Warning(
            QStringLiteral("Heat results kept from an earlier run could not be stored yet (%1); they stay "
                           "kept and are stored at a later start.")
                .arg(outcome.NotYet.join(separator)),
            QStringLiteral("The database said: %1").arg(outcome.Error), parent);
    if (!outcome.Orphaned.isEmpty())
        Messages::Warning(QStringLiteral("Kept heat results whose heats no longer exist were set aside."),
                          outcome.Orphaned.join(QLatin1Char('\n')), parent);
}
