#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class QWidget;

// The save dialog of the results window's two "Export" buttons and the step
// that writes the chosen file.

// Asks for the file to write, proposing `suggestedName` ("Totals.csv",
// "Details.csv") in the folder Export below `workingDirectory`, made when
// missing. Returns the chosen path, or an empty string when cancelled.
QString AskExportFileName(QWidget* parent, const QString& workingDirectory, const QString& suggestedName);

// Asks for a file name and has `write` make the file; a failure is reported
// in an error message (the text `write` gives, naming the file and the
// cause). Returns whether a file was written (false on cancel too). A
// proposed name ending in ".pdf" asks for a PDF file, ".png" for a PNG picture,
// any other for a CSV file.
bool ExportToFile(QWidget* parent, const QString& workingDirectory, const QString& suggestedName,
                  const std::function<bool(const QString& path, QString& error)>& write);

// Asks for a file name and writes `bytes` to it; a file that cannot be written
// is reported in an error message naming the file and the cause. Returns
// whether a file was written (false on cancel too).
bool ExportStandingsFile(QWidget* parent, const QString& workingDirectory, const QString& suggestedName,
                         const QByteArray& bytes);

// --- for tests: while set, `answer` is asked instead of the dialog, with the
// folder the dialog would open in and the proposed name; it returns the
// chosen path or an empty string for cancel. An empty function restores the
// dialog.
using TExportFileNameAnswer = std::function<QString(const QString& initialFolder, const QString& suggestedName)>;
void SetExportFileNameAnswer(TExportFileNameAnswer answer);
