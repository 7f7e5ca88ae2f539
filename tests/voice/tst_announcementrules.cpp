// What the race announcements say, and when they keep quiet: race events go
// through the rules into the phrase queue, and the queue is emptied when the
// row says the speaker is free.
#include "voice/AnnouncementRules.h"
#include "voice/PhraseQueue.h"

#include <QTest>
#include <functional>

namespace {

// One step of a race: the figures change, then an event is heard at AtMs.
// Speak: the speaker is free at SpeakAtMs and says all that is waiting.
struct TStep {
    TRaceEvent::TType Type = TRaceEvent::TType::Standing;
    int64_t AtMs = 0;
    std::function<void(TRaceSnapshot&)> Change;
    bool Speak = true;
    int64_t SpeakAtMs = -1;                        // -1: at AtMs
    std::array<TRecordWatch::TFall, 4> Records{};  // what the laps of this step broke
};

using TSteps = QList<TStep>;
}  // namespace
Q_DECLARE_METATYPE(TStep)
Q_DECLARE_METATYPE(TRaceSnapshot)
namespace {

TRaceSnapshot Field(TRaceKind kind, int32_t length, int drivers = 4)
{
    static const char* const Names[4] = {"Anna de Vries", "Bert Jansen", "Carla Smit", "Dirk Bos"};
    TRaceSnapshot race;
    race.RaceKind = kind;
    race.RaceLength = length;
    for (int n = 0; n < drivers; ++n) {
        race.Tracks[size_t(n)].Active = true;
        CopySnapshotName(race.Tracks[size_t(n)].Name, QLatin1String(Names[n]));
    }
    return race;
}

// Track 1..4 completes lap `laps` at race time totalMs, the lap taking lapMs.
std::function<void(TRaceSnapshot&)> Lap(int track, int32_t laps, uint32_t totalMs, uint32_t lapMs)
{
    return [=](TRaceSnapshot& race) {
        TSnapshotTrack& t = race.Tracks[size_t(track - 1)];
        t.Laps = laps * 1000;
        t.TotalTime = totalMs;
        t.LastLap = lapMs;
        t.FastestLap = std::min(t.FastestLap, lapMs);
        race.Elapsed = totalMs;
    };
}

std::function<void(TRaceSnapshot&)> Both(std::function<void(TRaceSnapshot&)> a, std::function<void(TRaceSnapshot&)> b)
{
    return [=](TRaceSnapshot& race) {
        a(race);
        b(race);
    };
}

TStep At(int64_t atMs, std::function<void(TRaceSnapshot&)> change, bool speak = true)
{
    return {TRaceEvent::TType::Standing, atMs, std::move(change), speak, -1, {}};
}

TStep Event(TRaceEvent::TType type, int64_t atMs) { return {type, atMs, {}, true, -1, {}}; }

// Bert's 4.60 on track 2 breaks the track record, then Dirk's 5.30 on track 4 his own best.
TSteps RecordsBroken()
{
    TStep record = At(9800, Lap(2, 2, 9800, 4600));
    record.Records[1] = {TRecordMark::TrackRecord, 4600};
    TStep best = At(10900, Lap(4, 2, 10900, 5300));
    best.Records[3] = {TRecordMark::PersonalBest, 5300};
    return {record, best};
}

// Every track's first lap (no news), track 1 leading: laps at 5.0 s, 5.2 s ...
TSteps FirstLaps()
{
    return {At(5000, Lap(1, 1, 5000, 5000)), At(5200, Lap(2, 1, 5200, 5200)), At(5400, Lap(3, 1, 5400, 5400)),
            At(5600, Lap(4, 1, 5600, 5600))};
}

}  // namespace

class TstAnnouncementRules : public QObject {
    Q_OBJECT
private slots:
    void phrasesOfARace_data();
    void phrasesOfARace();
};

void TstAnnouncementRules::phrasesOfARace_data()
{
    QTest::addColumn<TRaceSnapshot>("field");
    QTest::addColumn<int>("heat");
    QTest::addColumn<QString>("switchedOff");  // kinds by index, e.g. "25"
    QTest::addColumn<TSteps>("steps");
    QTest::addColumn<QStringList>("said");

    using T = TRaceEvent::TType;
    const TRaceSnapshot lapRace = Field(TRaceKind::Lap, 20);

    QTest::newRow("line-up of a heat") << lapRace << 3 << "" << TSteps{Event(T::LineUp, 0)}
                                       << QStringList{
                                              "Heat 3. Track 1, Anna de Vries. Track 2, Bert Jansen. Track "
                                              "3, Carla Smit. Track 4, Dirk Bos."};
    QTest::newRow("line-up of a single race, two drivers")
        << Field(TRaceKind::Lap, 20, 2) << 0 << "" << TSteps{Event(T::LineUp, 0)}
        << QStringList{"Track 1, Anna de Vries. Track 2, Bert Jansen."};
    QTest::newRow("false start said once per track, cars that jump together in one phrase")
        << lapRace << 0 << ""
        << TSteps{At(0, [](TRaceSnapshot& r) { r.Tracks[1].FalseStart = r.Tracks[2].FalseStart = true; }),
                  At(100, [](TRaceSnapshot& r) { r.Tracks[3].FalseStart = true; }), At(200, Lap(1, 1, 200, 200))}
        << QStringList{"False start, track 2. False start, track 3", "False start, track 4"};
    QTest::newRow("first laps are no news, a faster lap is")
        << lapRace << 0 << "" << FirstLaps() + TSteps{At(9800, Lap(2, 2, 9800, 4600))}
        << QStringList{"Fastest lap, Bert Jansen, 4.60", "New leader, Bert Jansen"};
    QTest::newRow("leader change, then quiet for 10 s, then the leader as he stands")
        << lapRace << 0 << ""
        << FirstLaps() + TSteps{At(10000, Lap(2, 2, 10000, 5800)),   // Bert leads at 10 s
                                At(15000, Lap(1, 3, 15000, 7000)),   // Anna back ahead, within 10 s
                                At(19000, Lap(2, 3, 19000, 9000)),   // still Anna
                                At(21000, Lap(3, 3, 21000, 10000))}  // 11 s after: Anna is new to the ear
        << QStringList{"New leader, Bert Jansen", "New leader, Anna de Vries"};
    QTest::newRow("back and forth within the quiet says nothing more")
        << lapRace << 0 << ""
        << FirstLaps() + TSteps{At(10000, Lap(2, 2, 10000, 5800)), At(15000, Lap(1, 3, 15000, 7000)),
                                At(16000, Lap(2, 3, 14900, 4900)), At(30000, Lap(4, 2, 30000, 9000))}
        << QStringList{"New leader, Bert Jansen", "Fastest lap, Bert Jansen, 4.90"};
    QTest::newRow("5 laps to go and the last lap, from the leader")
        << Field(TRaceKind::Lap, 8, 2) << 0 << ""
        << TSteps{At(5000, Lap(1, 1, 5000, 5000)),   At(10000, Lap(1, 2, 10000, 5000)),
                  At(15000, Lap(1, 3, 15000, 5000)), At(15500, Lap(2, 3, 15500, 5100)),
                  At(20000, Lap(1, 4, 20000, 5000)), At(35000, Lap(1, 7, 35000, 5000))}
        << QStringList{"5 laps to go", "Last lap"};
    QTest::newRow("a race of 5 laps counts no laps down but the last")
        << Field(TRaceKind::Lap, 5, 1) << 0 << ""
        << TSteps{At(5000, Lap(1, 1, 5000, 5000)), At(20000, Lap(1, 4, 20000, 5000))} << QStringList{"Last lap"};
    QTest::newRow("a minute and 10 seconds to go in a Timed race")
        << Field(TRaceKind::Timed, 120, 1) << 0 << ""
        << TSteps{At(0, [](TRaceSnapshot& r) { r.Elapsed = 0; }),
                  At(59000, [](TRaceSnapshot& r) { r.Elapsed = 59000; }),
                  At(60040, [](TRaceSnapshot& r) { r.Elapsed = 60040; }),
                  At(110000, [](TRaceSnapshot& r) { r.Elapsed = 110000; }),
                  At(120000, [](TRaceSnapshot& r) { r.Elapsed = 120000; })}
        << QStringList{"1 minute to go", "10 seconds to go"};
    QTest::newRow("the finish: the first three in order")
        << lapRace << 0 << ""
        << TSteps{{T::Finished,
                   60000,
                   Both(Both(Lap(1, 10, 60000, 5000), Lap(2, 11, 59000, 5000)),
                        Both(Lap(3, 11, 58000, 5000), Lap(4, 9, 57000, 5000))),
                   true,
                   -1,
                   {}}}
        << QStringList{"Finish. First, Carla Smit. Second, Bert Jansen. Third, Anna de Vries."};
    QTest::newRow("timing lost") << lapRace << 0 << "" << TSteps{Event(T::TimingLost, 7000)}
                                 << QStringList{"Timing lost. Race paused."};
    QTest::newRow("switched off: fastest lap and finish")
        << lapRace << 0 << "25"
        << FirstLaps() + TSteps{At(9800, Lap(2, 2, 9800, 4600)), Event(T::Finished, 20000), Event(T::TimingLost, 21000)}
        << QStringList{"New leader, Bert Jansen", "Timing lost. Race paused."};
    QTest::newRow("a fastest lap more than 3 s late is dropped")
        << lapRace << 0 << ""
        << FirstLaps() +
               TSteps{{T::Standing, 9800, Lap(2, 2, 9800, 4600), true, 12801, {}}, Event(T::TimingLost, 13000)}
        << QStringList{"Timing lost. Race paused."};
    QTest::newRow("on time at 3 s") << lapRace << 0 << ""
                                    << FirstLaps() + TSteps{{T::Standing, 9800, Lap(2, 2, 9800, 4600), true, 12800, {}}}
                                    << QStringList{"Fastest lap, Bert Jansen, 4.60", "New leader, Bert Jansen"};
    QTest::newRow("a newer fastest lap replaces one still waiting")
        << lapRace << 0 << ""
        << FirstLaps() + TSteps{At(9800, Lap(2, 2, 9800, 4600), false), At(10000, Lap(3, 2, 10000, 4500))}
        << QStringList{"Fastest lap, Carla Smit, 4.50", "New leader, Bert Jansen"};
    QTest::newRow("a burst: four cars at once, most urgent first, the least pushed out")
        << Field(TRaceKind::Lap, 7) << 0 << ""
        << FirstLaps() + TSteps{At(10000,
                                   [](TRaceSnapshot& r) {
                                       Lap(1, 2, 10010, 5010)(r);
                                       Lap(2, 2, 10000, 4800)(r);  // Bert takes the lead: 5 laps to go
                                       Lap(3, 2, 10020, 4620)(r);  // faster than before
                                       Lap(4, 2, 10030, 4439)(r);  // the fastest of the four, said cut
                                   })}
        << QStringList{"5 laps to go", "Fastest lap, Dirk Bos, 4.43"};
    QTest::newRow("records said, the fastest lap that broke one as the record")
        << lapRace << 0 << "" << FirstLaps() + RecordsBroken()
        << QStringList{"Track record, Bert Jansen, 4.60", "New leader, Bert Jansen", "Personal best, Dirk Bos, 5.30"};
    QTest::newRow("records switched off: the fastest lap as ever")
        << lapRace << 0 << "7" << FirstLaps() + RecordsBroken()
        << QStringList{"Fastest lap, Bert Jansen, 4.60", "New leader, Bert Jansen"};
}

void TstAnnouncementRules::phrasesOfARace()
{
    QFETCH(TRaceSnapshot, field);
    QFETCH(int, heat);
    QFETCH(QString, switchedOff);
    QFETCH(TSteps, steps);
    QFETCH(QStringList, said);

    TAnnouncementRulesConfig config;
    for (const QChar kind : switchedOff)
        config.Says[size_t(kind.digitValue())] = false;
    TAnnouncerMemory memory;
    TPhraseQueue queue;
    QStringList spoken;
    int64_t longestWait = 0;
    for (const TStep& step : steps) {
        if (step.Change)
            step.Change(field);
        TRaceEvent event;
        event.Type = step.Type;
        event.AtMs = step.AtMs;
        event.Heat = heat;
        event.Race = field;
        event.Records = step.Records;
        for (const TPhrase& phrase : AnnouncementRules::Announce(memory, event, config))
            queue.Push(phrase);
        // However long a single phrase, what waits behind it stays short.
        if (queue.Waiting().size() > 1)
            longestWait = std::max(longestWait, queue.WaitingMs());
        if (!step.Speak)
            continue;
        while (const std::optional<TPhrase> phrase = queue.TakeNext(step.SpeakAtMs < 0 ? step.AtMs : step.SpeakAtMs))
            spoken << phrase->Text;
    }
    QCOMPARE(spoken, said);
    QVERIFY2(longestWait <= TPhraseQueue::MaxWaitingMs, qPrintable(QString::number(longestWait)));
}

QTEST_APPLESS_MAIN(TstAnnouncementRules)
#include "tst_announcementrules.moc"
