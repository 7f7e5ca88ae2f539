#include "results/LapAnalysis.h"
#include "results/LapsExport.h"
#include "support/StoreRig.h"

#include <QtTest>
#include <memory>

class TestLapsExport : public QObject {
    Q_OBJECT

    std::unique_ptr<TStoreRig> m_rig;

    void Exec(const QString& sql, const QVariantList& values) { m_rig->Exec(sql, values); }

private slots:
    void init() { m_rig = std::make_unique<TStoreRig>(); }
    void cleanup() { m_rig.reset(); }

    // Rows go in out of key order and a second championship's laps are
    // there too: the file must hold exactly the first one's, sorted.
    void championshipFile()
    {
        Exec(R"(INSERT INTO "KWL_Championship.db" VALUES (1, 'Winter Cup', 0, 0, 0), (2, 'Other', 0, 0, 0))", {});
        Exec(R"(INSERT INTO "KWL_Drivers.DB" VALUES (1, 'Anna'), (2, 'Smith; J.'))", {});
        Exec(R"(INSERT INTO "KWL_Race.DB" VALUES (1, 5, 'Race B'), (1, 4, 'Race A'), (2, 6, 'Elsewhere'))", {});
        Exec(R"(INSERT INTO "KWL_HeatDetail.DB" VALUES (1, 4, 1, 2, 1, 0, 0, 0), (1, 4, 1, 1, 2, 0, 0, 0),)"
             R"( (1, 5, 1, 1, 1, 0, 0, 0), (2, 6, 1, 1, 1, 0, 0, 0))",
             {});
        Exec(R"(INSERT INTO "KWL_HeatDetailLaps.DB" VALUES (1, 5, 1, 1, 1, 61000, 0), (1, 4, 1, 2, 2, 8123, 0),)"
             R"( (1, 4, 1, 1, 1, 7950, 0), (1, 4, 1, 2, 1, 0, 0), (1, 4, 1, 3, 1, 9000, 0), (2, 6, 1, 1, 1, 5000, 0))",
             {});

        QString title;
        QList<TExportLap> laps;
        QString error;
        QVERIFY2(ReadChampionshipLaps(m_rig->Db(), 1, title, laps, error), qPrintable(error));
        QCOMPARE(LapsFileBytes(title, laps, ';'), QByteArray("Winter Cup\r\n"
                                                             "Race;Heat;Track;Driver;Lap;Time (ms);Time\r\n"
                                                             "Race A;1;1;\"Smith; J.\";1;7950;07.950\r\n"
                                                             "Race A;1;2;Anna;1;0;-\r\n"
                                                             "Race A;1;2;Anna;2;8123;08.123\r\n"
                                                             "Race A;1;3;;1;9000;09.000\r\n"
                                                             "Race B;1;1;Anna;1;61000;99.999\r\n"));

        // The chart of the championship names its drivers from the store.
        QList<TDriverLaps> drivers =
            DriverLapsOfScope(ReadStoredLaps(m_rig->Db(), TLapScope::Championship, 1, 0, 0, 4), 4);
        QVERIFY2(NameDrivers(m_rig->Db(), drivers, error), qPrintable(error));
        QCOMPARE(drivers.size(), 2);
        QCOMPARE(drivers.at(0).Driver, QStringLiteral("Smith; J."));
        QCOMPARE(drivers.at(1).Driver, QStringLiteral("Anna"));
        QCOMPARE(drivers.at(1).Laps.size(), 3);
    }

    void lastRaceFile()
    {
        auto states = std::make_unique<TTrackStates>();
        (*states)[0].Active = true;
        (*states)[0].DriverName = QStringLiteral("Anna");
        (*states)[0].Laps = 2000;  // laps * 1000 + sections
        (*states)[0].LapTimes[1] = 8000;
        (*states)[0].LapTimes[2] = 7900;
        (*states)[1].Active = true;
        (*states)[1].DriverName = QStringLiteral("Bert");
        (*states)[2].Laps = 1000;  // no longer shown with two tracks
        (*states)[2].LapTimes[1] = 7000;
        QCOMPARE(LapsFileBytes(QStringLiteral("Laps Results"), LastRaceLaps(*states, 2, 1), ','),
                 QByteArray("Laps Results\r\nRace,Heat,Track,Driver,Lap,Time (ms),Time\r\n"
                            "Last race,1,1,Anna,1,8000,08.000\r\nLast race,1,1,Anna,2,7900,07.900\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestLapsExport)
#include "tst_lapsexport.moc"
