#include "results/ExportDialog.h"

#include "common/MessageBoxes.h"
#include "results/ResultsExport.h"

#include <QDir>
#include <QFileDialog>

namespace {

TExportFileNameAnswer& FileNameAnswer()
{
    static TExportFileNameAnswer answer;
    return answer;
}

// The Export folder below the working directory; the working directory
// itself when that folder cannot be made, so the dialog still opens.
QString InitialFolder(const QString& workingDirectory)
{
    const QDir working(workingDirectory);
    const QString exportFolder = working.filePath(QStringLiteral("Export"));
    return working.mkpath(QStringLiteral("Export")) ? exportFolder : working.absolutePath();
}

}  // namespace

void SetExportFileNameAnswer(TExportFileNameAnswer answer) { FileNameAnswer() = std::move(answer); }

QString AskExportFileName(QWidget* parent, const QString& workingDirectory, const QString& suggestedName)
{
    const QString folder = InitialFolder(workingDirectory);
    if (FileNameAnswer())
        return FileNameAnswer()(folder, suggestedName);

    // Qt's own dialog rather than the platform's: it looks and behaves the
    // same on every system, and it never changes the current directory.
    // Overwriting an existing file is confirmed (Qt's default).
    QFileDialog dialog(parent, QString(), folder, QStringLiteral("CSV-file (*.csv)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setSizeGripEnabled(true);
    dialog.selectFile(suggestedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

bool ExportStandingsFile(QWidget* parent, const QString& workingDirectory, const QString& suggestedName, const QByteArray& bytes)
{
    const QString path = AskExportFileName(parent, workingDirectory, suggestedName);
    if (path.isEmpty())
        return false;
    QString error;
    if (!WriteExportFile(path, bytes, error)) {
        Messages::Error(error, {}, parent);
        return false;
    }
    return true;
}
