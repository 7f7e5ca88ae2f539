#include "common/Settings.h"
#include "results/DriverProfile.h"
#include "support/StoreRig.h"

#include <QtTest>

class TestDriverProfile : public QObject {
    Q_OBJECT

    std::unique_ptr<TStoreRig> m_rig;

private slots:
    // Winter (lap): in R1 Anna and Bert tie first, Carl is third, and in an
    // unfinished heat Anna would win alone and Dirk drove; in R2 Anna is
    // fourth. Autumn (timed): Anna beats Carl. Anna's 1200 on track 1 is held
    // by the earlier stored heat; her 800 is under the minimum.
    void init()
    {
        m_rig = std::make_unique<TStoreRig>();
        for (
            const char* sql :
            {R"(INSERT INTO "KWL_Drivers.DB" VALUES (1, 'Anna'), (2, 'Bert'), (3, 'Carl'), (4, 'Dirk'))",
             R"(INSERT INTO "KWL_Championship.db" VALUES (1, 'Winter', 10, 5, 0), (2, 'Autumn', 5, 5, 1))",
             R"(INSERT INTO "KWL_Race.DB" VALUES (1, 1, 'R1'), (1, 2, 'R2'), (2, 3, 'A1'))",
             R"(INSERT INTO "KWL_Heat.DB" VALUES (1, 1, 1, 1), (1, 1, 2, 0), (1, 2, 1, 1), (2, 3, 1, 1))",
             R"(INSERT INTO "Kobalap_HeatStored" VALUES (1, 1, 1, 2000), (1, 2, 1, 3000), (2, 3, 1, 1000))",
             R"(INSERT INTO "KWL_HeatDetail.DB" VALUES (1, 1, 1, 1, 1, 0, 60000, 0), (1, 1, 1, 2, 2, 0, 60000, 0),)"
             R"( (1, 1, 1, 3, 3, 0, 70000, 0), (1, 1, 2, 1, 1, 0, 1, 0), (1, 1, 2, 2, 4, 0, 50000, 0),)"
             R"( (1, 2, 1, 1, 2, 0, 50000, 0), (1, 2, 1, 2, 3, 0, 55000, 0), (1, 2, 1, 3, 4, 0, 56000, 0),)"
             R"( (1, 2, 1, 4, 1, 0, 57000, 0), (2, 3, 1, 1, 1, 12000, 0, 0), (2, 3, 1, 2, 3, 11000, 0, 0))",
             R"(INSERT INTO "KWL_HeatDetailLaps.DB" VALUES (1, 1, 1, 1, 1, 1300, 0), (1, 1, 1, 1, 2, 1200, 0),)"
             R"( (1, 1, 1, 1, 3, 800, 0), (1, 2, 1, 4, 1, 1250, 0), (1, 2, 1, 4, 2, 1200, 0), (2, 3, 1, 1, 1, 1200, 0))"})
            m_rig->Exec(sql, {});
    }
    void cleanup() { m_rig.reset(); }

    void profile_data()
    {
        QTest::addColumn<int>("drvnr");
        QTest::addColumn<QString>("expected");
        QTest::newRow("shared win, fourth, timed win")
            << 1
            << "Anna 3 3 2 2|1:1200 Autumn A1 1 1 1000|4:1200 Winter R2 1 2 3000|Autumn 1 1200 1000|Winter 4 1225 2000";
        QTest::newRow("two wins") << 2 << "Bert 2 2 2 2";
        QTest::newRow("third, second, second") << 3 << "Carl 3 3 0 3";
        QTest::newRow("unfinished heat not counted") << 4 << "Dirk 1 1 0 1";
    }
    void profile()
    {
        QFETCH(int, drvnr);
        QString error;
        const std::optional<TDriverProfile> p = ReadDriverProfile(m_rig->Db(), drvnr, TSettings{}, 1000, error);
        QVERIFY2(p, qPrintable(error));
        QStringList parts{
            QString::asprintf("%s %d %d %d %d", qPrintable(p->Driver), p->Races, p->Heats, p->RaceWins, p->Podiums)};
        for (const TLapRecord& b : p->Best)
            if (b.Held())
                parts << QString::asprintf("%d:%u %s %s %d %d %lld", b.Tracknr, b.TimeMs, qPrintable(b.Championship),
                                           qPrintable(b.Race), b.HTnr, b.RNDnr, (long long)b.StoredUtcMs);
        for (const TProfileChampionship& c : p->Championships)
            parts << QString::asprintf("%s %d %g %lld", qPrintable(c.Name), c.Laps, c.MedianLapMs,
                                       (long long)c.FirstStoredUtcMs);
        QTEST(parts.join('|'), "expected");
    }
};

QTEST_GUILESS_MAIN(TestDriverProfile)
#include "tst_driverprofile.moc"
