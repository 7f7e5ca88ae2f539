#include "support/TestSupport.h"
#include "timing/RaceJournalFormat.h"
#include "timing/RaceJournalWriter.h"

#include <QFile>
#include <QtTest>

using namespace RaceJournalFormat;

namespace {

QByteArray LapPayload(const TLap& lap)
{
    char record[LapPayloadSize + RecordOverhead];
    EncodeLap(lap, record);
    return QByteArray(record + 3, LapPayloadSize);
}

// A journal of a race description, three laps and a pause event.
QByteArray SampleJournal(std::vector<TRecord>& records)
{
    records = {{TKind::Race, R"({"race":"Heat 3"})"},
               {TKind::Lap, LapPayload({1, 1, 4321, 4321})},
               {TKind::Lap, LapPayload({2, 1, 4400, 4400})},
               {TKind::Event, R"({"event":"pause","ms":5000})"},
               {TKind::Lap, LapPayload({1, 2, 4100, 8421})}};
    QByteArray file = Header();
    for (const TRecord& record : records)
        AppendRecord(file, record.Kind, record.Payload);
    return file;
}

}  // namespace

class TestRaceJournal : public QObject {
    Q_OBJECT
private slots:
    // What a journal cut or damaged anywhere reads as: the whole records
    // before the damage, never anything after it, and never a wrong value.
    void damagedJournal_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<int>("at");  // byte offset of the damage
        QTest::addColumn<int>("records");
        QTest::addColumn<bool>("dropped");
        std::vector<TRecord> records;
        const int size = int(SampleJournal(records).size());
        const int lastStart = size - (LapPayloadSize + RecordOverhead);
        QTest::newRow("whole") << "none" << 0 << 5 << false;
        QTest::newRow("cut inside the last CRC") << "cut" << size - 1 << 4 << true;
        QTest::newRow("cut inside the last length") << "cut" << lastStart + 1 << 4 << true;
        QTest::newRow("cut at a record boundary") << "cut" << lastStart << 4 << false;
        QTest::newRow("cut inside the header") << "cut" << 5 << 0 << true;
        QTest::newRow("lap time flipped") << "flip" << lastStart + 9 << 4 << true;
        QTest::newRow("first length flipped") << "flip" << HeaderSize << 0 << true;
        QTest::newRow("kind flipped") << "flip" << HeaderSize + 2 << 0 << true;
        QTest::newRow("zeros after a power cut") << "zeros" << size << 5 << true;
        QTest::newRow("other version") << "flip" << 7 << 0 << true;
    }
    void damagedJournal()
    {
        QFETCH(QString, damage);
        QFETCH(int, at);
        QFETCH(int, records);
        QFETCH(bool, dropped);
        std::vector<TRecord> written;
        QByteArray file = SampleJournal(written);
        if (damage == "cut")
            file.truncate(at);
        else if (damage == "flip")
            file[at] = char(file[at] ^ 0x10);
        else if (damage == "zeros")
            file.append(4096, '\0');
        const TReadOutcome read = Read(file);
        QCOMPARE(int(read.Records.size()), records);
        QVERIFY(std::equal(read.Records.cbegin(), read.Records.cend(), written.cbegin()));
        QCOMPARE(read.HeaderValid, damage == "none" || damage == "zeros" || at >= HeaderSize);
        QCOMPARE(read.DroppedBytes > 0, dropped);
        TLap lap;
        QVERIFY(DecodeLap(written[4].Payload, lap));
        QCOMPARE(lap, (TLap{1, 2, 4100, 8421}));
    }

    // The writer off the timing thread: laps pushed into its ring and events
    // handed in between them land in their order; a race that ended normally
    // leaves no journal behind.
    void writerKeepsTheOrder()
    {
        TTestWorkDir dir;
        const QString path = dir.File("data/race.journal");
        TRaceJournalWriter writer(path);
        QString error;
        QVERIFY2(writer.Begin("race", error), qPrintable(error));
        writer.Laps().Push({1, 1, 3000, 3000});
        writer.Event("pause");
        writer.Laps().Push({1, 2, 3100, 6100});
        writer.Finish(false);
        QVERIFY(writer.Failure().isEmpty());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const TReadOutcome read = Read(file.readAll());
        QCOMPARE(read.DroppedBytes, 0);
        QCOMPARE(read.Records.size(), size_t(4));
        QCOMPARE(read.Records[0], (TRecord{TKind::Race, "race"}));
        QCOMPARE(read.Records[1], (TRecord{TKind::Lap, LapPayload({1, 1, 3000, 3000})}));
        QCOMPARE(read.Records[2], (TRecord{TKind::Event, "pause"}));
        QCOMPARE(read.Records[3], (TRecord{TKind::Lap, LapPayload({1, 2, 3100, 6100})}));
        QCOMPARE(writer.DurableLaps(), 2);

        QVERIFY(writer.Begin("next race", error));
        writer.Finish(true);
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_GUILESS_MAIN(TestRaceJournal)
#include "tst_racejournal.moc"
