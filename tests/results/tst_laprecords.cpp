#include "results/LapRecords.h"
#include "support/StoreRig.h"

#include <QtTest>
#include <memory>

// The record book over stored heats: who holds each record when laps tie,
// and which laps never count.
class TestLapRecords : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { m_rig.reset(); }
    void recordBook_data();
    void recordBook();

private:
    std::unique_ptr<TStoreRig> m_rig;
};

namespace {

// Championship 1 "Winter" holds races 1 "R1" and 2 "R2", championship 2
// "Summer" race 3 "S1"; drivers 1 Anna, 2 Bert, 3 Cor.
// A heat track as "race.heat.track driver @stored: ms ms ...", "@-" for a heat
// stored before dates were kept; the laps are numbered 1, 2, ...
void StoreHeatTrack(TStoreRig& rig, const QString& text)
{
    static const QHash<QString, int> Drivers = {{"Anna", 1}, {"Bert", 2}, {"Cor", 3}};
    const QStringList parts = text.split(QLatin1Char(':'));
    const QStringList head = parts.at(0).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QStringList key = head.at(0).split(QLatin1Char('.'));
    const int rcnr = key.at(0).toInt();
    const int htnr = key.at(1).toInt();
    const int track = key.at(2).toInt();
    const int csnr = rcnr == 3 ? 2 : 1;
    rig.Exec(R"(INSERT OR IGNORE INTO "KWL_Heat.DB" VALUES (?, ?, ?, 1))", {csnr, rcnr, htnr});
    rig.Exec(R"(INSERT INTO "KWL_HeatDetail.DB" VALUES (?, ?, ?, ?, ?, 0, 0, 0))",
             {csnr, rcnr, htnr, track, Drivers.value(head.at(1))});
    if (head.at(2) != QLatin1String("@-"))
        rig.Exec(R"(INSERT OR REPLACE INTO "Kobalap_HeatStored" VALUES (?, ?, ?, ?))",
                 {csnr, rcnr, htnr, head.at(2).mid(1).toLongLong()});
    int round = 0;
    for (const QString& ms : parts.at(1).split(QLatin1Char(' '), Qt::SkipEmptyParts))
        rig.Exec(R"(INSERT INTO "KWL_HeatDetailLaps.DB" VALUES (?, ?, ?, ?, ?, ?, 0))",
                 {csnr, rcnr, htnr, track, ++round, ms.toInt()});
}

// "T1 5100 Anna Winter/R1 heat 1 lap 2" per held record.
QString Describe(const TLapRecord& r)
{
    return QStringLiteral("T%1 %2 %3 %4/%5 heat %6 lap %7")
        .arg(r.Tracknr)
        .arg(r.TimeMs)
        .arg(r.Driver, r.Championship, r.Race)
        .arg(r.HTnr)
        .arg(r.RNDnr);
}

QStringList Describe(const TTrackRecords& records)
{
    QStringList lines;
    for (const TLapRecord& record : records)
        if (record.Held())
            lines << Describe(record);
    return lines;
}

}  // namespace

void TestLapRecords::init()
{
    m_rig = std::make_unique<TStoreRig>();
    for (const char* name : {"Anna", "Bert", "Cor"})
        m_rig->Exec(R"(INSERT INTO "KWL_Drivers.DB" ("Driver Name") VALUES (?))", {QString::fromLatin1(name)});
    m_rig->Exec(R"(INSERT INTO "KWL_Championship.db" VALUES (1, 'Winter', 20, 5, 0), (2, 'Summer', 20, 5, 0))", {});
    m_rig->Exec(R"(INSERT INTO "KWL_Race.DB" VALUES (1, 1, 'R1'), (1, 2, 'R2'), (2, 3, 'S1'))", {});
}

void TestLapRecords::recordBook_data()
{
    QTest::addColumn<QStringList>("heatTracks");
    QTest::addColumn<int>("minimumMs");
    QTest::addColumn<QStringList>("trackRecords");
    QTest::addColumn<QStringList>("summerRecords");  // championship 2's own
    QTest::addColumn<QStringList>("personalBests");

    QTest::newRow("fastest over every championship")
        << QStringList{"1.1.1 Anna @100: 5300 5100", "3.1.1 Bert @300: 5200 5000", "3.1.2 Anna @300: 6000"} << 1000
        << QStringList{"T1 5000 Bert Summer/S1 heat 1 lap 2", "T2 6000 Anna Summer/S1 heat 1 lap 1"}
        << QStringList{"T1 5000 Bert Summer/S1 heat 1 lap 2", "T2 6000 Anna Summer/S1 heat 1 lap 1"}
        << QStringList{"T1 5100 Anna Winter/R1 heat 1 lap 2", "T2 6000 Anna Summer/S1 heat 1 lap 1",
                       "T1 5000 Bert Summer/S1 heat 1 lap 2"};
    QTest::newRow("a tie goes to the heat stored first, not the lower race")
        << QStringList{"1.1.1 Anna @500: 5000", "3.1.1 Bert @200: 5000"} << 1000
        << QStringList{"T1 5000 Bert Summer/S1 heat 1 lap 1"} << QStringList{"T1 5000 Bert Summer/S1 heat 1 lap 1"}
        << QStringList{"T1 5000 Anna Winter/R1 heat 1 lap 1", "T1 5000 Bert Summer/S1 heat 1 lap 1"};
    QTest::newRow("an undated heat is older; then race and heat order")
        << QStringList{"1.2.1 Anna @-: 5000", "1.1.1 Cor @-: 5000", "2.1.1 Bert @100: 5000"} << 1000
        << QStringList{"T1 5000 Cor Winter/R1 heat 1 lap 1"} << QStringList{}
        << QStringList{"T1 5000 Anna Winter/R1 heat 2 lap 1", "T1 5000 Bert Winter/R2 heat 1 lap 1",
                       "T1 5000 Cor Winter/R1 heat 1 lap 1"};
    QTest::newRow("a tie within a heat goes to the earlier lap")
        << QStringList{"1.1.1 Anna @100: 5400 5000 5000"} << 1000 << QStringList{"T1 5000 Anna Winter/R1 heat 1 lap 2"}
        << QStringList{} << QStringList{"T1 5000 Anna Winter/R1 heat 1 lap 2"};
    QTest::newRow("a lap of time 0 never counts, even without a minimum")
        << QStringList{"1.1.1 Anna @100: 0 5100", "1.1.2 Bert @100: 0"} << 0
        << QStringList{"T1 5100 Anna Winter/R1 heat 1 lap 2"} << QStringList{}
        << QStringList{"T1 5100 Anna Winter/R1 heat 1 lap 2"};
    QTest::newRow("a bounce under the minimum is no lap")
        << QStringList{"1.1.1 Anna @100: 5100 200 5300", "3.1.1 Bert @100: 999"} << 1000
        << QStringList{"T1 5100 Anna Winter/R1 heat 1 lap 1"} << QStringList{}
        << QStringList{"T1 5100 Anna Winter/R1 heat 1 lap 1"};
    QTest::newRow("a lap right at the minimum counts")
        << QStringList{"1.1.1 Anna @100: 5100 1000"} << 1000 << QStringList{"T1 1000 Anna Winter/R1 heat 1 lap 2"}
        << QStringList{} << QStringList{"T1 1000 Anna Winter/R1 heat 1 lap 2"};
}

void TestLapRecords::recordBook()
{
    QFETCH(QStringList, heatTracks);
    QFETCH(int, minimumMs);
    QFETCH(QStringList, trackRecords);
    QFETCH(QStringList, summerRecords);
    QFETCH(QStringList, personalBests);
    for (const QString& heatTrack : heatTracks)
        StoreHeatTrack(*m_rig, heatTrack);

    QString error;
    const std::optional<TRecordBook> book = ReadRecordBook(m_rig->Db(), uint32_t(minimumMs), error);
    QVERIFY2(book, qPrintable(error));
    QCOMPARE(Describe(book->TrackRecords), trackRecords);
    QStringList summer;
    for (const TChampionshipRecords& championship : book->Championships)
        if (championship.Name == QLatin1String("Summer"))
            summer = Describe(championship.Tracks);
    QCOMPARE(summer, summerRecords);
    QStringList bests;
    for (const TLapRecord& best : book->PersonalBests)
        bests << Describe(best);
    QCOMPARE(bests, personalBests);
}

QTEST_GUILESS_MAIN(TestLapRecords)
#include "tst_laprecords.moc"
