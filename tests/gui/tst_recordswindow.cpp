#include "app/ChampionshipPage.h"
#include "results/DriverProfileWindow.h"
#include "results/ExportDialog.h"
#include "results/RecordsChoice.h"
#include "results/RecordsExport.h"
#include "results/RecordsWindow.h"
#include "support/AppRig.h"
#include "support/ModalProbe.h"

#include <QChart>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

namespace {

constexpr qint64 StoredAt = 1773489600000;  // 2026-03-14 12:00 UTC

// The cells of a grid row, joined by " | ".
QString Row(const QTableWidget* grid, int row)
{
    QStringList cells;
    for (int c = 0; c < grid->columnCount(); ++c)
        cells << (grid->item(row, c) ? grid->item(row, c)->text() : QString());
    return cells.join(QStringLiteral(" | "));
}

void Click(QWidget* window, const char* name)
{
    auto* button = window->findChild<QPushButton*>(QLatin1String(name));
    QVERIFY2(button, name);
    button->click();
}

}  // namespace

// The Records window over a small store: "Winter Cup", race "Round 1", two
// heats in which Anna and Bert swap tracks 1 and 2 and Cor drives tracks 3
// and 4, his first lap on track 3 a sensor's bounce of 0.3 s.
class TestRecordsWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<TAppRig> m_rig;
    TAppRig& Rig() { return *m_rig; }

    void Exec(const QString& sql, const QVariantList& values)
    {
        QSqlQuery query(Rig().context.store.Database());
        QVERIFY(query.prepare(sql));
        for (const QVariant& value : values)
            query.addBindValue(value);
        QVERIFY(query.exec());
    }
    void StoreTrack(int htnr, int track, int drvnr, const QList<int>& laps)
    {
        Exec(R"(INSERT OR IGNORE INTO "KWL_Heat.DB" VALUES (1, 1, ?, 1))", {htnr});
        Exec(R"(INSERT OR IGNORE INTO "Kobalap_HeatStored" VALUES (1, 1, ?, ?))", {htnr, StoredAt});
        Exec(R"(INSERT INTO "KWL_HeatDetail.DB" VALUES (1, 1, ?, ?, ?, ?, 0, 0))", {htnr, track, drvnr, laps.size()});
        for (int lap = 0; lap < laps.size(); ++lap)
            Exec(R"(INSERT INTO "KWL_HeatDetailLaps.DB" VALUES (1, 1, ?, ?, ?, ?, 0))",
                 {htnr, track, lap + 1, laps[lap]});
    }
    TRecordsWindow* Window() { return Rig().windows.Records; }

private slots:
    void init()
    {
        m_rig = std::make_unique<TAppRig>();
        Rig().WriteSettingsFile();
        QCOMPARE(Rig().Start(), -1);
        Exec(R"(INSERT INTO "KWL_Drivers.DB" ("Driver Name") VALUES ('Anna'), ('Bert'), ('Cor'))", {});
        Exec(R"(INSERT INTO "KWL_Championship.db" VALUES (1, 'Winter Cup', 10, 3, 0))", {});
        Exec(R"(INSERT INTO "KWL_Race.DB" VALUES (1, 1, 'Round 1'))", {});
        StoreTrack(1, 1, 1, {5200, 5100, 5300});
        StoreTrack(1, 2, 2, {5400, 5500});
        StoreTrack(1, 3, 3, {300, 5600, 5700});
        StoreTrack(2, 1, 2, {5350, 5300});
        StoreTrack(2, 2, 1, {5150, 5250});
        StoreTrack(2, 4, 3, {5800, 5900});
        QVERIFY(WriteMinimumLapMs(Rig().dir.Path(), 250));
        Rig().Form()->ChampionshipPage()->Reload(0);
    }
    void cleanup()
    {
        SetExportFileNameAnswer({});
        VERIFY_MESSAGES_SETTLED();
        m_rig.reset();
    }

    // The Records button joins the championship buttons without moving one.
    void buttonPlaces_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::newRow("Add") << "ButtonCSAdd" << 0 << 0;
        QTest::newRow("Change") << "ButtonCSChange" << 1 << 0;
        QTest::newRow("Delete") << "ButtonCSDelete" << 2 << 0;
        QTest::newRow("Select Drivers") << "ButtonSelectDrivers" << 0 << 1;
        QTest::newRow("Show Results") << "ButtonShowResults" << 1 << 1;
        QTest::newRow("Show Laps") << "ButtonCSShowLaps" << 2 << 1;
        QTest::newRow("Records") << "ButtonRecords" << 2 << 2;
    }
    void buttonPlaces()
    {
        QFETCH(QString, button);
        QFETCH(int, row);
        QFETCH(int, column);
        TChampionshipPage* page = Rig().Form()->ChampionshipPage();
        auto* widget = page->findChild<QPushButton*>(button);
        QVERIFY(widget);
        for (QGridLayout* grid : page->findChildren<QGridLayout*>()) {
            const int index = grid->indexOf(widget);
            if (index < 0)
                continue;
            int r = -1, c = -1, rows = 0, columns = 0;
            grid->getItemPosition(index, &r, &c, &rows, &columns);
            QCOMPARE(QPair(r, c), QPair(row, column));
            return;
        }
        QFAIL("the button is in no grid");
    }

    void recordsFlow()
    {
        bool looked = false;
        const TModalProbe records(
            [&] { Click(Rig().Form()->ChampionshipPage(), "ButtonRecords"); },
            [&](QDialog* dialog) {
                QCOMPARE(dialog, Window());
                const QString date = RecordDateText(StoredAt);
                QTableWidget* tracks = Window()->TrackRecordsGrid();
                QCOMPARE(tracks->rowCount(), 4);
                QCOMPARE(Row(tracks, 0), "1 | 05.100 | Anna | " + date + " | Winter Cup | Round 1 | 1");
                QCOMPARE(Row(tracks, 2), "3 | 00.300 | Cor | " + date + " | Winter Cup | Round 1 | 1");
                QCOMPARE(Window()->ChampionshipChoice()->currentText(), "Winter Cup");
                QCOMPARE(Row(Window()->ChampionshipGrid(), 1), Row(tracks, 1));

                // The bounce goes with a minimum of a second, which is kept.
                Window()->MinimumLap()->setValue(1.0);
                QCOMPARE(Row(tracks, 2), "3 | 05.600 | Cor | " + date + " | Winter Cup | Round 1 | 1");
                QCOMPARE(ReadMinimumLapMs(Rig().dir.Path()), 1000u);

                // Bert's profile, from his personal bests.
                QTableWidget* bests = Window()->PersonalBestsGrid();
                QCOMPARE(Row(bests, 2), "Bert | 1 | 05.300 | " + date + " | Winter Cup | Round 1 | 2");
                bests->setCurrentCell(2, 0);
                bool profiled = false;
                const TModalProbe profile([&] { Click(Window(), "ButtonProfile"); },
                                          [&](QDialog* shown) {
                                              auto* window = qobject_cast<TDriverProfileWindow*>(shown);
                                              QVERIFY(window);
                                              QCOMPARE(window->BestLaps()->rowCount(), 2);
                                              QVERIFY(window->Summary()->text().startsWith("Races: 1    Heats: 2    "));
                                              const auto series = window->Chart()->series();
                                              QCOMPARE(series.size(), 1);
                                              QCOMPARE(qobject_cast<QLineSeries*>(series[0])->count(), 1);
                                              profiled = true;
                                              shown->accept();
                                          });
                QVERIFY(profiled);

                // The lane report waits for its tab; Cor never drove tracks 1 and 2.
                QCOMPARE(Window()->LaneGrid()->rowCount(), 0);
                Window()->Tabs()->setCurrentIndex(3);
                QCOMPARE(Window()->LaneGrid()->rowCount(), 4);
                QVERIFY(Row(Window()->LaneGrid(), 2).startsWith("Track 3 | "));
                QCOMPARE(Window()->LaneNote()->text(), LaneMissingTracksText());

                const QString path = Rig().dir.Path() + "/Records.csv";
                QString proposed;
                SetExportFileNameAnswer([&](const QString&, const QString& name) {
                    proposed = name;
                    return path;
                });
                Click(Window(), "ButtonExportRecords");
                QCOMPARE(proposed, "Records.csv");
                QFile file(path);
                QVERIFY(file.open(QIODevice::ReadOnly));
                QCOMPARE(file.readAll(), RecordsFileBytes(Window()->Book(), Rig().context.settings.ExportSeparator));
                looked = true;
                Click(Window(), "ButtonDone");
            });
        QVERIFY(looked);
        QVERIFY(!records.leftOpen);
    }
};

QTEST_MAIN(TestRecordsWindow)
#include "tst_recordswindow.moc"
