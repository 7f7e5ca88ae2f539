#include "app/ChampionshipPage.h"
#include "data/RecordActions.h"
#include "heats/KWLHeats.h"
#include "results/ExportDialog.h"
#include "results/KWLResults.h"
#include "support/AppRig.h"
#include "support/DialogSequence.h"
#include "support/EventWait.h"
#include "support/GridTexts.h"
#include "support/ModalProbe.h"
#include "support/StoreRig.h"
#include "timing/KWLTimer.h"
#include "widgets/RecordGrid.h"

#include <QFile>
#include <QLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

namespace {

void Click(QWidget* window, const char* name)
{
    auto* button = window ? window->findChild<QPushButton*>(QLatin1String(name)) : nullptr;
    QVERIFY2(button, name);
    button->click();
}

}  // namespace

// Standings of a championship of two races run heat by heat on the simulated
// track: shown from the Championship page, both files exported, a report
// saved as PDF and both previewed, and nothing left in the working tables
// after "Done".
class TestResults : public QObject {
    Q_OBJECT

    std::unique_ptr<TAppRig> m_rig;
    TAppRig& Rig() { return *m_rig; }
    QSqlDatabase Db() { return Rig().context.store.Database(); }

    // Generates the race's heats (method A) and runs every one to its end.
    void RunRace(int rcnr, QStringList& problems)
    {
        TFKWLHeats* heats = Rig().windows.Heats;
        TModalProbe window(
            [&] { heats->OpenHeats(Rig().Form()->Placement(), 1, rcnr); },
            [&](QDialog*) {
                TModalProbe chooser([&] { Click(heats, "ButtonGenerateHeats"); },
                                    [&](QDialog* dialog) {
                                        QTest::mouseClick(dialog->findChild<QWidget*>(QStringLiteral("ImageMethodA")),
                                                          Qt::LeftButton);
                                    });
                for (int row = 0; row < 2; ++row) {
                    heats->HeatGrid()->SelectRow(row);
                    const auto timer = [&](QDialog* dialog) {
                        Click(dialog, "ButtonStart");
                        auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("ButtonOK"));
                        if (!WaitUntil([&] { return ok->isEnabled(); }))
                            problems << QStringLiteral("race %1 heat %2 did not end").arg(rcnr).arg(row + 1);
                        ok->click();
                    };
                    TDialogSequence run([&] { Click(heats, "ButtonStartHeat"); },
                                        {timer, [](QDialog* laps) { Click(laps, "ButtonOK"); }});
                    problems << run.problems;
                }
                Click(heats, "ButtonDone");
            });
        QVERIFY(window.opened && !window.leftOpen);
    }

private slots:
    void cleanup()
    {
        SetExportFileNameAnswer({});
        m_rig.reset();
    }

    void standingsOfTwoRaces()
    {
        m_rig = std::make_unique<TAppRig>();
        TSettings settings;
        settings.Tracks = 2;
        settings.ExportSeparator = ',';
        Rig().WriteSettingsFile(settings);
        TSimulatedTrackConfig cars;
        cars.JumpStartProbability = 0;
        Rig().UseSimulatedTrack(4711, 1000, cars);
        QCOMPARE(Rig().Start(), -1);
        TRecordActions actions(Db());
        QVERIFY(actions.AddDrivers({QStringLiteral("Anna"), QStringLiteral("Bert, jr.")}));
        QVERIFY(actions.AddChampionship(QStringLiteral("Club"), 3, 2, false));
        QVERIFY(actions.AddRace(1, QStringLiteral("Spa")) && actions.AddRace(1, QStringLiteral("Zolder")));
        QVERIFY(ReadRows(Db(), R"(INSERT INTO "KWL_DIC.db" SELECT 1, DRVnr FROM "KWL_Drivers.DB")").isEmpty());

        QStringList problems;
        RunRace(1, problems);
        RunRace(2, problems);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));

        TChampionshipPage* page = Rig().Form()->ChampionshipPage();
        page->Reload(0);
        Rig().Form()->Pages()->setCurrentWidget(page);
        const QString exports = Rig().dir.File(QStringLiteral("Export"));
        QString proposedFolder;
        SetExportFileNameAnswer([&](const QString& folder, const QString& name) {
            proposedFolder = folder;
            return QDir(folder).filePath(name);
        });
        // A name as long as names go and a non-finisher's total: the grids show both whole.
        QVERIFY(ReadRows(Db(), R"(UPDATE "KWL_Drivers.DB" SET "Driver Name" = 'Wilhelmina van Wouwerwerf')"
                               R"( WHERE "Driver Name" = 'Anna')")
                    .isEmpty());
        QVERIFY(
            ReadRows(Db(),
                     R"(UPDATE "KWL_HeatDetail.DB" SET "Time" = 999999999 WHERE RCnr = 2 AND HTnr = 1 AND Tracknr = 1)")
                .isEmpty());
        TFKWLResults* results = Rig().windows.Results;
        TModalProbe shown(
            [&] { Click(page, "ButtonShowResults"); },
            [&](QDialog*) {
                QCOMPARE(results->Title(), QStringLiteral("Club"));
                // Exactly over the main window, fixed, with room for every button.
                QCOMPARE(results->geometry(), Rig().Form()->geometry());
                QCOMPARE(results->minimumSize(), results->maximumSize());
                QVERIFY2(results->layout()->minimumSize().width() <= results->width(),
                         qPrintable(QString::number(results->layout()->minimumSize().width())));
                const QStringList cut = CutCells(results->TotalsGrid()) + CutCells(results->DetailsGrid());
                QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('|'))));
                QVERIFY(results->DetailsGrid()->findItems(QStringLiteral("999:99.999"), Qt::MatchExactly).size() == 1);
                // Each driver has both races: 20 + 19 or 20 + 20 points among them.
                QCOMPARE(results->TotalsGrid()->rowCount(), 2);
                QCOMPARE(results->DetailsGrid()->rowCount(), 4);
                QCOMPARE(results->DetailsGrid()->horizontalHeaderItem(2)->text(), QStringLiteral("Time"));
                QCOMPARE(ReadRows(Db(), R"(SELECT count(*) FROM "KWL_ResultDetail.db")"), (QList<QVariantList>{{4}}));
                // The spectators see the same standings; equal points share a place.
                const TStandingsView& wall = Rig().context.spectatorBoard.Standings();
                QCOMPARE(Rig().context.spectatorBoard.Scene(), TSpectatorScene::Standings);
                QCOMPARE(wall.Lines.size(), size_t(2));
                for (int r = 0; r < 2; ++r)
                    QCOMPARE(wall.Lines[size_t(r)].Driver, results->TotalsGrid()->item(r, 1)->text());
                QCOMPARE(wall.Lines[1].Place, wall.Lines[0].Points == wall.Lines[1].Points ? 1 : 2);
                Click(results, "ButtonExportTotals");
                Click(results, "ButtonExportDetails");
                Click(results, "ButtonPdfDetails");
                for (const char* print : {"ButtonPrintTotals", "ButtonPrintDetails"}) {
                    QString shownPreview;  // the preview is gone once the probe returns
                    TModalProbe([&] { Click(results, print); },
                                [&](QDialog* dialog) {
                                    shownPreview = dialog->objectName();
                                    dialog->reject();
                                });
                    QCOMPARE(shownPreview, QStringLiteral("ReportPreview"));
                }
                Click(results, "ButtonDone");
            });
        QVERIFY(shown.opened && !shown.leftOpen);
        QCOMPARE(QDir(proposedFolder).canonicalPath(), QDir(exports).canonicalPath());

        QFile totals(QDir(exports).filePath(QStringLiteral("Totals.csv")));
        QVERIFY(totals.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = totals.readAll().split('\n');
        QCOMPARE(lines.value(0), QByteArray("Club\r"));
        QCOMPARE(lines.value(1), QByteArray("Nr,Driver,Points\r"));
        QVERIFY2(lines.value(2).contains(",\"Bert, jr.\",") || lines.value(3).contains(",\"Bert, jr.\","),
                 lines.join('|').constData());
        QVERIFY(QFile::exists(QDir(exports).filePath(QStringLiteral("Details.csv"))));
        QFile pdf(QDir(exports).filePath(QStringLiteral("Details.pdf")));
        QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-");
        QCOMPARE(
            ReadRows(Db(),
                     R"(SELECT (SELECT count(*) FROM "KWL_Result.db") + (SELECT count(*) FROM "KWL_ResultDetail.db"))"),
            (QList<QVariantList>{{0}}));
        VERIFY_MESSAGES_SETTLED();
    }
};

QTEST_MAIN(TestResults)
#include "tst_results.moc"
