#include "common/LapValue.h"
#include "support/TestSupport.h"
#include "timing/RaceJournalFormat.h"
#include "timing/RaceJournalReplay.h"
#include "timing/RaceJournalWriter.h"

#include <QFile>
#include <QFileInfo>
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

using namespace RaceJournalRecords;

// A journal from a script: "lap T N LAPMS RACEMS", "clock MS", "pause MS T:LAPS",
// "finish MS T:LAPS:PENALTY", "accept", "resume", "cancel", "junk" (an event
// record whose bytes check out but mean nothing).
QByteArray ScriptedJournal(const QStringList& script, bool& eventsRoundTrip)
{
    eventsRoundTrip = true;
    TRaceDescription race;
    race.Origin = {true, QStringLiteral("/club/data/KWLManager.sqlite"),  2, 1,
                   3,    QStringLiteral("Heat 3 of Winter Cup - Round 2")};
    race.Kind = TRaceKind::Timed;
    race.Length = 1200;
    race.Drivers = {QStringLiteral("Anna"), QStringLiteral("Bert"), QString(), QStringLiteral("Dora")};
    QByteArray file = Header();
    AppendRecord(file, TKind::Race, EncodeRace(race));
    for (const QString& line : script) {
        const QStringList word = line.split(QLatin1Char(' '));
        if (word[0] == QLatin1String("lap")) {
            char record[LapPayloadSize + RecordOverhead];
            file.append(
                record,
                EncodeLap({uint8_t(word[1].toInt()), word[2].toInt(), word[3].toUInt(), word[4].toUInt()}, record));
            continue;
        }
        TEvent event;
        if (word[0] == QLatin1String("clock")) {
            event = MakeEvent(TEventType::Clock, word[1].toLongLong());
        } else if (word[0] == QLatin1String("pause") || word[0] == QLatin1String("finish")) {
            // The figures an event carries are those of the records as the race left them.
            std::optional<TRecoveredRace> sofar = RaceJournalReplay::Replay(file);
            TTrackStates& figures = *sofar->Tracks;
            const QStringList track = word[2].split(QLatin1Char(':'));
            TTrackState& changed = figures[size_t(track[0].toInt() - 1)];
            changed.Laps = track[1].toInt();
            changed.PenaltyLaps = track.size() > 2 ? track[2].toInt() : 0;
            TRaceState state;
            event = MakeEvent(word[0] == QLatin1String("pause") ? TEventType::Paused : TEventType::Finished,
                              word[1].toLongLong(), figures, state);
        } else if (word[0] == QLatin1String("junk")) {
            AppendRecord(file, TKind::Event, QByteArray("\x63", 1));
            continue;
        } else {
            event = MakeEvent(word[0] == QLatin1String("accept")   ? TEventType::Accepted
                              : word[0] == QLatin1String("resume") ? TEventType::Resumed
                                                                   : TEventType::Cancelled,
                              0);
        }
        // What the journal says must survive the trip through its bytes.
        eventsRoundTrip = eventsRoundTrip && DecodeEvent(EncodeEvent(event)) == std::optional<TEvent>(event);
        AppendRecord(file, TKind::Event, EncodeEvent(event));
    }
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

    // A race put back together from its journal stands as the race did at
    // the last record: laps with their times, the corrections of a pause,
    // the end with its penalties, how far the race had got.
    void replay_data()
    {
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<int>("laps1");          // lap value of track 1
        QTest::addColumn<QString>("lapTimes1");  // LapTimes[1..] of track 1
        QTest::addColumn<int>("fastest1");
        QTest::addColumn<int>("elapsed");
        QTest::addColumn<int>("stage");
        QTest::addColumn<bool>("dropped");
        const QStringList laps{"lap 1 1 3000 3000", "lap 2 1 3500 3500", "lap 1 2 2900 5900"};
        using S = TRecoveredRace::TStage;
        QTest::newRow("laps") << laps << 2000 << "3000 2900" << 2900 << 5900 << int(S::Running) << false;
        QTest::newRow("clock after the last lap")
            << laps + QStringList{"clock 7000"} << 2000 << "3000 2900" << 2900 << 7000 << int(S::Running) << false;
        QTest::newRow("a lap added at a pause, then driven on")
            << laps + QStringList{"pause 6500 1:3000", "lap 1 4 3100 9600"} << 4000 << "3000 2900 0 3100" << 2900
            << 9600 << int(S::Running) << false;
        QTest::newRow("a lap below zero") << QStringList{"pause 100 1:-1000", "lap 1 0 3000 3000"} << 0 << "" << 3000
                                          << 3000 << int(S::Running) << false;
        QTest::newRow("finished with a false-start penalty")
            << laps + QStringList{"finish 8000 1:1000:1000"} << 1000 << "3000 2900" << 2900 << 8000 << int(S::Finished)
            << false;
        QTest::newRow("accepted") << laps + QStringList{"finish 8000 1:2000", "accept"} << 2000 << "3000 2900" << 2900
                                  << 8000 << int(S::Accepted) << false;
        QTest::newRow("accepted, then taken up again")
            << laps + QStringList{"finish 8000 1:2000", "accept", "resume"} << 2000 << "3000 2900" << 2900 << 8000
            << int(S::Finished) << false;
        QTest::newRow("cancelled") << laps + QStringList{"cancel"} << 2000 << "3000 2900" << 2900 << 5900
                                   << int(S::Cancelled) << false;
        QTest::newRow("a record of no known meaning ends it")
            << QStringList{"lap 1 1 3000 3000", "junk", "lap 1 2 2900 5900"} << 1000 << "3000" << 3000 << 3000
            << int(S::Running) << true;
    }
    void replay()
    {
        QFETCH(QStringList, script);
        bool roundTrip = false;
        const QByteArray file = ScriptedJournal(script, roundTrip);
        QVERIFY(roundTrip);
        std::optional<TRecoveredRace> race = RaceJournalReplay::Replay(file);
        QVERIFY(race);
        const TTrackState& track = (*race->Tracks)[0];
        QStringList times;
        for (int lap = 1; lap <= 8; ++lap)
            times << QString::number(track.LapTimes[size_t(lap)]);
        while (!times.isEmpty() && times.last() == QLatin1String("0"))
            times.removeLast();
        QTEST(int(track.Laps), "laps1");
        QTEST(times.join(QLatin1Char(' ')), "lapTimes1");
        QTEST(int(track.FastestLap), "fastest1");
        QTEST(int(race->ElapsedMs), "elapsed");
        QTEST(int(race->Stage), "stage");
        QTEST(race->DroppedBytes > 0, "dropped");
        QCOMPARE(race->ValidBytes + race->DroppedBytes, file.size());
        QVERIFY((*race->Tracks)[1].Active && !(*race->Tracks)[2].Active);
        if (QTest::currentDataTag() == QLatin1String("laps"))
            QCOMPARE(RaceJournalReplay::Describe(*race, 2, QTime(12, 41, 7)),
                     QStringLiteral("Heat 3 of Winter Cup - Round 2, 2 laps on track 1, 1 lap on track 2, "
                                    "interrupted at 12:41:07"));
        // Nothing that is not a journal of a race is taken for one.
        QVERIFY(!RaceJournalReplay::Replay(file.mid(HeaderSize)));
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
        file.close();

        // Taken up after a crash that tore a record: the torn bytes go, and
        // what follows is read as whole as what came before.
        QVERIFY(file.open(QIODevice::Append));
        file.write("\x20\x00\x02torn", 7);
        file.close();
        QVERIFY(writer.Continue(read.Records.size() == 4 ? QFileInfo(path).size() - 7 : 0, error));
        writer.Laps().Push({1, 3, 3200, 9300});
        writer.Finish(false);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const TReadOutcome taken = Read(file.readAll());
        file.close();
        QCOMPARE(taken.DroppedBytes, 0);
        QCOMPARE(taken.Records.size(), size_t(5));
        QCOMPARE(taken.Records[4], (TRecord{TKind::Lap, LapPayload({1, 3, 3200, 9300})}));

        QVERIFY(writer.Begin("next race", error));
        writer.Finish(true);
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_GUILESS_MAIN(TestRaceJournal)
#include "tst_racejournal.moc"
