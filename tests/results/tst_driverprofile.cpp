#include "common/Settings.h"
#include "data/Schema.h"
#include "results/DriverProfile.h"
#include "support/StoreRig.h"

#include <QtTest>

class TestDriverProfile : public QObject {
    Q_OBJECT

    std::unique_ptr<TStoreRig> m_rig;

    void Insert(const char* table, const QList<QVariantList>& rows)
    {
        for (const QVariantList& row : rows)
            m_rig->Exec(
                QStringLiteral("INSERT INTO \"%1\" VALUES (?%2)").arg(table, QString(",?").repeated(row.size() - 1)),
                row);
    }

private slots:
    // Winter (lap): R1 has Anna and Bert tied first, Carl third, and an
    // unfinished heat in which Anna would win alone and Dirk drove; in R2
    // Anna is fourth. Autumn (timed): Anna beats Carl in A1.
    void init()
    {
        m_rig = std::make_unique<TStoreRig>();
        Insert(Schema::Drivers, {{1, "Anna"}, {2, "Bert"}, {3, "Carl"}, {4, "Dirk"}});
        Insert(Schema::Championship, {{1, "Winter", 10, 5, false}, {2, "Autumn", 5, 5, true}});
        Insert(Schema::Race, {{1, 1, "R1"}, {1, 2, "R2"}, {2, 3, "A1"}});
        Insert(Schema::Heat, {{1, 1, 1, true}, {1, 1, 2, false}, {1, 2, 1, true}, {2, 3, 1, true}});
        Insert(Schema::HeatStored, {{1, 1, 1, 2000}, {1, 2, 1, 3000}, {2, 3, 1, 1000}});
        Insert(Schema::HeatDetail, {{1, 1, 1, 1, 1, 10000, 60000, 0},
                                    {1, 1, 1, 2, 2, 10000, 60000, 0},
                                    {1, 1, 1, 3, 3, 10000, 70000, 0},
                                    {1, 1, 2, 1, 1, 10000, 1, 0},
                                    {1, 1, 2, 2, 4, 10000, 50000, 0},
                                    {1, 2, 1, 1, 2, 10000, 50000, 0},
                                    {1, 2, 1, 2, 3, 10000, 55000, 0},
                                    {1, 2, 1, 3, 4, 10000, 56000, 0},
                                    {1, 2, 1, 4, 1, 10000, 57000, 0},
                                    {2, 3, 1, 1, 1, 12000, 0, 0},
                                    {2, 3, 1, 2, 3, 11000, 0, 0}});
        // Anna's laps: 1200 twice on track 1, where the earlier stored heat
        // (Autumn's) holds it; 800 is under the minimum.
        Insert(Schema::HeatDetailLaps, {{1, 1, 1, 1, 1, 1300, 0},
                                        {1, 1, 1, 1, 2, 1200, 0},
                                        {1, 1, 1, 1, 3, 800, 0},
                                        {1, 2, 1, 4, 1, 1250, 0},
                                        {1, 2, 1, 4, 2, 1200, 0},
                                        {2, 3, 1, 1, 1, 1200, 0}});
    }
    void cleanup() { m_rig.reset(); }

    void profile_data()
    {
        QTest::addColumn<int>("drvnr");
        QTest::addColumn<QString>("expected");
        QTest::newRow("shared win, fourth, timed win")
            << 1
            << "Anna 3 races 3 heats 2 wins 2 podiums; 1:1200 Autumn A1 1/1 1000; 4:1200 Winter R2 1/2 3000; "
               "Autumn 1 1200 1000; Winter 4 1225 2000";
        QTest::newRow("two wins") << 2 << "Bert 2 races 2 heats 2 wins 2 podiums";
        QTest::newRow("third, second, second") << 3 << "Carl 3 races 3 heats 0 wins 3 podiums";
        QTest::newRow("unfinished heat not counted") << 4 << "Dirk 1 races 1 heats 0 wins 1 podiums";
    }
    void profile()
    {
        QFETCH(int, drvnr);
        QFETCH(QString, expected);
        QString error;
        const std::optional<TDriverProfile> profile = ReadDriverProfile(m_rig->Db(), drvnr, TSettings{}, 1000, error);
        QVERIFY2(profile, qPrintable(error));
        QStringList parts{QStringLiteral("%1 %2 races %3 heats %4 wins %5 podiums")
                              .arg(profile->Driver)
                              .arg(profile->Races)
                              .arg(profile->Heats)
                              .arg(profile->RaceWins)
                              .arg(profile->Podiums)};
        for (const TLapRecord& best : profile->Best)
            if (best.Held())
                parts << QStringLiteral("%1:%2 %3 %4 %5/%6 %7")
                             .arg(best.Tracknr)
                             .arg(best.TimeMs)
                             .arg(best.Championship, best.Race)
                             .arg(best.HTnr)
                             .arg(best.RNDnr)
                             .arg(best.StoredUtcMs);
        for (const TProfileChampionship& c : profile->Championships)
            parts << QStringLiteral("%1 %2 %3 %4").arg(c.Name).arg(c.Laps).arg(c.MedianLapMs).arg(c.FirstStoredUtcMs);
        QCOMPARE(parts.join(QStringLiteral("; ")), expected);
    }
};

QTEST_GUILESS_MAIN(TestDriverProfile)
#include "tst_driverprofile.moc"
