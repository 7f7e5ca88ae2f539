#include "results/ExportDialog.h"

#include "common/MessageBoxes.h"
#include "results/ResultsExport.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

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
    // The kind of file follows the proposed name: a spreadsheet file, a PDF
    // or a picture.
    const QString suffix = QFileInfo(suggestedName).suffix().toLower();
    const bool pdf = suffix == QLatin1String("pdf");
    const bool png = suffix == QLatin1String("png");
    QFileDialog dialog(parent, QString(), folder,
                       pdf   ? QStringLiteral("PDF-file (*.pdf)")
                       : png ? QStringLiteral("PNG-image (*.png)")
                             : QStringLiteral("CSV-file (*.csv)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(pdf || png ? suffix : QStringLiteral("csv"));
    dialog.setSizeGripEnabled(true);
    dialog.selectFile(suggestedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

bool ExportToFile(QWidget* parent, const QString& workingDirectory, const QString& suggestedName,
                  const std::function<bool(const QString& path, QString& error)>& write)
{
    const QString path = AskExportFileName(parent, workingDirectory, suggestedName);
    if (path.isEmpty())
        return false;
    QString error;
    if (!write(path, error)) {
        Messages::Error(error, {}, parent);
        return false;
    }
    return true;
}

bool ExportStandingsFile(QWidget* parent, const QString& workingDirectory, const QString& suggestedName,
                         const QByteArray& bytes)
{
    return ExportToFile(parent, workingDirectory, suggestedName,
                        [&bytes](const QString& path, QString& error) { return WriteExportFile(path, bytes, error); });
}
