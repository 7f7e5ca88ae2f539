#include "spectator/RaceSnapshot.h"
#include "support/TestSupport.h"

#include <QtTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

// The race snapshot: names cut without breaking a character, and the
// publisher handing whole snapshots from the timing thread to its readers.
namespace {

// Every field of the snapshot derived from one number, so a copy mixing two
// publishes shows.
TRaceSnapshot SnapshotOf(uint32_t value)
{
    TRaceSnapshot snapshot;
    snapshot.RaceKind = value % 2 ? TRaceKind::Timed : TRaceKind::Lap;
    snapshot.Phase = TRacePhase(value % 5);
    snapshot.LightsOn = value % 3 == 0;
    snapshot.LampsLit = uint8_t(value);
    snapshot.SectionsPerLap = int32_t(value);
    snapshot.Elapsed = int64_t(value) * 7;
    for (size_t n = 0; n < snapshot.Tracks.size(); ++n) {
        TSnapshotTrack& track = snapshot.Tracks[n];
        track.Active = value % 2 == 0;
        track.FalseStart = value % 2 == 1;
        track.Name.fill(char('a' + value % 26));
        track.Name.back() = '\0';
        track.Laps = int32_t(value + n);
        track.LastLap = value + 1;
        track.FastestLap = value + 2;
        track.TotalTime = value + 3;
    }
    return snapshot;
}

// Field by field: padding bytes carry no value and need not match.
bool SameSnapshot(const TRaceSnapshot& a, const TRaceSnapshot& b)
{
    const auto sameTrack = [](const TSnapshotTrack& x, const TSnapshotTrack& y) {
        return x.Active == y.Active && x.FalseStart == y.FalseStart && x.Name == y.Name && x.Laps == y.Laps &&
               x.LastLap == y.LastLap && x.FastestLap == y.FastestLap && x.TotalTime == y.TotalTime;
    };
    return a.RaceKind == b.RaceKind && a.Phase == b.Phase && a.LightsOn == b.LightsOn && a.LampsLit == b.LampsLit &&
           a.SectionsPerLap == b.SectionsPerLap && a.Elapsed == b.Elapsed &&
           std::equal(a.Tracks.begin(), a.Tracks.end(), b.Tracks.begin(), sameTrack);
}

}  // namespace

class TstRaceSnapshot : public QObject {
    Q_OBJECT

private slots:
    void init() { m_dir = std::make_unique<TTestWorkDir>(); }
    void cleanup() { m_dir.reset(); }

    void namesAreCutAtCharacters_data();
    void namesAreCutAtCharacters();
    void readersGetWholeSnapshots();

private:
    std::unique_ptr<TTestWorkDir> m_dir;
};

void TstRaceSnapshot::namesAreCutAtCharacters_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("keptBytes");
    const int room = SnapshotNameBytes - 1;
    QTest::newRow("short name kept whole") << QStringLiteral("Jürgen") << 7;
    QTest::newRow("ASCII cut at the room") << QString(100, u'x') << room;
    // One byte short of the room, then a two-byte ü: the ü goes whole.
    QTest::newRow("two-byte character at the edge") << QString(room - 1, u'x') + QStringLiteral("ü") << room - 1;
    QTest::newRow("three-byte character at the edge") << QString(room - 2, u'x') + QStringLiteral("€€") << room - 2;
    QTest::newRow("four-byte character at the edge") << QString(room - 1, u'x') + QStringLiteral("🏁") << room - 1;
    QTest::newRow("four-byte character fits exactly") << QString(room - 4, u'x') + QStringLiteral("🏁🏁") << room;
}

void TstRaceSnapshot::namesAreCutAtCharacters()
{
    QFETCH(QString, name);
    QFETCH(int, keptBytes);
    std::array<char, SnapshotNameBytes> out;
    out.fill('?');  // nothing left over from before
    CopySnapshotName(out, name);
    QCOMPARE(int(std::strlen(out.data())), keptBytes);
    QVERIFY(std::all_of(out.begin() + keptBytes, out.end(), [](char c) { return c == '\0'; }));
    const QString kept = QString::fromUtf8(out.data());
    QVERIFY(name.startsWith(kept));
    QCOMPARE(kept.toUtf8().size(), keptBytes);  // no replacement character
}

void TstRaceSnapshot::readersGetWholeSnapshots()
{
    TSnapshotPublisher publisher;
    TRaceSnapshot copy;
    QVERIFY(publisher.Read(copy));
    QVERIFY(SameSnapshot(copy, TRaceSnapshot{}));

    std::atomic<bool> stop{false};
    std::atomic<uint32_t> lastPublished{0};
    std::atomic<int> torn{0};
    std::atomic<int> backwards{0};
    std::thread writer([&] {
        for (uint32_t value = 1; !stop.load(std::memory_order_relaxed); ++value) {
            publisher.Publish(SnapshotOf(value));
            lastPublished.store(value, std::memory_order_relaxed);
        }
    });
    std::vector<std::thread> readers;
    for (int r = 0; r < 2; ++r) {
        readers.emplace_back([&] {
            uint32_t previous = 0;
            TRaceSnapshot snapshot;
            while (!stop.load(std::memory_order_relaxed)) {
                if (!publisher.Read(snapshot))
                    continue;  // the writer kept overtaking: allowed
                const uint32_t value = uint32_t(snapshot.SectionsPerLap);
                if (value != 0 && !SameSnapshot(snapshot, SnapshotOf(value)))
                    torn.fetch_add(1);
                if (value < previous)
                    backwards.fetch_add(1);
                previous = value;
            }
        });
    }
    QTest::qWait(200);
    stop.store(true);
    writer.join();
    for (std::thread& reader : readers)
        reader.join();

    QCOMPARE(torn.load(), 0);
    QCOMPARE(backwards.load(), 0);
    // With the writer gone the last publish is read whole.
    QVERIFY(publisher.Read(copy));
    QVERIFY(SameSnapshot(copy, SnapshotOf(lastPublished.load())));
}

QTEST_GUILESS_MAIN(TstRaceSnapshot)
#include "tst_racesnapshot.moc"
