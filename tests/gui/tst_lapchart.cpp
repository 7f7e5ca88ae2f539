#include "data/RecordActions.h"
#include "results/ExportDialog.h"
#include "results/KWLResults.h"
#include "results/KWLRoundResult.h"
#include "results/LapChartWindow.h"
#include "support/AppRig.h"
#include "support/ModalProbe.h"
#include "support/StoreRig.h"

#include <QChart>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QScatterSeries>
#include <QtTest>
#include <memory>

namespace {

// "8000,0,61234" → one driver's laps 1, 2, 3 with those times.
TDriverLaps Driver(const QString& name, int track, const QString& times)
{
    TDriverLaps driver{0, name, track, {}};
    for (const QString& ms : times.split(QLatin1Char(','), Qt::SkipEmptyParts))
        driver.Laps << TDriverLap{int(driver.Laps.size()) + 1, ms.toUInt(), 0, 0, 0, 0};
    return driver;
}

// "1:8.000 4:7.900" for the points of a line.
QString PointsText(const QList<QPointF>& points)
{
    QStringList texts;
    for (const QPointF& point : points)
        texts << QStringLiteral("%1:%2").arg(point.x()).arg(point.y(), 0, 'f', 3);
    return texts.join(QLatin1Char(' '));
}

QPushButton* Button(QWidget* window, const char* name) { return window->findChild<QPushButton*>(QLatin1String(name)); }

QStringList CsvLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("<%1 not written>").arg(path)};
    return QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

}  // namespace

Q_DECLARE_METATYPE(TDriverLaps)

// The lap chart, the figures under the lap view's grid and the lap exports,
// on a stored heat of two drivers and on the race just run.
class TestLapChart : public QObject {
    Q_OBJECT

    std::unique_ptr<TAppRig> m_rig;
    int m_cs = 0;
    int m_rc = 0;

    QString ExportFile(const QString& name) const
    {
        return QDir(m_rig->dir.File(QStringLiteral("Export"))).filePath(name);
    }

private slots:
    void init()
    {
        m_rig = std::make_unique<TAppRig>();
        m_rig->WriteSettingsFile();
        QCOMPARE(m_rig->Start(), -1);
        QSqlDatabase db = m_rig->context.store.Database();
        TRecordActions actions(db);
        QVERIFY(actions.AddDrivers({QStringLiteral("Anna"), QStringLiteral("Bert")}));
        m_cs = actions.AddChampionship(QStringLiteral("Winter"), 10, 3, false).value();
        m_rc = actions.AddRace(m_cs, QStringLiteral("Spa")).value();
        const auto exec = [&](const QString& sql, const QVariantList& values) {
            QSqlQuery query(db);
            query.prepare(sql);
            for (const QVariant& value : values)
                query.addBindValue(value);
            QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
        };
        exec(R"(INSERT INTO "KWL_Heat.DB" VALUES (?, ?, 1, 1))", {m_cs, m_rc});
        for (int track = 1; track <= 2; ++track)
            exec(R"(INSERT INTO "KWL_HeatDetail.DB" VALUES (?, ?, 1, ?, ?, 4000, 34000, 8000))",
                 {m_cs, m_rc, track, track});
        // Anna: a lap over the minute and one without a time among her laps.
        const QList<QList<int>> laps = {{8000, 61234, 0, 7900}, {8100, 8050}};
        for (int track = 1; track <= 2; ++track)
            for (int lap = 1; lap <= laps[track - 1].size(); ++lap)
                exec(R"(INSERT INTO "KWL_HeatDetailLaps.DB" VALUES (?, ?, 1, ?, ?, ?, 0))",
                     {m_cs, m_rc, track, lap, laps[track - 1][lap - 1]});
    }
    void cleanup()
    {
        SetExportFileNameAnswer({});
        m_rig.reset();
    }

    void chartData_data()
    {
        QTest::addColumn<QList<TDriverLaps>>("drivers");
        QTest::addColumn<QStringList>("points");   // per driver
        QTest::addColumn<QStringList>("fastest");  // per driver, empty without one
        QTest::addColumn<QList<int>>("variants");  // per driver
        QTest::addColumn<QStringList>("leftOut");

        QTest::newRow("laps without time and over the minute left out")
            << QList<TDriverLaps>{Driver("Anna", 1, "8000,0,61234,7900,59999,60000")}
            << QStringList{"1:8.000 4:7.900 5:59.999"} << QStringList{"4:7.900"} << QList<int>{0}
            << QStringList{"Anna lap 2 (no time)", "Anna lap 3 (1:01.234)", "Anna lap 6 (1:00.000)"};
        QTest::newRow("equal fastest laps: the first is marked")
            << QList<TDriverLaps>{Driver("Anna", 1, "8000,7500,7500")} << QStringList{"1:8.000 2:7.500 3:7.500"}
            << QStringList{"2:7.500"} << QList<int>{0} << QStringList{};
        QTest::newRow("drivers sharing a track colour get patterns")
            << QList<TDriverLaps>{Driver("Anna", 1, "8000"), Driver("Bert", 2, "9000"), Driver("Cees", 1, "8500"),
                                  Driver("Dirk", 1, "")}
            << QStringList{"1:8.000", "1:9.000", "1:8.500", ""} << QStringList{"1:8.000", "1:9.000", "1:8.500", ""}
            << QList<int>{0, 0, 1, 2} << QStringList{};
        QTest::newRow("no timed lap: no line points, no mark")
            << QList<TDriverLaps>{Driver("Anna", 3, "0,0")} << QStringList{""} << QStringList{""} << QList<int>{0}
            << QStringList{"Anna lap 1 (no time)", "Anna lap 2 (no time)"};
    }
    void chartData()
    {
        QFETCH(QList<TDriverLaps>, drivers);
        QFETCH(QStringList, points);
        QFETCH(QStringList, fastest);
        QFETCH(QList<int>, variants);
        QFETCH(QStringList, leftOut);

        const TLapChartData data = BuildLapChartData(drivers);
        QCOMPARE(data.Lines.size(), drivers.size());
        for (qsizetype i = 0; i < data.Lines.size(); ++i) {
            const TLapChartLine& line = data.Lines[i];
            QCOMPARE(line.Driver, drivers[i].Driver);
            QCOMPARE(line.Track, drivers[i].Track);
            QCOMPARE(PointsText(line.Points), points[i]);
            QCOMPARE(line.HasFastest ? PointsText({line.Fastest}) : QString(), fastest[i]);
            QCOMPARE(line.Variant, variants[i]);
        }
        QCOMPARE(data.LeftOut, leftOut);
        QCOMPARE(LeftOutText(leftOut).isEmpty(), leftOut.isEmpty());
    }

    // A race names its drivers from the store, as a heat does from its rows.
    void storedRaceNamesItsDrivers()
    {
        TKWL_RoundResults* view = m_rig->windows.RoundResults;
        QStringList figures;
        TModalProbe shown(
            [&] { view->ShowStoredLaps(m_rig->Form()->Placement(), m_cs, m_rc, TKWL_RoundResults::RaceMode); },
            [&](QDialog* dialog) {
                for (int i = 0; i < view->Figures()->count(); ++i)
                    figures << view->Figures()->item(i)->text();
                Button(dialog, "ButtonOK")->click();
            });
        QCOMPARE(figures.size(), 2);
        QVERIFY2(figures[0].startsWith(QStringLiteral("Anna: ")) && figures[1].startsWith(QStringLiteral("Bert: ")),
                 qPrintable(figures.join(QLatin1Char('|'))));
    }

    // A stored heat: the figures name both drivers; "Chart" draws exactly the
    // laps shown, names Anna's long and untimed laps under the chart, and
    // "Save Image" writes a PNG or says why it could not.
    void storedHeatChart()
    {
        TKWL_RoundResults* view = m_rig->windows.RoundResults;
        QStringList figures;
        QList<QList<QPointF>> seriesPoints;
        QList<QPointF> marks;
        QString leftOut;
        bool chartOpened = false;
        const QString image = m_rig->dir.File(QStringLiteral("chart.png"));
        const QString unwritable = m_rig->dir.File(QStringLiteral("missing/chart.png"));
        TModalProbe shown(
            [&] { view->ShowStoredLaps(m_rig->Form()->Placement(), m_cs, m_rc, TKWL_RoundResults::HeatMode, 1); },
            [&](QDialog* dialog) {
                auto* list = view->Figures();
                for (int i = 0; i < list->count(); ++i)
                    figures << list->item(i)->text();
                QVERIFY(Button(dialog, "ButtonChart")->isEnabled());
                QVERIFY(Button(dialog, "ButtonExportLaps")->isHidden());
                TModalProbe chart(
                    [&] { Button(dialog, "ButtonChart")->click(); },
                    [&](QDialog* window) {
                        auto* chartWindow = qobject_cast<TLapChartWindow*>(window);
                        QVERIFY(chartWindow);
                        chartOpened = true;
                        for (QAbstractSeries* series : chartWindow->Chart()->series()) {
                            if (auto* scatter = qobject_cast<QScatterSeries*>(series))
                                marks << scatter->points();
                            else if (auto* line = qobject_cast<QLineSeries*>(series))
                                seriesPoints << line->points();
                        }
                        leftOut = window->findChild<QLabel*>(QStringLiteral("LabelLeftOut"))->text();
                        SetExportFileNameAnswer([&](const QString&, const QString&) { return image; });
                        Button(window, "ButtonSaveImage")->click();
                        SetExportFileNameAnswer([&](const QString&, const QString&) { return unwritable; });
                        Button(window, "ButtonSaveImage")->click();
                        Button(window, "ButtonClose")->click();
                    });
                // The chart window lives only while it is shown.
                QVERIFY(chartOpened && !chart.leftOpen);
                Button(dialog, "ButtonOK")->click();
            });
        QVERIFY(shown.opened && !shown.leftOpen);

        QCOMPARE(figures.size(), 2);
        QVERIFY2(
            figures[0].startsWith(QStringLiteral("Anna: median")) && figures[0].contains(QStringLiteral("(3 laps)")),
            qPrintable(figures[0]));
        QVERIFY2(figures[1].startsWith(QStringLiteral("Bert: median")), qPrintable(figures[1]));
        QCOMPARE(seriesPoints.size(), 2);
        QCOMPARE(PointsText(seriesPoints[0]), QStringLiteral("1:8.000 4:7.900"));
        QCOMPARE(PointsText(seriesPoints[1]), QStringLiteral("1:8.100 2:8.050"));
        QCOMPARE(PointsText(marks), QStringLiteral("4:7.900 2:8.050"));
        QCOMPARE(leftOut, QStringLiteral("Left out: Anna lap 2 (1:01.234), Anna lap 3 (no time)"));

        QImage saved;
        QVERIFY(saved.load(image, "PNG"));
        QVERIFY(saved.width() > 200 && saved.height() > 200);
        QVERIFY(!QFile::exists(unwritable));
        const QList<TShownMessage> messages = Messages::Shown();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].kind, TMessageKind::Error);
        QVERIFY2(messages[0].text.contains(QDir::toNativeSeparators(unwritable)), qPrintable(messages[0].text));
    }

    // "Export Laps" of the results window writes every stored lap of the
    // championship to the Export folder.
    void championshipLapsExport()
    {
        SetExportFileNameAnswer([](const QString& folder, const QString& name) { return QDir(folder).filePath(name); });
        TFKWLResults* results = m_rig->windows.Results;
        TModalProbe shown([&] { results->OpenResults(m_rig->Form()->Placement(), m_cs); },
                          [&](QDialog* dialog) {
                              Button(dialog, "ButtonExportLaps")->click();
                              Button(dialog, "ButtonDone")->click();
                          });
        QVERIFY(shown.opened && !shown.leftOpen);
        const QStringList lines = CsvLines(ExportFile(QStringLiteral("Laps.csv")));
        QCOMPARE(lines.value(0), QStringLiteral("Winter"));
        QCOMPARE(lines.size(), 2 + 6);  // title, headings, every stored lap
        QVERIFY2(lines.filter(QStringLiteral(";Anna;")).size() == 4, qPrintable(lines.join(QLatin1Char('|'))));
        VERIFY_MESSAGES_SETTLED();
    }

    // The race just run: its laps exported from the lap view, a heat's as the
    // championship's lap export has them; without laps there is nothing to
    // chart or export.
    void lastRace_data()
    {
        QTest::addColumn<int>("laps");
        QTest::addColumn<bool>("heat");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("lapLine");
        QTest::newRow("single race") << 3 << false << "Laps Results"
                                     << "Last race;1;1;Anna;2;8002;08.002";
        QTest::newRow("heat 3 of a championship race") << 3 << true << "Winter"
                                                       << "Spa;3;1;Anna;2;8002;08.002";
        QTest::newRow("no laps") << 0 << false << ""
                                 << "";
    }
    void lastRace()
    {
        QFETCH(int, laps);
        QFETCH(bool, heat);
        const TLapsOrigin origin =
            heat ? TLapsOrigin{QStringLiteral("Winter"), QStringLiteral("Spa"), 3} : TLapsOrigin{};
        auto states = std::make_unique<TTrackStates>();
        TTrackState& anna = (*states)[0];
        anna.Active = true;
        anna.DriverName = QStringLiteral("Anna");
        anna.Laps = laps * 1000;
        for (int lap = 1; lap <= laps; ++lap)
            anna.LapTimes[size_t(lap)] = uint32_t(8000 + lap);
        SetExportFileNameAnswer([](const QString& folder, const QString& name) { return QDir(folder).filePath(name); });

        TKWL_RoundResults* view = m_rig->windows.RoundResults;
        bool chartEnabled = false;
        bool exportEnabled = false;
        TModalProbe shown([&] { view->ShowLapResults(m_rig->Form()->Placement(), *states, origin); },
                          [&](QDialog* dialog) {
                              chartEnabled = Button(dialog, "ButtonChart")->isEnabled();
                              QPushButton* exportLaps = Button(dialog, "ButtonExportLaps");
                              exportEnabled = exportLaps->isVisibleTo(dialog) && exportLaps->isEnabled();
                              exportLaps->click();
                              Button(dialog, "ButtonOK")->click();
                          });
        QVERIFY(shown.opened && !shown.leftOpen);
        QCOMPARE(chartEnabled, laps > 0);
        QCOMPARE(exportEnabled, laps > 0);
        if (laps > 0) {
            const QStringList lines = CsvLines(ExportFile(QStringLiteral("Laps.csv")));
            QCOMPARE(lines.filter(QStringLiteral(";Anna;")).size(), laps);
            QTEST(lines.value(0), "title");
            QFETCH(QString, lapLine);
            QVERIFY2(lines.contains(lapLine), qPrintable(lines.join(QLatin1Char('|'))));
        } else
            QVERIFY(!QFile::exists(ExportFile(QStringLiteral("Laps.csv"))));
        VERIFY_MESSAGES_SETTLED();
    }
};

QTEST_MAIN(TestLapChart)
#include "tst_lapchart.moc"
