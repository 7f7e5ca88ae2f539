#include "results/ExportDialog.h"
#include "support/ModalProbe.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QtTest>

namespace {
QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return !path.isEmpty() && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}  // namespace

class TestExportDialog : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { SetExportFileNameAnswer({}); }

    // answer: the chosen name below the folder the dialog opened in, "" for
    // cancel. A file named Export in the working directory keeps the folder
    // from being made; the dialog then opens in the working directory.
    void exportStep_data()
    {
        QTest::addColumn<bool>("exportIsAFile");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("written");
        QTest::addColumn<bool>("errorShown");
        QTest::newRow("written") << false << "Mine.csv" << true << false;
        QTest::newRow("cancelled") << false << "" << false << false;
        QTest::newRow("not writable") << false << "file.txt/Totals.csv" << false << true;
        QTest::newRow("no Export folder") << true << "Mine.csv" << true << false;
    }
    void exportStep()
    {
        QFETCH(bool, exportIsAFile);
        QFETCH(QString, answer);
        QFETCH(bool, written);
        QFETCH(bool, errorShown);
        TTestWorkDir dir;
        TMessageScript messages;
        for (const QString& name : {QStringLiteral("file.txt"), exportIsAFile ? QStringLiteral("Export") : QString()}) {
            QFile file(dir.File(name));
            QVERIFY(name.isEmpty() || file.open(QIODevice::WriteOnly));
        }
        if (errorShown)
            messages.Answer(TMessageAnswer::Ok);
        QString askedFolder;
        QString chosen;
        SetExportFileNameAnswer([&](const QString& folder, const QString& suggested) {
            askedFolder = folder;
            [&] { QCOMPARE(suggested, QStringLiteral("Totals.csv")); }();
            chosen = answer.isEmpty() ? QString() : QDir(folder).filePath(answer);
            return chosen;
        });

        QCOMPARE(ExportStandingsFile(nullptr, dir.Path(), QStringLiteral("Totals.csv"), "Cup\r\n"), written);
        QCOMPARE(QDir(askedFolder), QDir(exportIsAFile ? dir.Path() : dir.File(QStringLiteral("Export"))));
        QCOMPARE(FileBytes(chosen), written ? QByteArray("Cup\r\n") : QByteArray());
        QCOMPARE(messages.Texts().size(), errorShown ? 1 : 0);
        if (errorShown)
            QVERIFY2(messages.Texts().constFirst().contains(QDir::toNativeSeparators(chosen)),
                     qPrintable(messages.Texts().constFirst()));
        VERIFY_MESSAGES_SETTLED();
    }

    // The real dialog: it opens in the Export folder with the proposed name,
    // and a name typed without extension gets ".csv".
    void realDialogAddsTheExtension()
    {
        TTestWorkDir dir;
        QString proposed;
        QString result;
        TModalProbe probe([&] { result = AskExportFileName(nullptr, dir.Path(), QStringLiteral("Details.csv")); },
                          [&](QDialog* dialog) {
                              auto* files = qobject_cast<QFileDialog*>(dialog);
                              auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                              if (!files || !name)
                                  return;
                              proposed = QDir(files->directory()).filePath(name->text());
                              name->setText(QStringLiteral("Mine"));
                              dialog->accept();
                          });
        QVERIFY2(!proposed.isEmpty(), "no file dialog came up");
        QVERIFY(!probe.leftOpen);
        QCOMPARE(proposed, QDir(dir.File(QStringLiteral("Export"))).filePath(QStringLiteral("Details.csv")));
        QCOMPARE(result, QDir(dir.File(QStringLiteral("Export"))).filePath(QStringLiteral("Mine.csv")));
        QCOMPARE(QDir::currentPath(), dir.Path());
    }
};

QTEST_MAIN(TestExportDialog)
#include "tst_exportdialog.moc"
